// The operator's column layout in a real X window: a title dragged and a
// column border widened with the mouse, then Quitter / Oui, are there again
// at the next start (on screen and in ART.GRD).
#include "RealDisplay.h"
#include "Workstation.h"
#include "grid/stream/ColumnsStream.h"

#include <QFile>
#include <QImage>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// Where the grid's client area starts in the main window: the grid lies
// under the 81-pixel header with a 20-pixel margin on the left, inside a
// 1-pixel border.
const QPoint kGridClient(21, 82);
// A point in the title row.
constexpr int kTitleY = 10;

// A point of the grid's client area, on the screen.
QPoint Grid(const RealWorkstation& app, int x, int y) {
    return app.At + kGridClient + QPoint(x, y);
}

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

TEST_F(RealWindow, MovedAndWidenedColumnsComeBackAtTheNextStart) {
    if (!MissingProgram({"import"}).isEmpty()) GTEST_SKIP() << "import is needed";
    WriteCatalogueFile(FDir.filePath("ARTICLE.XML"), {{"3760123450017", "Peinture blanche", "PEINTURE", 24.9,
                                                       "PB25", 12.5, "Couleurs SA", "O"}});
    const QString layout = FDir.filePath("ART.GRD");

    {
        RealWorkstation first(FDisplay, FDir.path());
        ASSERT_TRUE(first.Shown()) << "the main window did not appear: " << first.Why();
        const QString before = FDir.filePath("before.png");
        ASSERT_TRUE(FDisplay.Shot(first.Id, before));
        // Designed: Article 544, Quantité 93, Prix Achat 132, Code article 292.
        EXPECT_EQ(TitleLines(QImage(before)).mid(0, 3), (QList<int>{544, 638, 771}));
        // "Quantité" dragged onto "Prix Achat": it goes before "Code article".
        FDisplay.Drag(Grid(first, 545 + 46, kTitleY), Grid(first, 639 + 66, kTitleY), 8, 30);
        // The border after "Article" pulled from 544 to 600.
        FDisplay.Drag(Grid(first, 544, kTitleY), Grid(first, 600, kTitleY), 8, 30);
        ASSERT_EQ(first.Quit(), "");
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
        RealWorkstation second(FDisplay, FDir.path());
        ASSERT_TRUE(second.Shown()) << "the main window did not appear again: " << second.Why();
        const QString after = FDir.filePath("after.png");
        ASSERT_TRUE(FDisplay.Shot(second.Id, after));
        EXPECT_EQ(TitleLines(QImage(after)).mid(0, 4), (QList<int>{600, 733, 827, 1120}));
        ASSERT_EQ(second.Quit(), "");
    }
    // Saved again unchanged: the grid held exactly what was read.
    EXPECT_EQ(ReadAll(layout), saved);
}
