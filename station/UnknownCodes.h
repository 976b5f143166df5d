#pragma once
// The codes scanned that the catalogue does not know, kept in INCONNUS.CSV
// in the counting folder for the back office: one line per code (letter
// case ignored, the first spelling kept) with the time of its first and last
// scan, how many times it was scanned and, when the operator counted it
// anyway, the quantity counted.
//
// The file follows the export's conventions: a header of column names, ";"
// between columns, nothing quoted, Windows-1252, CR LF after every line,
// numbers with the locale's decimal separator:
//   CODE_ART;PREMIER_SCAN;DERNIER_SCAN;NB_SCANS;QTE
//   3792008224653;2024-05-14 09:12:03;2024-05-14 10:40:57;2;12
// Times are local, "yyyy-MM-dd HH:mm:ss"; QTE is empty for a code never
// counted. A code holding ";" is written as it is: the file is read from
// the right, where the four other columns never hold one.
//
// Lines of the file that cannot be read (edited by hand) are kept as they
// are and written back after the codes, so that nothing is lost.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tallivo {

struct TUnknownCode {
    QString Code;
    QDateTime FirstScan, LastScan;
    int Scans = 0;
    std::optional<double> Quantity;
};

inline const QString kUnknownCodesFileName = QStringLiteral("INCONNUS.CSV");

class TUnknownCodes {
public:
    // Reads the file at path when it exists; raises the file error when it
    // exists but cannot be read (nothing is kept then, and Save refuses to
    // write over it).
    void Load(const QString& path);
    const QString& Path() const { return FPath; }

    // One more scan of code at time at.
    void Scanned(const QString& code, const QDateTime& at);
    // Sets the quantity counted for code (a code never scanned is added).
    void SetQuantity(const QString& code, std::optional<double> quantity);
    std::optional<double> QuantityOf(const QString& code) const;

    const std::vector<TUnknownCode>& Codes() const { return FCodes; }
    int Count() const { return int(FCodes.size()); }
    // Lines of the file that could not be read, kept as they were.
    const QStringList& ForeignLines() const { return FForeign; }

    // The file's content: header, codes in order of first scan, foreign lines.
    QByteArray Text() const;
    // Writes Text() over the file (atomically); raises the file error.
    void Save() const;
    // Renames the file to archive (the codes of a finished count), then
    // starts an empty list. Raises the file error.
    void Archive(const QString& archive);

private:
    TUnknownCode* Find(const QString& code);
    const TUnknownCode* Find(const QString& code) const;
    QString FPath;
    std::vector<TUnknownCode> FCodes;
    QStringList FForeign;
    bool FUnreadable = false;
};

} // namespace tallivo
