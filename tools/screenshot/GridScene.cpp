// Scenes of the data grid over the demo catalogue: the grid's own drawing
// (gradient titles, a hot title, the selection band of the current row) and
// the same grid with an owner-draw handler as the article selection window
// paints its cells.

#include "Scenes.h"
#include "grid/DBGrids.h"
#include "table/ClientDataSet.h"
#include "tools/catgen/Catalogue.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTimer>

using namespace tallivo;

namespace {

class GridWindow : public TForm {
public:
    explicit GridWindow(bool ownerDraw) : TForm(nullptr) {
        SetCaption(QStringLiteral("Grille"));
        SetColor(clScrollBar);
        SetClientSize(1049, 480);
        catgen::FillCatalogue(Table, 200);
        Source.SetDataSet(&Table);

        Grid = new TDBGrid(this);
        Grid->SetParent(this);
        Grid->SetAlign(alClient);
        Grid->Margins().SetBounds(20, 30, 20, 3);
        Grid->SetAlignWithMargins(true);
        Grid->SetColor(clWhite);
        Grid->SetDrawingStyle(gdsGradient);
        Grid->SetGradientStartColor(10721432);
        Grid->SetGradientEndColor(7365475);
        Grid->Font() = TFont(QStringLiteral("Calibri"), -29, clBlack);
        Grid->TitleFont() = TFont(QStringLiteral("Segoe UI Semibold"), -12, clWhite, fsBold);
        Grid->SetOptions({dgTitles, dgColumnResize, dgColLines, dgRowLines, dgRowSelect,
                          dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgTitleClick,
                          dgTitleHotTrack});
        Grid->SetReadOnly(true);
        struct Col {
            const char* Field;
            const char* Caption;
            int Width;
        };
        static const Col kColumns[] = {
            {"CODE_ART", "Code article", 164},     {"NOM_ART", "Désignation", 415},
            {"PX_VTE_TC", "Prix vente", 104},      {"NOM_FOU", "Fournisseur", 180},
            {"REF_ART_F", "Ref art fourni.", 105}, {"CATEGORIE", "Catégorie", 157},
            {"PRIX_ACHAT", "Prix achat", 96},
        };
        Grid->Columns().BeginUpdate();
        for (const Col& c : kColumns) {
            TColumn* column = Grid->Columns().Add();
            column->SetFieldName(QString::fromUtf8(c.Field));
            column->Title().SetCaption(QString::fromUtf8(c.Caption));
            column->SetWidth(c.Width);
            column->SetFont(TFont(QStringLiteral("Segoe UI Semibold"), -20, 3947580));
            column->Title().SetFont(TFont(QStringLiteral("Segoe UI Semilight"), -19, clWhite, fsBold));
        }
        Grid->Columns().EndUpdate();
        Grid->SetDataSource(&Source);
        if (ownerDraw) {
            // The selection window's handler: the current row in its own colour.
            Grid->OnDrawColumnCell = [this](TObject*, const TRect& r, int col, TColumn* column,
                                            TGridDrawState s) {
                if (!s.Contains(gdSelected)) return;
                Grid->Canvas()->Brush.SetColor(14002688);
                Grid->DefaultDrawColumnCell(r, col, column, s);
            };
        }
        Table.MoveBy(6);

        // The pointer rests over the title of the second column (once the
        // window is shown: showing it tells the grid the pointer is elsewhere).
        QTimer::singleShot(50, Grid, [this] {
            const TRect title = Grid->CellRect(1, 0);
            const QPoint at(title.Left + 40 + Grid->ClientOffset().X,
                            title.Top + 10 + Grid->ClientOffset().Y);
            QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(Grid->mapToGlobal(at)), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(Grid, &move);
        });
    }
    ~GridWindow() override {
        delete Grid;
        Grid = nullptr;
    }

    TClientDataSet Table;
    TDataSource Source;
    TDBGrid* Grid = nullptr;
};

} // namespace

TALLIVO_SCENE("grid", "the data grid over 200 demo articles: gradient titles, a hot title, the current row") {
    return new GridWindow(false);
}

TALLIVO_SCENE("grid-owner-draw", "the same grid with the selection window's cell painting") {
    return new GridWindow(true);
}
