#pragma once
// The station's texts in the main window's header, between the chevrons
// (and the header label) and the export tile: on the first line how far the
// count has come, on the second what the operator should know now (the
// quick mode, the zone, the unknown codes waiting, a note about the
// settings file, and the state of whatever sends the count elsewhere).
// Each text has its slot; an empty text takes no room. The bar never covers
// the header label: it starts right of it, and steps aside when the label
// needs the whole header (the warning of a failed save).

#include "toolkit/Controls.h"

#include <QString>
#include <array>

namespace tallivo {

class TStationBar : public TGraphicControl {
public:
    // In the order they are shown on the second line.
    enum TSlot { Mode, Zone, Unknown, Sender, Note, SlotCount };

    explicit TStationBar(TComponent* AOwner);

    void SetProgress(const QString& text);
    const QString& Progress() const { return FProgress; }
    void SetText(TSlot slot, const QString& text, TColor colour);
    const QString& Text(TSlot slot) const { return FItems[size_t(slot)].Text; }

    // Fits the bar between left and right in its parent (both in the
    // parent's coordinates); hidden when there is no room.
    void Place(int left, int right);

protected:
    void Paint() override;

private:
    struct TItem {
        QString Text;
        TColor Colour = clBlack;
    };
    QString FProgress;
    std::array<TItem, SlotCount> FItems;
};

} // namespace tallivo
