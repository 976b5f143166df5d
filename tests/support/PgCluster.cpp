#include "tests/support/PgCluster.h"

#include "tests/support/ToolRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdlib>
#include <unistd.h>

namespace tallivo::test {

namespace {

const char* const kScript = TALLIVO_PG_CLUSTER_SCRIPT;
constexpr int kScriptTimeoutMs = 180000; // initdb and a start on a loaded machine

} // namespace

TPgCluster::TPgCluster(bool durable) {
    // A short path: the socket's name must stay under the system's limit.
    char tmpl[] = "/tmp/tallivo-pg-XXXXXX";
    if (!mkdtemp(tmpl)) {
        FError = QStringLiteral("no temporary folder");
        return;
    }
    FFolder = QString::fromLatin1(tmpl);
    QStringList args = {QStringLiteral("start"), FFolder, QString::number(getpid())};
    if (durable) args << QStringLiteral("--durable");
    TToolOptions options;
    options.TimeoutMs = kScriptTimeoutMs;
    const TToolRun r = RunTool(QString::fromLatin1(kScript), args, options);
    const QList<QByteArray> lines = r.Out.trimmed().split('\n');
    if (r.Code != 0 || lines.isEmpty() || !lines.last().startsWith("host=")) {
        FError = QString::fromUtf8(r.Err + r.Out);
        return;
    }
    FConnInfo = QString::fromUtf8(lines.last());
}

TPgCluster::~TPgCluster() {
    if (!FFolder.isEmpty()) Run({QStringLiteral("remove"), FFolder});
}

bool TPgCluster::Run(const QStringList& args) {
    TToolOptions options;
    options.TimeoutMs = kScriptTimeoutMs;
    const TToolRun r = RunTool(QString::fromLatin1(kScript), args, options);
    if (r.Code != 0) FError = QString::fromUtf8(r.Err);
    return r.Code == 0;
}

QString TPgCluster::ConnInfoAs(const QString& user, const QString& passfile) const {
    return QStringLiteral("host=%1 port=5432 dbname=postgres user=%2 passfile=%3").arg(FFolder, user, passfile);
}

QByteArray TPgCluster::ServerLog() const {
    QFile f(FFolder + QStringLiteral("/server.log"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TPgCluster::Stop(bool immediate) {
    return Run({QStringLiteral("stop"), FFolder, immediate ? QStringLiteral("immediate") : QStringLiteral("fast")});
}

bool TPgCluster::Restart() {
    return Run({QStringLiteral("restart"), FFolder});
}

} // namespace tallivo::test
