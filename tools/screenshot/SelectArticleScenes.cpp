// The article selection dialog over the demo catalogue: as it opens, after
// a search typed into it, and narrowed as on a 900-pixel main window.
#include "Scenes.h"
#include "dialogs/Selectarticle3.h"
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
