// The grid's columns through the layout file: which attributes a column
// records, how records read back become columns (as assignments, fonts over
// the defaults, all or nothing), and the files.
#include "GridTestUtil.h"
#include "grid/stream/ColumnsStream.h"
#include "table/Packet.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

struct TBytes final : IPacketSink {
    std::string Bytes;
    void Put(const char* data, size_t size) override { Bytes.append(data, size); }
};

std::string Saved(const TDBGridColumns& columns) {
    TBytes sink;
    columns.SaveToStream(sink);
    return sink.Bytes;
}

// The records the columns write.
std::vector<TColumnRecord> Records(const TDBGridColumns& columns) {
    return ReadColumnsLayout(Saved(columns)).Columns;
}

// What a visible column that only names its field records.
TColumnRecord FieldOnly(const QString& field) {
    TColumnRecord r;
    r.Expanded = false;
    r.FieldName = field;
    r.Visible = true;
    return r;
}

QString FontText(const TFont& f) {
    return QStringLiteral("%1/%2/%3/%4/%5/%6/%7")
        .arg(f.Name())
        .arg(f.Height())
        .arg(f.Color())
        .arg(f.Style())
        .arg(f.Charset())
        .arg(int(f.Pitch()))
        .arg(f.Orientation());
}

// Everything a column shows or keeps, one line per column.
QStringList State(const TDBGridColumns& columns) {
    QStringList lines;
    for (int i = 0; i < columns.Count(); ++i) {
        const TColumn* c = columns[i];
        lines << QStringLiteral(
                     "%1 flags %2 width %3 color %4 align %5 ro %6 font %7 | %8 %9 %10 %11 | %12 %13 %14")
                     .arg(c->FieldName())
                     .arg(c->AssignedValues().Bits())
                     .arg(c->Width())
                     .arg(c->Color())
                     .arg(int(c->Alignment()))
                     .arg(c->ReadOnly())
                     .arg(FontText(c->Font()), c->Title().Caption())
                     .arg(c->Title().Color())
                     .arg(int(c->Title().Alignment()))
                     .arg(FontText(c->Title().Font()))
                     .arg(c->Visible())
                     .arg(c->Stored())
                     .arg(c->PickList().join(u','));
    }
    return lines;
}

} // namespace

TEST(ColumnsLayout, AColumnRecordsWhatIsAssignedAndDiffersFromItsDefault) {
    GridWindow w(3, 10, false);
    TDBGridColumns& cols = w.Grid->Columns();
    TColumn* name = cols[0];
    TColumn* code = cols[1];
    TColumn* price = cols[2];
    TColumn* category = cols[3];

    // As the window set them: caption, width, fonts.
    std::vector<TColumnRecord> r = Records(cols);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].FieldName, QStringLiteral("NOM_ART"));
    EXPECT_EQ(r[0].Expanded, false);
    EXPECT_EQ(r[0].Visible, true);
    EXPECT_EQ(r[0].TitleCaption, QStringLiteral("Article"));
    EXPECT_EQ(r[0].Width, 300);
    EXPECT_EQ(r[0].Font,
              (TFontRecord{DEFAULT_CHARSET, 4210752, -16, QStringLiteral("Segoe UI Semibold"), {}, {}, 0}));
    EXPECT_EQ(r[0].TitleFont.Color, clWhite);
    EXPECT_EQ(r[0].TitleFont.Height, -14);
    for (const auto& c : r) {
        EXPECT_FALSE(c.Color || c.Alignment || c.ReadOnly || c.TitleColor || c.TitleAlignment || c.ImeMode ||
                     c.ImeName || c.PickList || c.ButtonStyle || c.DropDownRows || c.PopupMenu);
    }

    // Assigned but equal to the default: not recorded.
    price->SetColor(clWhite);                                // the grid's colour
    price->SetAlignment(taRightJustify);                     // the field's
    price->SetReadOnly(false);                               // neither grid nor field is read-only
    price->Title().SetColor(w.Grid->FixedColor());           //
    price->Title().SetAlignment(taLeftJustify);              //
    price->Title().SetCaption(QStringLiteral("PRIX_ACHAT")); // the field's display name
    price->SetWidth(price->DefaultWidth());
    price->SetImeMode(w.Grid->ImeMode());
    r = Records(cols);
    TColumnRecord plain = FieldOnly(QStringLiteral("PRIX_ACHAT"));
    plain.Font = r[2].Font;
    plain.TitleFont = r[2].TitleFont;
    EXPECT_EQ(r[2], plain);

    // Assigned and different: recorded.
    price->SetColor(clYellow);
    price->SetAlignment(taCenter);
    price->SetReadOnly(true);
    price->Title().SetColor(clRed);
    price->Title().SetAlignment(taRightJustify);
    price->Title().SetCaption(QString()); // an empty caption is not the default
    price->SetImeMode(imHira);
    price->SetImeName(QStringLiteral("ime"));
    price->SetPickList({QStringLiteral("1"), QStringLiteral("2")});
    price->SetButtonStyle(cbsEllipsis);
    price->SetDropDownRows(3);
    r = Records(cols);
    EXPECT_EQ(r[2].Color, clYellow);
    EXPECT_EQ(r[2].Alignment, taCenter);
    EXPECT_EQ(r[2].ReadOnly, true);
    EXPECT_EQ(r[2].TitleColor, clRed);
    EXPECT_EQ(r[2].TitleAlignment, taRightJustify);
    EXPECT_EQ(r[2].TitleCaption, QString());
    EXPECT_EQ(r[2].ImeMode, int(imHira));
    EXPECT_EQ(r[2].ImeName, QStringLiteral("ime"));
    EXPECT_EQ(r[2].PickList, (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_EQ(r[2].ButtonStyle, int(cbsEllipsis));
    EXPECT_EQ(r[2].DropDownRows, 3);
    // A read-only grid makes "not read-only" the assignment worth recording.
    w.Grid->SetReadOnly(true);
    code->SetReadOnly(false);
    EXPECT_EQ(Records(cols)[1].ReadOnly, false);

    // Defaults: nothing but the field; a font with a pitch and orientation
    // records them.
    name->RestoreDefaults();
    name->Font().SetPitch(fpFixed);
    name->Font().SetOrientation(450);
    r = Records(cols);
    EXPECT_FALSE(r[0].TitleCaption || r[0].Width || !r[0].TitleFont.Empty());
    EXPECT_EQ(r[0].Font.Pitch, int(fpFixed));
    EXPECT_EQ(r[0].Font.Orientation, 450);
    // A hidden column records the width it reports.
    category->SetVisible(false);
    r = Records(cols);
    EXPECT_EQ(r[3].Width, -1);
    EXPECT_EQ(r[3].Visible, false);

    // The grid's own columns record their field alone.
    cols.Clear();
    r = Records(cols);
    ASSERT_EQ(int(r.size()), w.Table.Fields().Count());
    EXPECT_EQ(r[1], FieldOnly(w.Table.Fields()[1]->FieldName()));
}

TEST(ColumnsLayout, ReadingBackGivesTheSameColumns) {
    GridWindow w(3, 10, true);
    TDBGridColumns& cols = w.Grid->Columns();
    cols[2]->SetReadOnly(true);
    cols[2]->SetAlignment(taCenter);
    cols[1]->Title().SetColor(clWhite);
    cols[1]->Title().SetCaption(QStringLiteral("Quantité"));
    cols[3]->SetVisible(false);
    cols[3]->RestoreDefaults(); // a hidden column records no width of its own
    cols[0]->SetPickList({QStringLiteral("a")});
    // The user's moves and sizes.
    cols[1]->SetIndex(2);
    w.Grid->SetColWidths(0, 420);
    const QStringList before = State(cols);
    const std::string bytes = Saved(cols);

    cols.Clear();
    w.AddColumn("CODE_ART", "Code", 10);
    ASSERT_NE(State(cols), before);
    cols.LoadFromStream(bytes);
    EXPECT_EQ(State(cols), before);
    EXPECT_EQ(cols.State(), csCustomized);
    EXPECT_EQ(w.Grid->ColWidths(0), 420) << "the grid lays the read columns out";
    EXPECT_EQ(Saved(cols), bytes);
}

TEST(ColumnsLayout, RecordsReadBackAreAssignmentsOverTheDefaults) {
    GridWindow w(3, 10, false);
    TDBGridColumns& cols = w.Grid->Columns();
    // A font record changes that attribute of the default font, and assigns it.
    TColumnRecord c;
    c.FieldName = QStringLiteral("PRIX_ACHAT");
    c.Font.Height = -30;
    c.TitleFont.Color = clRed;
    cols.LoadFromStream(WriteColumnsLayout({{}, 0, {c}}));
    ASSERT_EQ(cols.Count(), 1);
    TFont expected = w.Grid->Font();
    expected.SetHeight(-30);
    EXPECT_EQ(cols[0]->Font(), expected);
    TFont title = w.Grid->TitleFont();
    title.SetColor(clRed);
    EXPECT_EQ(cols[0]->Title().Font(), title);
    EXPECT_EQ(cols[0]->AssignedValues(), (TColumnValues{cvFont, cvTitleFont}));
    // ... and stays assigned when the grid font changes.
    w.Grid->Font().SetName(QStringLiteral("Arial"));
    EXPECT_EQ(cols[0]->Font().Name(), expected.Name());

    // A width equal to the default at that moment leaves the column
    // following its default; another width is assigned.
    TColumnRecord d;
    d.FieldName = QStringLiteral("CODE_ART");
    cols.LoadFromStream(WriteColumnsLayout({{}, 0, {d}}));
    const int natural = cols[0]->DefaultWidth();
    d.Width = natural;
    TColumnRecord e = d;
    e.Width = natural + 7;
    cols.LoadFromStream(WriteColumnsLayout({{}, 0, {d, e}}));
    EXPECT_FALSE(cols[0]->AssignedValues().Contains(cvWidth));
    EXPECT_EQ(cols[1]->AssignedValues(), TColumnValues{cvWidth});
    EXPECT_EQ(cols[1]->Width(), natural + 7);

    // A field the table does not have: the column stays, showing its name.
    TColumnRecord missing;
    missing.FieldName = QStringLiteral("REMISE");
    cols.LoadFromStream(WriteColumnsLayout({{}, 0, {missing}}));
    ASSERT_EQ(cols.Count(), 1);
    EXPECT_EQ(cols[0]->Field(), nullptr);
    EXPECT_EQ(cols[0]->Title().Caption(), QStringLiteral("REMISE"));

    // No columns at all: one column per field of the table.
    cols.LoadFromStream(WriteColumnsLayout({}));
    EXPECT_EQ(cols.State(), csDefault);
    ASSERT_EQ(cols.Count(), w.Table.Fields().Count());
    for (int i = 0; i < cols.Count(); ++i) EXPECT_EQ(cols[i]->Field(), w.Table.Fields()[i]);
}

TEST(ColumnsLayout, AFailedReadLeavesTheColumnsExactlyAsTheyWere) {
    GridWindow w(3, 10, true);
    TDBGridColumns& cols = w.Grid->Columns();
    const QStringList designed = State(cols);
    const std::vector<int> widths = {w.Grid->ColWidths(0), w.Grid->ColWidths(1), w.Grid->ColWidths(2)};
    // Another layout, cut at every length; then whole but with a bad record
    // in its last column.
    TColumnRecord a, b;
    a.FieldName = QStringLiteral("CODE_ART");
    a.Width = 10;
    b.FieldName = QStringLiteral("NOM_ART");
    b.TitleCaption = QStringLiteral("Désignation");
    const std::string other = WriteColumnsLayout({{}, 0, {a, b}});
    for (std::size_t n = 0; n < other.size(); ++n) {
        EXPECT_THROW(cols.LoadFromStream(std::string_view(other).substr(0, n)), EColumnsStreamError) << n;
        ASSERT_EQ(State(cols), designed) << n;
    }
    const std::string bad =
        other.substr(0, other.size() - 4) + "\x04Hint\x02\x01" + other.substr(other.size() - 4);
    try {
        cols.LoadFromStream(bad);
        ADD_FAILURE() << "read";
    } catch (const EColumnsStreamError& e) {
        EXPECT_EQ(
            e.Message(),
            QStringLiteral("Erreur lors de la lecture de TColumn.Hint: La propriété Hint n'existe pas"));
    }
    EXPECT_EQ(State(cols), designed);
    EXPECT_EQ(widths, (std::vector<int>{w.Grid->ColWidths(0), w.Grid->ColWidths(1), w.Grid->ColWidths(2)}));
}

TEST(ColumnsLayout, Files) {
    GridWindow w(3, 10, false);
    TDBGridColumns& cols = w.Grid->Columns();
    QTemporaryDir dir;
    const QString path = dir.filePath("ART.GRD");
    cols.SaveToFile(path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), Saved(cols));
    f.close();
    const QStringList before = State(cols);
    cols[0]->SetWidth(11);
    cols.LoadFromFile(path);
    EXPECT_EQ(State(cols), before);

    // A file that cannot be opened or read: the system's reason, columns unchanged.
    cols[0]->SetWidth(11);
    const QStringList changed = State(cols);
    for (const QString& name : {QStringLiteral("MISSING.GRD"), QStringLiteral("FOLDER")}) {
        ASSERT_TRUE(QDir(dir.path()).mkpath("FOLDER"));
        try {
            cols.LoadFromFile(dir.filePath(name));
            ADD_FAILURE() << "read " << name.toStdString();
        } catch (const EFOpenError& e) {
            EXPECT_TRUE(e.Message().startsWith(
                QStringLiteral("Impossible d'ouvrir le fichier \"%1\". ").arg(dir.filePath(name))))
                << e.Message().toStdString();
            EXPECT_GT(
                e.Message().size(),
                QStringLiteral("Impossible d'ouvrir le fichier \"%1\". ").arg(dir.filePath(name)).size());
        }
        EXPECT_EQ(State(cols), changed);
    }

    // A file that cannot be written: the error, and nothing left behind.
    EXPECT_THROW(cols.SaveToFile(dir.filePath("NO/ART.GRD")), EFCreateError);
    EXPECT_THROW(cols.SaveToFile(dir.filePath("FOLDER")), Exception);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("ART.GRD"), QStringLiteral("FOLDER")}));
    EXPECT_TRUE(QDir(dir.filePath("FOLDER")).isEmpty());
}
