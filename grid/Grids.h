#pragma once
// TCustomGrid: a control of cells in columns and rows, with fixed (title)
// rows and columns, grid lines, a current cell, horizontal scrolling by
// columns, column sizing and moving with the mouse, and hot tracking of the
// fixed cells. The data grid builds on it; rows never scroll as cells here
// (the data grid slides its record window instead).
//
// Coordinates given to and returned by the grid are client coordinates: the
// client area starts inside the border (ClientOffset) and ends before the
// scroll bars.

#include "grid/GridTypes.h"
#include "toolkit/Forms.h"

#include <QRegion>
#include <vector>

class QScrollBar;
class QTouchEvent;

namespace tallivo {

class TTimer;

// Extents of one axis of the grid as drawn now.
struct TGridAxisDrawInfo {
    int EffectiveLineWidth = 0; // width of the line after each cell (0 without lines)
    int FixedBoundary = 0;      // end of the fixed cells, their lines included
    int GridBoundary = 0;       // end of the last drawn cell and its line, at most GridExtent
    int GridExtent = 0;         // client width or height
    int LastFullVisibleCell = 0;
    int FullVisBoundary = 0; // end of the last fully visible cell and its line
    int FixedCellCount = 0;
    int FirstGridCell = 0; // first scrollable cell shown
    int GridCellCount = 0;
    int StartOffset = 0; // pixels by which the first scrollable cell is shifted out (one wide column)
};

struct TGridDrawInfo {
    TGridAxisDrawInfo Horz;
    TGridAxisDrawInfo Vert;
};

// Sees every mouse press, move and release of a grid before the grid's own
// handling (client coordinates). The release arrives once Qt has finished
// delivering it, like the grid's own release handling. A finger on the grid
// arrives here the same way, as the left button.
class TGridMouseHook {
public:
    virtual ~TGridMouseHook() = default;
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) = 0;
    virtual void MouseMove(TShiftState Shift, int X, int Y) = 0;
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) = 0;
    // The press will get no release: a second finger turned it into a pan.
    virtual void PressCancelled() {}
};

class TCustomGrid : public TCustomControl {
public:
    explicit TCustomGrid(TComponent* AOwner);
    ~TCustomGrid() override;

    // ---- Cells
    int ColCount() const { return FColCount; }
    void SetColCount(int value);
    int RowCount() const { return FRowCount; }
    void SetRowCount(int value);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(int value);
    // Setting the default row height resets every row to it.
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int value);
    // -1 hides a column (no space, no line).
    int ColWidths(int ACol) const;
    void SetColWidths(int ACol, int value);
    int RowHeights(int ARow) const;
    void SetRowHeights(int ARow, int value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int value);
    TGridOptions GridOptions() const { return FGridOptions; }
    void SetGridOptions(TGridOptions value);

    // ---- Look
    TGridDrawingStyle DrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TGridDrawingStyle value);
    TColor GradientStartColor() const { return FGradientStartColor; }
    void SetGradientStartColor(TColor value);
    TColor GradientEndColor() const { return FGradientEndColor; }
    void SetGradientEndColor(TColor value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor value);
    // bsSingle draws a border: flat (1 pixel) without Ctl3D, sunken (2 pixels) with it.
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);

    // ---- Position
    // The current cell (X = column, Y = row).
    TGridCoord FCurrent() const { return FCurrentCell; }
    // The top-left scrollable cell shown (X = leftmost scrolled-in column,
    // Y = topmost scrollable row).
    TGridCoord FTopLeft() const { return FTopLeftCell; }
    int Col() const { return FCurrentCell.X; }
    int Row() const { return FCurrentCell.Y; }
    int LeftCol() const { return FTopLeftCell.X; }
    int TopRow() const { return FTopLeftCell.Y; }
    // Scrollable rows lying wholly inside the client area, counted from the
    // top row (at least 1).
    int FullyVisibleRowCount() const;
    int VisibleColCount() const;
    // Pixels by which a single column wider than the client area is scrolled.
    int ColOffset() const { return FColOffset; }
    TGridState GridState() const { return FGridState; }
    const THotTrackCellInfo& HotTrackCell() const { return FHotTrackCell; }

    // The rectangle of a cell in client coordinates; empty when not shown.
    TRect CellRect(int ACol, int ARow) const;
    // The cell at a client point; (-1, -1) outside all cells.
    TGridCoord MouseCoord(int X, int Y) const;
    void CalcDrawInfo(TGridDrawInfo& DrawInfo) const;

    // Where the client area starts inside the control (inside the border).
    TPoint ClientOffset() const { return {BorderWidth(), BorderWidth()}; }
    int ClientWidth() const override;
    int ClientHeight() const override;
    bool VertScrollBarVisible() const { return FVertBarVisible; }
    bool HorzScrollBarVisible() const { return FHorzBarVisible; }
    QScrollBar* VertScrollBar() const { return FVertBar; }
    QScrollBar* HorzScrollBar() const { return FHorzBar; }

    // The gesture recogniser's access to the pointer input (nullptr: none).
    void SetMouseHook(TGridMouseHook* hook) { FMouseHook = hook; }
    TGridMouseHook* MouseHook() const { return FMouseHook; }

protected:
    // Draws one cell; the canvas brush holds the area's colour and the font
    // the grid's font. The default fills the cell.
    virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    // Colour of the area beyond the last column and below the last row.
    virtual TColor EmptyAreaColor() const { return Color(); }
    // Line colours of the fixed and the scrollable areas (a line whose
    // option is off is drawn in the area's background instead).
    virtual TColor FixedLineColor() const;
    virtual TColor LineColor() const;
    virtual TColor FixedLineBackground() const { return Color(); }
    virtual TColor LineBackground() const { return EmptyAreaColor(); }

    virtual bool SelectCell(int ACol, int ARow);
    virtual void ColumnMoved(int FromIndex, int ToIndex);
    // After the user sized a column.
    virtual void ColWidthsChanged();
    virtual void TopLeftChanged();
    virtual bool BeginColumnDrag(int& Origin, int& Destination, TPoint MousePt);
    virtual bool CheckColumnDrag(int& Origin, int& Destination, TPoint MousePt);
    virtual bool EndColumnDrag(int& Origin, int& Destination, TPoint MousePt);
    // The client size changed (resize, a scroll bar shown or hidden).
    virtual void ClientSizeChanged();

    // Pointer input in client coordinates, after the mouse hook saw it.
    virtual void GridMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void GridMouseMove(TShiftState Shift, int X, int Y);
    virtual void GridMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    // Ends a press that will get no release: column sizing or moving stops
    // where it began, and no click follows.
    virtual void CancelPress();

    // Touch panning, in client coordinates: the start, then each new
    // position. Horizontal movement scrolls whole columns against the
    // finger (a finger moving left brings the right-hand columns in);
    // movement smaller than the left column is carried to the next move.
    void PanBegin(TPoint P);
    void PanMove(TPoint P);
    TPoint PanPoint() const { return FPanPoint; }

    // Makes (ACol, ARow) the current cell; Show scrolls its column into view.
    void MoveCurrent(int ACol, int ARow, bool Show);
    void ClampInView(TGridCoord Coord);
    void MoveTopLeft(int ALeft, int ATop);
    void MoveColumn(int FromIndex, int ToIndex);
    // Horizontal scrolling by the scroll codes of WM_HSCROLL.
    void ModifyHorzScrollBar(unsigned ScrollCode, int Pos);
    // Recomputes the horizontal scroll range (and its bar) and keeps the
    // left column within it.
    void UpdateScrollRange();
    // The vertical bar is driven by the data grid: range, page and position.
    void SetVertScrollInfo(bool visible, int min, int max, int page, int pos);
    // Cell widths as set by the layout, without ColWidthsChanged.
    void SetColWidthsSilently(int ACol, int value);

    int FullyVisibleRowCountFor(int rowCount) const;
    TGridCoord CalcCoordFromPoint(int X, int Y, const TGridDrawInfo& DrawInfo) const;
    void CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos, int& SizingOfs,
                         const TGridDrawInfo& DrawInfo) const;
    // The rectangle from the left of the first drawn column to the end of
    // the drawn columns, over rows ATop to ABottom (clipped to the drawn rows).
    TRect BoxRect(int ATop, int ABottom) const;

    void InvalidateCell(int ACol, int ARow);
    void InvalidateRow(int ARow);
    void InvalidateCol(int ACol);
    void InvalidateGrid();
    void InvalidateClientRect(const TRect& r);
    // Shifts the pixels of a client rectangle; what is uncovered is repainted.
    void ScrollClientRect(const TRect& r, int dx, int dy);
    // Paints a client region, and everything else waiting to be painted, now.
    void PaintNow(const QRegion& clientRegion);
    bool Painting() const { return FPainting; }

    // Takes the focus when the grid can have it; true when it has it.
    bool AcquireFocus();
    int BorderWidth() const;

    void Paint() override;
    void paintEvent(QPaintEvent* e) override;
    bool event(QEvent* e) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseDoubleClick(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseLeave() override;
    void HScroll(unsigned Code, int Pos) override;
    void Resize() override;
    void FontChanged() override;
    void ColorChanged() override;

    int FColCount = 5;
    int FRowCount = 5;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    std::vector<int> FColWidths;
    std::vector<int> FRowHeights; // rows past the end have the default height
    int FGridLineWidth = 1;
    TGridOptions FGridOptions;
    // FCurrent and FTopLeft: stored under these names so that the public
    // accessors can carry the names the windows use.
    TGridCoord FCurrentCell{1, 1};
    TGridCoord FTopLeftCell{1, 1};
    TGridState FGridState = gsNormal;
    THotTrackCellInfo FHotTrackCell;
    int FSizingIndex = -1;
    int FSizingPos = 0;
    int FSizingOfs = 0;
    int FMoveIndex = -1;
    int FMovePos = -1;
    int FColOffset = 0;
    TGridDrawingStyle FDrawingStyle = gdsThemed;
    TColor FGradientStartColor = clWhite;
    TColor FGradientEndColor;
    TColor FFixedColor = clBtnFace;

private:
    struct TSpan {
        int Index;
        int Start;
        int End; // exclusive, before the line
        bool Fixed;
    };
    void CalcAxis(TGridAxisDrawInfo& a, bool horz, int extent, int cellCount, int first) const;
    int Extent(bool horz, int i) const { return horz ? ColWidths(i) : RowHeights(i); }
    std::vector<TSpan> Spans(const TGridAxisDrawInfo& a, bool horz) const;
    int AxisCoord(const TGridAxisDrawInfo& a, bool horz, int pos) const;
    int CellStart(const TGridAxisDrawInfo& a, bool horz, int i) const;
    int CalcMaxTopLeftX(const TGridDrawInfo& info) const;
    void DrawLines(TCanvas& c, const TGridDrawInfo& info, const std::vector<TSpan>& cols,
                   const std::vector<TSpan>& rows);
    void PaintBorder(TCanvas& c);
    void DrawOverlays(TCanvas& c);
    void InvalidateSizingLine();
    void InvalidateMoveMarker();
    int MoveMarkerPos() const;
    void MoveAndScroll(int Mouse, int CellHit, TPoint MousePt);
    void TimerTick();
    void PlaceScrollBars();
    void SetScrollBarsVisible(bool vert, bool horz);
    void HorzBarAction(int action);
    void VertBarAction(int action);
    TPoint ToClient(int X, int Y) const { return {X - BorderWidth(), Y - BorderWidth()}; }

    TBorderStyle FBorderStyle = bsSingle;
    bool FCtl3D = true;
    QScrollBar* FVertBar = nullptr;
    QScrollBar* FHorzBar = nullptr;
    bool FVertBarVisible = false;
    bool FHorzBarVisible = false;
    int FVertBarPos = 0;
    bool FInScrollBarUpdate = false;
    TTimer* FScrollTimer = nullptr;
    TPoint FLastMousePos{-1, -1};
    int FDrawnMarkerPos = -1;
    int FDrawnSizingPos = -1;
    TGridMouseHook* FMouseHook = nullptr;
    // One finger is a press, its moves and its release, like the left
    // button; two or more fingers pan the grid.
    enum class TTouchMode { None, Press, Pan };
    void TouchInput(QTouchEvent* e);
    TTouchMode FTouchMode = TTouchMode::None;
    qsizetype FTouchCount = 0;
    TPoint FTouchPos;
    TPoint FPanPoint;
    QRegion FPaintRegion; // region of the paint in progress (client coordinates)
    bool FPainting = false;
};

} // namespace tallivo
