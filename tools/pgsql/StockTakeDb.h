#pragma once
// What the tools do on the stock-take server (schema.sql): install the
// schema, create a stock-take, register a station and give it a login, add
// a station's events at most once, and read each station's current count.

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace tallivo::pg {

class TPgConnection;

// The schema (schema.sql), as the tools carry it.
const char* SchemaSql();

// Installs or completes the schema, in one transaction. Raises EPgError.
void InstallSchema(TPgConnection& db);

// A stock-take name: 1 to 100 characters, no control character.
bool IsValidStockTakeName(const QString& name);

// Creates the stock-take when it does not exist; true when it was created.
bool CreateStockTake(TPgConnection& db, const QString& name);
// The stock-take's number. Raises EPgError when the schema or the
// stock-take is missing, with a message that says how to create it.
int32_t StockTakeId(TPgConnection& db, const QString& name);

// The station as a member of the stock-take. A connection that may add
// stations (the schema's owner) registers it when it is new; a station's
// own login must find its row. Raises EPgError otherwise.
void JoinStation(TPgConnection& db, int32_t stocktake, const QString& station);

struct TStationLogin {
    QString Login, Password;
    bool Renewed = false; // the station had a login: its password was replaced
};
// Registers the station (when new) and gives it a login of its own, with a
// new random password, restricted by the schema's policies to that
// station's rows. The password reaches the server only as its verifier.
TStationLogin AddStationLogin(TPgConnection& db, int32_t stocktake, const QString& station);

// One change as a station's journal holds it.
struct TEvent {
    int64_t Epoch = 0;
    int64_t Sequence = 0;
    int Kind = 0;
    bool Clears = false, Removed = false;
    QString Code, Name, Category, Stock, Zone, Note;
    std::optional<double> Quantity, Price;
    double Delta = 0;
    int64_t TimeMs = 0; // milliseconds since 1970-01-01 UTC
};

// Adds the events of one station in one transaction; an event the server
// already holds is left as it is. Returns the events the server already
// held with other content (the same key sent by two different journals: a
// copied counting folder): nothing of the batch is kept then.
// aroundCommit, when given, is called just before the commit (false) and
// just after it (true): the fault test stops a sender there.
std::vector<TEvent> PushEvents(TPgConnection& db, int32_t stocktake, const QString& station,
                               const std::vector<TEvent>& events,
                               const std::function<void(bool committed)>& aroundCommit = {});

// Of these events, the ones the server holds with other content under the
// same key, as the server holds them.
std::vector<TEvent> DifferingEvents(TPgConnection& db, int32_t stocktake, const QString& station,
                                    const std::vector<TEvent>& events);

// Per epoch, the last sequence the server holds for the station.
std::map<int64_t, int64_t> ServerSequences(TPgConnection& db, int32_t stocktake, const QString& station);

// The identities of the stations that joined the stock-take, in order.
std::vector<QString> ListStations(TPgConnection& db, int32_t stocktake);

// A station's current count: its epoch, and the notes its events carry in
// that epoch (a count taken over from another station, "STATION:EPOCH"),
// separated by spaces.
struct TCurrentCount {
    QString Station;
    int64_t Epoch = 0;
    QString Notes;
};
// The current count of every station that sent anything, in station order.
std::vector<TCurrentCount> ReadCurrentCounts(TPgConnection& db, int32_t stocktake);

// A line of a station's current count.
struct TServerLine {
    QString Station, Code, Name, Category, Stock, Zone;
    std::optional<double> Quantity, Price;
    int64_t Epoch = 0, Sequence = 0; // the line's last change
    int64_t TimeMs = 0;
};
// The current count of every station of the stock-take (or of one), in
// station order (their identities compared byte by byte), each station's
// lines in the order of their last change, as the station's count file
// lists them.
std::vector<TServerLine> ReadStationLines(TPgConnection& db, int32_t stocktake, const QString& station = {});

} // namespace tallivo::pg
