// The state of the sender beside the workstation, in the header: a small
// line under the export and quit tiles ("Envoyé", "3 en attente", "Serveur
// injoignable depuis 10:42"), read from the counting folder every second.
// It shows only while a sender runs for the folder: without one, the
// header stays as it always was.
#include "app/SenderStatusView.h"

#include "app/Master.h"
#include "station/SenderStatus.h"
#include "toolkit/Canvas.h"
#include "toolkit/ExtCtrls.h"

namespace tallivo {

namespace {

constexpr int kCheckMs = 1000;
// Under Button2 and AdvMetroTile25 (which end at 57), inside Panel4.
constexpr int kLeft = 4, kTop = 59, kHeight = 20, kRightGap = 12;
constexpr int kFontHeights[] = {-15, -14, -13, -12};

constexpr TColor kSentColour = 0x00006400;    // dark green
constexpr TColor kPendingColour = 3223857;    // the header's dark grey
constexpr TColor kTroubleColour = 0x000000C0; // the dark red of a failed save

TColor ColourOf(TSenderStatus::TState state) {
    switch (state) {
    case TSenderStatus::TState::Sent: return kSentColour;
    case TSenderStatus::TState::Pending: return kPendingColour;
    default: return kTroubleColour;
    }
}

// The largest font that fits the width; the smallest one cuts the text
// with an ellipsis.
void Fit(TLabel& label, const QString& text, TColor colour) {
    TCanvas measure(nullptr);
    QString shown = text;
    for (const int height : kFontHeights) {
        measure.Font = TFont(QStringLiteral("Calibri"), height, colour, fsBold);
        if (measure.TextWidth(text) <= label.Width()) break;
    }
    if (measure.TextWidth(shown) > label.Width()) {
        while (!shown.isEmpty() && measure.TextWidth(shown + u'…') > label.Width()) shown.chop(1);
        shown += u'…';
    }
    label.Font() = measure.Font;
    label.SetCaption(shown);
}

} // namespace

void WatchSenderStatus(TMasterform& form) {
    auto* label = new TLabel(&form);
    label->SetName(QStringLiteral("SenderStatusLabel"));
    label->SetParent(form.Panel4);
    label->SetAutoSize(false);
    label->SetTransparent(true);
    label->SetShowAccelChar(false); // a reason may hold "&"
    label->SetAlignment(taRightJustify);
    label->SetBounds(kLeft, kTop, form.Panel4->Width() - kLeft - kRightGap, kHeight);
    label->SetVisible(false);

    auto* timer = new TTimer(&form);
    timer->SetInterval(kCheckMs);
    const QString folder = DataDir;
    timer->OnTimer = [label, folder](TObject*) {
        const std::optional<TSenderStatus> status = ReadSenderStatus(folder);
        if (status) Fit(*label, SenderStatusText(*status), ColourOf(status->State));
        label->SetVisible(status.has_value());
    };
    timer->OnTimer(timer);
    timer->SetEnabled(true);
}

} // namespace tallivo
