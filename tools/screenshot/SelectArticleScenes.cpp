// The article selection dialog over the demo catalogue: as it opens, after
// a search typed into it, narrowed as on a 900-pixel main window, on the
// kiosk screens, and with its keyboard's accents page.
#include "Scenes.h"
#include "dialogs/Selectarticle3.h"
#include "dialogs/TouchKeyboard.h"
#include "grid/DBGrids.h"
#include "table/ClientDataSet.h"
#include "table/DataSource.h"
#include "toolkit/StdCtrls.h"
#include "tools/catgen/Catalogue.h"

#include <functional>

using namespace tallivo;

namespace {

// The catalogue and its link, alive for the whole run (dialogs only see them).
TDataSource* DemoCatalogue() {
    static TClientDataSet table;
    static TDataSource source;
    if (!source.DataSet()) {
        catgen::FillCatalogue(table, 200);
        source.SetDataSet(&table);
    }
    return &source;
}

// The dialog as it opens (activated: sorted by name, empty search field),
// then what the operator does in it.
TSelectarticle3Box* OpenedDialog(std::function<void(TSelectarticle3Box*)> then = {}) {
    auto* box = new TSelectarticle3Box(nullptr, DemoCatalogue());
    box->OnActivate = [box, then](TObject* sender) {
        box->FormActivate(sender);
        if (then) then(box);
    };
    return box;
}

} // namespace

TALLIVO_SCENE("select-article", "the article selection dialog as it opens: sorted by name, \"Désignation\"") {
    return OpenedDialog();
}

TALLIVO_SCENE("select-article-search",
              "the selection dialog after \"pain\" typed: the nearest name is current") {
    return OpenedDialog([](TSelectarticle3Box* box) { box->Edit1->SetText(QStringLiteral("pain")); });
}

TALLIVO_SCENE("select-article-supplier", "the selection dialog sorted by a tap on \"Fournisseur\"") {
    return OpenedDialog([](TSelectarticle3Box* box) { box->DBGrid1TitleClick(box->DBGrid1->Columns()[3]); });
}

TALLIVO_SCENE("select-article-895",
              "the selection dialog narrowed to 895 pixels, as over a 900-pixel window") {
    TSelectarticle3Box* box = OpenedDialog();
    box->SetWidth(895);
    return box;
}

// The dialog on the kiosk screens: as tall as each leaves room for under a
// title bar, narrowed to the main window's width.
TALLIVO_SCENE("select-article-1024x768", "the selection dialog and its keyboard on a 1024 x 768 screen") {
    TSelectarticle3Box* box = OpenedDialog();
    box->SetWidth(1019);
    box->FitHeight(768 - 40);
    return box;
}

TALLIVO_SCENE("select-article-1280x720", "the selection dialog on 1920 x 1080 at scale 1.5 (1280 x 720)") {
    TSelectarticle3Box* box = OpenedDialog();
    box->FitHeight(720 - 40);
    return box;
}

TALLIVO_SCENE("select-article-910x512",
              "the selection dialog on 1366 x 768 at scale 1.5 (910 x 512): the keys at their least") {
    TSelectarticle3Box* box = OpenedDialog();
    box->SetWidth(905);
    box->FitHeight(512 - 40);
    return box;
}

TALLIVO_SCENE("select-article-accents",
              "the selection dialog with the keyboard's accents page, \"P\" typed") {
    return OpenedDialog([](TSelectarticle3Box* box) {
        box->Edit1->SetText(QStringLiteral("P"));
        box->Keyboard->AccentsKeyClick(nullptr);
    });
}
