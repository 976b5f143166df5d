// The cell grid. In this file: sizes and look; geometry (draw info, cell
// rectangles, hit tests, the column sizing zone); current cell and
// horizontal scrolling; scroll bars; invalidation; painting. Pointer and
// touch input are in GridInput.cpp.
#include "grid/Grids.h"

#include "grid/GraphUtil.h"
#include "toolkit/ExtCtrls.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <climits>
#include <cstdlib>

namespace tallivo {

namespace {

constexpr int kScrollBarSize = 17;
constexpr TColor kThemeLine = ColorValue(0xF0F0F0);

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

// Scroll codes of the actions of a Qt scroll bar (-1: none).
int ScrollCodeOf(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        return SB_LINEDOWN;
    case QAbstractSlider::SliderSingleStepSub:
        return SB_LINEUP;
    case QAbstractSlider::SliderPageStepAdd:
        return SB_PAGEDOWN;
    case QAbstractSlider::SliderPageStepSub:
        return SB_PAGEUP;
    case QAbstractSlider::SliderToMinimum:
        return SB_TOP;
    case QAbstractSlider::SliderToMaximum:
        return SB_BOTTOM;
    default:
        return -1;
    }
}

// A scroll bar that repaints only when its look changes: over a large table
// most one-record moves leave the thumb on the same pixels.
class TGridScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override {
        if (change == SliderValueChange) {
            QStyleOptionSlider opt;
            initStyleOption(&opt);
            const QRect thumb =
                style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, this);
            const int ends = (value() == minimum() ? 1 : 0) | (value() == maximum() ? 2 : 0);
            if (thumb == FThumb && ends == FEnds) return;
            FThumb = thumb;
            FEnds = ends;
        } else {
            FThumb = QRect();
        }
        QScrollBar::sliderChange(change);
    }
    void resizeEvent(QResizeEvent* e) override {
        FThumb = QRect();
        QScrollBar::resizeEvent(e);
    }

private:
    QRect FThumb;
    int FEnds = 0;
};

} // namespace

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
    FGradientEndColor = ShadowTone(kThemeLine, -25);
    FGridOptions = {goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    FColWidths.assign(std::size_t(FColCount), FDefaultColWidth);
    SetColor(clWindow);
    SetTabStop(true);
    SetOpaque(true);
    setMouseTracking(true);
    // Touches are read as such (a finger presses, two fingers pan), not as
    // the mouse events Qt would make of them.
    setAttribute(Qt::WA_AcceptTouchEvents);
    // Clicks are the grid's own (cell and title clicks on release).
    SetClickEvents(false);

    FVertBar = new TGridScrollBar(Qt::Vertical, this);
    FHorzBar = new TGridScrollBar(Qt::Horizontal, this);
    for (QScrollBar* bar : {FVertBar, FHorzBar}) {
        bar->hide();
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setCursor(Qt::ArrowCursor);
    }
    QObject::connect(FVertBar, &QAbstractSlider::actionTriggered, FVertBar,
                     [this](int action) { GuardedCall([&] { VertBarAction(action); }); });
    QObject::connect(FVertBar, &QAbstractSlider::sliderReleased, FVertBar,
                     [this] { GuardedCall([&] { VertBarAction(-1); }); });
    QObject::connect(FHorzBar, &QAbstractSlider::actionTriggered, FHorzBar,
                     [this](int action) { GuardedCall([&] { HorzBarAction(action); }); });
    QObject::connect(FHorzBar, &QAbstractSlider::sliderReleased, FHorzBar,
                     [this] { GuardedCall([&] { HorzBarAction(-1); }); });

    FScrollTimer = new TTimer(this);
    FScrollTimer->SetEnabled(false);
    FScrollTimer->SetInterval(60);
    FScrollTimer->OnTimer = [this](TObject*) { TimerTick(); };
}

TCustomGrid::~TCustomGrid() {
    delete FScrollTimer;
    FScrollTimer = nullptr;
}

// ---------------------------------------------------------------- sizes

void TCustomGrid::SetColCount(int value) {
    value = std::max(1, value);
    if (value == FColCount) return;
    if (value <= FFixedCols) FFixedCols = value - 1;
    FColCount = value;
    FColWidths.resize(std::size_t(value), FDefaultColWidth);
    FCurrentCell.X = std::clamp(FCurrentCell.X, FFixedCols, value - 1);
    FTopLeftCell.X = std::clamp(FTopLeftCell.X, FFixedCols, value - 1);
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetRowCount(int value) {
    value = std::max(1, value);
    if (value == FRowCount) return;
    if (value <= FFixedRows) FFixedRows = value - 1;
    FRowCount = value;
    FCurrentCell.Y = std::clamp(FCurrentCell.Y, FFixedRows, value - 1);
    FTopLeftCell.Y = std::clamp(FTopLeftCell.Y, FFixedRows, value - 1);
    InvalidateGrid();
}

void TCustomGrid::SetFixedCols(int value) {
    value = std::clamp(value, 0, FColCount - 1);
    if (value == FFixedCols) return;
    FFixedCols = value;
    FTopLeftCell.X = std::max(FTopLeftCell.X, value);
    FCurrentCell.X = std::max(FCurrentCell.X, value);
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetFixedRows(int value) {
    value = std::clamp(value, 0, FRowCount - 1);
    if (value == FFixedRows) return;
    FFixedRows = value;
    FTopLeftCell.Y = std::max(FTopLeftCell.Y, value);
    FCurrentCell.Y = std::max(FCurrentCell.Y, value);
    InvalidateGrid();
}

void TCustomGrid::SetDefaultColWidth(int value) {
    FDefaultColWidth = value;
    FColWidths.assign(std::size_t(FColCount), value);
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetDefaultRowHeight(int value) {
    FDefaultRowHeight = value;
    FRowHeights.clear();
    InvalidateGrid();
}

int TCustomGrid::ColWidths(int ACol) const {
    return ACol >= 0 && ACol < int(FColWidths.size()) ? FColWidths[std::size_t(ACol)] : FDefaultColWidth;
}

void TCustomGrid::SetColWidthsSilently(int ACol, int value) {
    if (ACol < 0 || ACol >= FColCount || FColWidths[std::size_t(ACol)] == value) return;
    FColWidths[std::size_t(ACol)] = value;
    InvalidateGrid();
}

void TCustomGrid::SetColWidths(int ACol, int value) {
    if (ACol < 0 || ACol >= FColCount || FColWidths[std::size_t(ACol)] == value) return;
    FColWidths[std::size_t(ACol)] = value;
    ColWidthsChanged();
    UpdateScrollRange();
    InvalidateGrid();
}

int TCustomGrid::RowHeights(int ARow) const {
    return ARow >= 0 && ARow < int(FRowHeights.size()) ? FRowHeights[std::size_t(ARow)] : FDefaultRowHeight;
}

void TCustomGrid::SetRowHeights(int ARow, int value) {
    if (ARow < 0) return;
    if (ARow >= int(FRowHeights.size())) FRowHeights.resize(std::size_t(ARow) + 1, FDefaultRowHeight);
    if (FRowHeights[std::size_t(ARow)] == value) return;
    FRowHeights[std::size_t(ARow)] = value;
    InvalidateGrid();
}

void TCustomGrid::SetGridLineWidth(int value) {
    value = std::max(0, value);
    if (value == FGridLineWidth) return;
    FGridLineWidth = value;
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetGridOptions(TGridOptions value) {
    if (value == FGridOptions) return;
    FGridOptions = value;
    if (!value.Contains(goFixedRowClick) && !value.Contains(goFixedColClick)) FHotTrackCell = {};
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetDrawingStyle(TGridDrawingStyle value) {
    if (value == FDrawingStyle) return;
    FDrawingStyle = value;
    InvalidateGrid();
}

void TCustomGrid::SetGradientStartColor(TColor value) {
    if (value == FGradientStartColor) return;
    FGradientStartColor = value;
    InvalidateGrid();
}

void TCustomGrid::SetGradientEndColor(TColor value) {
    if (value == FGradientEndColor) return;
    FGradientEndColor = value;
    InvalidateGrid();
}

void TCustomGrid::SetFixedColor(TColor value) {
    if (value == FFixedColor) return;
    FFixedColor = value;
    InvalidateGrid();
}

void TCustomGrid::SetBorderStyle(TBorderStyle value) {
    if (value == FBorderStyle) return;
    FBorderStyle = value;
    PlaceScrollBars();
    ClientSizeChanged();
}

void TCustomGrid::SetCtl3D(bool value) {
    if (value == FCtl3D) return;
    FCtl3D = value;
    PlaceScrollBars();
    ClientSizeChanged();
}

int TCustomGrid::BorderWidth() const {
    if (FBorderStyle != bsSingle) return 0;
    return FCtl3D ? 2 : 1;
}

int TCustomGrid::ClientWidth() const {
    return std::max(0, width() - 2 * BorderWidth() - (FVertBarVisible ? kScrollBarSize : 0));
}

int TCustomGrid::ClientHeight() const {
    return std::max(0, height() - 2 * BorderWidth() - (FHorzBarVisible ? kScrollBarSize : 0));
}

// ---------------------------------------------------------------- geometry

void TCustomGrid::CalcAxis(TGridAxisDrawInfo& a, bool horz, int extent, int cellCount, int first) const {
    const bool lines = horz ? (FGridOptions.Contains(goFixedVertLine) || FGridOptions.Contains(goVertLine))
                            : (FGridOptions.Contains(goFixedHorzLine) || FGridOptions.Contains(goHorzLine));
    const int lw = lines ? FGridLineWidth : 0;
    a.EffectiveLineWidth = lw;
    a.FixedCellCount = horz ? FFixedCols : FFixedRows;
    a.FirstGridCell = first;
    a.GridCellCount = cellCount;
    a.GridExtent = extent;
    a.StartOffset = horz ? FColOffset : 0;
    int fixedBoundary = 0;
    for (int i = 0; i < a.FixedCellCount; ++i) {
        const int e = Extent(horz, i);
        if (e >= 0) fixedBoundary += e + lw;
    }
    a.FixedBoundary = fixedBoundary;
    a.FullVisBoundary = fixedBoundary;
    a.LastFullVisibleCell = first;
    int boundary = fixedBoundary - a.StartOffset;
    for (int i = first; i < cellCount; ++i) {
        const int e = Extent(horz, i);
        if (e >= 0) boundary += e + lw;
        if (boundary > extent + lw) {
            boundary = extent;
            break;
        }
        a.LastFullVisibleCell = i;
        a.FullVisBoundary = boundary;
    }
    a.GridBoundary = boundary;
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo& DrawInfo) const {
    CalcAxis(DrawInfo.Horz, true, ClientWidth(), FColCount, FTopLeftCell.X);
    CalcAxis(DrawInfo.Vert, false, ClientHeight(), FRowCount, FTopLeftCell.Y);
}

int TCustomGrid::FullyVisibleRowCountFor(int rowCount) const {
    TGridAxisDrawInfo a;
    CalcAxis(a, false, ClientHeight(), rowCount, FTopLeftCell.Y);
    return a.LastFullVisibleCell - FTopLeftCell.Y + 1;
}

int TCustomGrid::FullyVisibleRowCount() const {
    return FullyVisibleRowCountFor(FRowCount);
}

int TCustomGrid::VisibleColCount() const {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    return info.Horz.LastFullVisibleCell - FTopLeftCell.X + 1;
}

std::vector<TCustomGrid::TSpan> TCustomGrid::Spans(const TGridAxisDrawInfo& a, bool horz) const {
    std::vector<TSpan> out;
    const int lw = a.EffectiveLineWidth;
    int pos = 0;
    for (int i = 0; i < a.FixedCellCount; ++i) {
        const int e = Extent(horz, i);
        if (e < 0) continue;
        out.push_back({i, pos, pos + e, true});
        pos += e + lw;
    }
    pos = a.FixedBoundary - a.StartOffset;
    for (int i = a.FirstGridCell; i < a.GridCellCount && pos < a.GridBoundary; ++i) {
        const int e = Extent(horz, i);
        if (e < 0) continue;
        out.push_back({i, pos, pos + e, false});
        pos += e + lw;
    }
    return out;
}

int TCustomGrid::CellStart(const TGridAxisDrawInfo& a, bool horz, int i) const {
    const int lw = a.EffectiveLineWidth;
    if (i < a.FixedCellCount) {
        int pos = 0;
        for (int k = 0; k < i; ++k)
            if (const int e = Extent(horz, k); e >= 0) pos += e + lw;
        return pos;
    }
    if (i < a.FirstGridCell || i >= a.GridCellCount) return INT_MIN;
    int pos = a.FixedBoundary - a.StartOffset;
    for (int k = a.FirstGridCell; k < i; ++k) {
        if (const int e = Extent(horz, k); e >= 0) pos += e + lw;
        if (pos >= a.GridBoundary) return INT_MIN;
    }
    return pos < a.GridBoundary ? pos : INT_MIN;
}

TRect TCustomGrid::CellRect(int ACol, int ARow) const {
    if (ACol < 0 || ACol >= FColCount || ARow < 0 || ARow >= FRowCount) return {};
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int w = ColWidths(ACol), h = RowHeights(ARow);
    if (w < 0 || h < 0) return {};
    const int x = CellStart(info.Horz, true, ACol);
    const int y = CellStart(info.Vert, false, ARow);
    if (x == INT_MIN || y == INT_MIN) return {};
    return {x, y, x + w, y + h};
}

TRect TCustomGrid::BoxRect(int ATop, int ABottom) const {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    int top = INT_MAX, bottom = INT_MIN;
    for (const TSpan& s : Spans(info.Vert, false)) {
        if (s.Index < ATop || s.Index > ABottom) continue;
        top = std::min(top, s.Start);
        bottom = std::max(bottom, s.End);
    }
    if (top >= bottom) return {};
    return {0, top, info.Horz.GridBoundary, bottom};
}

int TCustomGrid::AxisCoord(const TGridAxisDrawInfo& a, bool horz, int pos) const {
    if (pos < 0 || pos >= a.GridExtent) return -1;
    const int lw = a.EffectiveLineWidth;
    int start, stop, line;
    if (pos < a.FixedBoundary) {
        start = 0;
        stop = a.FixedCellCount;
        line = 0;
    } else {
        start = a.FirstGridCell;
        stop = a.GridCellCount;
        line = a.FixedBoundary - a.StartOffset;
    }
    for (int i = start; i < stop; ++i) {
        const int e = Extent(horz, i);
        if (e < 0) continue;
        line += e + lw;
        if (pos < line) return i;
    }
    return -1;
}

TGridCoord TCustomGrid::CalcCoordFromPoint(int X, int Y, const TGridDrawInfo& DrawInfo) const {
    return {AxisCoord(DrawInfo.Horz, true, X), AxisCoord(DrawInfo.Vert, false, Y)};
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) const {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    TGridCoord c = CalcCoordFromPoint(X, Y, info);
    if (c.X < 0)
        c.Y = -1;
    else if (c.Y < 0)
        c.X = -1;
    return c;
}

void TCustomGrid::CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos, int& SizingOfs,
                                  const TGridDrawInfo& DrawInfo) const {
    State = gsNormal;
    Index = -1;
    if (!FGridOptions.Contains(goColSizing)) return;
    const TGridAxisDrawInfo& a = DrawInfo.Horz;
    // Column borders can be dragged in the fixed (title) rows only.
    if (X <= a.FixedBoundary || Y < 0 || Y >= DrawInfo.Vert.FixedBoundary) return;
    const int lw = a.EffectiveLineWidth;
    int range = lw, back = 0;
    if (range < 7) {
        range = 7;
        back = (range - lw) >> 1;
    }
    int line = a.FixedBoundary - a.StartOffset;
    for (int i = a.FirstGridCell; i < a.GridCellCount; ++i) {
        const int e = ColWidths(i);
        if (e < 0) continue;
        line += e;
        if (line > a.GridBoundary) break;
        if (X >= line - back && X <= line - back + range) {
            State = gsColSizing;
            SizingPos = line;
            SizingOfs = line - X;
            Index = i;
            return;
        }
        line += lw;
    }
    if (a.GridBoundary == a.GridExtent && X >= a.GridExtent - back && X <= a.GridExtent &&
        a.LastFullVisibleCell + 1 < FColCount) {
        State = gsColSizing;
        SizingPos = a.GridExtent;
        SizingOfs = a.GridExtent - X;
        Index = a.LastFullVisibleCell + 1;
    }
}

// ---------------------------------------------------------------- current cell and scrolling

bool TCustomGrid::SelectCell(int, int) {
    return true;
}

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool Show) {
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount) return;
    if (!SelectCell(ACol, ARow)) return;
    const TGridCoord old = FCurrentCell;
    FCurrentCell = {ACol, ARow};
    if (Show && !FGridOptions.Contains(goRowSelect)) ClampInView(FCurrentCell);
    if (old == FCurrentCell) return;
    if (FGridOptions.Contains(goRowSelect)) {
        if (old.Y != ARow) {
            InvalidateRow(old.Y);
            InvalidateRow(ARow);
        }
    } else {
        InvalidateCell(old.X, old.Y);
        InvalidateCell(ACol, ARow);
    }
}

void TCustomGrid::ClampInView(TGridCoord Coord) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    if (Coord.X < FFixedCols) return;
    int left = FTopLeftCell.X;
    if (Coord.X < left) {
        left = Coord.X;
    } else if (Coord.X > info.Horz.LastFullVisibleCell) {
        // The leftmost column from which Coord.X is still wholly visible.
        const TGridAxisDrawInfo& a = info.Horz;
        int line = a.GridExtent + a.EffectiveLineWidth;
        left = Coord.X;
        for (int i = Coord.X; i >= FFixedCols; --i) {
            const int e = ColWidths(i);
            if (e <= 0) continue;
            line -= e + a.EffectiveLineWidth;
            if (line < a.FixedBoundary) break;
            left = i;
        }
    }
    if (left != FTopLeftCell.X) MoveTopLeft(left, FTopLeftCell.Y);
}

int TCustomGrid::CalcMaxTopLeftX(const TGridDrawInfo& info) const {
    const TGridAxisDrawInfo& a = info.Horz;
    const int start = FColCount - 1;
    int result = start;
    int line = a.GridExtent + a.EffectiveLineWidth;
    for (int i = start; i >= a.FixedCellCount; --i) {
        const int e = ColWidths(i);
        if (e <= 0) continue;
        line -= e + a.EffectiveLineWidth;
        if (line < a.FixedBoundary) {
            if (result == start && ColWidths(start) <= 0) result = i;
            break;
        }
        result = i;
    }
    return std::max(result, FFixedCols);
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop) {
    if (ALeft == FTopLeftCell.X && ATop == FTopLeftCell.Y) return;
    TGridDrawInfo before;
    CalcDrawInfo(before);
    const TGridCoord old = FTopLeftCell;
    FTopLeftCell = {ALeft, ATop};
    const int lw = before.Horz.EffectiveLineWidth;
    int delta = 0;
    for (int k = std::min(old.X, ALeft); k < std::max(old.X, ALeft); ++k)
        if (const int e = ColWidths(k); e >= 0) delta += e + lw;
    if (ALeft < old.X) delta = -delta;
    const int width = ClientWidth() - before.Horz.FixedBoundary;
    if (ATop != old.Y || FGridState != gsNormal || std::abs(delta) >= width) {
        InvalidateGrid();
    } else {
        // The columns slide by the width of those that left or entered; the
        // fixed rows are painted again (hot and pressed tones follow the cells).
        ScrollClientRect({before.Horz.FixedBoundary, 0, ClientWidth(), ClientHeight()}, -delta, 0);
        InvalidateClientRect({0, 0, ClientWidth(), before.Vert.FixedBoundary});
    }
    UpdateScrollRange();
    TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {}

void TCustomGrid::ModifyHorzScrollBar(unsigned ScrollCode, int Pos) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    if (FColCount == 1 && FFixedCols == 0) {
        // One column: scroll it by pixels, within what it overflows.
        const int line = QFontMetrics(Font().ToQFont()).horizontalAdvance(QStringLiteral("0"));
        const int page = ClientWidth() - info.Horz.FixedBoundary;
        const int maxOffset = std::max(0, ColWidths(0) + info.Horz.EffectiveLineWidth - page);
        int offset = FColOffset;
        switch (ScrollCode) {
        case SB_LINELEFT:
            offset -= line;
            break;
        case SB_LINERIGHT:
            offset += line;
            break;
        case SB_PAGELEFT:
            offset -= page;
            break;
        case SB_PAGERIGHT:
            offset += page;
            break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            offset = Pos;
            break;
        case SB_LEFT:
            offset = 0;
            break;
        case SB_RIGHT:
            offset = maxOffset;
            break;
        default:
            break;
        }
        offset = std::clamp(offset, 0, maxOffset);
        if (offset != FColOffset) {
            FColOffset = offset;
            InvalidateGrid();
            UpdateScrollRange();
        }
        return;
    }
    const int maxLeft = CalcMaxTopLeftX(info);
    const auto calc = [&](int current) {
        switch (ScrollCode) {
        case SB_LINELEFT:
            return current - 1;
        case SB_LINERIGHT:
            return current + 1;
        case SB_PAGELEFT: {
            // Back by one page: the current left column becomes the last one shown.
            const TGridAxisDrawInfo& a = info.Horz;
            int line = a.GridExtent + a.EffectiveLineWidth, left = current;
            for (int i = current; i >= FFixedCols; --i) {
                const int e = ColWidths(i);
                if (e <= 0) continue;
                line -= e + a.EffectiveLineWidth;
                if (line < a.FixedBoundary) break;
                left = i;
            }
            return current - std::max(1, current - left);
        }
        case SB_PAGERIGHT:
            return current + std::max(1, info.Horz.LastFullVisibleCell - FTopLeftCell.X);
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            return Pos;
        case SB_LEFT:
            return FFixedCols;
        case SB_RIGHT:
            return maxLeft;
        default:
            return current;
        }
    };
    int newLeft = FTopLeftCell.X;
    int previous;
    // Columns of width 0 are skipped.
    do {
        previous = newLeft;
        newLeft = calc(newLeft);
    } while (!(newLeft <= FFixedCols || newLeft >= maxLeft || ColWidths(newLeft) > 0 || previous == newLeft));
    newLeft = std::max(FFixedCols, std::min(maxLeft, newLeft));
    if (newLeft != FTopLeftCell.X) MoveTopLeft(newLeft, FTopLeftCell.Y);
}

void TCustomGrid::HScroll(unsigned Code, int Pos) {
    if (Visible() && Enabled() && TabStop() && CanFocus()) SetFocus();
    ModifyHorzScrollBar(Code, Pos);
}

void TCustomGrid::UpdateScrollRange() {
    if (FInScrollBarUpdate) return;
    FInScrollBarUpdate = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{FInScrollBarUpdate};
    TGridDrawInfo info;
    CalcDrawInfo(info);
    bool needed = false;
    int min = 0, max = 0, page = 1, pos = 0;
    if (FColCount == 1 && FFixedCols == 0) {
        const int clientPage = ClientWidth() - info.Horz.FixedBoundary;
        const int overflow = std::max(0, ColWidths(0) + info.Horz.EffectiveLineWidth - clientPage);
        if (FColOffset > overflow) {
            FColOffset = overflow;
            InvalidateGrid();
        }
        needed = overflow > 0;
        max = overflow;
        page = std::max(1, clientPage);
        pos = FColOffset;
    } else {
        if (FColOffset != 0) {
            FColOffset = 0;
            InvalidateGrid();
        }
        const int maxLeft = CalcMaxTopLeftX(info);
        if (FTopLeftCell.X > maxLeft) {
            FTopLeftCell.X = std::max(FFixedCols, maxLeft);
            InvalidateGrid();
            TopLeftChanged();
        }
        needed = maxLeft > FFixedCols;
        min = FFixedCols;
        max = maxLeft;
        pos = FTopLeftCell.X;
    }
    FHorzBar->blockSignals(true);
    FHorzBar->setRange(min, std::max(min, max));
    FHorzBar->setPageStep(page);
    FHorzBar->setSingleStep(1);
    FHorzBar->setValue(pos);
    FHorzBar->blockSignals(false);
    SetScrollBarsVisible(FVertBarVisible, needed);
}

void TCustomGrid::SetVertScrollInfo(bool visible, int min, int max, int page, int pos) {
    FVertBar->blockSignals(true);
    FVertBar->setRange(min, std::max(min, max));
    FVertBar->setPageStep(std::max(1, page));
    FVertBar->setSingleStep(1);
    FVertBar->setValue(pos);
    FVertBar->blockSignals(false);
    FVertBarPos = pos;
    SetScrollBarsVisible(visible, FHorzBarVisible);
}

void TCustomGrid::SetScrollBarsVisible(bool vert, bool horz) {
    if (vert == FVertBarVisible && horz == FHorzBarVisible) return;
    FVertBarVisible = vert;
    FHorzBarVisible = horz;
    FVertBar->setVisible(vert);
    FHorzBar->setVisible(horz);
    PlaceScrollBars();
    ClientSizeChanged();
}

void TCustomGrid::PlaceScrollBars() {
    const int b = BorderWidth();
    const int cw = ClientWidth(), ch = ClientHeight();
    FVertBar->setGeometry(b + cw, b, kScrollBarSize, ch);
    FHorzBar->setGeometry(b, b + ch, cw, kScrollBarSize);
}

void TCustomGrid::VertBarAction(int action) {
    if (action == QAbstractSlider::SliderMove) return; // the record moves when the thumb is released
    const int code = action < 0 ? int(SB_THUMBPOSITION) : ScrollCodeOf(action);
    if (code < 0) return;
    VScroll(unsigned(code), FVertBar->sliderPosition());
    FVertBar->setSliderPosition(FVertBarPos);
}

void TCustomGrid::HorzBarAction(int action) {
    if (action == QAbstractSlider::SliderMove) return;
    const int code = action < 0 ? int(SB_THUMBPOSITION) : ScrollCodeOf(action);
    if (code < 0) return;
    HScroll(unsigned(code), FHorzBar->sliderPosition());
    FHorzBar->setSliderPosition(FColCount == 1 && FFixedCols == 0 ? FColOffset : FTopLeftCell.X);
}

void TCustomGrid::ClientSizeChanged() {
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::Resize() {
    PlaceScrollBars();
    ClientSizeChanged();
    TCustomControl::Resize();
}

void TCustomGrid::FontChanged() {
    TCustomControl::FontChanged();
}

void TCustomGrid::ColorChanged() {
    TCustomControl::ColorChanged();
    InvalidateGrid();
}

// ---------------------------------------------------------------- invalidation

void TCustomGrid::InvalidateClientRect(const TRect& r) {
    const int b = BorderWidth();
    const QRect q =
        QRect(r.Left + b, r.Top + b, r.Width(), r.Height()) & QRect(b, b, ClientWidth(), ClientHeight());
    if (!q.isEmpty()) update(q);
}

void TCustomGrid::InvalidateGrid() {
    update();
}

void TCustomGrid::InvalidateCell(int ACol, int ARow) {
    const TRect r = CellRect(ACol, ARow);
    // A selected row's band reaches 2 pixels into the neighbouring cells.
    if (!r.IsEmpty()) InvalidateClientRect(r.Inflated(2, 0));
}

void TCustomGrid::InvalidateRow(int ARow) {
    const TRect r = BoxRect(ARow, ARow);
    if (!r.IsEmpty()) InvalidateClientRect(r);
}

void TCustomGrid::InvalidateCol(int ACol) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int x = CellStart(info.Horz, true, ACol);
    const int w = ColWidths(ACol);
    if (x == INT_MIN || w < 0) return;
    InvalidateClientRect({x - 2, 0, x + w + 2, info.Vert.GridBoundary});
}

void TCustomGrid::ScrollClientRect(const TRect& r, int dx, int dy) {
    const int b = BorderWidth();
    const QRect q =
        QRect(r.Left + b, r.Top + b, r.Width(), r.Height()) & QRect(b, b, ClientWidth(), ClientHeight());
    if (q.isEmpty() || (dx == 0 && dy == 0)) return;
    if (!isVisible() || std::abs(dx) >= q.width() || std::abs(dy) >= q.height()) {
        InvalidateClientRect(r);
        return;
    }
    // Qt moves the pixels, and areas already waiting to be painted with
    // them, then paints what was uncovered.
    scroll(dx, dy, q);
}

void TCustomGrid::PaintNow(const QRegion& clientRegion) {
    if (FPainting || !isVisible() || clientRegion.isEmpty()) return;
    // Painting one region paints everything that waits to be painted.
    repaint(clientRegion.translated(BorderWidth(), BorderWidth()));
}

bool TCustomGrid::AcquireFocus() {
    if (CanFocus() && !Focused()) SetFocus();
    return Focused();
}

// ---------------------------------------------------------------- painting

TColor TCustomGrid::FixedLineColor() const {
    if (FDrawingStyle == gdsClassic) return clBlack;
    return ShadowTone(kThemeLine, -45);
}

TColor TCustomGrid::LineColor() const {
    if (ColorToRGB(Color()) == clSilver) return clGray;
    return FDrawingStyle == gdsClassic ? clSilver : kThemeLine;
}

void TCustomGrid::DrawCell(int, int, const TRect& ARect, TGridDrawState) {
    Canvas()->FillRect(ARect);
}

void TCustomGrid::paintEvent(QPaintEvent* e) {
    const int b = BorderWidth();
    FPaintRegion = e->region().translated(-b, -b);
    FPainting = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{FPainting};
    TCustomControl::paintEvent(e);
}

void TCustomGrid::PaintBorder(TCanvas& c) {
    const int b = BorderWidth();
    const int w = width(), h = height();
    if (b == 1) {
        c.Brush.SetColor(clWindowFrame);
        c.FrameRect({0, 0, w, h});
    } else if (b == 2) {
        const auto edge = [&](TRect r, TColor topLeft, TColor bottomRight) {
            c.Brush.SetColor(topLeft);
            c.FillRect({r.Left, r.Top, r.Right - 1, r.Top + 1});
            c.FillRect({r.Left, r.Top, r.Left + 1, r.Bottom - 1});
            c.Brush.SetColor(bottomRight);
            c.FillRect({r.Left, r.Bottom - 1, r.Right, r.Bottom});
            c.FillRect({r.Right - 1, r.Top, r.Right, r.Bottom});
        };
        edge({0, 0, w, h}, clBtnShadow, clBtnHighlight);
        edge({1, 1, w - 1, h - 1}, cl3DDkShadow, cl3DLight);
    }
    if (FVertBarVisible && FHorzBarVisible) {
        c.Brush.SetColor(clBtnFace);
        c.FillRect(Bounds(b + ClientWidth(), b + ClientHeight(), kScrollBarSize, kScrollBarSize));
    }
}

void TCustomGrid::DrawLines(TCanvas& c, const TGridDrawInfo& info, const std::vector<TSpan>& cols,
                            const std::vector<TSpan>& rows) {
    const auto fill = [&](TColor color, const TRect& r) {
        if (r.IsEmpty()) return;
        c.Brush.SetColor(color);
        c.FillRect(r);
    };
    const TColor fixedLine =
        FGridOptions.Contains(goFixedVertLine) ? FixedLineColor() : FixedLineBackground();
    const TColor dataLine = FGridOptions.Contains(goVertLine) ? LineColor() : LineBackground();
    const int lwH = info.Horz.EffectiveLineWidth;
    if (lwH > 0) {
        for (const TSpan& col : cols) {
            fill(fixedLine, {col.End, 0, col.End + lwH, info.Vert.FixedBoundary});
            fill(col.Fixed ? fixedLine : dataLine,
                 {col.End, info.Vert.FixedBoundary, col.End + lwH, info.Vert.GridBoundary});
        }
    }
    const TColor fixedHLine =
        FGridOptions.Contains(goFixedHorzLine) ? FixedLineColor() : FixedLineBackground();
    const TColor dataHLine = FGridOptions.Contains(goHorzLine) ? LineColor() : LineBackground();
    const int lwV = info.Vert.EffectiveLineWidth;
    if (lwV > 0) {
        for (const TSpan& row : rows) {
            fill(fixedHLine, {0, row.End, info.Horz.FixedBoundary, row.End + lwV});
            fill(row.Fixed ? fixedHLine : dataHLine,
                 {info.Horz.FixedBoundary, row.End, info.Horz.GridBoundary, row.End + lwV});
        }
    }
}

void TCustomGrid::Paint() {
    TCanvas& c = *Canvas();
    QPainter* p = c.Painter();
    PaintBorder(c);
    const int b = BorderWidth();
    const int cw = ClientWidth(), ch = ClientHeight();
    p->save();
    p->translate(b, b);
    p->setClipRect(QRect(0, 0, cw, ch), Qt::IntersectClip);

    TGridDrawInfo info;
    CalcDrawInfo(info);
    const std::vector<TSpan> cols = Spans(info.Horz, true);
    const std::vector<TSpan> rows = Spans(info.Vert, false);
    DrawLines(c, info, cols, rows);

    const bool focused = Focused();
    const bool rowSelect = FGridOptions.Contains(goRowSelect);
    const bool hotTrack = FGridOptions.Contains(goFixedHotTrack);
    for (const TSpan& row : rows) {
        if (!FPaintRegion.intersects(QRect(0, row.Start, cw, row.End - row.Start))) continue;
        for (const TSpan& col : cols) {
            const TRect cell{col.Start, row.Start, col.End, row.End};
            if (!FPaintRegion.intersects(ToQRect(cell.Inflated(2, 0)))) continue;
            TGridDrawState state;
            const TGridCoord here{col.Index, row.Index};
            if (row.Fixed || col.Fixed) {
                state.Include(gdFixed);
                if (hotTrack && FHotTrackCell.Coord == here) {
                    state.Include(gdHotTrack);
                    if (FHotTrackCell.Pressed) state.Include(gdPressed);
                }
                c.Brush.SetColor(FFixedColor);
            } else {
                if (rowSelect ? row.Index == FCurrentCell.Y : here == FCurrentCell) state.Include(gdSelected);
                if (focused && here == FCurrentCell) state.Include(gdFocused);
                c.Brush.SetColor(Color());
            }
            c.Brush.SetStyle(bsSolid);
            c.Font = Font();
            DrawCell(col.Index, row.Index, cell, state);
        }
    }

    // The area beyond the last column and below the last row.
    c.Brush.SetStyle(bsSolid);
    c.Brush.SetColor(EmptyAreaColor());
    if (info.Horz.GridBoundary < cw)
        c.FillRect({std::max(0, info.Horz.GridBoundary), 0, cw, info.Vert.GridBoundary});
    if (info.Vert.GridBoundary < ch) c.FillRect({0, std::max(0, info.Vert.GridBoundary), cw, ch});

    DrawOverlays(c);
    p->restore();
}

int TCustomGrid::MoveMarkerPos() const {
    const TRect r = CellRect(FMovePos, 0);
    return FMovePos > FMoveIndex ? r.Right : r.Left;
}

void TCustomGrid::DrawOverlays(TCanvas& c) {
    const TPen saved = c.Pen;
    if (FGridState == gsColSizing) {
        // A dotted line inverting what it crosses marks the new column border.
        c.Pen = {clWhite, psDot, pmXor, 1};
        c.MoveTo(FSizingPos, 0);
        c.LineTo(FSizingPos, ClientHeight());
    } else if (FGridState == gsColMoving && FMovePos >= 0) {
        // The drop position: a 5-pixel dotted line at the border where the
        // column would land.
        const int pos = MoveMarkerPos();
        c.Pen = {clWhite, psDot, pmXor, 5};
        c.MoveTo(pos, 0);
        c.LineTo(pos, ClientHeight());
    }
    c.Pen = saved;
}

void TCustomGrid::InvalidateSizingLine() {
    InvalidateClientRect({FSizingPos - 1, 0, FSizingPos + 2, ClientHeight()});
}

void TCustomGrid::InvalidateMoveMarker() {
    if (FMovePos < 0) return;
    const int pos = MoveMarkerPos();
    InvalidateClientRect({pos - 4, 0, pos + 4, ClientHeight()});
}

} // namespace tallivo
