// The main grid's column layout in ART.GRD: written at close as the window
// designs it, read back at start with the operator's moves and widths, and
// any trouble with the file ignored on both sides.
#include "Workstation.h"

#include <QFile>

using namespace tallivo;
using namespace tallivo::test;

namespace {

class GridLayout : public WorkstationTest {
protected:
    // Columns as the grid shows them: field, caption, width, fonts, flags.
    QStringList Shown() {
        QStringList lines;
        const TDBGridColumns& cols = Form().DBGrid1->Columns();
        for (int i = 0; i < cols.Count(); ++i) {
            const TColumn* c = cols[i];
            lines << QStringLiteral("%1 %2 %3 %4/%5/%6 %7/%8/%9 ro%10 flags%11")
                         .arg(c->FieldName(), c->Title().Caption())
                         .arg(c->Width())
                         .arg(c->Font().Name())
                         .arg(c->Font().Height())
                         .arg(c->Font().Color())
                         .arg(c->Title().Font().Name())
                         .arg(c->Title().Font().Height())
                         .arg(c->Title().Color())
                         .arg(c->ReadOnly())
                         .arg(c->AssignedValues().Bits());
        }
        return lines;
    }
    void WriteFile(const QString& name, const QByteArray& bytes) {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

QByteArray Short(const QByteArray& s) {
    return char(s.size()) + s;
}
QByteArray Ident(const QByteArray& s) {
    return "\x07" + Short(s);
}

// One designed column as the window writes it.
QByteArray DesignedColumn(const char* field, const QByteArray& caption, const QByteArray& fontColour,
                          const QByteArray& width, bool readOnly, bool whiteTitle) {
    QByteArray b = "\x01";
    b += Short("Expanded") + "\x08";
    b += Short("FieldName") + "\x06" + Short(field);
    b += Short("Font.Charset") + Ident("ANSI_CHARSET");
    b += Short("Font.Color") + fontColour;
    b += Short("Font.Height") + QByteArray::fromHex("02E5"); // -27
    b += Short("Font.Name") + "\x06" + Short("Segoe UI Semibold");
    b += Short("Font.Style") + QByteArray::fromHex("0B00");
    if (readOnly) b += Short("ReadOnly") + "\x09";
    b += Short("Title.Caption") + caption;
    if (whiteTitle) b += Short("Title.Color") + Ident("clWhite");
    b += Short("Title.Font.Charset") + Ident("ANSI_CHARSET");
    b += Short("Title.Font.Color") + Ident("clWhite");
    b += Short("Title.Font.Height") + QByteArray::fromHex("02ED"); // -19
    b += Short("Title.Font.Name") + "\x06" + Short("Segoe UI Semilight");
    b += Short("Title.Font.Style") + QByteArray::fromHex("0B00");
    b += Short("Width") + width;
    b += Short("Visible") + "\x09";
    return b + '\0';
}

QByteArray DesignedLayout() {
    const QByteArray grey = QByteArray::fromHex("0440404000"); // 4210752
    return "TPF0" + Short("TColumnsWrapper") + '\0' + Short("Columns") + "\x0E" +
           DesignedColumn("NOM_ART", "\x06" + Short("Article"), grey, QByteArray::fromHex("032002"), true,
                          true) +
           DesignedColumn("QTE", QByteArray::fromHex("14090000005175616E746974C3A9"),
                          QByteArray::fromHex("03B000"), QByteArray::fromHex("025D"), true, true) +
           DesignedColumn("PRIX_ACHAT", "\x06" + Short("Prix Achat"), grey, QByteArray::fromHex("038400"),
                          false, false) +
           DesignedColumn("CODE_ART", "\x06" + Short("Code article"), grey, QByteArray::fromHex("032401"),
                          true, true) +
           QByteArray(3, '\0');
}

} // namespace

TEST_F(GridLayout, ClosingWritesTheDesignedColumnsByteForByte) {
    WriteDefaultCatalogue();
    Start();
    EXPECT_FALSE(QFile::exists(Path("ART.GRD")));
    const QStringList designed = Shown();
    CloseWindow();
    EXPECT_EQ(ReadFile("ART.GRD"), DesignedLayout());
    // Read back at the next start, the grid is as designed.
    FForm.reset();
    Start();
    EXPECT_EQ(Shown(), designed);
    EXPECT_TRUE(FErrors->Boxes().empty());
}

TEST_F(GridLayout, ARestartShowsTheMovedAndResizedColumns) {
    WriteDefaultCatalogue();
    Start();
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "2"); });
    // "Quantité" dragged before "Code article", "Article" widened.
    Form().DBGrid1->Columns()[1]->SetIndex(2);
    Form().DBGrid1->SetColWidths(0, 600);
    const QStringList moved = Shown();
    ASSERT_EQ(moved[2].section(u' ', 0, 0), QStringLiteral("QTE"));
    CloseWindow();
    FForm.reset();

    Start();
    EXPECT_EQ(Shown(), moved);
    EXPECT_EQ(Form().DBGrid1->ColWidths(0), 600);
    EXPECT_EQ(QuantityOf("ABC"), 2);
    EXPECT_TRUE(FErrors->Boxes().empty());
}

TEST_F(GridLayout, ALayoutFileThatDoesNotReadIsIgnoredAtStart) {
    WriteDefaultCatalogue();
    Start();
    const QStringList designed = Shown();
    CloseWindow();
    FForm.reset();
    const QByteArray valid = DesignedLayout();
    // Another program's file, a cut file, a file with a record of another
    // version: the designed columns, no message, and the close writes them.
    for (const QByteArray& bytes :
         {QByteArray("<?xml version=\"1.0\"?>"), valid.left(valid.size() / 2),
          valid.left(valid.size() - 4) + Short("Hint") + "\x06" + Short("x") + valid.right(4)}) {
        WriteFile("ART.GRD", bytes);
        Start();
        EXPECT_EQ(Shown(), designed);
        CloseWindow();
        FForm.reset();
        EXPECT_EQ(ReadFile("ART.GRD"), valid);
    }
    EXPECT_TRUE(FErrors->Boxes().empty());
    EXPECT_TRUE(FMessages.empty());
}

TEST_F(GridLayout, ALayoutThatCannotBeSavedDoesNotStopTheClose) {
    WriteDefaultCatalogue();
    Start();
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "3"); });
    // A folder where the file should go.
    ASSERT_TRUE(QDir(FDir.path()).mkdir("ART.GRD"));
    CloseWindow();
    EXPECT_FALSE(Form().isVisible());
    EXPECT_EQ(CollectionTable, nullptr);
    EXPECT_TRUE(ReadFile("COLLECTION.XML").contains("QTE=\"3\""));
    EXPECT_TRUE(FErrors->Boxes().empty());
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files),
              (QStringList{"ARTICLE.XML", "COLLECTION.XML", "JOURNAL.DAT", "POSTE.ID"}));
}

TEST_F(GridLayout, AStartStoppedByADataFileErrorKeepsTheSavedLayout) {
    WriteDefaultCatalogue();
    Start();
    Form().DBGrid1->Columns()[3]->SetIndex(0);
    CloseWindow();
    FForm.reset();
    const QByteArray operatorLayout = ReadFile("ART.GRD");
    ASSERT_NE(operatorLayout, DesignedLayout());
    // An unreadable collection stops the start before the layout is read:
    // the grid shows the designed columns, and closing leaves the file.
    WriteFile("COLLECTION.XML", "<?xml version=\"1.0\"?><DATAPACKET");
    Start();
    ASSERT_EQ(FErrors->Boxes().size(), 1u);
    EXPECT_EQ(Form().DBGrid1->Columns()[0]->FieldName(), QStringLiteral("NOM_ART"));
    CloseWindow();
    EXPECT_EQ(ReadFile("ART.GRD"), operatorLayout);
    FForm.reset();
    // Once the collection reads, the operator's layout is back.
    ASSERT_TRUE(QFile::remove(Path("COLLECTION.XML")));
    Start();
    EXPECT_EQ(Form().DBGrid1->Columns()[0]->FieldName(), QStringLiteral("CODE_ART"));
}
