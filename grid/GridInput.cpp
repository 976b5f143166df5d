// Pointer input of the cell grid: mouse presses, moves and releases (the
// mouse hook sees each one first), column sizing and moving with the mouse,
// touch input turned into the same presses, moves and releases, and
// two-finger panning.
#include "grid/Grids.h"

#include "toolkit/ExtCtrls.h"

#include <QTouchEvent>
#include <algorithm>
#include <cstdlib>

namespace tallivo {

// ---------------------------------------------------------------- mouse

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const TPoint p = ToClient(X, Y);
    if (FMouseHook) FMouseHook->MouseDown(Button, Shift, p.X, p.Y);
    GridMouseDown(Button, Shift, p.X, p.Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
    const TPoint p = ToClient(X, Y);
    if (FMouseHook) FMouseHook->MouseMove(Shift, p.X, p.Y);
    GridMouseMove(Shift, p.X, p.Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const TPoint p = ToClient(X, Y);
    if (FMouseHook) FMouseHook->MouseUp(Button, Shift, p.X, p.Y);
    GridMouseUp(Button, Shift, p.X, p.Y);
}

void TCustomGrid::MouseDoubleClick(TMouseButton Button, TShiftState Shift, int X, int Y) {
    Shift |= ssDouble;
    MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseLeave() {
    if (FHotTrackCell.Coord.X >= 0 && FGridState == gsNormal) {
        InvalidateCell(FHotTrackCell.Coord.X, FHotTrackCell.Coord.Y);
        FHotTrackCell = {};
    }
    TCustomControl::MouseLeave();
}

void TCustomGrid::GridMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FLastMousePos = {X, Y};
    if (Button == mbLeft && Shift.Contains(ssDouble)) {
        DblClick();
    } else if (Button == mbLeft) {
        TGridDrawInfo info;
        CalcDrawInfo(info);
        TGridState state;
        int index, pos, ofs;
        CalcSizingState(X, Y, state, index, pos, ofs, info);
        if (state != gsNormal) {
            FGridState = state;
            FSizingIndex = index;
            FSizingPos = pos;
            FSizingOfs = ofs;
            InvalidateSizingLine();
        } else {
            const TGridCoord cell = CalcCoordFromPoint(X, Y, info);
            if (cell.X >= FFixedCols && cell.Y >= FFixedRows) {
                MoveCurrent(cell.X, cell.Y, true);
            } else if (cell.X >= 0 && cell.Y >= 0) {
                if (FHotTrackCell.Coord.X >= 0) {
                    FHotTrackCell.Pressed = true;
                    FHotTrackCell.Button = Button;
                    InvalidateCell(FHotTrackCell.Coord.X, FHotTrackCell.Coord.Y);
                }
                if (FGridOptions.Contains(goColMoving) && cell.Y < FFixedRows && cell.X >= FFixedCols) {
                    FMoveIndex = FMovePos = cell.X;
                    if (BeginColumnDrag(FMoveIndex, FMovePos, {X, Y})) {
                        FGridState = gsColMoving;
                        InvalidateMoveMarker();
                        FScrollTimer->SetEnabled(true);
                    } else {
                        FMoveIndex = FMovePos = -1;
                    }
                }
            }
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::GridMouseMove(TShiftState Shift, int X, int Y) {
    FLastMousePos = {X, Y};
    switch (FGridState) {
    case gsColSizing:
        InvalidateSizingLine();
        FSizingPos = X + FSizingOfs;
        InvalidateSizingLine();
        break;
    case gsColMoving: {
        TGridDrawInfo info;
        CalcDrawInfo(info);
        MoveAndScroll(X, CalcCoordFromPoint(X, Y, info).X, {X, Y});
        break;
    }
    case gsNormal: {
        if (FGridOptions.Contains(goFixedRowClick)) {
            const TGridCoord cell = MouseCoord(X, Y);
            TGridCoord hot{-1, -1};
            if (cell.X >= FFixedCols && cell.Y >= 0 && cell.Y < FFixedRows) hot = cell;
            if (hot != FHotTrackCell.Coord) {
                if (FHotTrackCell.Coord.X >= 0) InvalidateCell(FHotTrackCell.Coord.X, FHotTrackCell.Coord.Y);
                FHotTrackCell.Coord = hot;
                FHotTrackCell.Pressed = false;
                if (hot.X >= 0) InvalidateCell(hot.X, hot.Y);
            }
        }
        TGridDrawInfo info;
        CalcDrawInfo(info);
        TGridState state;
        int index, pos, ofs;
        CalcSizingState(X, Y, state, index, pos, ofs, info);
        if (state == gsColSizing)
            setCursor(Qt::SplitHCursor);
        else
            unsetCursor();
        break;
    }
    default:
        break;
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::GridMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FLastMousePos = {X, Y};
    switch (FGridState) {
    case gsColSizing: {
        InvalidateSizingLine();
        if (FSizingIndex >= FFixedCols && FSizingIndex < FColCount) {
            TGridDrawInfo info;
            CalcDrawInfo(info);
            int start = info.Horz.FixedBoundary - info.Horz.StartOffset;
            for (int i = info.Horz.FirstGridCell; i < FSizingIndex; ++i)
                if (const int e = ColWidths(i); e >= 0) start += e + info.Horz.EffectiveLineWidth;
            const int newSize = FSizingPos - start;
            FGridState = gsNormal;
            if (newSize > 1) SetColWidths(FSizingIndex, newSize);
        }
        break;
    }
    case gsColMoving: {
        InvalidateMoveMarker();
        FScrollTimer->SetEnabled(false);
        int from = FMoveIndex, to = FMovePos;
        FGridState = gsNormal;
        FMoveIndex = FMovePos = -1;
        if (EndColumnDrag(from, to, {X, Y}) && from != to) MoveColumn(from, to);
        break;
    }
    default:
        break;
    }
    FGridState = gsNormal;
    FMoveIndex = FMovePos = -1;
    if (FHotTrackCell.Pressed) {
        FHotTrackCell.Pressed = false;
        InvalidateCell(FHotTrackCell.Coord.X, FHotTrackCell.Coord.Y);
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomGrid::MoveAndScroll(int Mouse, int CellHit, TPoint MousePt) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const TGridAxisDrawInfo* a = &info.Horz;
    if (CellHit == FMovePos || (FMovePos == a->FixedCellCount && Mouse < a->FixedBoundary) ||
        (FMovePos == a->GridCellCount - 1 && Mouse > a->GridBoundary))
        return;
    InvalidateMoveMarker();
    if (Mouse < a->FixedBoundary) {
        if (FMovePos > a->FixedCellCount) {
            ModifyHorzScrollBar(SB_LINELEFT, 0);
            CalcDrawInfo(info);
        }
        CellHit = a->FirstGridCell;
    } else if (Mouse >= a->FullVisBoundary) {
        if (FMovePos == a->LastFullVisibleCell && FMovePos < a->GridCellCount - 1) {
            ModifyHorzScrollBar(SB_LINERIGHT, 0);
            CalcDrawInfo(info);
        }
        CellHit = a->LastFullVisibleCell;
    } else if (CellHit < 0) {
        CellHit = FMovePos;
    }
    int origin = FMoveIndex;
    if (CheckColumnDrag(origin, CellHit, MousePt)) FMovePos = CellHit;
    InvalidateMoveMarker();
}

void TCustomGrid::TimerTick() {
    if (FGridState != gsColMoving) {
        FScrollTimer->SetEnabled(false);
        return;
    }
    // While the pointer is beyond an edge the columns keep scrolling.
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const TPoint p = FLastMousePos;
    if (p.X < info.Horz.FixedBoundary || p.X > info.Horz.FullVisBoundary)
        MoveAndScroll(p.X, CalcCoordFromPoint(p.X, p.Y, info).X, p);
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex) {
    if (FromIndex == ToIndex || FromIndex < 0 || ToIndex < 0 || FromIndex >= FColCount ||
        ToIndex >= FColCount)
        return;
    const int w = FColWidths[std::size_t(FromIndex)];
    FColWidths.erase(FColWidths.begin() + FromIndex);
    FColWidths.insert(FColWidths.begin() + ToIndex, w);
    int& cur = FCurrentCell.X;
    if (cur == FromIndex)
        cur = ToIndex;
    else if (FromIndex < cur && cur <= ToIndex)
        --cur;
    else if (ToIndex <= cur && cur < FromIndex)
        ++cur;
    InvalidateGrid();
    ColumnMoved(FromIndex, ToIndex);
}

void TCustomGrid::ColumnMoved(int, int) {}
void TCustomGrid::ColWidthsChanged() {}

bool TCustomGrid::BeginColumnDrag(int&, int&, TPoint) {
    return true;
}
bool TCustomGrid::CheckColumnDrag(int&, int&, TPoint) {
    return true;
}
bool TCustomGrid::EndColumnDrag(int&, int&, TPoint) {
    return true;
}

void TCustomGrid::CancelPress() {
    if (FGridState == gsColSizing) InvalidateSizingLine();
    if (FGridState == gsColMoving) {
        InvalidateMoveMarker();
        FScrollTimer->SetEnabled(false);
    }
    FGridState = gsNormal;
    FMoveIndex = FMovePos = -1;
    if (FHotTrackCell.Pressed) {
        FHotTrackCell.Pressed = false;
        InvalidateCell(FHotTrackCell.Coord.X, FHotTrackCell.Coord.Y);
    }
}

// ---------------------------------------------------------------- touch

bool TCustomGrid::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        GuardedCall([&] { TouchInput(static_cast<QTouchEvent*>(e)); });
        e->accept();
        return true;
    default:
        return TCustomControl::event(e);
    }
}

void TCustomGrid::TouchInput(QTouchEvent* e) {
    // The fingers still on the screen, and their centre (widget coordinates).
    qsizetype down = 0;
    QPointF sum;
    for (const QEventPoint& p : e->points()) {
        if (p.state() == QEventPoint::Released) continue;
        ++down;
        sum += p.position();
    }
    const auto widgetPoint = [](QPointF p) { return TPoint{qRound(p.x()), qRound(p.y())}; };
    const TShiftState shift = ShiftStateOf(e->modifiers(), Qt::LeftButton);
    const bool ended = e->type() == QEvent::TouchEnd || e->type() == QEvent::TouchCancel || down == 0;

    if (FTouchMode == TTouchMode::None && !ended) {
        if (down == 1) {
            FTouchMode = TTouchMode::Press;
            FTouchPos = widgetPoint(sum);
            MouseDown(mbLeft, shift, FTouchPos.X, FTouchPos.Y);
            return;
        }
        FTouchMode = TTouchMode::Pan;
        FTouchCount = 0;
    } else if (FTouchMode == TTouchMode::Press && !ended && down > 1) {
        // A second finger: the press becomes a pan and ends without a click.
        if (FMouseHook) FMouseHook->PressCancelled();
        CancelPress();
        FTouchMode = TTouchMode::Pan;
        FTouchCount = 0;
    }

    if (FTouchMode == TTouchMode::Press) {
        const TPoint at = e->points().isEmpty() ? FTouchPos : widgetPoint(e->points().first().position());
        if (!ended) {
            if (at != FTouchPos) {
                FTouchPos = at;
                MouseMove(shift, at.X, at.Y);
            }
            return;
        }
        FTouchMode = TTouchMode::None;
        if (e->type() == QEvent::TouchCancel) {
            if (FMouseHook) FMouseHook->PressCancelled();
            CancelPress();
            return;
        }
        // Released like the left button: once Qt has finished with the event.
        const TShiftState upShift = ShiftStateOf(e->modifiers());
        AfterCurrentEvent(this, [this, upShift, at] { MouseUp(mbLeft, upShift, at.X, at.Y); });
        return;
    }

    if (FTouchMode == TTouchMode::Pan) {
        if (ended) {
            FTouchMode = TTouchMode::None;
            return;
        }
        const TPoint centre = ToClient(qRound(sum.x() / down), qRound(sum.y() / down));
        // A finger landing or lifting moves the centre: start again from there.
        if (down != FTouchCount)
            PanBegin(centre);
        else
            PanMove(centre);
        FTouchCount = down;
    }
}

void TCustomGrid::PanBegin(TPoint P) {
    FPanPoint = P;
}

void TCustomGrid::PanMove(TPoint P) {
    const int dy = P.Y - FPanPoint.Y;
    if (std::abs(dy) > 1) {
        const int h = RowHeights(FTopLeftCell.Y);
        const int lines = h > 0 ? std::abs(dy) / h : 0;
        // The line scrolls of a cell grid (up when the finger moves down)
        // would move the top row; the rows of this grid never scroll as
        // cells, so the movement is only used up.
        FPanPoint.Y += (dy < 0 ? -1 : 1) * lines * h;
    }
    const int dx = P.X - FPanPoint.X;
    if (std::abs(dx) >= 2) {
        const int w = ColWidths(FTopLeftCell.X);
        const int cols = w > 0 ? std::abs(dx) / w : 0;
        for (int i = 0; i < cols; ++i) ModifyHorzScrollBar(dx < 0 ? SB_LINERIGHT : SB_LINELEFT, 0);
        FPanPoint.X += (dx < 0 ? -1 : 1) * cols * w;
    }
}

} // namespace tallivo
