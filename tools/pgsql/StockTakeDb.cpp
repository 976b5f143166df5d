// The tools' statements on the stock-take server: the schema, stock-takes,
// stations and their logins, pushing events, reading the stations' counts.
#include "tools/pgsql/StockTakeDb.h"

#include "tools/pgsql/PgConnection.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace tallivo::pg {

namespace {

// PostgreSQL text holds no U+0000; a count's texts come from Windows-1252,
// which has no U+2400 (the symbol for NUL), so that character stands for it
// on the server and is turned back when read.
constexpr char16_t kNulStandIn = 0x2400;

QString ToServer(QString text) {
    return text.replace(QChar(0), QChar(kNulStandIn));
}

QString FromServer(QString text) {
    return text.replace(QChar(kNulStandIn), QChar(0));
}

// An SQL array literal of texts ({"a","b",NULL}).
class TArray {
public:
    void Add(const std::optional<QByteArray>& value) {
        F += F.isEmpty() ? '{' : ',';
        if (!value) {
            F += "NULL";
            return;
        }
        F += '"';
        for (const char c : *value) {
            if (c == '"' || c == '\\') F += '\\';
            F += c;
        }
        F += '"';
    }
    void Add(const QString& text) { Add(std::optional<QByteArray>(ToServer(text).toUtf8())); }
    void Add(int64_t value) { Add(std::optional<QByteArray>(QByteArray::number(qlonglong(value)))); }
    void Add(bool value) { Add(std::optional<QByteArray>(value ? "t" : "f")); }
    void Add(const std::optional<double>& value) {
        Add(value ? std::optional<QByteArray>(*Param(*value)) : std::nullopt);
    }
    TPgParam Text() const { return F.isEmpty() ? QByteArray("{}") : F + '}'; }

private:
    QByteArray F;
};

std::optional<double> OptionalDouble(const TPgResult& r, int row, int column) {
    if (r.IsNull(row, column)) return std::nullopt;
    return r.Double(row, column);
}

bool SameEvent(const TEvent& a, const TEvent& b) {
    return a.Kind == b.Kind && a.Clears == b.Clears && a.Removed == b.Removed && a.Code == b.Code &&
           a.Name == b.Name && a.Category == b.Category && a.Stock == b.Stock && a.Zone == b.Zone &&
           a.Note == b.Note && a.Quantity == b.Quantity && a.Price == b.Price && a.Delta == b.Delta &&
           a.TimeMs == b.TimeMs;
}

// Rolls the transaction back when the work inside it did not commit.
class TTransaction {
public:
    explicit TTransaction(TPgConnection& db) : FDb(db) { FDb.Run("BEGIN"); }
    ~TTransaction() {
        if (FOpen) {
            try {
                FDb.Run("ROLLBACK");
            } catch (...) {
                // A broken connection ends the transaction on the server.
            }
        }
    }
    void Commit() {
        FOpen = false;
        FDb.Run("COMMIT");
    }

private:
    TPgConnection& FDb;
    bool FOpen = true;
};

const char* const kPushSql =
    "INSERT INTO tallivo.event (stocktake, station, epoch, seq, kind, clears, removed, code, name, category,"
    " stock, qty, delta, price, zone, note, at)"
    " SELECT $1::integer, $2::text, u.epoch, u.seq, u.kind, u.clears, u.removed, u.code, u.name, u.category,"
    " u.stock, u.qty, u.delta, u.price, u.zone, u.note, 'epoch'::timestamptz + u.at_ms * interval '1 millisecond'"
    " FROM unnest($3::bigint[], $4::bigint[], $5::smallint[], $6::boolean[], $7::boolean[], $8::text[],"
    " $9::text[], $10::text[], $11::text[], $12::float8[], $13::float8[], $14::float8[], $15::text[],"
    " $16::text[], $17::bigint[]) AS u(epoch, seq, kind, clears, removed, code, name, category, stock, qty,"
    " delta, price, zone, note, at_ms)"
    " ON CONFLICT DO NOTHING RETURNING epoch, seq";

const char* const kHeldSql =
    "SELECT e.epoch, e.seq, e.kind, e.clears, e.removed, e.code, e.name, e.category, e.stock, e.qty, e.delta,"
    " e.price, e.zone, e.note, floor(extract(epoch FROM e.at) * 1000)::bigint"
    " FROM tallivo.event e JOIN unnest($3::bigint[], $4::bigint[]) AS k(epoch, seq)"
    " ON e.epoch = k.epoch AND e.seq = k.seq WHERE e.stocktake = $1 AND e.station = $2";

} // namespace

void InstallSchema(TPgConnection& db) {
    TTransaction t(db);
    db.Run(SchemaSql());
    t.Commit();
}

bool IsValidStockTakeName(const QString& name) {
    if (name.isEmpty() || name.size() > 100) return false;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control) return false;
    return true;
}

bool CreateStockTake(TPgConnection& db, const QString& name) {
    return db.Exec("INSERT INTO tallivo.stocktake (name) VALUES ($1) ON CONFLICT (name) DO NOTHING", {Param(name)})
               .Affected() == 1;
}

int32_t StockTakeId(TPgConnection& db, const QString& name) {
    std::optional<TPgResult> r;
    try {
        r.emplace(db.Exec("SELECT id FROM tallivo.stocktake WHERE name = $1", {Param(name)}));
    } catch (const EPgError& e) {
        if (e.SqlState() != QLatin1String("42P01") && e.SqlState() != QLatin1String("3F000")) throw;
        throw EPgError(QStringLiteral("La base %1 n'a pas de schéma Tallivo : créez l'inventaire avec "
                                      "« tallivo-office --db ... init NOM »")
                           .arg(db.Database()),
                       e.SqlState());
    }
    if (r->Rows() == 0)
        throw EPgError(QStringLiteral("L'inventaire « %1 » n'existe pas sur le serveur (base %2) : créez-le avec "
                                      "« tallivo-office --db ... init %1 »")
                           .arg(name, db.Database()));
    return int32_t(r->Int(0, 0));
}

void JoinStation(TPgConnection& db, int32_t stocktake, const QString& station) {
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9._-]{1,64}$"));
    if (!valid.match(station).hasMatch())
        throw EPgError(QStringLiteral("Identité de poste « %1 » refusée : de 1 à 64 lettres, chiffres, « - », "
                                      "« _ » ou « . »")
                           .arg(station));
    const bool mayAdd =
        db.Exec("SELECT has_table_privilege('tallivo.station', 'INSERT')").Text(0, 0) == QLatin1String("t");
    if (mayAdd) {
        db.Exec("INSERT INTO tallivo.station (stocktake, station) VALUES ($1, $2) ON CONFLICT DO NOTHING",
                {Param(int64_t(stocktake)), Param(station)});
        return;
    }
    if (db.Exec("SELECT 1 FROM tallivo.station WHERE stocktake = $1 AND station = $2",
                {Param(int64_t(stocktake)), Param(station)})
            .Rows() == 0)
        throw EPgError(QStringLiteral("L'utilisateur %1 n'a pas le droit d'envoyer pour le poste « %2 » : "
                                      "donnez au poste son accès (tallivo-office add-station) ou vérifiez POSTE.ID")
                           .arg(db.User(), station),
                       QStringLiteral("42501"));
}

TStationLogin AddStationLogin(TPgConnection& db, int32_t stocktake, const QString& station) {
    JoinStation(db, stocktake, station);
    QByteArray login = "poste_" + QByteArray::number(stocktake) + '_' + station.toUtf8();
    if (login.size() > 63) // the longest name PostgreSQL keeps
        login = login.left(50) + '_' +
                QCryptographicHash::hash(station.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);

    static const char kAlphabet[] = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    QByteArray password;
    for (int i = 0; i < 24; ++i)
        password += kAlphabet[QRandomGenerator::system()->bounded(int(sizeof kAlphabet - 1))];

    TStationLogin out;
    out.Login = QString::fromUtf8(login);
    out.Password = QString::fromLatin1(password);
    const QByteArray verifier = db.QuoteLiteral(db.EncryptPassword(password, login));
    const QByteArray role = db.QuoteIdentifier(login);
    TTransaction t(db);
    const TPgResult existing =
        db.Exec("SELECT pg_has_role(rolname, 'tallivo_poste', 'MEMBER') FROM pg_roles WHERE rolname = $1", {login});
    out.Renewed = existing.Rows() > 0;
    // A role of that name that is not a station's belongs to someone else.
    if (out.Renewed && existing.Text(0, 0) != QLatin1String("t"))
        throw EPgError(QStringLiteral("Le rôle %1 existe déjà et n'est pas l'accès d'un poste : il n'est pas modifié")
                           .arg(out.Login));
    if (out.Renewed) {
        db.Run(("ALTER ROLE " + role + " WITH LOGIN PASSWORD " + verifier).constData());
        db.Run(("GRANT tallivo_poste TO " + role).constData());
    } else {
        db.Run(("CREATE ROLE " + role + " LOGIN PASSWORD " + verifier + " IN ROLE tallivo_poste").constData());
    }
    db.Exec("UPDATE tallivo.station SET login = $3 WHERE stocktake = $1 AND station = $2",
            {Param(int64_t(stocktake)), Param(station), login});
    t.Commit();
    return out;
}

std::vector<TEvent> DifferingEvents(TPgConnection& db, int32_t stocktake, const QString& station,
                                    const std::vector<TEvent>& events) {
    if (events.empty()) return {};
    TArray epochs, sequences;
    std::map<std::pair<int64_t, int64_t>, const TEvent*> sent;
    for (const TEvent& e : events) {
        epochs.Add(e.Epoch);
        sequences.Add(e.Sequence);
        sent[{e.Epoch, e.Sequence}] = &e;
    }
    const TPgResult held =
        db.Exec(kHeldSql, {Param(int64_t(stocktake)), Param(station), epochs.Text(), sequences.Text()});
    std::vector<TEvent> differing;
    for (int row = 0; row < held.Rows(); ++row) {
        TEvent h;
        h.Epoch = held.Int(row, 0);
        h.Sequence = held.Int(row, 1);
        h.Kind = int(held.Int(row, 2));
        h.Clears = held.Text(row, 3) == QLatin1String("t");
        h.Removed = held.Text(row, 4) == QLatin1String("t");
        h.Code = FromServer(held.Text(row, 5));
        h.Name = FromServer(held.Text(row, 6));
        h.Category = FromServer(held.Text(row, 7));
        h.Stock = FromServer(held.Text(row, 8));
        h.Quantity = OptionalDouble(held, row, 9);
        h.Delta = held.IsNull(row, 10) ? 0 : held.Double(row, 10);
        h.Price = OptionalDouble(held, row, 11);
        h.Zone = FromServer(held.Text(row, 12));
        h.Note = FromServer(held.Text(row, 13));
        h.TimeMs = held.Int(row, 14);
        const auto it = sent.find({h.Epoch, h.Sequence});
        if (it != sent.end() && !SameEvent(*it->second, h)) differing.push_back(h);
    }
    return differing;
}

std::vector<TEvent> PushEvents(TPgConnection& db, int32_t stocktake, const QString& station,
                               const std::vector<TEvent>& events,
                               const std::function<void(bool committed)>& aroundCommit) {
    if (events.empty()) return {};
    TArray epoch, seq, kind, clears, removed, code, name, category, stock, qty, delta, price, zone, note, at;
    for (const TEvent& e : events) {
        epoch.Add(e.Epoch);
        seq.Add(e.Sequence);
        kind.Add(int64_t(e.Kind));
        clears.Add(e.Clears);
        removed.Add(e.Removed);
        code.Add(e.Code);
        name.Add(e.Name);
        category.Add(e.Category);
        stock.Add(e.Stock);
        qty.Add(e.Quantity);
        delta.Add(std::optional<double>(e.Delta));
        price.Add(e.Price);
        zone.Add(e.Zone);
        note.Add(e.Note);
        at.Add(e.TimeMs);
    }
    const std::vector<TPgParam> params = {
        Param(int64_t(stocktake)), Param(station), epoch.Text(), seq.Text(), kind.Text(), clears.Text(),
        removed.Text(), code.Text(), name.Text(), category.Text(), stock.Text(), qty.Text(), delta.Text(),
        price.Text(), zone.Text(), note.Text(), at.Text()};

    TTransaction t(db);
    const TPgResult added = db.Exec(kPushSql, params);
    if (size_t(added.Rows()) < events.size()) {
        // Some were there already: a resend is welcome, another content
        // under the same key is not.
        std::vector<TEvent> conflicts = DifferingEvents(db, stocktake, station, events);
        if (!conflicts.empty()) return conflicts; // rolled back
    }
    if (aroundCommit) aroundCommit(false);
    t.Commit();
    if (aroundCommit) aroundCommit(true);
    return {};
}

std::map<int64_t, int64_t> ServerSequences(TPgConnection& db, int32_t stocktake, const QString& station) {
    const TPgResult r = db.Exec("SELECT epoch, max(seq) FROM tallivo.event WHERE stocktake = $1 AND station = $2"
                                " GROUP BY epoch",
                                {Param(int64_t(stocktake)), Param(station)});
    std::map<int64_t, int64_t> out;
    for (int row = 0; row < r.Rows(); ++row) out[r.Int(row, 0)] = r.Int(row, 1);
    return out;
}

std::vector<QString> ListStations(TPgConnection& db, int32_t stocktake) {
    const TPgResult r = db.Exec("SELECT station FROM tallivo.station WHERE stocktake = $1 ORDER BY station COLLATE \"C\"",
                                {Param(int64_t(stocktake))});
    std::vector<QString> out;
    for (int row = 0; row < r.Rows(); ++row) out.push_back(r.Text(row, 0));
    return out;
}

std::vector<TCurrentCount> ReadCurrentCounts(TPgConnection& db, int32_t stocktake) {
    const TPgResult r = db.Exec(
        "SELECT c.station, c.epoch, coalesce(string_agg(e.note, ' '), '') FROM"
        " (SELECT station, max(epoch) AS epoch FROM tallivo.event WHERE stocktake = $1 GROUP BY station) c"
        " LEFT JOIN tallivo.event e ON e.stocktake = $1 AND e.station = c.station AND e.epoch = c.epoch"
        " AND e.note <> '' GROUP BY c.station, c.epoch ORDER BY c.station COLLATE \"C\"",
        {Param(int64_t(stocktake))});
    std::vector<TCurrentCount> out(size_t(r.Rows()));
    for (int row = 0; row < r.Rows(); ++row) out[size_t(row)] = {r.Text(row, 0), r.Int(row, 1), r.Text(row, 2)};
    return out;
}

std::vector<TServerLine> ReadStationLines(TPgConnection& db, int32_t stocktake, const QString& station) {
    const char* const sql =
        "SELECT station, code, name, category, stock, qty, price, zone, epoch, seq,"
        " floor(extract(epoch FROM at) * 1000)::bigint FROM tallivo.station_line"
        " WHERE stocktake = $1 AND ($2::text IS NULL OR station = $2) ORDER BY station COLLATE \"C\", seq";
    const TPgResult r =
        db.Exec(sql, {Param(int64_t(stocktake)), station.isEmpty() ? TPgParam() : Param(station)});
    std::vector<TServerLine> out(size_t(r.Rows()));
    for (int row = 0; row < r.Rows(); ++row) {
        TServerLine& l = out[size_t(row)];
        l.Station = r.Text(row, 0);
        l.Code = FromServer(r.Text(row, 1));
        l.Name = FromServer(r.Text(row, 2));
        l.Category = FromServer(r.Text(row, 3));
        l.Stock = FromServer(r.Text(row, 4));
        l.Quantity = OptionalDouble(r, row, 5);
        l.Price = OptionalDouble(r, row, 6);
        l.Zone = FromServer(r.Text(row, 7));
        l.Epoch = r.Int(row, 8);
        l.Sequence = r.Int(row, 9);
        l.TimeMs = r.Int(row, 10);
    }
    return out;
}

} // namespace tallivo::pg
