#include "station/ZoneState.h"

namespace tallivo {

void TZoneState::SetPrefix(const QString& prefix) {
    FPrefix = prefix;
    if (!Enabled()) FCurrent.clear();
}

bool TZoneState::IsLabel(const QString& code) const {
    return Enabled() && code.startsWith(FPrefix, Qt::CaseInsensitive);
}

TZoneState::TOutcome TZoneState::Scan(const QString& label) {
    if (label.compare(FCurrent, Qt::CaseInsensitive) == 0) {
        FCurrent.clear();
        return Closed;
    }
    FCurrent = label;
    return Opened;
}

} // namespace tallivo
