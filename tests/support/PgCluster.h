#pragma once
// A private PostgreSQL cluster for a test (pg_cluster.sh): its own folder,
// a Unix socket in it and no TCP listener, run by an unprivileged user when
// the test runs as root. It is stopped and removed with the object, and by
// the script's watchdog when the test process dies first.

#include <QString>

namespace tallivo::test {

class TPgCluster {
public:
    // durable: the server flushes its writes to the disk (benchmarks).
    explicit TPgCluster(bool durable = false);
    ~TPgCluster();
    TPgCluster(const TPgCluster&) = delete;
    TPgCluster& operator=(const TPgCluster&) = delete;

    // False when the cluster could not start; Error() says why.
    bool Ok() const { return !FConnInfo.isEmpty(); }
    const QString& Error() const { return FError; }
    // The superuser's connection string (dbname=postgres).
    const QString& ConnInfo() const { return FConnInfo; }
    // Another role's, with its password read from passfile.
    QString ConnInfoAs(const QString& user, const QString& passfile) const;
    const QString& Folder() const { return FFolder; }
    QByteArray ServerLog() const;

    // Stops the server (immediate: as a crash) and starts it again.
    bool Stop(bool immediate);
    bool Restart();

private:
    bool Run(const QStringList& args);
    QString FFolder, FConnInfo, FError;
};

} // namespace tallivo::test
