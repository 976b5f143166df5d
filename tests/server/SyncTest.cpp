// Stations counting against one private server, as a stock-take runs: the
// real journal, the real sender (tallivo-sync) and the real back office
// (tallivo-office). The export must equal the merge of the stations' files,
// the workstation must be told how the sending goes, a server that went
// away must be caught up with, and a copied counting folder must be refused
// instead of losing counts without a word.
#include "station/SenderStatus.h"
#include "tests/server/StationSim.h"
#include "tests/support/PgCluster.h"
#include "tests/support/ToolRun.h"
#include "tools/pgsql/PgConnection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

const QStringList kFrench = {"LC_ALL=fr_FR.UTF-8"};

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Waits (the machine may be loaded) until done() holds; false when it never did.
template <class F> bool WaitFor(F&& done, int limitMs = 60000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > limitMs) return false;
        QThread::msleep(50);
    }
    return true;
}

class StockTake : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Cluster = new TPgCluster(); }
    static void TearDownTestSuite() {
        delete Cluster;
        Cluster = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(Cluster->Ok()) << Cluster->Error().toStdString();
        // One stock-take per test, named after it.
        Name = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        const TToolRun init = Office({"init", Name});
        ASSERT_EQ(init.Code, 0) << init.Err.toStdString();
        // The lazy cluster may lose its last commits at an immediate stop;
        // a real server's schema and stock-take are older than that.
        pg::TPgConnection db(Cluster->ConnInfo(), "test");
        db.Exec("CHECKPOINT");
    }

    QString Folder(const QString& name) {
        QDir(Dir.path()).mkdir(name);
        return Dir.filePath(name);
    }
    static TToolRun Office(const QStringList& args) {
        TToolOptions o;
        o.Environment = kFrench;
        return RunTool(TALLIVO_OFFICE_TOOL, QStringList{"--db", Cluster->ConnInfo()} + args, o);
    }
    static TToolRun Merge(const QStringList& args) {
        TToolOptions o;
        o.Environment = kFrench;
        return RunTool(TALLIVO_PACKET_TOOL, QStringList{"merge"} + args, o);
    }
    TToolRun SendOnce(const TStationSim& s) {
        return RunTool(TALLIVO_SYNC_TOOL,
                       {"--folder", s.Folder(), "--db", Cluster->ConnInfo(), "--stocktake", Name, "--once"});
    }
    int64_t StoredEvents() {
        pg::TPgConnection db(Cluster->ConnInfo(), "test");
        return db.Exec("SELECT count(*) FROM tallivo.event e JOIN tallivo.stocktake s ON s.id = e.stocktake"
                       " WHERE s.name = $1",
                       {pg::Param(Name)})
            .Int(0, 0);
    }

    static TPgCluster* Cluster;
    QTemporaryDir Dir;
    QString Name;
};

TPgCluster* StockTake::Cluster = nullptr;

} // namespace

TEST_F(StockTake, TheExportIsTheMergeOfTheStationsFiles) {
    TStationSim a(Folder("a"), "poste-a"), b(Folder("b"), "poste-b");
    a.Count("Mo-4", 2, "Cidre brut");
    a.Count("X1", 1.5);
    a.Count("mo-4", 3); // the same line, whatever the letter case
    a.Replace("X1", 4);
    a.Count("Z9", 1);
    a.Delete("Z9");
    a.Count("Y", 1);
    a.Count("X1", 0.25); // a line changed last comes last in the file
    b.Count("old", 5);
    b.Initialise(); // a new count: "old" no longer counts
    b.Count("MO-4", 1, "Cidre, autre nom");
    b.Count("B2", 2.5);
    b.Delete("B2", true);
    b.Count("B2", 1);
    b.Count("Z9", 7);
    for (const TStationSim* s : {&a, &b}) {
        const TToolRun sent = SendOnce(*s);
        ASSERT_EQ(sent.Code, 0) << sent.Err.toStdString();
    }
    const TToolRun exported = Office({"export", Name, Dir.filePath("server.csv")});
    ASSERT_EQ(exported.Code, 0) << exported.Err.toStdString();
    const TToolRun merged =
        Merge({Dir.filePath("merge.csv"), a.Folder() + "/COLLECTION.XML", b.Folder() + "/COLLECTION.XML"});
    ASSERT_EQ(merged.Code, 0) << merged.Err.toStdString();
    EXPECT_EQ(ReadBytes(Dir.filePath("server.csv")), ReadBytes(Dir.filePath("merge.csv")));
    EXPECT_EQ(ReadBytes(Dir.filePath("server.csv")),
              "CODE_ART;NOM_ART;CATEGORIE;QTE;PRIX_ACHAT\r\n"
              "Mo-4;Cidre brut;Cat M;6;1,5\r\n"
              "Y;Article Y;Cat Y;1;1,5\r\n"
              "X1;Article X1;Cat X;4,25;1,5\r\n"
              "B2;Article B2;Cat B;1;1,5\r\n"
              "Z9;Article Z9;Cat Z;7;1,5\r\n");

    const TToolRun watched = Office({"watch", Name, "--once"});
    ASSERT_EQ(watched.Code, 0) << watched.Err.toStdString();
    EXPECT_TRUE(watched.Out.contains("Ensemble : 5 articles, 19,25 pièces, 2 postes")) << watched.Out.toStdString();

    // The stock-take report of the server's count is the report of the
    // stations' files.
    QFile catalogue(Dir.filePath("ARTICLE.XML"));
    ASSERT_TRUE(catalogue.open(QIODevice::WriteOnly));
    catalogue.write(R"(<?xml version="1.0" standalone="yes"?><DATAPACKET Version="2.0"><METADATA><FIELDS>)"
                    R"(<FIELD attrname="CODE_ART" fieldtype="string" WIDTH="25"/>)"
                    R"(<FIELD attrname="NOM_ART" fieldtype="string" WIDTH="50"/>)"
                    R"(<FIELD attrname="CATEGORIE" fieldtype="string" WIDTH="30"/>)"
                    R"(<FIELD attrname="PRIX_ACHAT" fieldtype="r8"/><FIELD attrname="STOCK" fieldtype="r8"/>)"
                    R"(</FIELDS><PARAMS/></METADATA><ROWDATA>)"
                    R"(<ROW CODE_ART="Mo-4" NOM_ART="Cidre brut" CATEGORIE="Cat M" PRIX_ACHAT="1.5" STOCK="5"/>)"
                    R"(<ROW CODE_ART="X1" NOM_ART="Article X1" CATEGORIE="Cat X" PRIX_ACHAT="1.5" STOCK="2"/>)"
                    R"(</ROWDATA></DATAPACKET>)");
    catalogue.close();
    const TToolRun fromServer =
        Office({"report", "--stocktake", Name, Dir.filePath("ARTICLE.XML"), Dir.filePath("rapport-serveur")});
    ASSERT_EQ(fromServer.Code, 0) << fromServer.Err.toStdString();
    TToolOptions french;
    french.Environment = kFrench;
    const TToolRun fromFiles = RunTool(TALLIVO_OFFICE_TOOL,
                                       {"report", Dir.filePath("ARTICLE.XML"), Dir.filePath("rapport-fichiers"),
                                        a.Folder() + "/COLLECTION.XML", b.Folder() + "/COLLECTION.XML"},
                                       french);
    ASSERT_EQ(fromFiles.Code, 0) << fromFiles.Err.toStdString();
    const QByteArray differences = ReadBytes(Dir.filePath("rapport-serveur/ECARTS.CSV"));
    EXPECT_TRUE(differences.contains("Mo-4;Cidre brut;Cat M;5;6;1;1,5;")) << differences.toStdString();
    EXPECT_EQ(differences, ReadBytes(Dir.filePath("rapport-fichiers/ECARTS.CSV")));

    // Sending again stores nothing twice.
    const int64_t stored = StoredEvents();
    ASSERT_EQ(SendOnce(a).Code, 0);
    EXPECT_EQ(StoredEvents(), stored);
}

TEST_F(StockTake, TheWorkstationIsToldAndTheServerCaughtUpWith) {
    TStationSim a(Folder("a"), "poste-c");
    EXPECT_FALSE(ReadSenderStatus(a.Folder())) << "no sender: nothing to show";
    QProcess sender;
    sender.start(TALLIVO_SYNC_TOOL, {"--folder", a.Folder(), "--db", Cluster->ConnInfo(), "--stocktake", Name});
    const auto text = [&] {
        const auto s = ReadSenderStatus(a.Folder());
        return s ? SenderStatusText(*s) : QString("<none>");
    };
    a.Count("A", 1);
    ASSERT_TRUE(WaitFor([&] { return text() == "Envoyé" && StoredEvents() == 1; })) << text().toStdString();

    ASSERT_TRUE(Cluster->Stop(true));
    for (int i = 0; i < 3; ++i) a.Count("B", 1);
    // A server gone is unreachable, never a refusal.
    QString seen;
    EXPECT_TRUE(WaitFor([&] {
        seen = text();
        return (seen.startsWith("Serveur injoignable depuis ") && seen.endsWith("(3 en attente)")) ||
               seen.startsWith("Envoi impossible");
    })) << seen.toStdString();
    EXPECT_TRUE(seen.startsWith("Serveur injoignable depuis ")) << seen.toStdString();
    ASSERT_TRUE(Cluster->Restart());
    EXPECT_TRUE(WaitFor([&] { return text() == "Envoyé" && StoredEvents() == 4; })) << text().toStdString();

    sender.kill();
    sender.waitForFinished();
    EXPECT_TRUE(WaitFor([&] { return !ReadSenderStatus(a.Folder()); }));
}

TEST_F(StockTake, ACopiedCountingFolderIsRefusedNotLost) {
    TStationSim a(Folder("a"), "poste-d");
    a.Count("A", 1);
    ASSERT_EQ(SendOnce(a).Code, 0);
    const QString copy = Folder("copy");
    for (const QString& name : QDir(a.Folder()).entryList(QDir::Files))
        QFile::copy(a.Folder() + '/' + name, copy + '/' + name);
    TStationSim c(copy, "ignored");
    ASSERT_EQ(c.Identity(), "poste-d");
    a.Count("A", 1);
    c.Count("C", 5); // the same station, epoch and sequence, another change
    ASSERT_EQ(SendOnce(a).Code, 0);
    const TToolRun refused = SendOnce(c);
    EXPECT_EQ(refused.Code, 1);
    EXPECT_TRUE(refused.Err.contains("copie")) << refused.Err.toStdString();
    EXPECT_EQ(StoredEvents(), 2);

    const TToolRun unknown = RunTool(TALLIVO_SYNC_TOOL, {"--folder", a.Folder(), "--db", Cluster->ConnInfo(),
                                                         "--stocktake", "Nulle part", "--once"});
    EXPECT_EQ(unknown.Code, 1);
    EXPECT_TRUE(unknown.Err.contains("n'existe pas")) << unknown.Err.toStdString();
}

TEST_F(StockTake, ACountCarriedToAnotherTillIsNotCountedTwice) {
    TStationSim a(Folder("a"), "poste-e");
    a.Count("A", 1);
    a.Count("B", 2);
    ASSERT_EQ(SendOnce(a).Code, 0);
    // A's count file on a stick, continued on till b: b's count holds A's.
    const QString b = Folder("b");
    ASSERT_TRUE(QFile::copy(a.Folder() + "/COLLECTION.XML", b + "/COLLECTION.XML"));
    TStationSim carried(b, "poste-f");
    carried.Count("C", 3);
    ASSERT_EQ(SendOnce(carried).Code, 0);
    const QStringList files = {a.Folder() + "/COLLECTION.XML", b + "/COLLECTION.XML"};
    EXPECT_NE(Merge(QStringList{Dir.filePath("m.csv")} + files).Code, 0);
    const TToolRun refused = Office({"export", Name, Dir.filePath("server.csv")});
    EXPECT_EQ(refused.Code, 1);
    EXPECT_TRUE(refused.Err.contains("deux fois")) << refused.Err.toStdString();
    EXPECT_FALSE(QFile::exists(Dir.filePath("server.csv")));
    EXPECT_TRUE(Office({"watch", Name, "--once"}).Out.contains("Attention : les postes poste-e et poste-f"));

    // Till a starts a new count: nothing is held twice any more.
    a.Initialise();
    a.Count("D", 4);
    ASSERT_EQ(SendOnce(a).Code, 0);
    const TToolRun merged = Merge(QStringList{Dir.filePath("m.csv")} + files);
    ASSERT_EQ(merged.Code, 0) << merged.Err.toStdString();
    ASSERT_EQ(Office({"export", Name, Dir.filePath("server.csv")}).Code, 0);
    EXPECT_EQ(ReadBytes(Dir.filePath("server.csv")), ReadBytes(Dir.filePath("m.csv")));
}
