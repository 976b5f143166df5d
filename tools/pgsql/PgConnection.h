#pragma once
// A connection to the stock-take server (PostgreSQL, through libpq), as thin
// as the tools need: open with a connection string, run a statement with
// text parameters, read the rows, listen for notifications. Every failure
// raises EPgError with a French message; the server's own text follows it.
//
// The connection string is libpq's (host=/path/to/socket port=5432
// dbname=... user=... passfile=... sslmode=...). Passwords never travel on
// the command line: libpq reads them from ~/.pgpass or the passfile named
// in the string.

#include "base/Exception.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct pg_conn;
struct pg_result;

namespace tallivo::pg {

class EPgError : public Exception {
public:
    EPgError(QString message, QString sqlState = {}, bool connectionLost = false)
        : Exception(std::move(message)), FSqlState(std::move(sqlState)), FConnectionLost(connectionLost) {}
    // The server's five-character error code (e.g. 42501, permission
    // denied); empty when the error did not come from the server.
    const QString& SqlState() const { return FSqlState; }
    // The connection is broken: open a new one.
    bool ConnectionLost() const { return FConnectionLost; }

private:
    QString FSqlState;
    bool FConnectionLost;
};

// One statement's rows. Values are text (libpq's text format).
class TPgResult {
public:
    explicit TPgResult(pg_result* result) : F(result) {}
    ~TPgResult();
    TPgResult(TPgResult&& other) noexcept : F(other.F) { other.F = nullptr; }
    TPgResult& operator=(TPgResult&&) = delete;
    TPgResult(const TPgResult&) = delete;

    int Rows() const;
    bool IsNull(int row, int column) const;
    QString Text(int row, int column) const;
    QByteArray Bytes(int row, int column) const;
    int64_t Int(int row, int column) const;
    double Double(int row, int column) const;
    // The number of rows a command touched (INSERT, UPDATE ...).
    int64_t Affected() const;

private:
    pg_result* F;
};

// A parameter of a statement: text, or SQL NULL.
using TPgParam = std::optional<QByteArray>;

class TPgConnection {
public:
    // Opens the connection; application names the program in the server's
    // views. Waits at most connectTimeout seconds for the server unless the
    // string says otherwise. Raises EPgError (ConnectionLost set).
    TPgConnection(const QString& conninfo, const char* application, int connectTimeout = 10);
    ~TPgConnection();
    TPgConnection(const TPgConnection&) = delete;
    TPgConnection& operator=(const TPgConnection&) = delete;

    // Runs one statement ($1, $2 ... for the parameters) and returns its
    // rows. Raises EPgError.
    TPgResult Exec(const char* sql, const std::vector<TPgParam>& params = {});
    // Runs statements without parameters (several, separated by ";").
    void Run(const char* sql);

    // LISTEN channel. Notifications are then read with Notifications, after
    // the socket became readable.
    void Listen(const char* channel);
    int Socket() const;
    struct TNotification {
        QString Channel, Payload;
    };
    // Reads what arrived on the socket; raises when the connection is gone.
    std::vector<TNotification> Notifications();

    // "user@database" for messages; the user and database names alone.
    QString Who() const;
    QString User() const;
    QString Database() const;
    QString Host() const; // the server's name, address or socket folder
    QString Port() const;
    // The server's verifier for a password (SCRAM), so that the password
    // itself never reaches the server's statement log.
    QByteArray EncryptPassword(const QByteArray& password, const QByteArray& role);
    // A name quoted as an SQL identifier.
    QByteArray QuoteIdentifier(const QByteArray& name);
    // A text quoted as an SQL literal.
    QByteArray QuoteLiteral(const QByteArray& text);

private:
    [[noreturn]] void Fail(const QString& what, pg_result* result = nullptr);
    pg_conn* F = nullptr;
};

// The connection string given by --db, else by TALLIVO_DB; empty when
// neither.
QString ConnInfoFrom(const QString& option);

// True when the connection string itself holds a password.
bool ConnInfoHasPassword(const QString& conninfo);

// Text for a parameter.
TPgParam Param(const QString& text);
TPgParam Param(int64_t value);
TPgParam Param(double value); // shortest text that reads back the same double

} // namespace tallivo::pg
