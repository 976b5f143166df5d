#pragma once
// A window with a data grid configured as the workstation's windows
// configure theirs (gradient titles, row selection, all lines, hot titles),
// over the demo catalogue, sized to show an exact number of rows.

#include "grid/DBGrids.h"
#include "grid/GraphUtil.h"
#include "table/ClientDataSet.h"
#include "table/Fields.h"
#include "tests/support/GuiTestHelpers.h"
#include "toolkit/StdCtrls.h"
#include "tools/catgen/Catalogue.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>
#include <memory>

namespace tallivo::test {

inline const TColor kStart = 10721432; // 0x00A39898
inline const TColor kEnd = 7365475;    // 0x00706363

struct GridWindow {
    TClientDataSet Table;
    TDataSource Source;
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TDBGrid* Grid = nullptr;
    TEdit* Edit = nullptr;

    // records < 0: the table stays closed.
    explicit GridWindow(int records, int rows = 10, bool show = true) {
        if (records >= 0) catgen::FillCatalogue(Table, uint32_t(records));
        Source.SetDataSet(&Table);
        Form->SetClientSize(1000, 760);
        Edit = new TEdit(Form.get());
        Edit->SetBounds(10, 720, 200, 30);
        Edit->SetParent(Form.get());
        Grid = new TDBGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetColor(clWhite);
        Grid->SetCtl3D(false);
        Grid->SetDrawingStyle(gdsGradient);
        Grid->SetGradientStartColor(kStart);
        Grid->SetGradientEndColor(kEnd);
        Grid->Font() = TFont(QStringLiteral("Calibri"), -20, clWindowText);
        Grid->TitleFont() = TFont(QStringLiteral("Segoe UI Semibold"), -12, clBlack);
        Grid->SetOptions({dgTitles, dgColumnResize, dgColLines, dgRowLines, dgRowSelect,
                          dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgTitleClick,
                          dgTitleHotTrack});
        AddColumn("NOM_ART", "Article", 300);
        AddColumn("CODE_ART", "Code article", 200);
        AddColumn("PRIX_ACHAT", "Prix Achat", 132);
        AddColumn("CATEGORIE", "Catégorie", 150);
        Grid->SetDataSource(&Source);
        SizeForRows(rows);
        if (show) {
            ShowAndActivate(Form.get());
            ProcessEvents();
        }
        ClearModifiers();
    }

    // Messages sent with Perform read the keyboard state, which a synthetic
    // key press with Ctrl leaves with Ctrl held until the next key press
    // (F24: a key no control reacts to).
    void ClearModifiers() {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Form.get();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F24, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }

    TColumn* AddColumn(const char* field, const char* caption, int width) {
        TColumn* c = Grid->Columns().Add();
        c->SetFieldName(QString::fromUtf8(field));
        c->Title().SetCaption(QString::fromUtf8(caption));
        c->SetWidth(width);
        c->SetFont(TFont(QStringLiteral("Segoe UI Semibold"), -16, 4210752));
        c->Title().SetFont(TFont(QStringLiteral("Segoe UI Semilight"), -14, clWhite));
        return c;
    }

    int Border() const { return Grid->ClientOffset().X; }
    // On-screen distance between two data rows.
    int Pitch() const { return Grid->DefaultRowHeight() + 1; }

    // Room for exactly rows whole data rows, plus half a row that must stay unused.
    void SizeForRows(int rows, int width = 900) {
        const int h = 2 * Border() + Grid->RowHeights(0) + 1 + rows * Pitch() + Grid->DefaultRowHeight() / 2;
        Grid->SetBounds(10, 10, width, h);
    }

    // The centre of a cell, in the grid widget's coordinates.
    QPoint CellCenter(int col, int row) const {
        const TRect r = Grid->CellRect(col, row);
        return QPoint((r.Left + r.Right) / 2 + Border(), (r.Top + r.Bottom) / 2 + Border());
    }
    QPoint ClientPoint(int x, int y) const { return QPoint(x + Border(), y + Border()); }

    QString Name() const { return Table.FieldByName(QStringLiteral("NOM_ART")).AsString(); }
    static QString NameOf(int recNo) { return catgen::Article(uint32_t(recNo - 1)).Name; }

    // The grid as freshly painted, in client coordinates.
    QImage Fresh() const {
        return Grab(Grid).copy(Border(), Border(), Grid->ClientWidth(), Grid->ClientHeight());
    }
    // The grid's pixels as they are on screen now (what incremental painting
    // left there), in client coordinates.
    QImage OnScreen() const {
        ProcessEvents();
        const QPoint origin = Grid->mapTo(Form.get(), QPoint(Border(), Border()));
        const QPixmap shot = Form->windowHandle()->screen()->grabWindow(Form->winId());
        return shot.toImage()
            .convertToFormat(QImage::Format_RGB32)
            .copy(origin.x(), origin.y(), Grid->ClientWidth(), Grid->ClientHeight());
    }
};

} // namespace tallivo::test
