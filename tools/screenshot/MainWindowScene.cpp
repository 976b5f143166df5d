// The main window with a catalogue and a dozen collected lines.
#include "Scenes.h"
#include "app/Master.h"
#include "tools/catgen/Catalogue.h"

#include <QDir>
#include <QTemporaryDir>
#include <tuple>

using namespace tallivo;

namespace {

// A data folder with a generated catalogue, current while the window is
// created (the window takes its files from the current directory).
QWidget* MainWindowWithLines(int width) {
    static QTemporaryDir dir;
    if (!QFile::exists(dir.filePath("ARTICLE.XML"))) {
        TClientDataSet art;
        catgen::FillCatalogue(art, 200);
        art.SaveToFile(dir.filePath("ARTICLE.XML"), dfXML);
        // A collection of a dozen lines taken from the catalogue.
        TClientDataSet coll;
        for (const auto& [name, type, size] : {std::tuple{"CODE_ART", ftString, 25}, {"NOM_ART", ftString, 50},
                                               {"CATEGORIE", ftString, 25}, {"QTE", ftFloat, 0},
                                               {"PRIX_ACHAT", ftFloat, 0}, {"GERE_STOCK", ftString, 1}})
            coll.FieldDefs().Add(name, type, size);
        coll.CreateDataSet();
        const double quantities[] = {12, 3, 1, 24, 2.5, 6, 1, 48, 10, 4, 7, 1};
        art.First();
        for (double q : quantities) {
            coll.Append();
            for (const char* f : {"CODE_ART", "NOM_ART", "CATEGORIE", "PRIX_ACHAT", "GERE_STOCK"})
                coll.FieldByName(f).SetAsString(art.FieldByName(f).AsString());
            coll.FieldByName("QTE").SetAsFloat(q);
            coll.Post();
            art.MoveBy(7);
        }
        coll.SaveToFile(dir.filePath("COLLECTION.XML"), dfXML);
    }
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    auto* form = new TMasterform(nullptr);
    QDir::setCurrent(previous);
    form->SetWindowState(wsNormal);
    form->SetClientSize(width, 746);
    form->OnShow = [form](TObject* sender) {
        form->FormShow(sender);
        CollectionTable->MoveBy(4);
        form->Label2->SetCaption(QStringLiteral("Tallivo - %1 records").arg(CollectionTable->RecordCount()));
    };
    return form;
}

} // namespace

TALLIVO_SCENE("main-1208", "the main window at its designed size, 1208 x 746, with a dozen lines") {
    return MainWindowWithLines(1208);
}

TALLIVO_SCENE("main-1000", "the main window 1000 pixels wide: the command band on two rows") {
    return MainWindowWithLines(1000);
}
