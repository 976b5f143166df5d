// Swipes over the collection grid of the workstation in a real X window,
// drawn with xdotool: the highlighted line moves as the swipe actions say,
// and the line left current (like a tapped one) is the one the code field
// receives, seen through the quantity then keyed for it.
#include "RealDisplay.h"
#include "Workstation.h"

#include <QThread>
#include <map>
#include <string>

using namespace tallivo;
using namespace tallivo::test;

namespace {

QString Code(int line) {
    return QString("L%1").arg(line, 2, 10, QChar(u'0'));
}

void WriteCollection(const QString& path, int lines) {
    TClientDataSet table;
    table.FieldDefs().Add("CODE_ART", ftString, 25);
    table.FieldDefs().Add("NOM_ART", ftString, 50);
    table.FieldDefs().Add("CATEGORIE", ftString, 25);
    table.FieldDefs().Add("QTE", ftFloat);
    table.FieldDefs().Add("PRIX_ACHAT", ftFloat);
    table.FieldDefs().Add("GERE_STOCK", ftString, 1);
    table.CreateDataSet();
    for (int i = 1; i <= lines; ++i) {
        table.Append();
        table.FieldByName("CODE_ART").SetAsString(Code(i));
        table.FieldByName("NOM_ART").SetAsString(QString("Ligne %1").arg(i));
        table.FieldByName("CATEGORIE").SetAsString("CAT");
        table.FieldByName("QTE").SetAsFloat(1);
        table.FieldByName("PRIX_ACHAT").SetAsFloat(2.5);
        table.FieldByName("GERE_STOCK").SetAsString("O");
        table.Post();
    }
    table.SaveToFile(path, dfXML);
}

bool Is(const QImage& shot, int x, int y, QRgb rgb) {
    return x >= 0 && y >= 0 && x < shot.width() && y < shot.height() && (shot.pixel(x, y) & 0xFFFFFF) == rgb;
}

// The vertical centres of the grid's data rows, found down the blank end of
// the first column: the title row ends with a line of 0xC0C0C0, each data
// row with a line of 0xF0F0F0.
std::vector<int> RowCentres(const QImage& shot, int x, int top, int bottom) {
    std::vector<int> centres;
    int start = -1;
    for (int y = top; y < bottom; ++y) {
        if (start < 0) {
            if (Is(shot, x, y, 0xC0C0C0)) start = y + 1;
        } else if (Is(shot, x, y, 0xF0F0F0)) {
            centres.push_back((start + y - 1) / 2);
            start = y + 1;
        }
    }
    return centres;
}

// The row (from 1) painted in the selection colour 0x00D5AA00 (RGB 00 AA D5), 0 when none.
int HighlightedRow(const QImage& shot, int x, const std::vector<int>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (Is(shot, x, rows[i], 0x00AAD5)) return int(i) + 1;
    return 0;
}

} // namespace

TEST_F(RealWindow, SwipesMoveTheCurrentLineAndATapStillCopiesItsCode) {
    if (!MissingProgram({"import"}).isEmpty()) GTEST_SKIP() << "import is needed";
    std::vector<TArticle> catalogue;
    for (int i = 1; i <= 40; ++i)
        catalogue.push_back({Code(i), QString("Ligne %1").arg(i), "CAT", 3, "", 2.5, "", "O"});
    WriteCatalogueFile(FDir.filePath("ARTICLE.XML"), catalogue);
    WriteCollection(FDir.filePath("COLLECTION.XML"), 40);
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << "the main window did not appear: " << app.Why();
    const QPoint mainAt = app.At;
    const int height = app.Size.height();
    ASSERT_GE(app.Size.width(), 1024) << "one row of commands under the grid";

    // The grid: 20 pixels in from the left, under the 81-pixel header, above
    // the 134-pixel command band and its 20-pixel margin. Column 0 is 544 wide.
    const int blankX = mainAt.x() + 20 + 1 + 500, pointX = mainAt.x() + 20 + 300;
    const int top = mainAt.y() + 81, bottom = mainAt.y() + height - 134 - 20;
    QImage shot = FDisplay.Screenshot();
    ASSERT_FALSE(shot.isNull()) << "no screenshot";
    const std::vector<int> rows = RowCentres(shot, blankX, top, bottom);
    const int visible = int(rows.size());
    ASSERT_GE(visible, 5);
    ASSERT_LT(visible + 15, 40);
    EXPECT_EQ(HighlightedRow(shot, blankX, rows), 1);
    const auto onRow = [&](int row, int dy = 0) { return QPoint(pointX, rows[std::size_t(row - 1)] + dy); };
    // A swipe's movement lets input in between its steps: wait until the
    // grid stops changing before the next tap.
    const QRect gridArea(mainAt.x() + 20, top, 1000, bottom - top);
    const auto settled = [&] {
        QImage before = FDisplay.Screenshot().copy(gridArea);
        for (int i = 0; i < 40; ++i) {
            QThread::msleep(150);
            QImage now = FDisplay.Screenshot();
            if (now.copy(gridArea) == before) return now;
            before = now.copy(gridArea);
        }
        ADD_FAILURE() << "the grid kept moving";
        return QImage();
    };

    // "Quantité" for the line whose code is in the code field, keys, then "Ok".
    const auto keyQuantity = [&](const std::string& keys) {
        FDisplay.Tap(mainAt + QPoint(20 + 283 + 3 + 3 + 172 + 69, height - 134 + 3 + 10 + 35));
        QString padId;
        QPoint padAt;
        ASSERT_TRUE(FDisplay.FindWindow("Quantité", padId, padAt)) << "the keypad did not open";
        QThread::msleep(300);
        for (const char k : keys + 'K') FDisplay.Tap(padAt + KeypadTile(k));
        QThread::msleep(300);
    };

    // The quantity command finds its line again, which may slide the lines
    // shown: the first line shown follows from the row where that line is.
    const auto firstShownWith = [&](int line) {
        const int row = HighlightedRow(settled(), blankX, rows);
        EXPECT_GE(row, 1);
        return line - row + 1;
    };

    // A tap on line 3 copies its code.
    FDisplay.Tap(onRow(3));
    keyQuantity("2");
    int firstShown = firstShownWith(3);
    // Swipe up from the last-but-one row: to the last line shown, then fifteen down.
    FDisplay.Drag(onRow(visible - 1), onRow(1, -10));
    shot = settled();
    EXPECT_EQ(HighlightedRow(shot, blankX, rows), visible) << "the current line ends on the last row";
    const int upLine = std::min(40, firstShown + visible - 1 + 15);
    keyQuantity("5");
    firstShown = firstShownWith(upLine);
    // Swipe down from the second row: to the first line shown, then fifteen up.
    FDisplay.Drag(onRow(2), onRow(visible));
    shot = settled();
    EXPECT_EQ(HighlightedRow(shot, blankX, rows), 1);
    const int downLine = std::max(1, firstShown - 15);
    ASSERT_NE(downLine, 3);
    ASSERT_NE(downLine, upLine);
    keyQuantity("25");

    ASSERT_EQ(app.Quit(), "");

    TClientDataSet saved;
    saved.LoadFromFile(FDir.filePath("COLLECTION.XML"));
    std::map<QString, double> quantities;
    for (saved.First(); !saved.Eof(); saved.Next())
        quantities[saved.FieldByName("CODE_ART").AsString()] = saved.FieldByName("QTE").AsFloat();
    ASSERT_EQ(quantities.size(), 40u);
    EXPECT_EQ(quantities[Code(3)], 2) << "the tapped line";
    EXPECT_EQ(quantities[Code(upLine)], 5) << "the line the swipe up left current";
    EXPECT_EQ(quantities[Code(downLine)], 25) << "the line the swipe down left current";
    int untouched = 0;
    for (const auto& [code, quantity] : quantities) untouched += quantity == 1;
    EXPECT_EQ(untouched, 37);
}
