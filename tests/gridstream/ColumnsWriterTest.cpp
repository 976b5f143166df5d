// The bytes the layout writer puts in a file: the worked one-column file,
// value encodings (integers, strings, colours, sets) and the order of a
// column's records.
#include "StreamBytes.h"
#include "grid/stream/ColumnsStream.h"

#include <gtest/gtest.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// The records written for a column, checked to sit in a one-column stream.
std::string Records(const TColumnRecord& c) {
    const std::string all = WriteColumnsLayout({{}, 0, {c}});
    const std::string head = kHead + "\x01";
    EXPECT_EQ(all.substr(0, head.size()), head);
    EXPECT_EQ(all.substr(all.size() - kTail.size()), kTail);
    return all.substr(head.size(), all.size() - head.size() - kTail.size());
}

std::string Width(int w) {
    TColumnRecord c;
    c.Width = w;
    return Records(c);
}

std::string Caption(const QString& s) {
    TColumnRecord c;
    c.TitleCaption = s;
    return Records(c);
}

} // namespace

TEST(LayoutWriter, TheWorkedOneColumnFile) {
    TColumnRecord c;
    c.Expanded = false;
    c.FieldName = QStringLiteral("CODE_ART");
    c.TitleCaption = QStringLiteral("Code article");
    c.Width = 292;
    c.Visible = true;
    const std::string expected =
        Hex("54 50 46 30"
            "0F 54 43 6F 6C 75 6D 6E 73 57 72 61 70 70 65 72"
            "00"
            "07 43 6F 6C 75 6D 6E 73"
            "0E"
            "01"
            "08 45 78 70 61 6E 64 65 64 08"
            "09 46 69 65 6C 64 4E 61 6D 65 06 08 43 4F 44 45 5F 41 52 54"
            "0D 54 69 74 6C 65 2E 43 61 70 74 69 6F 6E 06 0C 43 6F 64 65 20 61 72 74 69 63 6C 65"
            "05 57 69 64 74 68 03 24 01"
            "07 56 69 73 69 62 6C 65 09"
            "00 00 00 00");
    ASSERT_EQ(expected.size(), 111u);
    EXPECT_EQ(WriteColumnsLayout({{}, 0, {c}}), expected);
}

TEST(LayoutWriter, RootAndEmptyCollection) {
    // No columns: an empty collection; the name is never written, a tag only
    // when it is not 0.
    EXPECT_EQ(WriteColumnsLayout({}), kHead + kTail.substr(1));
    EXPECT_EQ(WriteColumnsLayout({QStringLiteral("Grid"), 0, {}}), kHead + kTail.substr(1));
    EXPECT_EQ(WriteColumnsLayout({{}, 300, {}}), "TPF0" + Short("TColumnsWrapper") + Short("") +
                                                     Short("Tag") + Hex("03 2C 01") + Short("Columns") +
                                                     "\x0E" + kTail.substr(1));
}

TEST(LayoutWriter, IntegersTakeTheSmallestForm) {
    const std::string w = Short("Width");
    EXPECT_EQ(Width(544), w + Hex("03 20 02"));
    EXPECT_EQ(Width(93), w + Hex("02 5D"));
    EXPECT_EQ(Width(0), w + Hex("02 00"));
    EXPECT_EQ(Width(127), w + Hex("02 7F"));
    EXPECT_EQ(Width(128), w + Hex("03 80 00"));
    EXPECT_EQ(Width(-1), w + Hex("02 FF"));
    EXPECT_EQ(Width(-128), w + Hex("02 80"));
    EXPECT_EQ(Width(-129), w + Hex("03 7F FF"));
    EXPECT_EQ(Width(32767), w + Hex("03 FF 7F"));
    EXPECT_EQ(Width(32768), w + Hex("04 00 80 00 00"));
    EXPECT_EQ(Width(-32768), w + Hex("03 00 80"));
    EXPECT_EQ(Width(-32769), w + Hex("04 FF 7F FF FF"));
    EXPECT_EQ(Width(INT32_MIN), w + Hex("04 00 00 00 80"));
}

TEST(LayoutWriter, StringsByTheirText) {
    const std::string t = Short("Title.Caption");
    // Text with accents: UTF-8, shorter than twice the character count.
    EXPECT_EQ(Caption(QStringLiteral("Quantité")), t + Hex("14 09 00 00 00 51 75 61 6E 74 69 74 C3 A9"));
    // An empty text, and texts whose UTF-8 form is not shorter than twice
    // their length: UTF-16.
    EXPECT_EQ(Caption(QString()), t + Hex("12 00 00 00 00"));
    EXPECT_EQ(Caption(QStringLiteral("é")), t + Hex("12 01 00 00 00 E9 00"));
    EXPECT_EQ(Caption(QStringLiteral("日本")), t + Hex("12 02 00 00 00 E5 65 2C 67"));
    EXPECT_EQ(Caption(QString::fromUtf8("\xF0\x9F\x98\x80")), t + Hex("12 02 00 00 00 3D D8 00 DE"));
    // ASCII: a short string up to 255 bytes, a long one beyond.
    const QString s255(255, u'x'), s256(256, u'x');
    EXPECT_EQ(Caption(s255), t + "\x06\xFF" + std::string(255, 'x'));
    EXPECT_EQ(Caption(s256), t + Hex("0C 00 01 00 00") + std::string(256, 'x'));
    // Long text with accents stays UTF-8 with its byte count.
    const QString long8 = QString(300, u'a') + QStringLiteral("é");
    EXPECT_EQ(Caption(long8), t + Hex("14 2E 01 00 00") + std::string(300, 'a') + "\xC3\xA9");
}

TEST(LayoutWriter, ColoursCharsetsAndStyles) {
    TColumnRecord c;
    c.Font.Color = 176;
    EXPECT_EQ(Records(c), Short("Font.Color") + Hex("03 B0 00"));
    c.Font.Color = clWhite;
    EXPECT_EQ(Records(c), Short("Font.Color") + "\x07" + Short("clWhite"));
    // System colours by name; one without a name as its value.
    c.Font.Color = clBtnFace;
    EXPECT_EQ(Records(c), Short("Font.Color") + "\x07" + Short("clBtnFace"));
    c.Font.Color = ColorValue(0xFF000019);
    EXPECT_EQ(Records(c), Short("Font.Color") + Hex("04 19 00 00 FF"));
    c.Font.Color = 4210752;
    EXPECT_EQ(Records(c), Short("Font.Color") + Hex("04 40 40 40 00"));

    TColumnRecord d;
    d.TitleFont.Charset = 0;
    d.TitleFont.Style = 0;
    EXPECT_EQ(Records(d), Short("Title.Font.Charset") + "\x07" + Short("ANSI_CHARSET") +
                              Short("Title.Font.Style") + Hex("0B 00"));
    d.TitleFont.Charset = 3;
    d.TitleFont.Style = 1;
    EXPECT_EQ(Records(d), Short("Title.Font.Charset") + Hex("02 03") + Short("Title.Font.Style") +
                              Hex("0B 06 66 73 42 6F 6C 64 00"));
    d.TitleFont.Charset = 255;
    d.TitleFont.Style = 8 | 2;
    EXPECT_EQ(Records(d), Short("Title.Font.Charset") + "\x07" + Short("OEM_CHARSET") +
                              Short("Title.Font.Style") + "\x0B" + Short("fsItalic") + Short("fsStrikeOut") +
                              '\0');
}

TEST(LayoutWriter, EveryRecordInItsOrder) {
    TColumnRecord c;
    c.Visible = false;
    c.Width = -1;
    c.TitleFont.Style = 4;
    c.TitleFont.Pitch = 2;
    c.TitleFont.Orientation = 900;
    c.TitleFont.Name = QStringLiteral("Arial");
    c.TitleFont.Height = -12;
    c.TitleFont.Color = clRed;
    c.TitleFont.Charset = 1;
    c.TitleColor = clBlue;
    c.TitleCaption = QStringLiteral("T");
    c.TitleAlignment = taCenter;
    c.ReadOnly = true;
    c.PopupMenu = QStringLiteral("Menu1");
    c.PickList = QStringList{QStringLiteral("a"), QString()};
    c.ImeName = QStringLiteral("ime");
    c.ImeMode = 11;
    c.Font.Style = 0;
    c.Font.Pitch = 1;
    c.Font.Orientation = 0;
    c.Font.Name = QStringLiteral("Tahoma");
    c.Font.Height = 12;
    c.Font.Color = clBlack;
    c.Font.Charset = 0;
    c.FieldName = QStringLiteral("F");
    c.Expanded = true;
    c.DropDownRows = 7;
    c.Color = clSilver;
    c.ButtonStyle = 1;
    c.Alignment = taRightJustify;
    const auto ident = [](const char* s) { return "\x07" + Short(s); };
    const std::string expected =
        Short("Alignment") + ident("taRightJustify") + Short("ButtonStyle") + ident("cbsEllipsis") +
        Short("Color") + ident("clSilver") + Short("DropDownRows") + Hex("02 07") + Short("Expanded") +
        Hex("09") + Short("FieldName") + "\x06" + Short("F") + Short("Font.Charset") + ident("ANSI_CHARSET") +
        Short("Font.Color") + ident("clBlack") + Short("Font.Height") + Hex("02 0C") + Short("Font.Name") +
        "\x06" + Short("Tahoma") + Short("Font.Orientation") + Hex("02 00") + Short("Font.Pitch") +
        ident("fpVariable") + Short("Font.Style") + Hex("0B 00") + Short("ImeMode") + ident("imHanguel") +
        Short("ImeName") + "\x06" + Short("ime") + Short("PickList.Strings") + "\x01\x06" + Short("a") +
        Hex("12 00 00 00 00") + '\0' + Short("PopupMenu") + ident("Menu1") + Short("ReadOnly") + Hex("09") +
        Short("Title.Alignment") + ident("taCenter") + Short("Title.Caption") + "\x06" + Short("T") +
        Short("Title.Color") + ident("clBlue") + Short("Title.Font.Charset") + ident("DEFAULT_CHARSET") +
        Short("Title.Font.Color") + ident("clRed") + Short("Title.Font.Height") + Hex("02 F4") +
        Short("Title.Font.Name") + "\x06" + Short("Arial") + Short("Title.Font.Orientation") +
        Hex("03 84 03") + Short("Title.Font.Pitch") + ident("fpFixed") + Short("Title.Font.Style") + "\x0B" +
        Short("fsUnderline") + '\0' + Short("Width") + Hex("02 FF") + Short("Visible") + Hex("08");
    EXPECT_EQ(Records(c), expected);
    // Records left out are not written at all.
    EXPECT_EQ(Records(TColumnRecord()), "");
}

TEST(LayoutWriter, LongNamesAreCutAtACharacter) {
    // Names are short strings of at most 255 bytes; a cut never leaves half
    // a character, so that what is read back writes the same bytes again.
    TColumnRecord c;
    c.PopupMenu = QString(300, u'm');
    EXPECT_EQ(Records(c), Short("PopupMenu") + "\x07\xFF" + std::string(255, 'm'));
    c.PopupMenu = QString(200, QChar(u'é'));
    std::string cut;
    for (int i = 0; i < 127; ++i) cut += "\xC3\xA9";
    EXPECT_EQ(Records(c), Short("PopupMenu") + "\x07\xFE" + cut);
    c.PopupMenu = u'x' + QString(100, QChar(u'–'));
    const std::string written = Records(c);
    EXPECT_EQ(written.size(), Short("PopupMenu").size() + 2 + 253);
    const TColumnsLayout back = ReadColumnsLayout(OneColumn(written));
    EXPECT_EQ(back.Columns.at(0).PopupMenu, u'x' + QString(84, QChar(u'–')));
    EXPECT_EQ(WriteColumnsLayout(back), OneColumn(written));
}
