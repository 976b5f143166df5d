#include "app/StationBar.h"

namespace tallivo {

namespace {

constexpr int kTop = 6;
constexpr int kHeight = 69;
constexpr int kNarrowest = 120; // below this width the bar is not shown
constexpr int kGap = 18;        // between two texts of the second line
constexpr TColor kProgressColour = 3223857; // the dark grey of "Code article"

} // namespace

TStationBar::TStationBar(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetName(QStringLiteral("StationBar"));
}

void TStationBar::SetProgress(const QString& text) {
    if (FProgress == text) return;
    FProgress = text;
    Invalidate();
}

void TStationBar::SetText(TSlot slot, const QString& text, TColor colour) {
    TItem& item = FItems[size_t(slot)];
    if (item.Text == text && item.Colour == colour) return;
    item = {text, colour};
    Invalidate();
}

void TStationBar::Place(int left, int right) {
    const bool room = right - left >= kNarrowest;
    if (room) SetBounds(left, kTop, right - left, kHeight);
    SetVisible(room);
}

void TStationBar::Paint() {
    TCanvas& canvas = *Canvas();
    canvas.Brush.SetStyle(bsClear);
    const unsigned flags = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_VCENTER;
    canvas.Font = TFont(QStringLiteral("Calibri"), -21, kProgressColour);
    TRect line{0, 2, Width(), 34};
    canvas.DrawText(FProgress, line, flags);

    int x = 0;
    for (const TItem& item : FItems) {
        if (item.Text.isEmpty()) continue;
        if (x >= Width()) break;
        canvas.Font = TFont(QStringLiteral("Calibri"), -18, item.Colour, fsBold);
        TRect r{x, 38, Width(), 64};
        canvas.DrawText(item.Text, r, flags);
        x += canvas.TextWidth(item.Text) + kGap;
    }
}

} // namespace tallivo
