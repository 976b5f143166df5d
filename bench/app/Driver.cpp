#include "Driver.h"

#include "dialogs/Numpad.h"
#include "table/FolderLock.h"
#include "tools/catgen/Catalogue.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <map>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace tallivo::bench {

QString DataFolder(uint32_t articles, uint32_t collectionLines, bool uniqueNames) {
    static std::map<std::tuple<uint32_t, uint32_t, bool>, std::unique_ptr<QTemporaryDir>> folders;
    auto& dir = folders[{articles, collectionLines, uniqueNames}];
    if (dir) return dir->path();
    dir = std::make_unique<QTemporaryDir>();
    TClientDataSet catalogue;
    catgen::TCatalogueKinds kinds;
    kinds.UniqueNames = uniqueNames;
    catgen::FillCatalogue(catalogue, articles, 1, kinds);
    catalogue.SaveToFile(dir->filePath("ARTICLE.XML"), dfXML);
    if (collectionLines > 0) {
        TClientDataSet collection;
        for (const auto& [name, type, size] : {std::tuple{"CODE_ART", ftString, 25},
                                               {"NOM_ART", ftString, 50},
                                               {"CATEGORIE", ftString, 25},
                                               {"QTE", ftFloat, 0},
                                               {"PRIX_ACHAT", ftFloat, 0},
                                               {"GERE_STOCK", ftString, 1}})
            collection.FieldDefs().Add(name, type, size);
        collection.CreateDataSet();
        catalogue.First();
        for (uint32_t i = 0; i < collectionLines && !catalogue.Eof(); ++i, catalogue.Next()) {
            collection.Append();
            for (const char* f : {"CODE_ART", "NOM_ART", "CATEGORIE", "PRIX_ACHAT", "GERE_STOCK"})
                collection.FieldByName(f).SetAsString(catalogue.FieldByName(f).AsString());
            collection.FieldByName("QTE").SetAsFloat(1);
            collection.Post();
        }
        collection.SaveToFile(dir->filePath("COLLECTION.XML"), dfXML);
        QFile::copy(dir->filePath("COLLECTION.XML"), dir->filePath("COLLECTION.MADE"));
    }
    return dir->path();
}

void RestoreCollection(const QString& folder) {
    QFile::remove(folder + "/COLLECTION.XML");
    QFile::copy(folder + "/COLLECTION.MADE", folder + "/COLLECTION.XML");
    // A station starting on that file for the first time.
    QFile::remove(folder + "/JOURNAL.DAT");
    QFile::remove(folder + "/POSTE.ID");
}

std::unique_ptr<TMasterform> StartWorkstation(const QString& folder) {
    // The folder's lock, held as the program holds it (kept until exit).
    static std::map<QString, std::unique_ptr<TFolderLock>> locks;
    if (!locks[folder]) locks[folder] = std::make_unique<TFolderLock>(folder);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder);
    auto form = std::make_unique<TMasterform>(nullptr);
    QDir::setCurrent(previous);
    form->SetWindowState(wsNormal);
    form->SetClientSize(1208, 746);
    form->Show();
    form->activateWindow();
    while (!(form->Edit1->Focused() && ArticleTable && ArticleTable->Active() &&
             ArticleTable->RecordCount() > 0))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return form;
}

double EnterCode(TMasterform& form, const QString& code, const std::function<void(TNumPadBox*)>& onKeypad) {
    form.Edit1->SetText(code);
    QElapsedTimer clock;
    double seconds = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* pad = dynamic_cast<TNumPadBox*>(QApplication::activeModalWidget());
        if (!pad || !pad->isActiveWindow()) return;
        seconds = clock.nsecsElapsed() / 1e9;
        poll.stop();
        onKeypad(pad);
    });
    poll.start(0);
    clock.start();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(form.Edit1->FocusWidget(), &enter);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return seconds;
}

uint64_t ResidentBytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return uint64_t(resident) * uint64_t(sysconf(_SC_PAGESIZE));
}

} // namespace tallivo::bench
