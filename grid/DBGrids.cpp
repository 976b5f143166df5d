#include "grid/DBGrids.h"

#include "base/Exception.h"
#include "grid/GraphUtil.h"
#include "table/ClientDataSet.h"
#include "table/Fields.h"

#include <QFontMetrics>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

namespace tallivo {

namespace {

int TextHeightOf(const TFont& font) {
    return QFontMetrics(font.ToQFont()).height();
}

// Text of a cell: x from the alignment (DX from the left edge, 3 pixels
// from the right edge, or centred), y = top + DY, clipped to the cell, which
// is filled with the brush first unless the brush is clear.
void WriteText(TCanvas& c, const TRect& r, int dx, int dy, const QString& text, TAlignment alignment) {
    int x;
    switch (alignment) {
    case taRightJustify:
        x = r.Right - c.TextWidth(text) - 3;
        break;
    case taCenter:
        x = r.Left + r.Width() / 2 - c.TextWidth(text) / 2;
        break;
    default:
        x = r.Left + dx;
        break;
    }
    c.TextRect(r, x, r.Top + dy, text);
}

struct TUpdateLockGuard {
    TCustomDBGrid& Grid;
    explicit TUpdateLockGuard(TCustomDBGrid& g) : Grid(g) { Grid.BeginUpdate(); }
    ~TUpdateLockGuard() { Grid.EndUpdate(); }
};

const TDBGridOptions kLayoutOptions{dgEditing,  dgAlwaysShowEditor, dgTitles,    dgIndicator,
                                    dgColLines, dgRowLines,         dgRowSelect, dgAlwaysShowSelection};

} // namespace

// ---------------------------------------------------------------- TGridDataLink

TGridDataLink::~TGridDataLink() {
    FGrid = nullptr;
}

int TGridDataLink::MoveBy(int distance) {
    TClientDataSet* ds = DataSet();
    return ds && Active() ? ds->MoveBy(distance) : 0;
}

void TGridDataLink::ActiveChanged() {
    if (FGrid) FGrid->LinkActive(Active());
}

void TGridDataLink::DataSetChanged() {
    if (FGrid) FGrid->DataChanged();
}

void TGridDataLink::DataSetScrolled(int distance) {
    if (FGrid) FGrid->Scroll(distance);
}

void TGridDataLink::LayoutChanged() {
    if (FGrid) FGrid->LayoutChanged();
}

void TGridDataLink::RecordChanged(TField* field) {
    if (FGrid) FGrid->RecordChanged(field);
}

void TGridDataLink::EditingChanged() {
    if (FGrid) FGrid->EditingChanged();
}

void TGridDataLink::ClearMapping() {
    FFieldMap.clear();
    FFieldNames.clear();
}

void TGridDataLink::AddMapping(TField* field) {
    FFieldMap.push_back(field);
    FFieldNames.push_back(field ? field->FieldName() : QString());
}

bool TGridDataLink::MapMatches(const std::vector<TField*>& fields) const {
    if (fields.size() != FFieldMap.size()) return false;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i] != FFieldMap[i] || fields[i]->FieldName() != FFieldNames[i]) return false;
    return true;
}

// ---------------------------------------------------------------- construction

TCustomDBGrid::TCustomDBGrid(TComponent* AOwner) : TCustomGrid(AOwner) {
    FDataLink = std::make_unique<TGridDataLink>(this);
    FColumns = std::make_unique<TDBGridColumns>(this);
    FTitleFont = Font();
    FTitleFont.OnChange = [this] { TitleFontChanged(); };
    SetOptions({dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
                dgConfirmDelete, dgCancelOnExit, dgTitleClick, dgTitleHotTrack});
}

TCustomDBGrid::~TCustomDBGrid() {
    // Leave the data source while the grid is whole, without reacting.
    FDataLink->FGrid = nullptr;
    FDataLink->SetDataSource(nullptr);
    FTitleFont.OnChange = nullptr;
}

void TCustomDBGrid::SetDataSource(TDataSource* value) {
    if (value == FDataLink->DataSource()) return;
    FDataLink->SetDataSource(value);
    LinkActive(FDataLink->Active());
}

void TCustomDBGrid::SetOptions(TDBGridOptions value) {
    if (value.Contains(dgRowSelect)) {
        value.Exclude(dgEditing);
        value.Exclude(dgAlwaysShowEditor);
    }
    TGridOptions grid;
    if (value.Contains(dgColLines)) grid = grid + TGridOptions{goFixedVertLine, goVertLine};
    if (value.Contains(dgRowLines)) grid = grid + TGridOptions{goFixedHorzLine, goHorzLine};
    if (value.Contains(dgColumnResize)) grid = grid + TGridOptions{goColSizing, goColMoving};
    if (value.Contains(dgTabs)) grid.Include(goTabs);
    if (value.Contains(dgRowSelect)) grid.Include(goRowSelect);
    if (value.Contains(dgEditing)) grid.Include(goEditing);
    if (value.Contains(dgAlwaysShowEditor)) grid.Include(goAlwaysShowEditor);
    if (value.Contains(dgTitleClick)) grid.Include(goFixedRowClick);
    if (value.Contains(dgTitleHotTrack)) grid.Include(goFixedHotTrack);
    SetGridOptions(grid);
    const TDBGridOptions changed = (FOptions + value) - (FOptions * value);
    FOptions = value;
    if (!(changed * kLayoutOptions).Empty())
        LayoutChanged();
    else
        InvalidateGrid();
}

void TCustomDBGrid::SetReadOnly(bool value) {
    if (value == FReadOnly) return;
    FReadOnly = value;
    InvalidateGrid();
}

void TCustomDBGrid::SetDefaultDrawing(bool value) {
    if (value == FDefaultDrawing) return;
    FDefaultDrawing = value;
    InvalidateGrid();
}

void TCustomDBGrid::SetSelectedIndex(int value) {
    MoveCol(value + FIndicatorOffset, 0);
}

TField* TCustomDBGrid::SelectedField() const {
    const int i = SelectedIndex();
    return i >= 0 && i < FColumns->Count() ? FColumns->Items(i)->Field() : nullptr;
}

void TCustomDBGrid::FontChanged() {
    // A grid that takes its parent's font gives it to its titles as well.
    if (ParentFont()) FTitleFont = Font();
    TCustomGrid::FontChanged();
    LayoutChanged();
}

void TCustomDBGrid::TitleFontChanged() {
    LayoutChanged();
}

void TCustomDBGrid::ColorChanged() {
    TCustomGrid::ColorChanged();
    InvalidateGrid();
}

// ---------------------------------------------------------------- layout

void TCustomDBGrid::BeginLayout() {
    BeginUpdate();
    ++FLayoutLock;
}

void TCustomDBGrid::EndLayout() {
    struct Release {
        TCustomDBGrid& g;
        ~Release() {
            --g.FLayoutLock;
            g.EndUpdate();
        }
    } release{*this};
    if (FLayoutLock == 1) InternalLayout();
}

void TCustomDBGrid::LayoutChanged() {
    // A change during a layout (or inside BeginLayout/EndLayout) is covered
    // by the layout that runs when the lock is released.
    if (FLayoutLock > 0) return;
    BeginLayout();
    EndLayout();
}

void TCustomDBGrid::EndUpdate() {
    if (FUpdateLock > 0) --FUpdateLock;
}

bool TCustomDBGrid::FieldMapStale() const {
    if (!FDataLink->Active() || FColumns->State() != csDefault) return false;
    TClientDataSet* ds = FDataLink->DataSet();
    if (!ds || !ds->Active()) return false;
    std::vector<TField*> visible;
    TFields& fields = ds->Fields();
    for (int i = 0; i < fields.Count(); ++i)
        if (fields[i]->Visible()) visible.push_back(fields[i]);
    return !FDataLink->MapMatches(visible);
}

void TCustomDBGrid::InternalLayout() {
    FReportedErrors.clear();
    FIndicatorOffset = FOptions.Contains(dgIndicator) ? 1 : 0;

    // Field map, then the columns.
    FDataLink->ClearMapping();
    TClientDataSet* ds = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
    if (ds && !ds->Active()) ds = nullptr;
    const bool customized = FColumns->State() == csCustomized;
    if (ds) {
        if (customized) {
            for (int i = 0; i < FColumns->Count(); ++i)
                FDataLink->AddMapping(ds->FindField(FColumns->Items(i)->FieldName()));
        } else {
            TFields& fields = ds->Fields();
            for (int i = 0; i < fields.Count(); ++i)
                if (fields[i]->Visible()) FDataLink->AddMapping(fields[i]);
        }
    }
    if (customized) {
        for (int i = 0; i < FColumns->Count(); ++i) FColumns->Items(i)->ForgetField();
    } else {
        // Generated columns follow the visible fields, in field order; a
        // column keeps its settings while its field stays.
        const std::vector<TField*>& mapped = FDataLink->FFieldMap;
        for (int i = FColumns->Count() - 1; i >= 0; --i) {
            TField* bound = FColumns->Items(i)->BoundField();
            if (std::find(mapped.begin(), mapped.end(), bound) == mapped.end() || !bound) FColumns->Remove(i);
        }
        for (int i = 0; i < int(mapped.size()); ++i) {
            int found = -1;
            for (int j = i; j < FColumns->Count(); ++j)
                if (FColumns->Items(j)->BoundField() == mapped[std::size_t(i)]) {
                    found = j;
                    break;
                }
            if (found < 0) {
                TColumn* c = FColumns->InsertGenerated(i);
                c->FField = mapped[std::size_t(i)];
                c->FFieldName = mapped[std::size_t(i)]->FieldName();
            } else if (found != i) {
                FColumns->Move(found, i);
            }
        }
    }

    const int count = FColumns->Count();
    // A grid keeps at least one cell column; without columns it is hidden.
    SetColCount(std::max(1, count + FIndicatorOffset));
    SetFixedCols(FIndicatorOffset);
    FTitleOffset = FOptions.Contains(dgTitles) ? 1 : 0;

    // Row heights come before the record window is sized: the number of
    // rows that fit depends on them.
    SetDefaultRowHeight(TextHeightOf(Font()) + 3 + (FOptions.Contains(dgRowLines) ? FGridLineWidth : 0));
    if (FOptions.Contains(dgTitles)) {
        int h = 0;
        if (count == 0) h = TextHeightOf(FTitleFont) + 4;
        for (int i = 0; i < count; ++i) h = std::max(h, TextHeightOf(FColumns->Items(i)->Title().Font()) + 4);
        SetRowHeights(0, h);
    }
    UpdateRowCount();

    for (int i = 0; i < count; ++i) SetColWidthsSilently(i + FIndicatorOffset, FColumns->Items(i)->Width());
    if (count == 0 && FIndicatorOffset == 0) SetColWidthsSilently(0, -1);
    if (FIndicatorOffset > 0) SetColWidthsSilently(0, 11);
    UpdateScrollRange();

    UpdateActive();
    UpdateScrollBar();
    InvalidateGrid();
}

// ---------------------------------------------------------------- record window

void TCustomDBGrid::UpdateRowCount() {
    const int oldRowCount = FRowCount;
    if (FRowCount <= FTitleOffset) SetRowCount(FTitleOffset + 1);
    SetFixedRows(FTitleOffset);
    FTopLeftCell.Y = FFixedRows;
    if (FDataLink->Active() && FDataLink->RecordCount() > 0) {
        // The window holds as many records as rows fit wholly.
        FDataLink->SetBufferCount(FullyVisibleRowCountFor(1000));
        SetRowCount(FTitleOffset + FDataLink->RecordCount());
        FTopLeftCell.Y = FFixedRows;
        UpdateActive();
    } else {
        SetRowCount(FTitleOffset + 1);
    }
    if (FRowCount != oldRowCount) InvalidateGrid();
}

void TCustomDBGrid::UpdateActive() {
    if (!FDataLink->Active()) return;
    const int newRow = FTitleOffset + FDataLink->ActiveRecord();
    if (newRow != Row() && newRow < FRowCount) MoveCurrent(Col(), newRow, false);
}

void TCustomDBGrid::UpdateScrollBar() {
    TClientDataSet* ds = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
    if (!ds || !ds->Active()) {
        SetVertScrollInfo(false, 0, 0, 1, 0);
        return;
    }
    // While a record is inserted (or a key is entered) the bar stays as it is.
    const TDataSetState state = ds->State();
    if (state != dsBrowse && state != dsEdit) return;
    const int records = ds->RecordCount();
    const int page = FullyVisibleRowCount();
    SetVertScrollInfo(records > 1, 1, records, page, std::max(1, ds->RecNo()));
}

void TCustomDBGrid::LinkActive(bool Value) {
    (void)Value;
    LayoutChanged();
    UpdateScrollBar();
}

void TCustomDBGrid::DataChanged() {
    // Fields recreated while notifications were off: lay the columns out again.
    if (FieldMapStale()) {
        LayoutChanged();
        return;
    }
    UpdateRowCount();
    UpdateScrollBar();
    UpdateActive();
    InvalidateGrid();
}

void TCustomDBGrid::Scroll(int Distance) {
    const TRect oldRect = BoxRect(Row(), Row());
    if (FDataLink->ActiveRecord() >= FRowCount - FTitleOffset) UpdateRowCount();
    UpdateScrollBar();
    UpdateActive();
    const TRect newRect = BoxRect(Row(), Row());
    int shift = 0;
    QRegion painted;
    if (Distance != 0) {
        const bool overlay = FGridState == gsColSizing || FGridState == gsColMoving;
        if (!FIncrementalScroll || overlay || std::abs(Distance) > FullyVisibleRowCount()) {
            InvalidateGrid();
            painted = QRect(0, 0, ClientWidth(), ClientHeight());
        } else {
            // The rows already drawn slide by Distance row pitches; only what
            // they uncover and the two rows whose selection changed are painted.
            TGridDrawInfo info;
            CalcDrawInfo(info);
            shift = -(FDefaultRowHeight + info.Vert.EffectiveLineWidth) * Distance;
            const TRect area{0, info.Vert.FixedBoundary, info.Horz.GridBoundary, info.Vert.GridBoundary};
            ScrollClientRect(area, 0, shift);
            painted = shift < 0 ? QRect(area.Left, area.Bottom + shift, area.Width(), -shift)
                                : QRect(area.Left, area.Top, area.Width(), shift);
        }
    }
    for (const TRect& r : {oldRect.Offset(0, shift), newRect}) {
        if (r.IsEmpty()) continue;
        InvalidateClientRect(r);
        painted += QRect(r.Left, r.Top, r.Width(), r.Height());
    }
    if (FUpdateLock == 0) PaintNow(painted);
}

void TCustomDBGrid::RecordChanged(TField* Field) {
    if (!Field) {
        InvalidateGrid();
        return;
    }
    for (int i = 0; i < FColumns->Count(); ++i)
        if (FColumns->Items(i)->Field() == Field) InvalidateCol(i + FIndicatorOffset);
}

void TCustomDBGrid::EditingChanged() {
    InvalidateRow(Row());
}

void TCustomDBGrid::ClientSizeChanged() {
    // Showing or hiding a scroll bar changes the client size again; the
    // bars settle after one more round.
    if (FClientSizeDepth > 2) return;
    ++FClientSizeDepth;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{FClientSizeDepth};
    TCustomGrid::ClientSizeChanged();
    UpdateRowCount();
    UpdateScrollBar();
}

// ---------------------------------------------------------------- painting

bool TCustomDBGrid::HighlightCell(int, int, const QString&, TGridDrawState AState) const {
    return AState.Contains(gdSelected) && (FOptions.Contains(dgAlwaysShowSelection) || Focused()) &&
           (FUpdateLock == 0 || FOptions.Contains(dgRowSelect));
}

void TCustomDBGrid::DrawTitleCell(TCanvas& c, TColumn* column, const TRect& ARect, TGridDrawState AState) {
    const TColumnTitle& title = column->Title();
    c.Font = title.Font();
    c.Brush.SetColor(title.Color());
    const bool pressed = AState.Contains(gdPressed);
    if (FDrawingStyle == gdsGradient) {
        TRect g = ARect;
        if (!FGridOptions.Contains(goFixedVertLine)) ++g.Right;
        if (!FGridOptions.Contains(goFixedHorzLine)) ++g.Bottom;
        TColor top = FGradientStartColor, bottom = FGradientEndColor;
        if (pressed)
            std::swap(top, bottom);
        else if (AState.Contains(gdHotTrack)) {
            top = HighlightTone(FGradientStartColor, 19);
            bottom = HighlightTone(FGradientEndColor, 19);
        }
        c.GradientFillVertical(g, top, bottom);
    } else {
        c.FillRect(ARect);
        if (FGridOptions.Contains(goFixedVertLine) && FGridOptions.Contains(goFixedHorzLine)) {
            // A raised edge.
            c.Brush.SetColor(pressed ? clBtnShadow : clBtnHighlight);
            c.FillRect({ARect.Left, ARect.Top, ARect.Right, ARect.Top + 1});
            c.FillRect({ARect.Left, ARect.Top, ARect.Left + 1, ARect.Bottom});
            c.Brush.SetColor(pressed ? clBtnHighlight : clBtnShadow);
            c.FillRect({ARect.Left, ARect.Bottom - 1, ARect.Right, ARect.Bottom});
            c.FillRect({ARect.Right - 1, ARect.Top, ARect.Right, ARect.Bottom});
        }
    }
    const TRect inner = ARect.Inflated(-1, -1);
    const int k = pressed ? 2 : 1;
    const QString caption = title.Caption();
    int x;
    switch (title.Alignment()) {
    case taRightJustify:
        x = inner.Right - c.TextWidth(caption) - 3;
        break;
    case taCenter:
        x = inner.Left + inner.Width() / 2 - c.TextWidth(caption) / 2;
        break;
    default:
        x = inner.Left + k;
        break;
    }
    c.Brush.SetStyle(bsClear);
    c.TextRect(inner, x, inner.Top + k, caption);
    c.Brush.SetStyle(bsSolid);
}

void TCustomDBGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    TCanvas& c = *Canvas();
    const int dataCol = ACol - FIndicatorOffset;
    TColumn* column = dataCol >= 0 && dataCol < FColumns->Count() ? FColumns->Items(dataCol) : nullptr;
    if (!column) {
        // The record indicator is not drawn by this grid: plain background.
        c.FillRect(ARect);
        return;
    }
    if (ARow < FTitleOffset) {
        DrawTitleCell(c, column, ARect, AState);
        return;
    }
    if (!column->Showing()) return;
    c.Font = column->Font();
    c.Brush.SetColor(column->Color());
    if (!FDataLink->Active()) {
        c.FillRect(ARect);
        return;
    }
    // The row's record becomes the table's current record while the cell is
    // drawn, and the current record is put back afterwards.
    const int oldActive = FDataLink->ActiveRecord();
    FDataLink->SetActiveRecord(ARow - FTitleOffset);
    struct Restore {
        TGridDataLink& link;
        int row;
        ~Restore() { link.SetActiveRecord(row); }
    } restore{*FDataLink, oldActive};

    TField* field = column->Field();
    const QString value = field ? field->DisplayText() : QString();
    const bool highlight = HighlightCell(dataCol, ARow - FTitleOffset, value, AState);
    if (highlight && FDefaultDrawing) {
        // The selection band: a frame, and inside it a gradient that runs over
        // the column lines so that the row reads as one band framed at its ends.
        c.Brush.SetColor(clHighlight);
        c.FrameRect(ARect);
        TRect g{ARect.Left, ARect.Top + 1, ARect.Right, ARect.Bottom - 1};
        const bool first = dataCol == 0, last = dataCol == FColumns->Count() - 1;
        if (first) g.Left += 1;
        if (last) g.Right -= 1;
        if (!first && !last) g = g.Inflated(2, 0);
        c.GradientFillVertical(g, ShadowTone(clHighlight, 45), ShadowTone(clHighlight, 10));
        c.Font.SetColor(clHighlightText);
        c.Brush.SetStyle(bsClear);
    } else if (highlight) {
        c.Brush.SetColor(clHighlight);
        c.Font.SetColor(clHighlightText);
    }
    if (!EnabledChain()) c.Font.SetColor(clGrayText);
    if (FDefaultDrawing) WriteText(c, ARect, 3, 2, value, column->Alignment());
    try {
        if (FColumns->State() == csDefault && OnDrawDataCell) OnDrawDataCell(this, ARect, field, AState);
        if (OnDrawColumnCell) OnDrawColumnCell(this, ARect, dataCol, column, AState);
    } catch (const Exception& e) {
        NotePaintError(e.Message());
    } catch (const std::exception& e) {
        NotePaintError(QString::fromUtf8(e.what()));
    }
    c.Brush.SetStyle(bsSolid);
}

void TCustomDBGrid::NotePaintError(const QString& message) {
    if (!FPaintErrors.contains(message)) FPaintErrors << message;
}

void TCustomDBGrid::Paint() {
    FPaintErrors.clear();
    TCustomGrid::Paint();
    // An error of the window's cell painting cannot be shown from inside a
    // paint (the error box would repaint the grid and fail again): each
    // message is shown once, after the paint, until the next layout.
    for (const QString& message : FPaintErrors) {
        if (FReportedErrors.contains(message)) continue;
        FReportedErrors << message;
        AfterCurrentEvent(this, [message] { throw Exception(message); });
    }
    FPaintErrors.clear();
}

void TCustomDBGrid::DefaultDrawColumnCell(const TRect& Rect, int, TColumn* Column, TGridDrawState) {
    TCanvas* c = Canvas();
    if (!c) return;
    TField* field = Column ? Column->Field() : nullptr;
    const QString value = field ? field->DisplayText() : QString();
    WriteText(*c, Rect, 2, 2, value, Column ? Column->Alignment() : taLeftJustify);
}

// ---------------------------------------------------------------- keyboard

void TCustomDBGrid::MoveCol(int RawCol, int Direction) {
    if (RawCol >= FColCount) RawCol = FColCount - 1;
    if (RawCol < FIndicatorOffset) RawCol = FIndicatorOffset;
    if (Direction != 0) {
        while (RawCol < FColCount && RawCol >= FIndicatorOffset && ColWidths(RawCol) <= 0)
            RawCol += Direction;
        if (RawCol >= FColCount || RawCol < FIndicatorOffset) return;
    }
    if (RawCol != Col() && RawCol < FColCount) MoveCurrent(RawCol, Row(), true);
}

void TCustomDBGrid::NextRow() {
    TClientDataSet* ds = FDataLink->DataSet();
    if (ds->State() == dsInsert && !ds->Modified()) {
        // A new record nobody typed into is dropped instead of left behind.
        if (ds->Eof()) return;
        ds->Cancel();
    } else {
        FDataLink->MoveBy(1);
    }
    if (ds->Eof() && ds->CanModify() && !FReadOnly && FOptions.Contains(dgEditing)) ds->Append();
}

void TCustomDBGrid::PriorRow() {
    TClientDataSet* ds = FDataLink->DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && ds->Eof())
        ds->Cancel();
    else
        FDataLink->MoveBy(-1);
}

void TCustomDBGrid::DeleteWithConfirmation() {
    TClientDataSet* ds = FDataLink->DataSet();
    if (FReadOnly || ds->IsEmpty() || !ds->CanModify()) return;
    if (FOptions.Contains(dgConfirmDelete)) {
        // Without an application object there is no one to ask: nothing is deleted.
        const int answer =
            Application ? Application->MessageBox(QStringLiteral("Supprimer l'enregistrement ?"),
                                                  QStringLiteral("Confirmer"), MB_OKCANCEL | MB_ICONQUESTION)
                        : IDCANCEL;
        if (answer != IDOK) return; // only OK deletes
    }
    ds->Delete();
}

void TCustomDBGrid::KeyDown(TKey& Key, TShiftState Shift) {
    TCustomGrid::KeyDown(Key, Shift);
    if (Key == 0 || !FDataLink->Active()) return;
    TClientDataSet* ds = FDataLink->DataSet();
    if (!ds || !ds->Active()) return;
    const bool rowSelect = FOptions.Contains(dgRowSelect);
    if (Shift.Contains(ssCtrl)) {
        switch (Key) {
        case VK_UP:
        case VK_PRIOR:
            FDataLink->MoveBy(-FDataLink->ActiveRecord());
            break;
        case VK_DOWN:
        case VK_NEXT:
            FDataLink->MoveBy(FDataLink->BufferCount() - FDataLink->ActiveRecord() - 1);
            break;
        case VK_LEFT:
            MoveCol(FIndicatorOffset, 1);
            break;
        case VK_RIGHT:
            MoveCol(FColCount - 1, -1);
            break;
        case VK_HOME:
            ds->First();
            break;
        case VK_END:
            ds->Last();
            break;
        case VK_DELETE:
            DeleteWithConfirmation();
            break;
        default:
            break;
        }
        return;
    }
    switch (Key) {
    case VK_UP:
        PriorRow();
        break;
    case VK_DOWN:
        NextRow();
        break;
    case VK_LEFT:
        if (rowSelect)
            PriorRow();
        else
            MoveCol(Col() - 1, -1);
        break;
    case VK_RIGHT:
        if (rowSelect)
            NextRow();
        else
            MoveCol(Col() + 1, 1);
        break;
    case VK_HOME:
        if (FColCount == FIndicatorOffset + 1 || rowSelect)
            ds->First();
        else
            MoveCol(FIndicatorOffset, 1);
        break;
    case VK_END:
        if (FColCount == FIndicatorOffset + 1 || rowSelect)
            ds->Last();
        else
            MoveCol(FColCount - 1, -1);
        break;
    case VK_NEXT:
        FDataLink->MoveBy(FullyVisibleRowCount());
        break;
    case VK_PRIOR:
        FDataLink->MoveBy(-FullyVisibleRowCount());
        break;
    case VK_INSERT:
        if (ds->CanModify() && !FReadOnly && FOptions.Contains(dgEditing)) ds->Append();
        break;
    case VK_ESCAPE:
        if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Cancel();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- mouse and scrolling

void TCustomDBGrid::GridMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    // Only the left button selects: the others do not move the table.
    if (Button != mbLeft) {
        TCustomControl::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (!AcquireFocus()) return;
    if (Button == mbLeft && Shift.Contains(ssDouble)) {
        DblClick();
        return;
    }
    TGridDrawInfo info;
    CalcDrawInfo(info);
    TGridState sizing;
    int index, pos, ofs;
    CalcSizingState(X, Y, sizing, index, pos, ofs, info);
    const TGridCoord cell = MouseCoord(X, Y);
    if (sizing != gsNormal || cell.X < 0 || (FOptions.Contains(dgColumnResize) && cell.Y < FTitleOffset)) {
        TCustomGrid::GridMouseDown(Button, Shift, X, Y);
        return;
    }
    if (FDataLink->Active()) {
        // One table move and one column change, painted once.
        TUpdateLockGuard lock(*this);
        if (cell.Y >= FTitleOffset && cell.Y != Row()) FDataLink->MoveBy(cell.Y - Row());
        if (cell.X >= FIndicatorOffset) MoveCol(cell.X, 0);
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomDBGrid::GridMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const TGridState saved = FGridState;
    TCustomGrid::GridMouseUp(Button, Shift, X, Y);
    if (saved == gsColSizing || saved == gsRowSizing) return;
    const TGridCoord cell = MouseCoord(X, Y);
    if (Button != mbLeft || cell.X < FIndicatorOffset || cell.Y < 0) return;
    if (cell.Y < FTitleOffset) {
        const int i = cell.X - FIndicatorOffset;
        if (i < FColumns->Count()) TitleClick(FColumns->Items(i));
    } else {
        const int i = SelectedIndex();
        if (i >= 0 && i < FColumns->Count()) CellClick(FColumns->Items(i));
    }
}

void TCustomDBGrid::CellClick(TColumn* Column) {
    if (OnCellClick) OnCellClick(Column);
}

void TCustomDBGrid::TitleClick(TColumn* Column) {
    if (FOptions.Contains(dgTitleClick) && OnTitleClick) OnTitleClick(Column);
}

void TCustomDBGrid::MouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    TCustomGrid::MouseWheel(Shift, WheelDelta, MousePos);
    if (!FDataLink->Active()) return;
    // One record per wheel step (120); smaller steps add up.
    FWheelDelta += WheelDelta;
    while (FWheelDelta >= 120) {
        FWheelDelta -= 120;
        FDataLink->MoveBy(-1);
    }
    while (FWheelDelta <= -120) {
        FWheelDelta += 120;
        FDataLink->MoveBy(1);
    }
}

void TCustomDBGrid::wheelEvent(QWheelEvent* e) {
    TCustomGrid::wheelEvent(e);
    e->accept();
}

void TCustomDBGrid::VScroll(unsigned Code, int Pos) {
    if (!AcquireFocus() || !FDataLink->Active()) return;
    TClientDataSet* ds = FDataLink->DataSet();
    switch (Code) {
    case SB_LINEUP:
        FDataLink->MoveBy(-FDataLink->ActiveRecord() - 1);
        break;
    case SB_LINEDOWN:
        FDataLink->MoveBy(FDataLink->RecordCount() - FDataLink->ActiveRecord());
        break;
    case SB_PAGEUP:
        FDataLink->MoveBy(-FullyVisibleRowCount());
        break;
    case SB_PAGEDOWN:
        FDataLink->MoveBy(FullyVisibleRowCount());
        break;
    case SB_THUMBPOSITION:
        if (Pos <= 1) {
            ds->First();
        } else if (Pos >= ds->RecordCount()) {
            ds->Last();
        } else {
            ds->CheckBrowseMode();
            ds->MoveBy(Pos - ds->RecNo());
        }
        break;
    case SB_TOP:
        ds->First();
        break;
    case SB_BOTTOM:
        ds->Last();
        break;
    default:
        break;
    }
    UpdateScrollBar();
}

void TCustomDBGrid::ColumnMoved(int FromIndex, int ToIndex) {
    const int from = FromIndex - FIndicatorOffset, to = ToIndex - FIndicatorOffset;
    if (from < 0 || to < 0 || from >= FColumns->Count() || to >= FColumns->Count()) return;
    // A moved column keeps its place: generated columns become the grid's own.
    if (FColumns->State() == csDefault) FColumns->SetState(csCustomized);
    FColumns->Items(from)->SetIndex(to);
    if (OnColumnMoved) OnColumnMoved(this, from, to);
}

void TCustomDBGrid::ColWidthsChanged() {
    if (FLayoutLock > 0) return;
    BeginLayout();
    struct End {
        TCustomDBGrid& g;
        ~End() { g.EndLayout(); }
    } end{*this};
    for (int i = FIndicatorOffset; i < FColCount; ++i) {
        const int d = i - FIndicatorOffset;
        if (d >= FColumns->Count()) break;
        TColumn* c = FColumns->Items(d);
        const int w = ColWidths(i);
        if (w >= 0 && c->Showing() && c->Width() != w) c->SetWidth(w);
    }
}

bool TCustomDBGrid::BeginColumnDrag(int& Origin, int&, TPoint) {
    return Origin >= FIndicatorOffset && Origin - FIndicatorOffset < FColumns->Count();
}

bool TCustomDBGrid::CheckColumnDrag(int&, int& Destination, TPoint) {
    return Destination >= FIndicatorOffset && Destination - FIndicatorOffset < FColumns->Count();
}

void TCustomDBGrid::DoEnter() {
    InvalidateRow(Row());
    TCustomGrid::DoEnter();
}

void TCustomDBGrid::DoExit() {
    if (FDataLink->Active() && FOptions.Contains(dgCancelOnExit)) {
        TClientDataSet* ds = FDataLink->DataSet();
        // An inserted record that nobody changed is not kept.
        if (ds && ds->State() == dsInsert && !ds->Modified()) ds->Cancel();
    }
    InvalidateRow(Row());
    TCustomGrid::DoExit();
}

} // namespace tallivo
