#include "tools/pgsql/PgConnection.h"

#include <libpq-fe.h>

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace tallivo::pg {

namespace {

QString ServerText(const char* text) {
    return QString::fromUtf8(text).simplified(); // libpq's messages run over several lines
}

} // namespace

// ---------------------------------------------------------------- results

TPgResult::~TPgResult() {
    PQclear(F);
}

int TPgResult::Rows() const {
    return PQntuples(F);
}

bool TPgResult::IsNull(int row, int column) const {
    return PQgetisnull(F, row, column) != 0;
}

QString TPgResult::Text(int row, int column) const {
    return QString::fromUtf8(PQgetvalue(F, row, column), PQgetlength(F, row, column));
}

QByteArray TPgResult::Bytes(int row, int column) const {
    return QByteArray(PQgetvalue(F, row, column), PQgetlength(F, row, column));
}

int64_t TPgResult::Int(int row, int column) const {
    return std::strtoll(PQgetvalue(F, row, column), nullptr, 10);
}

double TPgResult::Double(int row, int column) const {
    const char* text = PQgetvalue(F, row, column);
    double value = 0;
    std::from_chars(text, text + PQgetlength(F, row, column), value);
    return value;
}

int64_t TPgResult::Affected() const {
    return std::strtoll(PQcmdTuples(F), nullptr, 10);
}

// ---------------------------------------------------------------- connection

TPgConnection::TPgConnection(const QString& conninfo, const char* application, int connectTimeout) {
    // Defaults first: what the connection string says wins. The keepalives
    // let a sender notice a server that vanished from the network instead
    // of waiting for it for ever.
    const QByteArray timeout = QByteArray::number(connectTimeout);
    const QByteArray info = conninfo.toUtf8();
    const char* keys[] = {"connect_timeout", "keepalives_idle", "keepalives_interval", "keepalives_count",
                          "application_name", "client_encoding", "dbname", nullptr};
    const char* values[] = {timeout.constData(), "20", "5", "3", application, "UTF8", info.constData(), nullptr};
    F = PQconnectdbParams(keys, values, 1);
    if (!F) throw EPgError(QStringLiteral("Connexion au serveur impossible : mémoire insuffisante"), {}, true);
    if (PQstatus(F) != CONNECTION_OK) {
        const QString why = ServerText(PQerrorMessage(F));
        PQfinish(F);
        F = nullptr;
        throw EPgError(QStringLiteral("Connexion au serveur impossible : ") + why, {}, true);
    }
    // Times and text as the tools read them, whatever the server's defaults.
    // The server's notices ("already exists, skipping") are not the user's concern.
    Run("SET TIME ZONE 'UTC'; SET extra_float_digits = 1; SET client_min_messages = warning");
}

TPgConnection::~TPgConnection() {
    if (F) PQfinish(F);
}

void TPgConnection::Fail(const QString& what, pg_result* result) {
    QString sqlState;
    QString text;
    if (result) {
        sqlState = QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE));
        text = ServerText(PQresultErrorMessage(result));
        PQclear(result);
    }
    if (text.isEmpty()) text = ServerText(PQerrorMessage(F));
    // An error without the server's code came from libpq itself: the
    // connection broke (a write to a closed socket leaves the status OK
    // until the next read), so a new one is needed.
    const bool lost = PQstatus(F) != CONNECTION_OK || sqlState.isEmpty() || sqlState.startsWith(QLatin1String("08")) ||
                      sqlState == QLatin1String("57P01") || sqlState == QLatin1String("57P02") ||
                      sqlState == QLatin1String("57P03");
    throw EPgError(what + QStringLiteral(" : ") + text, sqlState, lost);
}

TPgResult TPgConnection::Exec(const char* sql, const std::vector<TPgParam>& params) {
    std::vector<const char*> values;
    std::vector<int> lengths;
    values.reserve(params.size());
    lengths.reserve(params.size());
    for (const TPgParam& p : params) {
        values.push_back(p ? p->constData() : nullptr);
        lengths.push_back(p ? int(p->size()) : 0);
    }
    pg_result* r = PQexecParams(F, sql, int(params.size()), nullptr, values.data(), lengths.data(), nullptr, 0);
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        Fail(QStringLiteral("Le serveur a refusé la demande"), r);
    return TPgResult(r);
}

void TPgConnection::Run(const char* sql) {
    pg_result* r = PQexec(F, sql);
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        Fail(QStringLiteral("Le serveur a refusé la demande"), r);
    PQclear(r);
}

void TPgConnection::Listen(const char* channel) {
    Run((QByteArray("LISTEN ") + QuoteIdentifier(channel)).constData());
}

int TPgConnection::Socket() const {
    return PQsocket(F);
}

std::vector<TPgConnection::TNotification> TPgConnection::Notifications() {
    if (!PQconsumeInput(F) || PQstatus(F) != CONNECTION_OK)
        throw EPgError(QStringLiteral("Connexion au serveur perdue : ") + ServerText(PQerrorMessage(F)), {}, true);
    std::vector<TNotification> out;
    while (PGnotify* n = PQnotifies(F)) {
        out.push_back({QString::fromUtf8(n->relname), QString::fromUtf8(n->extra)});
        PQfreemem(n);
    }
    return out;
}

QString TPgConnection::User() const {
    return QString::fromUtf8(PQuser(F));
}

QString TPgConnection::Database() const {
    return QString::fromUtf8(PQdb(F));
}

QString TPgConnection::Host() const {
    return QString::fromUtf8(PQhost(F));
}

QString TPgConnection::Port() const {
    return QString::fromUtf8(PQport(F));
}

QString TPgConnection::Who() const {
    return User() + u'@' + Database();
}

QByteArray TPgConnection::EncryptPassword(const QByteArray& password, const QByteArray& role) {
    char* verifier = PQencryptPasswordConn(F, password.constData(), role.constData(), nullptr);
    if (!verifier) Fail(QStringLiteral("Chiffrement du mot de passe impossible"));
    QByteArray out(verifier);
    PQfreemem(verifier);
    return out;
}

QByteArray TPgConnection::QuoteIdentifier(const QByteArray& name) {
    char* quoted = PQescapeIdentifier(F, name.constData(), size_t(name.size()));
    if (!quoted) Fail(QStringLiteral("Nom refusé"));
    QByteArray out(quoted);
    PQfreemem(quoted);
    return out;
}

QByteArray TPgConnection::QuoteLiteral(const QByteArray& text) {
    char* quoted = PQescapeLiteral(F, text.constData(), size_t(text.size()));
    if (!quoted) Fail(QStringLiteral("Texte refusé"));
    QByteArray out(quoted);
    PQfreemem(quoted);
    return out;
}

// ---------------------------------------------------------------- helpers

QString ConnInfoFrom(const QString& option) {
    if (!option.isEmpty()) return option;
    return qEnvironmentVariable("TALLIVO_DB");
}

bool ConnInfoHasPassword(const QString& conninfo) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    if (error) PQfreemem(error);
    if (!options) return false;
    bool found = false;
    for (const PQconninfoOption* o = options; o->keyword; ++o)
        if (!std::strcmp(o->keyword, "password") && o->val && *o->val) found = true;
    PQconninfoFree(options);
    return found;
}

TPgParam Param(const QString& text) {
    return text.toUtf8();
}

TPgParam Param(int64_t value) {
    return QByteArray::number(qlonglong(value));
}

TPgParam Param(double value) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, int(r.ptr - buffer));
}

} // namespace tallivo::pg
