// The operator's column layout in a real X window: a title dragged and a
// column border widened with the mouse, then Quitter / Oui, are there again
// at the next start (on screen and in ART.GRD).
#include "RealDisplay.h"
#include "Workstation.h"
#include "grid/stream/ColumnsStream.h"

#include <QFile>
#include <QImage>
#include <QStandardPaths>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// Where the grid's client area starts in the main window: the grid lies
// under the 81-pixel header with a 20-pixel margin on the left, inside a
// 1-pixel border.
const QPoint kGridClient(21, 82);
// A point in the title row.
constexpr int kTitleY = 10;

class Workstation {
public:
    Workstation(const RealDisplay& display, const QString& dir, const QString& runtime) : FDisplay(display) {
        QProcessEnvironment env = display.Env();
        env.insert("XDG_RUNTIME_DIR", runtime);
        FApp.setProcessEnvironment(env);
        FApp.setWorkingDirectory(dir);
        FApp.start(QStringLiteral(TALLIVO_BINARY), {});
    }
    ~Workstation() {
        if (FApp.state() != QProcess::NotRunning) {
            FApp.kill();
            FApp.waitForFinished(3000);
        }
    }
    bool Shown() {
        if (!FApp.waitForStarted(5000) || !FDisplay.FindWindow("Tallivo-6", Id, At)) return false;
        QThread::msleep(700);
        return true;
    }
    // A point of the grid's client area, on the screen.
    QPoint Grid(int x, int y) const { return At + kGridClient + QPoint(x, y); }
    // Quitter, then Oui; true when the program ended by itself.
    bool Quit() {
        const QString width =
            FDisplay.Tool({"getwindowgeometry", "--shell", Id}).section("WIDTH=", 1).section('\n', 0, 0);
        FDisplay.Tap(At + QPoint(width.toInt() - 292 + 138 + 70, 15 + 21));
        QString messageId;
        QPoint messageAt;
        if (!FDisplay.FindWindow("Information", messageId, messageAt)) return false;
        QThread::msleep(300);
        FDisplay.Tap(messageAt + QPoint(230 + 53, 172 + 24));
        return FApp.waitForFinished(10000) && FApp.exitCode() == 0;
    }

    QString Id;
    QPoint At;

private:
    const RealDisplay& FDisplay;
    QProcess FApp;
};

std::string ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

// The x positions, in the grid's client area, of the vertical lines of the
// title row: light grey from its top to its bottom, between the darker
// gradient cells.
QList<int> TitleLines(const QImage& shot) {
    const auto grey = [&](int x, int y) {
        const QColor c = shot.pixelColor(kGridClient.x() + x, kGridClient.y() + y);
        return std::abs(c.red() - 0xC0) <= 8 && std::abs(c.green() - 0xC0) <= 8 &&
               std::abs(c.blue() - 0xC0) <= 8;
    };
    QList<int> lines;
    for (int x = 0; kGridClient.x() + x < shot.width(); ++x)
        if (grey(x, 1) && grey(x, kTitleY) && grey(x, 2 * kTitleY)) lines << x;
    return lines;
}

} // namespace

TEST(RealWindow, MovedAndWidenedColumnsComeBackAtTheNextStart) {
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
        QStandardPaths::findExecutable("xdotool").isEmpty() ||
        QStandardPaths::findExecutable("import").isEmpty())
        GTEST_SKIP() << "Xvfb, xdotool and import are needed";
    QTemporaryDir dir, runtime;
    WriteCatalogueFile(
        QDir(dir.path()).filePath("ARTICLE.XML"),
        {{"3760123450017", "Peinture blanche", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", "O"}});
    RealDisplay display;
    ASSERT_TRUE(display.Start()) << "no virtual display";
    const QString layout = QDir(dir.path()).filePath("ART.GRD");

    {
        Workstation first(display, dir.path(), runtime.path());
        ASSERT_TRUE(first.Shown()) << "the main window did not appear";
        const QString before = dir.filePath("before.png");
        ASSERT_TRUE(display.Shot(first.Id, before));
        // Designed: Article 544, Quantité 93, Prix Achat 132, Code article 292.
        EXPECT_EQ(TitleLines(QImage(before)).mid(0, 3), (QList<int>{544, 638, 771}));
        // "Quantité" dragged onto "Prix Achat": it goes before "Code article".
        display.Drag(first.Grid(545 + 46, kTitleY), first.Grid(639 + 66, kTitleY), 8, 30);
        // The border after "Article" pulled from 544 to 600.
        display.Drag(first.Grid(544, kTitleY), first.Grid(600, kTitleY), 8, 30);
        ASSERT_TRUE(first.Quit()) << "the workstation did not end";
    }
    const std::string saved = ReadAll(layout);
    TColumnsLayout read;
    ASSERT_NO_THROW(read = ReadColumnsLayout(saved)) << saved.size() << " bytes";
    QStringList fields;
    QList<int> widths;
    for (const TColumnRecord& c : read.Columns) {
        fields << c.FieldName.value_or(QString());
        widths << c.Width.value_or(-2);
    }
    EXPECT_EQ(fields, (QStringList{"NOM_ART", "PRIX_ACHAT", "QTE", "CODE_ART"}));
    EXPECT_EQ(widths, (QList<int>{600, 132, 93, 292}));
    EXPECT_EQ(WriteColumnsLayout(read), saved);

    {
        Workstation second(display, dir.path(), runtime.path());
        ASSERT_TRUE(second.Shown()) << "the main window did not appear again";
        const QString after = dir.filePath("after.png");
        ASSERT_TRUE(display.Shot(second.Id, after));
        EXPECT_EQ(TitleLines(QImage(after)).mid(0, 4), (QList<int>{600, 733, 827, 1120}));
        ASSERT_TRUE(second.Quit());
    }
    // Saved again unchanged: the grid held exactly what was read.
    EXPECT_EQ(ReadAll(layout), saved);
}
