// The layout reader: what it accepts (every value form, any record order),
// each refusal with its message and offset, truncated and hostile streams,
// and round trips through the writer.
#include "StreamBytes.h"
#include "grid/stream/ColumnsStream.h"

#include <gtest/gtest.h>

#include <random>

using namespace tallivo;
using namespace tallivo::test;

namespace {

struct TRefusal {
    QString Message;
    std::uint64_t Offset = 0;
};

// The error reading bytes raises; fails the test when they read.
TRefusal Refusal(const std::string& bytes) {
    try {
        ReadColumnsLayout(bytes);
    } catch (const EColumnsStreamError& e) {
        return {e.Message(), e.Offset()};
    }
    ADD_FAILURE() << "the stream was read";
    return {};
}

// The one column of a stream holding exactly these records.
TColumnRecord ReadOne(const std::string& records) {
    const TColumnsLayout layout = ReadColumnsLayout(OneColumn(records));
    EXPECT_EQ(layout.Columns.size(), 1u);
    return layout.Columns.empty() ? TColumnRecord() : layout.Columns[0];
}

std::string Ident(const char* name) {
    return "\x07" + Short(name);
}

// The main window's first column as it saves it.
TColumnRecord ArticleColumn() {
    TColumnRecord c;
    c.Expanded = false;
    c.FieldName = QStringLiteral("NOM_ART");
    c.Font = {0, 4210752, -27, QStringLiteral("Segoe UI Semibold"), {}, {}, 0};
    c.ReadOnly = true;
    c.TitleCaption = QStringLiteral("Article");
    c.TitleColor = clWhite;
    c.TitleFont = {0, clWhite, -19, QStringLiteral("Segoe UI Semilight"), {}, {}, 0};
    c.Width = 544;
    c.Visible = true;
    return c;
}

} // namespace

TEST(LayoutReader, ReadsWhatTheWriterWrites) {
    TColumnRecord quantity = ArticleColumn();
    quantity.FieldName = QStringLiteral("QTE");
    quantity.TitleCaption = QStringLiteral("Quantité");
    quantity.Font.Color = 176;
    quantity.Width = 93;
    const TColumnsLayout layout{{}, 0, {ArticleColumn(), quantity, TColumnRecord()}};
    EXPECT_EQ(ReadColumnsLayout(WriteColumnsLayout(layout)), layout);
    EXPECT_TRUE(ReadColumnsLayout(WriteColumnsLayout({})).Columns.empty());
}

TEST(LayoutReader, RandomLayoutsComeBackEqual) {
    std::mt19937 rng(13);
    const auto chance = [&] { return rng() % 3 == 0; };
    const auto integer = [&] {
        switch (rng() % 4) {
        case 0:
            return int(rng() % 256) - 128;
        case 1:
            return int(rng() % 65536) - 32768;
        default:
            return int(rng());
        }
    };
    const QStringList others = {QStringLiteral("Z"),  QStringLiteral(" "),
                                QStringLiteral("é"),  QStringLiteral("€"),
                                QStringLiteral("日"), QStringLiteral("\t"),
                                QStringLiteral("\\"), QString::fromUtf8("\xF0\x9F\x98\x80")};
    const auto text = [&] {
        QString s;
        const int n = rng() % 4 == 0 ? int(rng() % 400) : int(rng() % 12);
        // ASCII most of the time, so that every string form occurs.
        for (int i = 0; i < n; ++i)
            s += rng() % 5 ? QString(QChar(u'a' + char16_t(rng() % 26))) : others[int(rng() % others.size())];
        return s;
    };
    const auto font = [&] {
        TFontRecord f;
        if (chance()) f.Charset = int(rng() % 256);
        if (chance()) f.Color = integer();
        if (chance()) f.Height = integer();
        if (chance()) f.Name = text();
        if (chance()) f.Orientation = integer();
        if (chance()) f.Pitch = int(rng() % 3);
        if (chance()) f.Style = std::uint8_t(rng() % 16);
        return f;
    };
    for (int round = 0; round < 300; ++round) {
        TColumnsLayout layout;
        layout.Tag = chance() ? integer() : 0;
        const int columns = int(rng() % 5);
        for (int i = 0; i < columns; ++i) {
            TColumnRecord c;
            if (chance()) c.Alignment = TAlignment(rng() % 3);
            if (chance()) c.ButtonStyle = int(rng() % 3);
            if (chance()) c.Color = integer();
            if (chance()) c.DropDownRows = integer();
            if (chance()) c.Expanded = bool(rng() % 2);
            if (chance()) c.FieldName = text();
            c.Font = font();
            if (chance()) c.ImeMode = int(rng() % 12);
            if (chance()) c.ImeName = text();
            if (chance()) c.PickList = QStringList{text(), text()};
            if (chance()) c.ReadOnly = bool(rng() % 2);
            if (chance()) c.TitleAlignment = TAlignment(rng() % 3);
            if (chance()) c.TitleCaption = text();
            if (chance()) c.TitleColor = integer();
            c.TitleFont = font();
            if (chance()) c.Width = integer();
            if (chance()) c.Visible = bool(rng() % 2);
            layout.Columns.push_back(c);
        }
        const std::string bytes = WriteColumnsLayout(layout);
        const TColumnsLayout back = ReadColumnsLayout(bytes);
        ASSERT_EQ(back, layout) << "round " << round;
        ASSERT_EQ(WriteColumnsLayout(back), bytes) << "round " << round;
    }
}

TEST(LayoutReader, AcceptsEveryFormOfAValue) {
    // Colours and character sets by name in any case, or as integers of any size.
    TColumnRecord c =
        ReadOne(Short("Color") + Ident("CLWHITE") + Short("Font.Color") + Hex("04 B0 00 00 00") +
                Short("Title.Color") + Hex("02 05") + Short("Title.Font.Color") + Ident("clwindowtext") +
                Short("Font.Charset") + Ident("oem_charset") + Short("Title.Font.Charset") + Hex("03 A1 00"));
    EXPECT_EQ(c.Color, clWhite);
    EXPECT_EQ(c.Font.Color, 176);
    EXPECT_EQ(c.TitleColor, 5);
    EXPECT_EQ(c.TitleFont.Color, clWindowText);
    EXPECT_EQ(c.Font.Charset, 255);
    EXPECT_EQ(c.TitleFont.Charset, 161);

    // Booleans and enumerations by identifier, in any case.
    c = ReadOne(Short("Visible") + Ident("true") + Short("ReadOnly") + Hex("08") + Short("Expanded") +
                Ident("FALSE") + Short("Alignment") + Ident("TACENTER") + Short("Title.Alignment") +
                Ident("taRightJustify") + Short("ImeMode") + Ident("imKata") + Short("ButtonStyle") +
                Ident("cbsNone") + Short("Font.Pitch") + Ident("fpFixed") + Short("Font.Style") + "\x0B" +
                Short("FSBOLD") + Short("fsUnderline") + '\0');
    EXPECT_EQ(c.Visible, true);
    EXPECT_EQ(c.ReadOnly, false);
    EXPECT_EQ(c.Expanded, false);
    EXPECT_EQ(c.Alignment, taCenter);
    EXPECT_EQ(c.TitleAlignment, taRightJustify);
    EXPECT_EQ(c.ImeMode, 8);
    EXPECT_EQ(c.ButtonStyle, 2);
    EXPECT_EQ(c.Font.Pitch, 2);
    EXPECT_EQ(c.Font.Style, 1 | 4);

    // Strings in each form: short and long ones in the ANSI code page,
    // UTF-16 and UTF-8.
    c = ReadOne(Short("FieldName") + "\x06" + Short("Cr\xE8me") + Short("Title.Caption") +
                Hex("0C 03 00 00 00") + "\x80\x81z" + Short("Font.Name") + Hex("12 02 00 00 00 E5 65 2C 67") +
                Short("ImeName") + Hex("14 02 00 00 00 C3 A9") + Short("Title.Font.Name") +
                Hex("12 00 00 00 00"));
    EXPECT_EQ(c.FieldName, QStringLiteral("Crème"));
    EXPECT_EQ(c.TitleCaption, QStringLiteral("€") + QChar(0x81) + u'z');
    EXPECT_EQ(c.Font.Name, QStringLiteral("日本"));
    EXPECT_EQ(c.ImeName, QStringLiteral("é"));
    EXPECT_EQ(c.TitleFont.Name, QString());

    // A size in points becomes the character height at 96 dots per inch.
    EXPECT_EQ(ReadOne(Short("Font.Size") + Hex("02 14")).Font.Height, -27);
    EXPECT_EQ(ReadOne(Short("Font.Size") + Hex("02 09")).Font.Height, -12);
    EXPECT_EQ(ReadOne(Short("Font.Size") + Hex("02 F7")).Font.Height, 12);

    // Pick lists, pop-up menus by name or none.
    c = ReadOne(Short("PickList.Strings") + "\x01\x06" + Short("un") + Hex("14 01 00 00 00 41") + '\0' +
                Short("PopupMenu") + Ident("Menu1"));
    EXPECT_EQ(c.PickList, (QStringList{QStringLiteral("un"), QStringLiteral("A")}));
    EXPECT_EQ(c.PopupMenu, QStringLiteral("Menu1"));
    EXPECT_EQ(ReadOne(Short("PopupMenu") + Hex("0D")).PopupMenu, QString());
}

TEST(LayoutReader, RecordsInAnyOrderNamesInAnyCase) {
    const TColumnRecord c = ReadOne(Short("visible") + Hex("09") + Short("WIDTH") + Hex("02 10") +
                                    Short("title.caption") + "\x06" + Short("x") + Short("fieldname") +
                                    "\x06" + Short("A") + Short("Width") + Hex("02 20"));
    EXPECT_EQ(c.Visible, true);
    EXPECT_EQ(c.Width, 32); // the last of a repeated record
    EXPECT_EQ(c.TitleCaption, QStringLiteral("x"));
    EXPECT_EQ(c.FieldName, QStringLiteral("A"));
}

TEST(LayoutReader, RootPrefixNameTagAndItemIndexes) {
    // A prefix with the child-position flag and its integer, a root name, a
    // tag, an integer before an item: all accepted.
    const std::string stream = "TPF0" + Hex("F2 03 10 27") + Short("TColumnsWrapper") + Short("Grid_1") +
                               Short("Tag") + Hex("02 05") + Short("Columns") + "\x0E" + Hex("02 00 01") +
                               Short("Width") + Hex("02 07") + '\0' + Hex("04 01 00 00 00 01") + '\0' + kTail;
    const TColumnsLayout layout = ReadColumnsLayout(stream);
    EXPECT_EQ(layout.Name, QStringLiteral("Grid_1"));
    EXPECT_EQ(layout.Tag, 5);
    ASSERT_EQ(layout.Columns.size(), 2u);
    EXPECT_EQ(layout.Columns[0].Width, 7);
    EXPECT_EQ(layout.Columns[1], TColumnRecord());
    EXPECT_EQ(ReadColumnsLayout("TPF0" + Hex("F1") + stream.substr(8)).Name, QStringLiteral("Grid_1"));

    // A second collection replaces the first when it has items, not when
    // it is empty.
    const std::string one = Short("Columns") + "\x0E\x01" + Short("Width") + Hex("02 01") + '\0' + '\0';
    const std::string two = Short("Columns") + "\x0E\x01" + Short("Width") + Hex("02 02") + '\0' + '\0';
    const std::string none = Short("Columns") + "\x0E" + '\0';
    const std::string root = "TPF0" + Short("TColumnsWrapper") + Short("");
    TColumnsLayout l = ReadColumnsLayout(root + one + two + '\0' + '\0');
    ASSERT_EQ(l.Columns.size(), 1u);
    EXPECT_EQ(l.Columns[0].Width, 2);
    l = ReadColumnsLayout(root + one + none + '\0' + '\0');
    ASSERT_EQ(l.Columns.size(), 1u);
    EXPECT_EQ(l.Columns[0].Width, 1);
}

TEST(LayoutReader, RefusalsCarryTheirMessageAndWhereReadingStopped) {
    const std::string good = OneColumn(Short("Width") + Hex("02 10"));
    // Not a stream.
    EXPECT_EQ(Refusal("TPF1" + good.substr(4)).Message, "Format de flux incorrect");
    EXPECT_EQ(Refusal("<?xml version").Offset, 0u);
    // An object name that is not an identifier, at its offset.
    TRefusal r = Refusal("TPF0" + Short("TColumnsWrapper") + Short("1abc") + Short("Columns") + "\x0E" +
                         kTail.substr(1));
    EXPECT_EQ(r.Message, "''1abc'' n'est pas un nom de composant correct");
    EXPECT_EQ(r.Offset, 20u);
    const std::string root = "TPF0" + Short("TColumnsWrapper") + Short("");
    r = Refusal(root + Short("Name") + "\x06" + Short("a b") + kTail.substr(2));
    EXPECT_EQ(
        r.Message,
        "Erreur lors de la lecture de TColumnsWrapper.Name: ''a b'' n'est pas un nom de composant correct");

    // Unknown properties, of the root and of a column.
    r = Refusal(root + Short("Bogus") + Hex("02 00") + kTail.substr(2));
    EXPECT_EQ(r.Message,
              "Erreur lors de la lecture de TColumnsWrapper.Bogus: La propriété Bogus n'existe pas");
    EXPECT_EQ(r.Offset, 21u);
    r = Refusal(root + Short("Name") + "\x06" + Short("Grille") + Short("Bogus") + Hex("02 00") +
                kTail.substr(2));
    EXPECT_EQ(r.Message, "Erreur lors de la lecture de Grille.Bogus: La propriété Bogus n'existe pas");
    r = Refusal(root + Short("Columns.Count") + Hex("02 00") + kTail.substr(2));
    EXPECT_EQ(r.Message,
              "Erreur lors de la lecture de TColumnsWrapper.Columns.Count: La propriété Count n'existe pas");
    r = Refusal(OneColumn(Short("Width") + Hex("02 10") + Short("Hint") + "\x06" + Short("x")));
    EXPECT_EQ(r.Message, "Erreur lors de la lecture de TColumn.Hint: La propriété Hint n'existe pas");
    EXPECT_EQ(r.Offset, std::uint64_t(kHead.size() + 1 + 8));
    r = Refusal(OneColumn(Short("Title.Font.Weight") + Hex("02 10")));
    EXPECT_EQ(r.Message,
              "Erreur lors de la lecture de TColumn.Title.Font.Weight: La propriété Weight n'existe pas");

    // Paths through something that is not an object.
    for (const char* path : {"Width.Value", "Bogus.Value", "Title.Caption.Length", "Font.Name.x", ".Width"}) {
        r = Refusal(OneColumn(Short(path) + Hex("02 10")));
        EXPECT_EQ(r.Message,
                  QStringLiteral("Erreur lors de la lecture de TColumn.%1: Chemin de propriété incorrect")
                      .arg(QString::fromLatin1(path)));
        EXPECT_EQ(r.Offset, std::uint64_t(kHead.size() + 1));
    }
    r = Refusal(root + Short("Tag.Value") + Hex("02 00") + kTail.substr(2));
    EXPECT_EQ(r.Message,
              "Erreur lors de la lecture de TColumnsWrapper.Tag.Value: Chemin de propriété incorrect");
}

TEST(LayoutReader, ValuesOfTheWrongKindAreRefused) {
    const QString invalid = QStringLiteral("Valeur de propriété incorrecte");
    struct Case {
        const char* Record;
        std::string Value;
        int ValueOffset; // where the refused part starts, from the value's first byte
    };
    const Case cases[] = {
        {"Width", "\x06" + Short("12"), 0},
        {"Width", Ident("clWhite"), 0},
        {"Width", Hex("13 01 00 00 00 00 00 00 00"), 0},
        {"Width", Hex("05 00 00 00 00 00 00 00 00 00 00"), 0},
        {"Font.Color", Ident("clBogus"), 0},
        {"Font.Color", "\x06" + Short("clWhite"), 0},
        {"Font.Charset", Ident("KLINGON_CHARSET"), 0},
        {"Font.Charset", Hex("03 00 01"), 0},
        {"Font.Charset", Hex("02 FF"), 0},
        {"Font.Style", "\x0B" + Short("fsBold") + Short("fsHeavy") + '\0', 8},
        {"Font.Style", Ident("fsBold"), 0},
        {"Font.Size", Hex("04 FF FF FF 7F"), 0},
        {"Alignment", Ident("taJustify"), 0},
        {"Alignment", Hex("02 01"), 0},
        {"Visible", Ident("Maybe"), 0},
        {"Visible", Hex("0D"), 0},
        {"Expanded", Hex("00"), 0},
        {"FieldName", Hex("02 01"), 0},
        {"FieldName", Ident("CODE_ART"), 0},
        {"Title.Caption", Hex("0A 00 00 00 00"), 0},
        {"PickList.Strings", "\x06" + Short("a"), 0},
        {"PickList.Strings", "\x01\x02\x05" + std::string(1, '\0'), 1},
        {"Font", Hex("0D"), 0},
        {"Title", Hex("0D"), 0},
        {"Title.Font", Hex("01 00"), 0},
        {"PopupMenu", Hex("02 01"), 0},
    };
    for (const Case& c : cases) {
        const std::string head = kHead + "\x01" + Short(c.Record);
        const TRefusal r = Refusal(head + c.Value + kTail);
        EXPECT_EQ(r.Message,
                  QStringLiteral("Erreur lors de la lecture de TColumn.%1: ").arg(c.Record) + invalid)
            << c.Record;
        EXPECT_EQ(r.Offset, std::uint64_t(head.size() + std::size_t(c.ValueOffset))) << c.Record;
    }

    // The collection and its items.
    const std::string root = "TPF0" + Short("TColumnsWrapper") + Short("");
    TRefusal r = Refusal(root + Short("Columns") + Hex("01 00") + kTail.substr(2));
    EXPECT_EQ(r.Message, "Erreur lors de la lecture de TColumnsWrapper.Columns: " + invalid);
    r = Refusal(root + Short("Columns") + Hex("0E 06 00 00 00") + kTail.substr(2));
    EXPECT_EQ(r.Message, "Erreur lors de la lecture de TColumnsWrapper.Columns: " + invalid);
    EXPECT_EQ(r.Offset, std::uint64_t(root.size() + 9));
    r = Refusal(root + Short("Columns") + Hex("0E 02 00 06 00") + kTail.substr(2));
    EXPECT_EQ(r.Offset, std::uint64_t(root.size() + 11));
    r = Refusal(root + Short("Tag") + Ident("clRed") + kTail.substr(2));
    EXPECT_EQ(r.Message, "Erreur lors de la lecture de TColumnsWrapper.Tag: " + invalid);
    // A child object after the root's properties.
    const std::string child = kHead + kTail.substr(2) + "\x01";
    r = Refusal(child + Short("TColumn") + Short("") + kTail.substr(2));
    EXPECT_EQ(r.Message, invalid);
    EXPECT_EQ(r.Offset, std::uint64_t(child.size() - 1));
}

TEST(LayoutReader, EveryTruncationIsAReadError) {
    TColumnRecord quantity = ArticleColumn();
    quantity.TitleCaption = QStringLiteral("Quantité");
    quantity.PickList = QStringList{QStringLiteral("x")};
    const std::string whole = WriteColumnsLayout({{}, 0, {ArticleColumn(), quantity}});
    for (std::size_t n = 0; n < whole.size(); ++n) {
        const TRefusal r = Refusal(whole.substr(0, n));
        EXPECT_TRUE(r.Message.endsWith(QStringLiteral("Erreur de lecture du flux")))
            << n << ": " << r.Message.toStdString();
        EXPECT_EQ(r.Offset, n);
    }
    EXPECT_EQ(Refusal(whole.substr(0, 3)).Message, "Erreur de lecture du flux");
    EXPECT_EQ(Refusal(whole.substr(0, 55)).Message,
              "Erreur lors de la lecture de TColumn.FieldName: Erreur de lecture du flux");
    // Bytes after the end of the object are not read.
    EXPECT_EQ(ReadColumnsLayout(whole + "trailing").Columns.size(), 2u);
}

TEST(LayoutReader, HostileLengthsAndCountsEndAtTheData) {
    // Lengths far beyond the data: refused as a read past the end, before
    // anything of that size is allocated.
    for (const std::string& value : {Hex("0C FF FF FF FF"), Hex("12 FF FF FF FF"), Hex("14 FF FF FF FF"),
                                     Hex("12 00 00 00 80 41 00"), Hex("06 FF 41")}) {
        const std::string stream = OneColumn(Short("FieldName") + value);
        const TRefusal r = Refusal(stream);
        EXPECT_EQ(r.Message, "Erreur lors de la lecture de TColumn.FieldName: Erreur de lecture du flux");
        EXPECT_EQ(r.Offset, stream.size());
    }
    // A record name longer than what is left.
    const std::string name = kHead + "\x01\xFFWidth";
    EXPECT_EQ(Refusal(name).Offset, name.size());
    // Many empty items: one column each, as many as the bytes hold.
    std::string many = kHead;
    for (int i = 0; i < 200000; ++i) many += std::string("\x01\x00", 2);
    EXPECT_EQ(ReadColumnsLayout(many + kTail.substr(1)).Columns.size(), 200000u);
}
