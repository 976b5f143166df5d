// The rights on the stock-take server, as production sets them up: the
// schema installed by init (twice, harmlessly), two stations given their
// own logins by add-station, and station A's credentials, read from a
// password file, trying to write, change, delete and read what is not its
// own. The passwords never reach the server's log.
#include "tests/support/PgCluster.h"
#include "tests/support/ToolRun.h"
#include "tools/pgsql/PgConnection.h"
#include "tools/pgsql/StockTakeDb.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tallivo;
using namespace tallivo::pg;
using namespace tallivo::test;

namespace {

TToolRun Office(const TPgCluster& cluster, const QStringList& args) {
    return RunTool(TALLIVO_OFFICE_TOOL, QStringList{"--db", cluster.ConnInfo()} + args);
}

TEvent Event(int64_t seq, const QString& code, double qty) {
    TEvent e;
    e.Epoch = 1700000000;
    e.Sequence = seq;
    e.Kind = 1;
    e.Code = code;
    e.Quantity = qty;
    e.Delta = qty;
    e.TimeMs = 1700000000000 + seq;
    return e;
}

// The server's error code for what the statement did, or "" when it went through.
QString Refusal(TPgConnection& db, const char* sql) {
    try {
        db.Run(sql);
        return {};
    } catch (const EPgError& e) {
        return e.SqlState();
    }
}

} // namespace

TEST(ServerRights, StationLoginsWriteOnlyTheirOwnEvents) {
    TPgCluster cluster;
    ASSERT_TRUE(cluster.Ok()) << cluster.Error().toStdString();
    for (int run = 0; run < 2; ++run) {
        const TToolRun init = Office(cluster, {"init", "Inv"});
        ASSERT_EQ(init.Code, 0) << init.Err.toStdString();
    }
    QTemporaryDir dir;
    QByteArray passfile;
    QStringList passwords;
    for (const char* station : {"A", "B"}) {
        const TToolRun add = Office(cluster, {"add-station", "Inv", station});
        ASSERT_EQ(add.Code, 0) << add.Err.toStdString();
        const auto m = QRegularExpression("^(.*:poste_1_[AB]:(\\w+))$", QRegularExpression::MultilineOption)
                           .match(QString::fromUtf8(add.Out));
        ASSERT_TRUE(m.hasMatch()) << add.Out.toStdString();
        passfile += m.captured(1).toUtf8() + '\n';
        passwords << m.captured(2);
    }
    QFile pass(dir.filePath("pgpass"));
    ASSERT_TRUE(pass.open(QIODevice::WriteOnly));
    pass.write(passfile);
    pass.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    pass.close();

    TPgConnection owner(cluster.ConnInfo(), "test");
    const int32_t inv = StockTakeId(owner, "Inv");
    TPgConnection a(cluster.ConnInfoAs("poste_1_A", pass.fileName()), "test");
    TPgConnection b(cluster.ConnInfoAs("poste_1_B", pass.fileName()), "test");
    JoinStation(a, inv, "A");
    EXPECT_THROW(JoinStation(a, inv, "B"), EPgError);
    EXPECT_TRUE(PushEvents(a, inv, "A", {Event(1, "X1", 2), Event(2, "X2", 3)}).empty());
    EXPECT_TRUE(PushEvents(b, inv, "B", {Event(1, "X1", 5)}).empty());
    try {
        PushEvents(a, inv, "B", {Event(2, "X9", 1)});
        ADD_FAILURE() << "A wrote an event of B";
    } catch (const EPgError& e) {
        EXPECT_EQ(e.SqlState(), "42501") << e.Message().toStdString();
    }
    EXPECT_EQ(Refusal(a, "UPDATE tallivo.event SET qty = 0"), "42501");
    EXPECT_EQ(Refusal(a, "DELETE FROM tallivo.event"), "42501");
    EXPECT_EQ(Refusal(a, "TRUNCATE tallivo.event"), "42501");
    EXPECT_EQ(Refusal(a, "UPDATE tallivo.station SET login = 'poste_1_A' WHERE station = 'B'"), "42501");
    EXPECT_EQ(Refusal(a, "INSERT INTO tallivo.station (stocktake, station) VALUES (1, 'C')"), "42501");
    EXPECT_EQ(Refusal(a, "ALTER TABLE tallivo.event DISABLE ROW LEVEL SECURITY"), "42501");
    // A sees its own rows only; the owner sees everything, B's rows intact.
    EXPECT_EQ(a.Exec("SELECT count(*) FROM tallivo.event").Int(0, 0), 2);
    EXPECT_EQ(owner.Exec("SELECT count(*) FROM tallivo.event WHERE station = 'B' AND qty = 5").Int(0, 0), 1);
    EXPECT_EQ(owner.Exec("SELECT count(*) FROM tallivo.event").Int(0, 0), 3);

    const QByteArray log = cluster.ServerLog();
    EXPECT_TRUE(log.contains("CREATE ROLE")) << "the statement log is on";
    for (const QString& p : passwords) EXPECT_FALSE(log.contains(p.toUtf8()));
}
