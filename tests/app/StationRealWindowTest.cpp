// The station's features in the real program on a virtual display, driven
// by xdotool as a scanner and a finger drive it: quick mode, undo, unknown
// codes, the settings screen, the sounds, and a settings file with every key
// off changing nothing.
#include "RealDisplay.h"
#include "Workstation.h"

#include "app/StationFeatures.h"
#include "app/StationSettingsBox.h"
#include "app/StationSounds.h"
#include "base/Exception.h"
#include "station/Journal.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

using namespace tallivo;
using namespace tallivo::test;

namespace {

const QString kPaint = "3760123450017", kRoller = "3792008224652";

// The lines COLLECTION.XML holds in dir, as "CODE=quantity" ("none" when
// there is no file).
QStringList Saved(const QString& dir) {
    if (!QFile::exists(dir + "/COLLECTION.XML")) return {"none"};
    TClientDataSet saved;
    try {
        saved.LoadFromFile(dir + "/COLLECTION.XML");
    } catch (const Exception& e) {
        return {"unreadable: " + e.Message()};
    }
    QStringList lines;
    for (saved.First(); !saved.Eof(); saved.Next())
        lines << saved.FieldByName("CODE_ART").AsString() + u'=' + saved.FieldByName("QTE").AsString();
    return lines;
}

// Waits until f() gives expected (a loaded machine may take seconds); what
// it gave last.
template <class F> auto WaitFor(F&& f, const decltype(f())& expected, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    auto got = f();
    while (got != expected && clock.elapsed() < timeoutMs) {
        QThread::msleep(100);
        got = f();
    }
    return got;
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& content) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

// Where controls of the main window and of the settings screen are on the
// screen, measured on windows built offscreen with the same sizes.
struct TPlaces {
    QPoint Quantity, Delete, Undo, Header, ZoneDone;
    QPoint ModeRapide, Save;
    explicit TPlaces(QSize window) {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        TMasterform form(nullptr);
        QDir::setCurrent(previous);
        form.SetWindowState(wsNormal);
        form.SetClientSize(window.width(), window.height());
        const auto at = [&](QWidget* w) { return w->mapTo(&form, w->rect().center()); };
        Quantity = at(form.AdvMetroTile6);
        Delete = at(form.AdvMetroTile2);
        Undo = at(form.Station().UndoTile);
        Header = form.Panel3->mapTo(&form, QPoint(form.Panel3->width() / 2, 70));
        ZoneDone = form.Panel4->mapTo(&form, QPoint(-12 - 70, 18 + 21)); // shown while a zone is open
        TStationSettingsBox box(nullptr, {}, {});
        box.SetClientSize(660, 600);
        ModeRapide = box.ModeRapideTile->mapTo(&box, box.ModeRapideTile->rect().center());
        Save = box.SaveTile->mapTo(&box, box.SaveTile->rect().center());
    }
};

class StationWindow : public RealWindow {
protected:
    void SetUp() override {
        RealWindow::SetUp();
        if (IsSkipped()) return;
        WriteCatalogueFile(FDir.filePath("ARTICLE.XML"),
                           {{kPaint, "Peinture blanche", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", "O"},
                            {kRoller, "Rouleau", "PEINTURE", 4.5, "RL1", 2.1, "Couleurs SA", "O"}});
    }
    void Settings(const QByteArray& keys) { Write(FDir.filePath("TALLIVO.INI"), "[Comptage]\n" + keys); }
    void Scan(const QString& code) { FDisplay.Tool({"type", "--delay", "3", code + "\r"}); }
    // The keypad opens; quantity is tapped on its tiles, then "Ok".
    void Key(const QString& quantity) {
        QString id;
        QPoint at;
        ASSERT_TRUE(FDisplay.FindWindow("Quantité", id, at)) << "the keypad did not open";
        QThread::msleep(300);
        for (const QChar c : quantity) FDisplay.Tap(at + KeypadTile(char(c.unicode())));
        FDisplay.Tap(at + KeypadTile('K'));
    }
    // The question of a message window, answered "Oui" or "Non".
    void Answer(bool yes) {
        QString id;
        QPoint at;
        ASSERT_TRUE(FDisplay.FindWindow("Information", id, at)) << "no question";
        QThread::msleep(300);
        FDisplay.Tap(at + (yes ? QPoint(230 + 53, 172 + 24) : QPoint(354 + 55, 172 + 24)));
    }
    // An information message, answered "Ok".
    void Acknowledge() {
        QString id;
        QPoint at;
        ASSERT_TRUE(FDisplay.FindWindow("Information", id, at)) << "no message";
        QThread::msleep(300);
        FDisplay.Tap(at + QPoint(354 + 55, 172 + 24));
    }
    QStringList Lines() const { return Saved(FDir.path()); }
};

} // namespace

TEST_F(StationWindow, QuickModeCountsEachScanAtOnceAndQuantityCorrectsTheLineLastScanned) {
    Settings("ModeRapide=oui\n");
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << app.Why();
    const TPlaces places(app.Size);
    Scan(kPaint);
    Scan(kPaint);
    Scan(kRoller);
    EXPECT_EQ(WaitFor([&] { return Lines(); }, QStringList({kPaint + "=2", kRoller + "=1"})),
              QStringList({kPaint + "=2", kRoller + "=1"}));
    EXPECT_FALSE(FDisplay.WindowShown("Quantité"));
    // "Quantité" with the code field empty: the line last scanned.
    FDisplay.Tap(app.At + places.Quantity);
    Key("6");
    EXPECT_EQ(WaitFor([&] { return Lines(); }, QStringList({kPaint + "=2", kRoller + "=6"})),
              QStringList({kPaint + "=2", kRoller + "=6"}));
}

// Each tap of "Défaire" takes one change back, a deletion included, and the
// file follows at once.
TEST_F(StationWindow, UndoWalksBackThroughTheSessionsChanges) {
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << app.Why();
    const TPlaces places(app.Size);
    Scan(kPaint);
    Key("3");
    Scan(kPaint);
    Key("2");
    Scan(kRoller);
    Key("1");
    ASSERT_EQ(WaitFor([&] { return Lines(); }, QStringList({kPaint + "=5", kRoller + "=1"})),
              QStringList({kPaint + "=5", kRoller + "=1"}));
    FDisplay.Tap(app.At + places.Delete); // the highlighted line: the roller
    ASSERT_EQ(WaitFor([&] { return Lines(); }, QStringList({kPaint + "=5"})), QStringList({kPaint + "=5"}));
    const QList<QStringList> steps = {{kPaint + "=5", kRoller + "=1"}, {kPaint + "=5"}, {kPaint + "=3"}, {}, {}};
    for (const QStringList& expected : steps) {
        FDisplay.Tap(app.At + places.Undo);
        EXPECT_EQ(WaitFor([&] { return Lines(); }, expected), expected);
    }
    EXPECT_EQ(app.Quit(), "");
    EXPECT_EQ(Lines(), QStringList());
}

// An unknown code is kept with its scans; counted on the keypad when the
// setting allows, its quantity goes to INCONNUS.CSV, never to the count;
// "Défaire" takes that quantity back too.
TEST_F(StationWindow, UnknownCodesAreKeptAndCountedBesideTheCount) {
    Settings("InconnusComptes=oui\n");
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << app.Why();
    const TPlaces places(app.Size);
    const QString unknown = FDir.filePath("INCONNUS.CSV");
    const QRegularExpression line("999000;\\S+ \\S+;\\S+ \\S+;(\\d+);([^\\r]*)\\r\\n");
    const auto scansAndQuantity = [&] {
        const auto m = line.match(QString::fromLatin1(Read(unknown)));
        return m.hasMatch() ? m.captured(1) + "/" + m.captured(2) : QString("no line");
    };
    Scan("999000");
    Answer(true);
    Key("4");
    EXPECT_EQ(WaitFor(scansAndQuantity, QString("1/4")), "1/4");
    Scan("999000");
    Answer(false);
    EXPECT_EQ(WaitFor(scansAndQuantity, QString("2/4")), "2/4");
    FDisplay.Tap(app.At + places.Undo);
    EXPECT_EQ(WaitFor(scansAndQuantity, QString("2/")), "2/");
    Scan(kPaint);
    Key("1");
    EXPECT_EQ(WaitFor([&] { return Lines(); }, QStringList({kPaint + "=1"})), QStringList({kPaint + "=1"}));
    EXPECT_EQ(app.Quit(), "");
    EXPECT_EQ(Lines(), QStringList({kPaint + "=1"})) << "an unknown code never reaches the count";
}

// Without a keyboard: a long press on the header opens the settings, a tap
// turns the quick mode on, "Enregistrer" writes TALLIVO.INI and the next
// scans count at once.
TEST_F(StationWindow, TheSettingsScreenOpensOnALongPressAndTakesEffectAtOnce) {
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << app.Why();
    const TPlaces places(app.Size);
    // A tap on the header opens nothing.
    FDisplay.Tap(app.At + places.Header);
    QThread::msleep(2500);
    EXPECT_FALSE(FDisplay.WindowShown("Réglages du comptage"));
    const QPoint header = app.At + places.Header;
    FDisplay.Tool({"mousemove", QString::number(header.x()), QString::number(header.y()), "mousedown", "1", "sleep",
                   "2.6", "mouseup", "1"});
    QString id;
    QPoint at;
    ASSERT_TRUE(FDisplay.FindWindow("Réglages du comptage", id, at)) << "the settings did not open";
    QThread::msleep(300);
    FDisplay.Tap(at + places.ModeRapide);
    FDisplay.Tap(at + places.Save);
    EXPECT_TRUE(WaitForFileWith(FDir.filePath("TALLIVO.INI"), "ModeRapide=oui").contains("ModeRapide=oui"));
    Scan(kRoller);
    Scan(kRoller);
    EXPECT_EQ(WaitFor([&] { return Lines(); }, QStringList({kRoller + "=2"})), QStringList({kRoller + "=2"}));
}

// With Sons=oui a confirmed count and a refusal each play their own sound
// (the system's sound output here writes what it plays to a file); with no
// sound device at all the station counts on in silence.
TEST_F(StationWindow, SoundsTellACountFromARefusalAndNoDeviceIsNoFault) {
    Settings("Sons=oui\nModeRapide=oui\n");
    QTemporaryDir home;
    const QString played = home.filePath("played.raw");
    Write(home.filePath(".asoundrc"), QString("pcm.!default { type file; slave.pcm \"null\"; file \"%1\"; "
                                              "format \"raw\" }\n")
                                          .arg(played)
                                          .toUtf8());
    qputenv("HOME", home.path().toUtf8());
    RealWorkstation app(FDisplay, FDir.path());
    qunsetenv("HOME");
    ASSERT_TRUE(app.Shown()) << app.Why();
    const qint64 count = qint64(TStationSounds::Samples(TStationSounds::Confirmed).size() * 2);
    const qint64 refusal = qint64(TStationSounds::Samples(TStationSounds::Refused).size() * 2);
    ASSERT_NE(count, refusal);
    Scan(kPaint);
    EXPECT_EQ(WaitFor([&] { return QFileInfo(played).size(); }, count), count);
    Scan("404");
    Acknowledge(); // "Article inconnu.."
    EXPECT_EQ(WaitFor([&] { return QFileInfo(played).size(); }, refusal), refusal);
    app.Kill();

    // No sound card: the default output cannot open.
    Write(home.filePath(".asoundrc"), "pcm.!default { type hw; card 7 }\n");
    qputenv("HOME", home.path().toUtf8());
    RealWorkstation silent(FDisplay, FDir.path());
    qunsetenv("HOME");
    ASSERT_TRUE(silent.Shown()) << silent.Why();
    Scan(kPaint);
    EXPECT_EQ(WaitFor([&] { return Lines(); }, QStringList({kPaint + "=2"})), QStringList({kPaint + "=2"}));
    EXPECT_EQ(silent.Quit(), "");
}

// The same scans and taps with a settings file whose every key is off, and
// with none: the same files, byte for byte.
TEST_F(StationWindow, EveryKeyOffChangesNoFile) {
    QTemporaryDir withKeys;
    for (const QString name : {"ARTICLE.XML"}) QFile::copy(FDir.filePath(name), withKeys.filePath(name));
    Write(withKeys.filePath("TALLIVO.INI"), "[Comptage]\nModeRapide=non\nQuantiteMax=99999\nInconnusComptes=non\n"
                                           "PrefixeZone=\nSons=non\nExportNonComptes=non\n");
    for (const QString& dir : {FDir.path(), withKeys.path()}) {
        RealWorkstation app(FDisplay, dir);
        ASSERT_TRUE(app.Shown()) << app.Why();
        const TPlaces places(app.Size);
        Scan(kPaint);
        Key("12");
        Scan("404");
        Acknowledge(); // "Article inconnu.."
        Scan(kRoller);
        Key("3");
        ASSERT_EQ(WaitFor([&] { return Saved(dir); }, QStringList({kPaint + "=12", kRoller + "=3"})),
                  QStringList({kPaint + "=12", kRoller + "=3"}));
        FDisplay.Tap(app.At + places.Delete);
        FDisplay.Tap(app.At + places.Undo);
        ASSERT_EQ(WaitFor([&] { return Saved(dir); }, QStringList({kPaint + "=12", kRoller + "=3"})),
                  QStringList({kPaint + "=12", kRoller + "=3"}));
        ASSERT_EQ(app.Quit(), "");
    }
    // Each folder is a station of its own, whose count began at its own second.
    const QRegularExpression identity("Name=\"(TALLIVO_POSTE|TALLIVO_EPOQUE)\" Value=\"[^\"]*\"");
    const auto count = [&](const QString& dir) {
        return QString::fromLatin1(Read(dir + "/COLLECTION.XML")).replace(identity, "\\1");
    };
    EXPECT_EQ(count(FDir.path()), count(withKeys.path()));
    EXPECT_TRUE(count(FDir.path()).contains("TALLIVO_POSTE"));
    EXPECT_EQ(Read(FDir.filePath("ART.GRD")), Read(withKeys.filePath("ART.GRD")));
    const auto journal = [](const QString& dir) {
        QStringList changes;
        for (const TJournalRecord& r : ReadJournalFile(dir + "/JOURNAL.DAT").Records)
            changes << QString("%1 %2 %3 %4 %5").arg(r.Kind).arg(r.Code).arg(r.Quantity).arg(r.Zone).arg(r.Sequence);
        return changes;
    };
    EXPECT_EQ(journal(FDir.path()), journal(withKeys.path()));
    // The unknown code's times differ from one run to the other.
    const QRegularExpression times("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d");
    EXPECT_EQ(QString::fromLatin1(Read(FDir.filePath("INCONNUS.CSV"))).replace(times, "T"),
              QString::fromLatin1(Read(withKeys.filePath("INCONNUS.CSV"))).replace(times, "T"));
    QStringList files = QDir(withKeys.path()).entryList(QDir::Files);
    files.removeOne("TALLIVO.INI");
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files), files);
}

// Zones: a label opens its zone and every change is journaled with the zone
// open; a restart goes on in it; an undo is journaled in the zone of the
// change it takes back; "Zone terminée" closes it.
TEST_F(StationWindow, EveryChangeIsJournaledWithItsZone) {
    Settings("PrefixeZone=Z-\n");
    const QString collection = FDir.filePath("COLLECTION.XML");
    {
        RealWorkstation app(FDisplay, FDir.path());
        ASSERT_TRUE(app.Shown()) << app.Why();
        Scan("Z-A1");
        Scan(kPaint);
        Key("2");
        Scan("z-b2");
        ASSERT_TRUE(WaitForFileWith(collection, "z-b2").contains("z-b2"));
        Scan(kRoller);
        Key("1");
        ASSERT_EQ(WaitFor([&] { return Lines(); }, QStringList({kPaint + "=2", kRoller + "=1"})),
                  QStringList({kPaint + "=2", kRoller + "=1"}));
        app.Kill();
    }
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << app.Why();
    const TPlaces places(app.Size);
    Scan(kRoller); // still in z-b2
    Key("3");
    Scan("Z-C3");
    ASSERT_TRUE(WaitForFileWith(collection, "Z-C3").contains("Z-C3"));
    FDisplay.Tap(app.At + places.Undo);
    ASSERT_EQ(WaitFor([&] { return Lines(); }, QStringList({kPaint + "=2", kRoller + "=1"})),
              QStringList({kPaint + "=2", kRoller + "=1"}));
    FDisplay.Tap(app.At + places.ZoneDone);
    EXPECT_FALSE(WaitFor([&] { return Read(collection).contains("Z-C3"); }, false)) << "the zone stayed open";
    Scan(kPaint);
    Key("1");
    const auto sorted = [&] {
        QStringList lines = Lines();
        lines.sort();
        return lines;
    };
    EXPECT_EQ(WaitFor(sorted, QStringList({kPaint + "=3", kRoller + "=1"})),
              QStringList({kPaint + "=3", kRoller + "=1"}));
    ASSERT_EQ(app.Quit(), "");

    QStringList changes;
    for (const TJournalRecord& r : ReadJournalFile(FDir.filePath("JOURNAL.DAT")).Records)
        if (r.IsChange() && r.ChangeKind() != TJournalKind::Resync && r.ChangeKind() != TJournalKind::Reprise)
            changes << QString("%1 %2 %3 %4").arg(JournalKindName(r.Kind), r.Code).arg(r.Quantity).arg(r.Zone);
    const QString add = JournalKindName(uint8_t(TJournalKind::Add)),
                  more = JournalKindName(uint8_t(TJournalKind::Accumulate)),
                  undo = JournalKindName(uint8_t(TJournalKind::Undo));
    EXPECT_EQ(changes, QStringList({add + " " + kPaint + " 2 Z-A1", add + " " + kRoller + " 1 z-b2",
                                    more + " " + kRoller + " 4 z-b2", undo + " " + kRoller + " 1 z-b2",
                                    more + " " + kPaint + " 3 "}));
}
