#pragma once
// The zone being counted, when the counting folder's settings give a zone
// prefix (PrefixeZone): a scanned code the catalogue does not hold and that
// starts with the prefix (letter case ignored) is a zone's label, not an
// article. Scanning a label opens that zone (the one open before is done);
// scanning the open zone's label again closes it, as "Zone terminée" does.
// Every change of the collection is journaled with the zone open at the
// time.

#include <QString>

namespace tallivo {

class TZoneState {
public:
    // Empty: no zones (any zone open is closed).
    void SetPrefix(const QString& prefix);
    bool Enabled() const { return !FPrefix.isEmpty(); }
    bool IsLabel(const QString& code) const;

    enum TOutcome { Opened, Closed };
    // A label was scanned (IsLabel is true).
    TOutcome Scan(const QString& label);
    void Close() { FCurrent.clear(); }
    // The zone open when the count was last saved (empty: none).
    void Restore(const QString& zone) { FCurrent = Enabled() ? zone : QString(); }
    const QString& Current() const { return FCurrent; }

private:
    QString FPrefix, FCurrent;
};

} // namespace tallivo
