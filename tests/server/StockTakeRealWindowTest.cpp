// Two real workstations, each in its own counting folder with its own
// sender, count on one virtual display against one private server, driven
// by xdotool as scanners and fingers drive them; once both have quit, the
// back office's export must equal the merge of their COLLECTION.XML.
#include "station/SenderStatus.h"
#include "station/StationIdentity.h"
#include "tests/app/RealDisplay.h"
#include "tests/app/Workstation.h"
#include "tests/support/PgCluster.h"
#include "tests/support/ToolRun.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

using namespace tallivo;
using namespace tallivo::test;

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The sender of a folder, stopped with the object.
struct TSender {
    QProcess Process;
    TSender(const QString& folder, const QString& conninfo) {
        Process.setStandardOutputFile(QProcess::nullDevice());
        Process.setStandardErrorFile(folder + "/../" + QDir(folder).dirName() + "-sync.log");
        Process.start(TALLIVO_SYNC_TOOL, {"--folder", folder, "--db", conninfo, "--stocktake", "Vitrine"});
    }
    ~TSender() {
        Process.kill();
        Process.waitForFinished();
    }
};

// Brings the workstation's window in front of the other.
void Raise(const RealDisplay& display, const RealWorkstation& app) {
    display.Tool({"windowraise", app.Id});
    QThread::msleep(300);
}

// The code scanned into the workstation's window, then the quantity tapped.
void Count(const RealDisplay& display, const RealWorkstation& app, const char* code, const char* keys) {
    Raise(display, app);
    // A tap in the code field makes this window the one that gets the keys
    // (there is no window manager to do it): the command band's first
    // panel, 20 pixels in, its field 48 pixels down.
    display.Tap(app.At + QPoint(20 + 136, app.Size.height() - 134 + 3 + 48 + 18));
    QThread::msleep(300);
    display.Tool({"type", "--delay", "20", code});
    display.Tool({"key", "Return"});
    QString padId;
    QPoint padAt;
    ASSERT_TRUE(display.FindWindow("Quantité", padId, padAt)) << "the keypad did not open for " << code;
    QThread::msleep(300);
    for (const char* k = keys; *k; ++k) display.Tap(padAt + KeypadTile(*k));
    display.Tap(padAt + KeypadTile('K'));
    QThread::msleep(400);
}

} // namespace

TEST_F(RealWindow, TwoWorkstationsCountAgainstOneServer) {
    TPgCluster cluster;
    ASSERT_TRUE(cluster.Ok()) << cluster.Error().toStdString();
    ASSERT_EQ(RunTool(TALLIVO_OFFICE_TOOL, {"--db", cluster.ConnInfo(), "init", "Vitrine"}).Code, 0);
    QStringList folders;
    for (const char* name : {"a", "b"}) {
        QDir(FDir.path()).mkdir(name);
        folders << FDir.filePath(name);
        WriteCatalogueFile(folders.back() + "/ARTICLE.XML",
                           {{"3760123450017", "Peinture blanche", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", "O"},
                            {"ABC", "Vis à bois 4x40", "QUINCAILLERIE", 0.35, "VB440", 0.12, "Fixations", "O"}});
    }
    RealWorkstation a(FDisplay, folders[0]);
    ASSERT_TRUE(a.Shown()) << a.Why();
    RealWorkstation b(FDisplay, folders[1]);
    ASSERT_TRUE(b.Shown()) << b.Why();
    // Both windows have the same title: b's is the one that is not a's.
    QElapsedTimer shown;
    shown.start();
    do {
        for (const QString& id : FDisplay.Tool({"search", "--onlyvisible", "--name", "^Tallivo-6$"}).split('\n'))
            if (!id.isEmpty() && id != a.Id) b.Id = id;
        QThread::msleep(100);
    } while (b.Id == a.Id && shown.elapsed() < 30000);
    ASSERT_NE(b.Id, a.Id) << "the second window did not appear: " << b.Why();
    QThread::msleep(700);
    TSender sendA(folders[0], cluster.ConnInfo()), sendB(folders[1], cluster.ConnInfo());

    Count(FDisplay, a, "3760123450017", "25");
    Count(FDisplay, b, "abc", "3"); // letter case ignored, on the station as in the combination
    Count(FDisplay, b, "3760123450017", "4");
    Count(FDisplay, a, "3760123450017", "5");
    // The header of a station whose sender runs tells how the sending goes.
    QElapsedTimer t;
    t.start();
    const auto sent = [&] {
        const auto status = ReadSenderStatus(folders[0]);
        return status && SenderStatusText(*status) == "Envoyé";
    };
    while (!sent() && t.elapsed() < 30000) QThread::msleep(100);
    QDir().mkpath(TALLIVO_SCREENSHOT_DIR);
    FDisplay.Shot(a.Id, TALLIVO_SCREENSHOT_DIR "/station-a.png"); // kept for a look
    Raise(FDisplay, a);
    ASSERT_EQ(a.Quit(), "");
    Raise(FDisplay, b);
    ASSERT_EQ(b.Quit(), "");

    // The merge takes the stations in the order of their identities, as the server does.
    if (ReadStationIdentity(folders[1]) < ReadStationIdentity(folders[0])) folders.swapItemsAt(0, 1);
    const TToolRun merged = RunTool(TALLIVO_PACKET_TOOL, {"merge", FDir.filePath("merge.csv"),
                                                          folders[0] + "/COLLECTION.XML", folders[1] + "/COLLECTION.XML"});
    ASSERT_EQ(merged.Code, 0) << merged.Err.toStdString();
    const QByteArray expected = ReadBytes(FDir.filePath("merge.csv"));
    EXPECT_TRUE(expected.contains("3760123450017;Peinture blanche;PEINTURE;34;")) << expected.toStdString();
    QByteArray exported;
    t.restart();
    do { // the senders may still be sending the last changes
        QThread::msleep(200);
        RunTool(TALLIVO_OFFICE_TOOL, {"--db", cluster.ConnInfo(), "export", "Vitrine", FDir.filePath("server.csv")});
        exported = ReadBytes(FDir.filePath("server.csv"));
    } while (exported != expected && t.elapsed() < 60000);
    EXPECT_EQ(exported, expected);
}
