// Export of the collection as semicolon-separated text for the back office.
#include "app/Master.h"

#include "app/StationFeatures.h"
#include "base/CodePage.h"
#include "base/InOutError.h"
#include "dialogs/MetroMessage1.h"
#include "table/AtomicFile.h"
#include "table/ExportText.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

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

} // namespace

void TMasterform::Button2Click(TObject*) {
    TClientDataSet& table = *DBGrid1->DataSource()->DataSet();
    const QString header = ExportHeader(table);
    // The designed folder is a Windows path: the dialog starts in the
    // counting folder, unless the operator chose another folder in this run.
    if (!QDir::isAbsolutePath(SaveDialog1->InitialDir) || !QDir(SaveDialog1->InitialDir).exists())
        SaveDialog1->InitialDir = DataDir;
    if (!SaveDialog1->Execute()) return;
    SaveDialog1->InitialDir = QFileInfo(SaveDialog1->FileName).absolutePath();

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
