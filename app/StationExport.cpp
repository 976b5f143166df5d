// The files the export writes beside its own, in its conventions (";",
// Windows-1252, CR LF, nothing quoted), for the back office: the unknown
// codes of INCONNUS.CSV, and with ExportNonComptes=oui the catalogue
// articles the count has no line for.
#include "app/StationFeatures.h"

#include "app/Master.h"
#include "base/CodePage.h"
#include "base/InOutError.h"
#include "table/AtomicFile.h"

#include <QDir>
#include <QFileInfo>

namespace tallivo {

namespace {

// Writes content over file, whole or not at all; failures are the export's
// input/output errors.
void WriteWhole(const QString& file, const std::string& content) {
    try {
        TAtomicFile out(file);
        out.Put(content.data(), content.size());
        out.Commit();
    } catch (const EFileCreationError& e) {
        throw InOutError(e.ErrorCode());
    } catch (const EInOutError& e) {
        throw InOutError(e.ErrorCode());
    }
}

// The catalogue's articles without a line in the collection, as the
// export's lines with an empty quantity. The catalogue's cursor is put back
// where it stood.
std::string NotCounted(TClientDataSet& catalogue, TClientDataSet& collection) {
    const QStringList columns = {"CODE_ART", "NOM_ART", "CATEGORIE", "QTE", "PRIX_ACHAT"};
    std::string out = ToAnsi(columns.join(u';')) + "\r\n";
    std::vector<const TField*> fields;
    for (const QString& name : columns) fields.push_back(name == "QTE" ? nullptr : catalogue.FindField(name));
    const TField& code = catalogue.FieldByName(QStringLiteral("CODE_ART"));
    const int at = catalogue.RecNo();
    TBusyCursor busy;
    catalogue.DisableControls();
    try {
        for (catalogue.First(); !catalogue.Eof(); catalogue.Next()) {
            if (collection.ContainsIgnoreCase(QStringLiteral("CODE_ART"), code.AsString())) continue;
            QStringList values;
            for (const TField* f : fields) values << (f ? f->AsString() : QString());
            out += ToAnsi(values.join(u';')) + "\r\n";
        }
        catalogue.First();
        if (at > 1) catalogue.MoveBy(at - 1);
    } catch (...) {
        catalogue.EnableControls();
        throw;
    }
    catalogue.EnableControls();
    return out;
}

} // namespace

QString TStationFeatures::CompanionFile(const QString& exportFile, const QString& suffix) {
    const QFileInfo file(exportFile);
    const QString extension = file.suffix();
    const QString base = extension.isEmpty() ? file.fileName() : file.completeBaseName();
    return file.dir().filePath(base + u'-' + suffix + (extension.isEmpty() ? QString() : u'.' + extension));
}

void TStationFeatures::WriteExportCompanions(const QString& file) {
    // Written when there are unknown codes, and also when there are none but
    // an older list stands beside the export: a stale list never goes with
    // a new export.
    const QString unknown = CompanionFile(file, QStringLiteral("INCONNUS"));
    if (FUnknown.Count() > 0 || !FUnknown.ForeignLines().isEmpty() || QFileInfo::exists(unknown)) {
        const QByteArray text = FUnknown.Text();
        WriteWhole(unknown, std::string(text.constData(), size_t(text.size())));
    }
    if (FSettings.ExportNonComptes && ArticleTable && ArticleTable->Active() && CollectionTable &&
        ArticleTable->FindField(QStringLiteral("CODE_ART")))
        WriteWhole(CompanionFile(file, QStringLiteral("NON-COMPTES")), NotCounted(*ArticleTable, *CollectionTable));
}

} // namespace tallivo
