#pragma once
// Who counted what: the station's identity, kept in POSTE.ID in the counting
// folder (created at the first start), and the identity of a count, carried
// by COLLECTION.XML as table parameters so that a copy of the file is still
// recognised wherever it goes:
//   TALLIVO_POSTE     the station that counts into the file
//   TALLIVO_EPOQUE    the count's epoch: a new one at "Initialiser les
//                     données" and for a count that starts from no file
//   TALLIVO_SEQUENCE  the last change of the count that the journal holds
//   TALLIVO_CONTIENT  other counts whose lines the file already holds (a
//                     count taken over from another station, the inputs of
//                     a merge), as "STATION:EPOCH" separated by spaces

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

namespace tallivo {

struct TStoreParam;

inline constexpr char kStationFileName[] = "POSTE.ID";

// A letter, digit, "-", "_" or "." only, 1 to 64 of them (a text IT may
// also choose by hand).
bool IsValidStationIdentity(QStringView identity);
// A new identity: a random UUID in its 36-character text form.
QString NewStationIdentity();
// The identity kept in the folder's POSTE.ID (its first line, blanks
// removed); empty when the file is missing, unreadable or not valid.
QString ReadStationIdentity(const QString& folder);
// Writes POSTE.ID (replaced as a whole). Raises the file error.
void WriteStationIdentity(const QString& folder, const QString& identity);

// The epoch of a new count: the time in seconds since 1970 (UTC), or
// after + 1 when the clock is behind, so that epochs only grow.
int64_t NextEpoch(int64_t after);

// One count: a station's epoch.
struct TCountId {
    QString Station;
    int64_t Epoch = 0;
    bool operator==(const TCountId&) const = default;
    QString Text() const; // "STATION:EPOCH"
    static std::optional<TCountId> Parse(QStringView text);
};

// The identity parameters of a count file.
struct TCountIdentity {
    std::optional<TCountId> Own; // absent in files from before identities
    uint64_t Sequence = 0;
    std::vector<TCountId> Holds;

    // Own and Holds together: every count whose lines the file holds.
    std::vector<TCountId> Counts() const;
};

inline constexpr char kParamStation[] = "TALLIVO_POSTE";
inline constexpr char kParamEpoch[] = "TALLIVO_EPOQUE";
inline constexpr char kParamSequence[] = "TALLIVO_SEQUENCE";
inline constexpr char kParamHolds[] = "TALLIVO_CONTIENT";

// Reads the parameters (malformed values are passed over).
TCountIdentity ReadCountIdentity(const std::vector<TStoreParam>& params);
// The parameters that carry identity (Own, Sequence, Holds), with their
// packet types; Holds only when not empty.
std::vector<TStoreParam> CountIdentityParams(const TCountIdentity& identity);
// Holds as the parameter's value.
QString HoldsText(const std::vector<TCountId>& holds);

// When the two files hold one count in common, that count.
std::optional<TCountId> SharedCount(const TCountIdentity& a, const TCountIdentity& b);

// "le comptage du 12/06/2024 à 10:42 du poste 3f2c…" for messages: the
// epoch is the count's start.
QString DescribeCount(const TCountId& count);

} // namespace tallivo
