// The collection grid: its cell painting and the paced movements of the
// scroll buttons and of the four swipe actions.
#include "app/Master.h"

#include "toolkit/Platform.h"

namespace tallivo {

namespace {

constexpr TColor kSelection = 14002688;

// Waits before each step: fast at the start, slower towards the end.
int ButtonWait(int i) { return i <= 3 ? 2 * i : 3 * i; }
int SwipeWait(int i) { return i <= 7 ? 2 * i : i <= 11 ? 3 * i : 4 * i; }

} // namespace

void DrawCellText(TCanvas& Canvas, const TRect& T, const QString& Text, TColumn* Column) {
    unsigned format = DT_LEFT;
    switch (Column->Alignment() & 0x7F) {
    case taRightJustify: format = DT_RIGHT; break;
    case taCenter: format = DT_CENTER; break;
    default: break;
    }
    // DT_NOPREFIX: an "&" in an article name is a letter, not an accelerator.
    format |= DT_END_ELLIPSIS | DT_NOPREFIX;
    TRect M = T;
    Canvas.DrawText(Text, M, format | DT_CALCRECT);
    M.Right = T.Right;
    if (T.Bottom > M.Bottom) {
        const int shift = (T.Bottom - M.Bottom) / 2;
        M = M.Offset(0, shift);
    } else {
        M.Bottom = T.Bottom;
    }
    Canvas.DrawText(Text, M, format);
}

void TMasterform::DBGrid1DrawColumnCell(TObject*, const TRect& Rect, int, TColumn* Column, TGridDrawState State) {
    TCanvas& canvas = *DBGrid1->Canvas();
    TClientDataSet& table = *DBGrid1->DataSource()->DataSet();
    const TRect W{Rect.Left - 2, Rect.Top, Rect.Right + 2, Rect.Bottom};
    if (table.RecordCount() == 0) {
        canvas.Brush.SetColor(clWhite);
        canvas.FillRect(W);
        return;
    }
    if (State.Contains(gdSelected)) {
        canvas.Brush.SetColor(kSelection);
        canvas.Font.SetColor(clWhite);
        canvas.FillRect(W);
    }
    canvas.FillRect(Rect);
    const TRect T{Rect.Left + 4, Rect.Top, Rect.Right - 4, Rect.Bottom};
    // A column whose field the collection lacks shows an empty cell.
    const TField* field = table.FindField(Column->FieldName());
    const QString text = field ? field->AsString().left(50) : QString();
    DrawCellText(canvas, T, text, Column);
}

void TMasterform::PacedMove(int firstMove, TKey key, int steps, int (*waitBefore)(int)) {
    DBGrid1->DataSource()->DataSet()->MoveBy(firstMove);
    for (int i = 1; i <= steps; ++i) {
        Sleep(waitBefore(i));
        DBGrid1->Perform(WM_KEYDOWN, key, 0);
        Application->ProcessMessages();
    }
}

void TMasterform::AdvMetroButton15Click(TObject*) {
    PacedMove(-(DBGrid1->FCurrent().Y - DBGrid1->FTopLeft().Y), VK_UP, 6, ButtonWait);
    try {
        Edit1->SetFocus();
    } catch (...) {
    }
}

void TMasterform::AdvMetroButton16Click(TObject*) {
    PacedMove(DBGrid1->FullyVisibleRowCount() - 1 - (DBGrid1->FCurrent().Y - DBGrid1->FTopLeft().Y), VK_DOWN, 6,
              ButtonWait);
    try {
        Edit1->SetFocus();
    } catch (...) {
    }
}

void TMasterform::Action1Execute(TObject*) {
    DBGrid1->Perform(WM_HSCROLL, SB_LINERIGHT, 0);
    Sleep(50);
    DBGrid1->Perform(WM_HSCROLL, SB_LINERIGHT, 0);
    Sleep(100);
    DBGrid1->Perform(WM_HSCROLL, SB_LINERIGHT, 0);
}

void TMasterform::Action2Execute(TObject*) {
    DBGrid1->Perform(WM_HSCROLL, SB_LINELEFT, 0);
    Sleep(50);
    DBGrid1->Perform(WM_HSCROLL, SB_LINELEFT, 0);
    Sleep(100);
    DBGrid1->Perform(WM_HSCROLL, SB_LINELEFT, 0);
}

void TMasterform::Action3Execute(TObject*) {
    PacedMove(DBGrid1->FullyVisibleRowCount() - 1 - (DBGrid1->FCurrent().Y - DBGrid1->FTopLeft().Y), VK_DOWN, 15,
              SwipeWait);
}

void TMasterform::Action4Execute(TObject*) {
    PacedMove(-(DBGrid1->FCurrent().Y - DBGrid1->FTopLeft().Y), VK_UP, 15, SwipeWait);
}

} // namespace tallivo
