// Export of the collection as semicolon-separated text for the back office.
// The file is chosen in the save dialog; the workstation's own data files
// are refused (a count turned into text would be lost), any other existing
// file is replaced only after a question, and the dialog opens again.
#include "app/Master.h"

#include "app/StationFeatures.h"
#include "base/CodePage.h"
#include "base/InOutError.h"
#include "dialogs/MetroMessage1.h"
#include "table/Archive.h"
#include "table/AtomicFile.h"
#include "table/ExportText.h"

#include <QDir>
#include <QFileInfo>
#include <optional>
#include <sys/stat.h>

namespace tallivo {

namespace {

// Writes the lines of an export through the atomic writer: the file appears
// whole when the export ends, or not at all, so that the back office never
// imports half an export (an older file of that name stays as it was).
// Failures are raised as the input/output error of their error number.
class TExportFile {
public:
    explicit TExportFile(const QString& name) {
        Checked([&] { FFile.emplace(name); });
    }
    // One line in the code page, ended by CR LF; no quoting, no escaping.
    void WriteLine(const QString& line) {
        std::string bytes = ToAnsi(line);
        bytes += "\r\n";
        Checked([&] { FFile->Put(bytes.data(), bytes.size()); });
    }
    void Close() {
        Checked([&] { FFile->Commit(); });
    }

private:
    template <class F> static void Checked(F&& step) {
        try {
            step();
        } catch (const EFileCreationError& e) {
            throw InOutError(e.ErrorCode());
        } catch (const EInOutError& e) {
            throw InOutError(e.ErrorCode());
        }
    }
    std::optional<TAtomicFile> FFile;
};

// Whether the files at a and b are one file (through links and other names).
bool SameFile(const QString& a, const QString& b) {
    struct stat sa, sb;
    return stat(QFile::encodeName(a).constData(), &sa) == 0 && stat(QFile::encodeName(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Whether name is one of the workstation's own data files, or would become
// one: the count, the catalogue, the layout, an archive of the count.
bool IsWorkstationDataFile(const QString& name) {
    const QFileInfo target(name);
    const QString folder = QFileInfo(target.absolutePath()).canonicalFilePath();
    const bool inDataDir = !folder.isEmpty() && folder == QFileInfo(DataDir).canonicalFilePath();
    const QString collection = QStringLiteral("COLLECTION.XML");
    if (inDataDir && IsArchiveName(target.fileName(), collection)) return true;
    for (const QString& own : {collection, QStringLiteral("ARTICLE.XML"), QStringLiteral("ART.GRD")}) {
        if (inDataDir && target.fileName().compare(own, Qt::CaseInsensitive) == 0) return true;
        if (SameFile(name, TMasterform::DataFile(own))) return true;
    }
    if (!target.exists()) return false;
    const QDir data(DataDir);
    for (const QString& archive : data.entryList({QStringLiteral("COLLECTION-*")}, QDir::Files))
        if (IsArchiveName(archive, collection) && SameFile(name, data.filePath(archive))) return true;
    return false;
}

} // namespace

bool TMasterform::ExportTargetAccepted(const QString& fileName) {
    const QString shown = QDir::toNativeSeparators(fileName);
    if (IsWorkstationDataFile(fileName)) {
        ShowMetroMessage(QStringLiteral("« %1 » est un fichier de données de Tallivo : l'export ne le remplace "
                                        "pas. Choisissez un autre nom.")
                             .arg(shown),
                         false, 16777215);
        return false;
    }
    const QFileInfo target(fileName);
    if (!target.exists() && !target.isSymLink()) return true;
    return ShowMetroMessage(QStringLiteral("Le fichier « %1 » existe déjà. Le remplacer ?").arg(shown), true,
                            16777215);
}

void TMasterform::Button2Click(TObject*) {
    TClientDataSet& table = *DBGrid1->DataSource()->DataSet();
    const QString header = ExportHeader(table);
    // The designed folder is a Windows path: the dialog starts in the
    // counting folder, unless the operator chose another folder in this run.
    if (!QDir::isAbsolutePath(SaveDialog1->InitialDir) || !QDir(SaveDialog1->InitialDir).exists())
        SaveDialog1->InitialDir = DataDir;
    do {
        if (!SaveDialog1->Execute()) return;
        SaveDialog1->InitialDir = QFileInfo(SaveDialog1->FileName).absolutePath();
    } while (!ExportTargetAccepted(SaveDialog1->FileName));

    TExportFile file(SaveDialog1->FileName);
    file.WriteLine(header);
    // The grid does not repaint for each line while the loop runs; whatever
    // happens, its display resumes and the file is closed.
    table.DisableControls();
    try {
        table.First();
        while (!table.Eof()) {
            file.WriteLine(ExportLine(table));
            table.Next();
        }
    } catch (...) {
        table.EnableControls();
        throw;
    }
    table.EnableControls();
    file.Close();
    Station().WriteExportCompanions(SaveDialog1->FileName);
    ShowMetroMessage(QStringLiteral("Opération terminée"), false, 16777215);
}

} // namespace tallivo
