// The kiosk recipe on the screens of real tills: the workstation started as
// the autostart entry starts it (plus the demo catalogue), on a virtual
// screen of each size, two codes scanned and their quantities keyed; then a
// screenshot (kept in the build folder for the documentation) in which every
// command tile must be whole, at its place and size, and the command band
// one row from a width of 1024 pixels (after scaling) on, two rows below.
#include "tests/app/RealDisplay.h"
#include "tests/package/PackageTestUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <climits>
#include <cmath>

using namespace tallivo::test;

namespace {

struct TScreen {
    const char* Name;
    int Width, Height;
    double Scale;
};

const TScreen kScreens[] = {
    {"1024x768", 1024, 768, 1},
    {"1366x768", 1366, 768, 1},
    {"1920x1080", 1920, 1080, 1},
    {"1920x1080_scale1_5", 1920, 1080, 1.5},
    {"1366x768_scale1_5", 1366, 768, 1.5}, // 910 pixels wide after scaling: two rows
};

// Test names and messages show the screen's name.
void PrintTo(const TScreen& s, std::ostream* os) {
    *os << s.Name;
}

// A tile of the main window: its colour, and where it is in 96-dpi pixels.
struct TTile {
    const char* Caption;
    QRgb Colour;
    int Left, Top, Width, Height; // Left: from the left edge, or (Exporter) from the right
};

// The pixels of exactly this colour in a region, as a rectangle.
QRect ColourExtent(const QImage& image, QRgb colour, const QRect& region) {
    int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
    const QRect r = region & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            if ((line[x] & 0xFFFFFFu) != (colour & 0xFFFFFFu)) continue;
            x0 = std::min(x0, x), x1 = std::max(x1, x);
            y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    }
    return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
}

// Within two pixels: the rounding of scaled positions.
bool Near(const QRect& a, const QRect& b) {
    return std::abs(a.left() - b.left()) <= 2 && std::abs(a.top() - b.top()) <= 2 &&
           std::abs(a.right() - b.right()) <= 2 && std::abs(a.bottom() - b.bottom()) <= 2;
}

std::string Text(const QRect& r) {
    return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

class KioskScreen : public ::testing::TestWithParam<TScreen> {};

} // namespace

TEST_P(KioskScreen, EveryTileIsWholeAndTheBandFollowsTheWidth) {
    if (const QString missing = MissingProgram({"Xvfb", "xdotool", "import"}); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString() << " is needed";
    const TScreen s = GetParam();
    RealDisplay screen;
    ASSERT_TRUE(screen.Start(s.Width, s.Height)) << "no virtual display";

    // The autostart entry's command, in a fresh home, with the demo.
    QStringList args =
        DesktopExecLines(QStringLiteral(TALLIVO_SOURCE_DIR "/packaging/kiosk/tallivo-kiosk.desktop"))
            .value(0)
            .split(u' ');
    ASSERT_EQ(args.takeFirst(), "tallivo");
    args << "--demo";
    QTemporaryDir home;
    QProcessEnvironment env = screen.Env();
    env.insert("HOME", home.path());
    env.insert("XDG_RUNTIME_DIR", home.path());
    env.insert("LC_ALL", "fr_FR.UTF-8");
    if (s.Scale != 1) env.insert("QT_SCALE_FACTOR", QString::number(s.Scale));
    QProcess app;
    app.setProcessEnvironment(env);
    app.start(TALLIVO_BINARY, args);
    ASSERT_TRUE(app.waitForStarted(5000));

    QRect window, pad;
    const QString id = screen.WaitForWindow("Tallivo-6", window, 30000); // the machine may be loaded
    ASSERT_FALSE(id.isEmpty()) << "the main window did not appear; the workstation "
                               << (app.state() == QProcess::Running ? "runs" : "ended")
                               << ", said: " << app.readAllStandardError().toStdString();
    EXPECT_TRUE(screen.Run("xprop", {"-id", id, "_NET_WM_STATE"}).contains("_NET_WM_STATE_FULLSCREEN"));
    // The whole screen (a scaled width may round up by one pixel).
    EXPECT_TRUE(Near(window, QRect(0, 0, s.Width, s.Height))) << Text(window);
    QThread::msleep(500);
    for (const auto& [code, quantity] : {std::pair{"3792008224652", "3"}, std::pair{"mo-4", "12"}}) {
        screen.Tool({"type", "--delay", "20", code});
        screen.Tool({"key", "Return"});
        // (the title's accent is left out: arguments reach xdotool in the
        // test's locale)
        ASSERT_FALSE(screen.WaitForWindow("Quantit.*", pad, 30000).isEmpty()) << "the keypad did not open";
        QThread::msleep(300);
        screen.Tool({"type", "--delay", "200", quantity});
        screen.Tool({"key", "Return"});
        for (int i = 0; i < 50 && screen.WindowShown("Quantit.*"); ++i) QThread::msleep(100);
    }
    QThread::msleep(500);
    const QString dir = QStringLiteral(TALLIVO_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    const QString png = dir + "/" + s.Name + ".png";
    const QImage shot = screen.Shot("root", png) ? QImage(png) : QImage();
    app.kill();
    app.waitForFinished(5000);
    ASSERT_FALSE(shot.isNull()) << "no screenshot";
    ASSERT_EQ(shot.size(), QSize(s.Width, s.Height));

    const double k = s.Scale;
    const double width = s.Width / k, height = s.Height / k;
    const bool oneRow = width >= 1024;
    // One row: the band is 134 high and its second panel follows the code
    // panel (20 + 283 + 3 + 3); two rows: 222 high, the tiles' panel below
    // the code panel (110 + 3 + 3).
    const double tilesLeft = oneRow ? 309 : 3;
    const double tilesTop = oneRow ? height - 134 + 3 : height - 222 + 116 + 3;
    const TTile bottom[] = {
        {"Recherche", qRgb(0x62, 0x69, 0x77), 17, 10, 138, 71},
        {"Quantité", qRgb(0x3C, 0x53, 0x88), 172, 10, 138, 71},
        {"Supprimer", qRgb(0xC4, 0x2D, 0x4A), 327, 10, 138, 71},
        {"Initialiser les données", qRgb(0x23, 0x84, 0xA0), 483, 10, 191, 71},
    };
    const QRect bandRegion(0, int((height - 222) * k), s.Width, s.Height);
    for (const TTile& t : bottom) {
        const QRect expected(int(std::lround((tilesLeft + t.Left) * k)),
                             int(std::lround((tilesTop + t.Top) * k)), int(std::lround(t.Width * k)),
                             int(std::lround(t.Height * k)));
        const QRect found = ColourExtent(shot, t.Colour, bandRegion);
        EXPECT_TRUE(Near(found, expected))
            << s.Name << " " << t.Caption << ": found " << Text(found) << ", expected " << Text(expected);
    }
    // "Exporter" in the header, right-aligned panel of 292.
    const QRect exporter(int(std::lround((width - 292 + 24) * k)), int(std::lround(17 * k)),
                         int(std::lround(103 * k)), int(std::lround(40 * k)));
    const QRect found = ColourExtent(shot, qRgb(0x72, 0x7A, 0x8B), QRect(0, 0, s.Width, int(81 * k)));
    EXPECT_TRUE(Near(found, exporter))
        << s.Name << " Exporter: found " << Text(found) << ", expected " << Text(exporter);
    // The demo landed in the counting folder of the entry, and the count with it.
    EXPECT_TRUE(QFile::exists(home.filePath("Tallivo/ARTICLE.XML")));
    EXPECT_TRUE(QFile::exists(home.filePath("Tallivo/COLLECTION.XML")));
}

INSTANTIATE_TEST_SUITE_P(Tills, KioskScreen, ::testing::ValuesIn(kScreens),
                         [](const ::testing::TestParamInfo<TScreen>& info) {
                             return std::string(info.param.Name);
                         });
