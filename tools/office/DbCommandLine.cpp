#include "tools/office/DbCommandLine.h"

#include "base/FloatText.h"
#include "tools/ToolMain.h"
#include "tools/pgsql/PgConnection.h"

namespace tallivo::office {

namespace {

// The options whose value is the next argument.
bool IsDbOption(const QString& a) {
    return a == QLatin1String("--db") || a == QLatin1String("--decimal");
}

} // namespace

QString FindCommandWord(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (IsDbOption(a)) {
            ++i; // its value
            continue;
        }
        if (a.startsWith(u'-')) continue;
        return a;
    }
    return {};
}

bool ParseDbCommandLine(int argc, char** argv, const QStringList& knownFlags, TDbCommandLine& out) {
    QString db;
    bool haveDb = false;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--db")) {
            if (i + 1 >= argc) {
                OfficeError(QStringLiteral("--db attend une chaîne de connexion"));
                return false;
            }
            db = QString::fromLocal8Bit(argv[++i]);
            haveDb = true;
        } else if (a.startsWith(QLatin1String("--db="))) {
            db = a.mid(5);
            haveDb = true;
        } else if (a == QLatin1String("--decimal") && i + 1 < argc) {
            out.Decimal = QString::fromLocal8Bit(argv[++i]);
        } else if (a.startsWith(QLatin1String("--decimal="))) {
            out.Decimal = a.mid(10);
        } else if (a.startsWith(u'-') && a.size() > 1) {
            if (!knownFlags.contains(a)) {
                OfficeError(QStringLiteral("option inconnue : %1").arg(a));
                return false;
            }
            out.Flags << a;
        } else if (out.Command.isEmpty()) {
            out.Command = a;
        } else {
            out.Arguments << a;
        }
    }
    out.ConnInfo = pg::ConnInfoFrom(haveDb ? db : QString());
    return true;
}

bool CheckArguments(const TDbCommandLine& line, int count, const char* usage) {
    if (line.Arguments.size() != count) {
        Err(QStringLiteral("usage: %1\n").arg(QString::fromUtf8(usage)));
        return false;
    }
    if (line.ConnInfo.trimmed().isEmpty()) {
        OfficeError(QStringLiteral("aucun serveur : donnez --db CONNINFO ou la variable TALLIVO_DB "
                                   "(par exemple --db \"host=serveur dbname=inventaire user=bureau\")"));
        return false;
    }
    return true;
}

std::unique_ptr<pg::TPgConnection> OpenOfficeConnection(const TDbCommandLine& line) {
    return std::make_unique<pg::TPgConnection>(line.ConnInfo, "tallivo-office");
}

QString Counted(double n, const QString& one, const QString& many) {
    return FloatToText(n) + u' ' + (n < 2 && n > -2 ? one : many);
}

void OfficeError(const QString& message) {
    Err(QStringLiteral("tallivo-office: %1\n").arg(message));
}

} // namespace tallivo::office
