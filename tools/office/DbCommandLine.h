#pragma once
// The command line of the back-office commands that reach the server:
//   tallivo-office [--db CONNINFO] COMMAND ARGUMENTS... [OPTIONS]
// --db may stand anywhere (also as --db=CONNINFO); TALLIVO_DB stands for
// it when it is missing.

#include <QString>
#include <QStringList>
#include <memory>

namespace tallivo::pg {
class TPgConnection;
}

namespace tallivo::office {

struct TDbCommandLine {
    QString ConnInfo;
    QString Command;
    QStringList Arguments; // after the command word, options excluded
    QStringList Flags;     // options without a value (--once ...)
    QString Decimal;       // --decimal's value, empty when not given
};

// Parses argv (the program's name first). False, with the message on
// standard error, when an option is unknown or --db lacks its value.
// knownFlags: the options without value that the command accepts.
bool ParseDbCommandLine(int argc, char** argv, const QStringList& knownFlags, TDbCommandLine& out);

// The command word: the first argument that is neither an option nor the
// value of --db; empty when there is none.
QString FindCommandWord(int argc, char** argv);

// Checks the argument count and the connection string; prints the usage
// line or the message and returns false when they are wrong.
bool CheckArguments(const TDbCommandLine& line, int count, const char* usage);

// Opens the connection for a command (application name tallivo-office).
std::unique_ptr<pg::TPgConnection> OpenOfficeConnection(const TDbCommandLine& line);

// "0 article", "1 article", "2 articles": French puts 0 and 1 in the singular.
QString Counted(double n, const QString& one, const QString& many);

// Prints "tallivo-office: message" on standard error.
void OfficeError(const QString& message);

} // namespace tallivo::office
