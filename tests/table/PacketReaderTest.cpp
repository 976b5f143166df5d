// What the packet reader accepts and refuses: encodings, tokens, elements,
// type names, parameters, references, widths, number texts, and every load
// error with its message, after which the table is closed and empty.
#include "PacketTestUtil.h"

#include "table/PacketTypes.h"

#include <sys/resource.h>
#include <unistd.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

const QByteArray kCodeField = "<FIELD attrname=\"CODE_ART\" fieldtype=\"string\" WIDTH=\"25\"/>";
const QByteArray kQteField = "<FIELD attrname=\"QTE\" fieldtype=\"r8\"/>";

// The values of the one field of a packet read from memory, as text
// ("<null>" for null).
QStringList Values(const QByteArray& packet) {
    TClientDataSet t;
    t.LoadFromStoreData(ReadPacket(packet.constData(), size_t(packet.size())));
    return Column(t, t.Fields()[0]->FieldName());
}

uint64_t ErrorOffset(const QByteArray& bytes) {
    try {
        (void)ReadPacket(bytes.constData(), size_t(bytes.size()));
    } catch (const EDataPacketError& e) {
        return e.Offset();
    }
    return ~uint64_t(0);
}

} // namespace

TEST(PacketReader, CatalogueWithoutRowStatesLoadsInFileOrder) {
    TFileTable f;
    ASSERT_EQ(
        f.Load(Doc(kCodeField + kQteField,
                   "<ROW CODE_ART=\"B\" QTE=\"1\"/><ROW CODE_ART=\"A\"/><ROW QTE=\"3.5\" CODE_ART=\"C\"/>")),
        "");
    EXPECT_EQ(Column(f.Table, "CODE_ART"), (QStringList{"B", "A", "C"}));
    EXPECT_EQ(Column(f.Table, "QTE"), (QStringList{"1", "<null>", "3.5"}));
    EXPECT_EQ(RowStates(f.Table), (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_TRUE(Log(f.Table).empty());
    EXPECT_EQ(f.Table.FieldByName("CODE_ART").Size(), 25);
    EXPECT_EQ(f.Table.FieldByName("QTE").DataType(), ftFloat);
}

TEST(PacketReader, NamesOfElementsTypesAndAttributes) {
    // Type names ignore letter case; attribute names do not.
    EXPECT_EQ(Values(Doc("<FIELD attrname=\"C\" fieldtype=\"STRING\" WIDTH=\"3\"/>", "<ROW C=\"x\"/>")),
              QStringList{"x"});
    EXPECT_EQ(ReadError(Doc("<FIELD ATTRNAME=\"C\" fieldtype=\"string\"/>", "")), "Mismatch in datapacket.");
    EXPECT_EQ(ReadError(Doc("<FIELD attrname=\"C\" FIELDTYPE=\"string\"/>", "")), "Invalid field type.");
    // Row attributes are matched exactly: c is not C.
    EXPECT_EQ(Values(Doc("<FIELD attrname=\"C\" fieldtype=\"string\" WIDTH=\"3\"/>", "<ROW c=\"x\"/>")),
              QStringList{"<null>"});
}

TEST(PacketReader, FloatTexts) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"abc", "<null>"},   {"1e3", "1000"}, {"2,5", "2"},         {"", "<null>"},    {" 7", "7"},
        {"-1.5E2", "-150"},  {"+4", "4"},     {"1e", "1"},          {".5", "0.5"},     {"e5", "<null>"},
        {"1e999", "<null>"}, {"1e-999", "0"}, {"12abc", "12"},      {"x1", "<null>"},  {"-", "<null>"},
        {"$5", "0"},         {"0.1", "0.1"},  {"&#49;&#50;", "12"}, {"NaN", "<null>"}, {"-inf", "<null>"},
    };
    QByteArray rows;
    for (const auto& c : cases) rows += QByteArray("<ROW QTE=\"") + c.first + "\"/>";
    QStringList expected;
    for (const auto& c : cases) expected << c.second;
    EXPECT_EQ(Values(Doc(kQteField, rows)), expected);
}

TEST(PacketReader, EntitiesAndCharacterReferences) {
    // Windows-1252 content: bytes as they are, references as characters
    // (converted back to the code page: "?" when it lacks them).
    const QByteArray field = "<FIELD attrname=\"N\" fieldtype=\"string\" WIDTH=\"40\"/>";
    const QByteArray ansi =
        Doc(field, "<ROW N=\"&lt;&gt;&amp;&apos;&quot;|&#233;&#xE9;&#8364;&#20013;|\xE9\"/>"
                   "<ROW N=\"&nbsp;&#;&#0;&#x;&#65&AMP;&amp\"/>");
    EXPECT_EQ(Values(ansi), (QStringList{L1("<>&'\"|éé€?|é"), "&nbsp;&#;&#0;&#x;&#65&AMP;&amp"}));
    // A reference to a character that ends a value or a tag does not.
    EXPECT_EQ(Values(Doc(field, "<ROW N=\"a&#34;b&#62;c&#60;\"/>")), QStringList{"a\"b>c<"});
    // The same in UTF-8 content.
    const QByteArray utf8 = kDeclarationUtf8 + "<DATAPACKET><METADATA><FIELDS>" + field +
                            "</FIELDS></METADATA><ROWDATA><ROW N=\"" +
                            QString::fromUtf8("é&#233;€&#8364;中").toUtf8() + "\"/></ROWDATA></DATAPACKET>";
    EXPECT_EQ(Values(utf8), QStringList{L1("éé€€?")});
}

TEST(PacketReader, EncodingDetection) {
    const QByteArray body = "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                            "<FIELD attrname=\"N\" fieldtype=\"string\" WIDTH=\"20\"/></FIELDS><PARAMS/>"
                            "</METADATA><ROWDATA><ROW N=\"";
    const QByteArray end = "\"/></ROWDATA></DATAPACKET>";
    const QByteArray cafe = QString::fromUtf8("Café").toUtf8();
    // A byte-order mark: UTF-8, without any declaration.
    EXPECT_EQ(Values("\xEF\xBB\xBF  " + body + cafe + end), QStringList{L1("Café")});
    // Declared UTF-8 in any letter case, well-formed.
    EXPECT_EQ(Values("<?xml version='1.0' Encoding = \"utf-8\"?>" + body + cafe + end),
              QStringList{L1("Café")});
    // Declared UTF-8 but not well-formed: Windows-1252.
    EXPECT_EQ(Values(kDeclarationUtf8 + body + Ansi("Café") + end), QStringList{L1("Café")});
    EXPECT_EQ(Values(kDeclarationUtf8 + body + cafe + end + "<!-- \xE9 -->"), QStringList{L1("CafÃ©")});
    // Not declared: Windows-1252 even when the bytes would be UTF-8.
    EXPECT_EQ(Values(kDeclaration + body + cafe + end), QStringList{L1("CafÃ©")});
    // Another encoding named: Windows-1252.
    EXPECT_EQ(Values("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + body + Ansi("Café") + end),
              QStringList{L1("Café")});
}

TEST(PacketReader, TokensCommentsAndAttributeLists) {
    const QByteArray packet =
        "\r\n \t<?xml version=\"1.0\"?><!-- a comment with <ROW> inside --><?pi x?>\n"
        "<DATAPACKET Version=\"2.0\" whatever=\"1\">text is passed over<METADATA>\n  <FIELDS>\n"
        "   <FIELD attrname = \"A\"\tfieldtype=\"string\" WIDTH=\"5\" />\n"
        "   <FIELD attrname=\"B\" fieldtype=\"string\" WIDTH=\"5\"></FIELD>\n"
        "  </FIELDS >\n<PARAMS/><EXTRA><X/></EXTRA></METADATA>\n"
        "<ROWDATA><!-- rows --><ROW A=\"1\" B='2' A=\"3\"/><ROW B=\"b\" A=\"a\" B=\"c\"></ROW>"
        "<ROW A=\"x\" junk B=\"y\"/></ROWDATA></DATAPACKET  > trailing";
    TClientDataSet t;
    t.LoadFromStoreData(ReadPacket(packet.constData(), size_t(packet.size())));
    // A value in single quotes ends the attribute list; the first of two
    // equal names counts.
    EXPECT_EQ(Column(t, "A"), (QStringList{"1", "a", "x"}));
    EXPECT_EQ(Column(t, "B"), (QStringList{"<null>", "b", "<null>"}));
}

TEST(PacketReader, TagNameFields) {
    const QByteArray packet = Doc("<FIELD tagname=\"C\" fieldtype=\"string\" WIDTH=\"5\"/>"
                                  "<FIELD attrname=\"Q\" fieldtype=\"r8\"/>"
                                  "<FIELD tagname=\"D\" fieldname=\"Dd\" fieldtype=\"string\" WIDTH=\"9\"/>",
                                  "<ROW Q=\"1\"><C>a&amp;b</C><D> sp </D></ROW><ROW><D/><X>skip</X></ROW>"
                                  "<ROW RowState=\"4\"><C></C><C>second</C></ROW>");
    TClientDataSet t;
    t.LoadFromStoreData(ReadPacket(packet.constData(), size_t(packet.size())));
    EXPECT_EQ(Column(t, "C"), (QStringList{"a&b", "<null>", ""}));
    EXPECT_EQ(Column(t, "Dd"), (QStringList{" sp ", "", "<null>"}));
    EXPECT_EQ(Column(t, "Q"), (QStringList{"1", "<null>", "<null>"}));
    EXPECT_EQ(RowStates(t), (std::vector<uint8_t>{0, 0, 4}));
}

TEST(PacketReader, WidthsCutStringsAfterDecoding) {
    const QByteArray packet = Doc("<FIELD attrname=\"S\" fieldtype=\"string\" WIDTH=\"4\"/>"
                                  "<FIELD attrname=\"U\" fieldtype=\"string\"/>"
                                  "<FIELD attrname=\"Z\" fieldtype=\"string\" WIDTH=\"0\"/>",
                                  "<ROW S=\"&amp;&amp;&amp;&amp;&amp;\" U=\"" + QByteArray(30, 'u') +
                                      "\" Z=\"zz\"/><ROW S=\"abcdef\" U=\"short\" Z=\"a&#0;b\"/>");
    TClientDataSet t;
    t.LoadFromStoreData(ReadPacket(packet.constData(), size_t(packet.size())));
    EXPECT_EQ(Column(t, "S"), (QStringList{"&&&&", "abcd"}));
    // Without a usable WIDTH nothing is cut; the field is as wide as its
    // longest value (at least 20).
    EXPECT_EQ(Column(t, "U"), (QStringList{QString(30, u'u'), "short"}));
    EXPECT_EQ(t.FieldByName("U").Size(), 30);
    EXPECT_EQ(t.FieldByName("Z").Size(), 20);
    EXPECT_EQ(Column(t, "Z"), (QStringList{"zz", "a&#0;b"}));
}

TEST(PacketReader, TypeNamesAndTheirKinds) {
    struct TCase {
        const char* Name;
        const char* Subtype;
        TFieldType Kind;
        const char* WrittenAs;
    };
    const TCase cases[] = {
        {"string", "", ftString, "string"},
        {"String", "FixedChar", ftFixedChar, "string"},
        {"string.uni", "", ftWideString, "string.uni"},
        {"i1", "", ftShortint, "i1"},
        {"i2", "", ftSmallint, "i2"},
        {"I4", "", ftInteger, "i4"},
        {"i4", "Autoinc", ftAutoInc, "i4"},
        {"i8", "", ftLargeint, "i8"},
        {"i", "", ftInteger, "i4"},
        {"int", "", ftInteger, "i4"},
        {"ui1", "", ftByte, "ui1"},
        {"ui2", "", ftWord, "ui2"},
        {"ui4", "", ftLongWord, "ui4"},
        {"ui8", "", ftLargeint, "ui8"},
        {"uint", "", ftLongWord, "ui4"},
        {"u", "", ftLongWord, "ui4"},
        {"r4", "", ftSingle, "r4"},
        {"R8", "Money", ftFloat, "r8"},
        {"r10", "", ftExtended, "r10"},
        {"boolean", "", ftBoolean, "boolean"},
        {"fixed", "", ftBCD, "fixed"},
        {"fixedFMT", "", ftFMTBcd, "fixedFMT"},
        {"float", "", ftBCD, "fixed"},
        {"date", "", ftDate, "date"},
        {"time", "", ftTime, "time"},
        {"dateTime", "", ftDateTime, "dateTime"},
        {"SQLdateTime", "", ftTimeStamp, "SQLdateTime"},
        {"SQLdateTimeOffset", "", ftTimeStampOffset, "SQLdateTimeOffset"},
        {"bin.hex", "", ftVarBytes, "bin.hex"},
        {"bin.hex", "Text", ftMemo, "bin.hex"},
        {"bin.hex", "WideText", ftWideMemo, "bin.hex"},
        {"bin.hex", "Graphics", ftGraphic, "bin.hex"},
        {"bin.hex", "Binary", ftBlob, "bin.hex"},
        {"IntArray", "", ftArray, "IntArray"},
        {"UIntArray", "", ftArray, "UIntArray"},
        {"nested", "", ftDataSet, "nested"},
        {"struct", "", ftADT, "struct"},
    };
    for (const TCase& c : cases) {
        const QByteArray field = QByteArray("<FIELD attrname=\"X\" fieldtype=\"") + c.Name + "\"" +
                                 (*c.Subtype ? QByteArray(" SUBTYPE=\"") + c.Subtype + "\"" : QByteArray()) +
                                 "/>";
        TStoreData d;
        ASSERT_EQ(ErrorOf([&] {
                      const QByteArray p = Doc(field, "");
                      d = ReadPacket(p.constData(), size_t(p.size()));
                  }),
                  "")
            << c.Name;
        EXPECT_EQ(d.Fields[0].DataType, c.Kind) << c.Name;
        EXPECT_EQ(d.Fields[0].TypeName, c.WrittenAs) << c.Name;
    }
    for (const char* unknown : {"money", "i3", "ui7", "r16", "", "bin", "x"})
        EXPECT_EQ(ReadError(Doc(QByteArray("<FIELD attrname=\"X\" fieldtype=\"") + unknown + "\"/>", "")),
                  "Invalid field type.")
            << unknown;
}

TEST(PacketReader, OtherKindsKeepTheirValuesThroughASave) {
    const QByteArray fields =
        "<FIELD attrname=\"I\" fieldtype=\"i4\"/><FIELD attrname=\"B\" fieldtype=\"boolean\"/>"
        "<FIELD attrname=\"D\" fieldtype=\"dateTime\"/><FIELD attrname=\"T\" fieldtype=\"time\"/>"
        "<FIELD attrname=\"F\" fieldtype=\"fixed\" WIDTH=\"32\"/>"
        "<FIELD attrname=\"R\" fieldtype=\"r4\"/><FIELD attrname=\"H\" fieldtype=\"bin.hex\" "
        "SUBTYPE=\"Text\"/><FIELD attrname=\"A\" fieldtype=\"IntArray\"/>";
    const QByteArray rows = "<ROW I=\"-0012\" B=\"TRUE\" D=\"20240229T12:34:56789\" T=\"23:59:59999\" "
                            "F=\"-123.4500\" R=\"1.25\" H=\"a&amp;b\" A=\"1 2 3\"/><ROW I=\"\" H=\"\"/>";
    TFileTable f;
    ASSERT_EQ(f.Load(Doc(fields, rows)), "");
    EXPECT_EQ(f.Table.FieldByName("I").AsString(), "-12");
    EXPECT_EQ(f.Table.FieldByName("D").AsString(), "20240229T12:34:56789");
    // The empty text of a number kind is null; of a text kind, empty.
    const QByteArray saved = f.Save();
    EXPECT_EQ(saved,
              Doc("<FIELD attrname=\"I\" fieldtype=\"i4\"/><FIELD attrname=\"B\" fieldtype=\"boolean\"/>"
                  "<FIELD attrname=\"D\" fieldtype=\"dateTime\"/><FIELD attrname=\"T\" fieldtype=\"time\"/>"
                  "<FIELD attrname=\"F\" fieldtype=\"fixed\" WIDTH=\"32\"/>"
                  "<FIELD attrname=\"R\" fieldtype=\"r4\"/><FIELD attrname=\"H\" fieldtype=\"bin.hex\" "
                  "SUBTYPE=\"Text\"/><FIELD attrname=\"A\" fieldtype=\"IntArray\"/>",
                  "<ROW I=\"-12\" B=\"TRUE\" D=\"20240229T12:34:56789\" T=\"23:59:59999\" "
                  "F=\"-123.4500\" R=\"1.25\" H=\"a&amp;b\" A=\"1 2 3\"/><ROW H=\"\"/>"));
}

TEST(PacketReader, ParametersAndTheChangeLog) {
    const QByteArray packet =
        Doc(kCodeField, "<ROW RowState=\"4\" CODE_ART=\"A\"/><ROW RowState=\"\" CODE_ART=\"B\"/>",
            "<PARAMS CHANGE_LOG=\" 1 0 4\t 9\" LCID=\"1036\" COMMENT=\"x&amp;y\">"
            "<PARAM Name=\"DISABLE_EDITS\" Value=\"true\" Type=\"boolean\" Roundtrip=\"TRUE\"/>"
            "<PARAM Name=\"DISABLE_INSERTS\" Value=\"TRUE\" Type=\"string\"/></PARAMS>");
    TFileTable f;
    ASSERT_EQ(f.Load(packet), "");
    // Three numbers per entry; an incomplete last entry is dropped.
    EXPECT_EQ(Log(f.Table), (std::vector<TChangeLogEntry>{{1, 0, 4}}));
    EXPECT_EQ(RowStates(f.Table), (std::vector<uint8_t>{4, 0}));
    const TStoreData& d = f.Table.Store()->Data();
    ASSERT_EQ(d.Params.size(), 4u);
    EXPECT_EQ(d.Params[0].Name, "LCID");
    EXPECT_EQ(d.Params[0].Type, "i2");
    EXPECT_EQ(d.Params[1].Name, "COMMENT");
    EXPECT_EQ(d.Params[1].Value, "x&y");
    EXPECT_EQ(d.Params[1].Type, "string");
    EXPECT_TRUE(d.Params[2].Roundtrip);
    // DISABLE_EDITS applies; DISABLE_INSERTS of another type does not.
    EXPECT_EQ(ErrorOf([&] { f.Table.Edit(); }), QString::fromUtf8("Modifications non autorisées"));
    f.Table.Append();
    f.Table.FieldByName("CODE_ART").SetAsString("C");
    f.Table.Post();
    EXPECT_EQ(f.Table.RecordCount(), 3);
    // An unknown LCID is ignored.
    EXPECT_EQ(f.Load(Doc(kCodeField, "", "<PARAMS LCID=\"99999\"/>")), "");
    EXPECT_TRUE(f.Table.Active());

    // Numbers that are not unsigned 32-bit numbers, or slots that do not
    // exist, are refused.
    for (const char* log : {"1 0 x", "1 0 -4", "1 0 4294967296", "1 0 4 3 0 4", "0 0 4", "1,0,4"})
        EXPECT_EQ(ReadError(Doc(kCodeField, "<ROW CODE_ART=\"A\"/>",
                                QByteArray("<PARAMS CHANGE_LOG=\"") + log + "\"/>")),
                  "Mismatch in datapacket.")
            << log;
    for (const char* state : {"x", "256", "-1", "4 4"})
        EXPECT_EQ(ReadError(Doc(kCodeField, QByteArray("<ROW RowState=\"") + state + "\"/>")),
                  "Mismatch in datapacket.")
            << state;
}

TEST(PacketReader, RowStatesAndDefaultOrder) {
    // B before A: A's visible version is the newest slot.
    TFileTable f;
    ASSERT_EQ(
        f.Load(
            Doc(kCodeField + kQteField,
                "<ROW RowState=\"5\" CODE_ART=\"A\" QTE=\"1\"/><ROW RowState=\"4\" CODE_ART=\"B\" QTE=\"1\"/>"
                "<ROW RowState=\"12\" CODE_ART=\"A\" QTE=\"2\"/>",
                "<PARAMS CHANGE_LOG=\"1 0 4 2 0 4 3 1 8\"/>")),
        "");
    EXPECT_EQ(Column(f.Table, "CODE_ART"), (QStringList{"B", "A"}));
    EXPECT_EQ(f.Table.RecordCount(), 2);
}

// Every failure of the reader, with its message; afterwards the table is
// closed and holds nothing, and a save writes nothing.
TEST(PacketReader, FailuresLeaveTheTableClosedAndEmpty) {
    const QByteArray ok = Doc(kCodeField, "<ROW CODE_ART=\"A\"/>");
    struct TCase {
        const char* What;
        QByteArray Bytes;
        const char* Message;
    };
    const char* mismatch = "Mismatch in datapacket.";
    const std::vector<TCase> cases = {
        {"text before the first tag", "x" + ok, mismatch},
        {"byte-order mark then text", "\xEF\xBB\xBFx<DATAPACKET/>", mismatch},
        {"white space only", " \r\n\t ", mismatch},
        {"binary packet", QByteArray("\x96\x19\xE0\xBD\x01\x00\x00\x00", 8) + "junk", mismatch},
        {"unterminated declaration", "<?xml version=\"1.0\" " + ok.mid(kDeclaration.size()), mismatch},
        {"unterminated comment", "<!-- " + ok, mismatch},
        {"first element unknown", "<PACKET><METADATA/></PACKET>", mismatch},
        {"first element after DATAPACKET unknown", "<DATAPACKET><ROWS/></DATAPACKET>", mismatch},
        {"empty DATAPACKET", "<DATAPACKET/>", mismatch},
        {"METADATA without FIELDS", "<DATAPACKET><METADATA><PARAMS/></METADATA></DATAPACKET>", mismatch},
        {"empty METADATA", "<DATAPACKET><METADATA/></DATAPACKET>", mismatch},
        {"FIELD without attrname or tagname", Doc("<FIELD fieldname=\"A\" fieldtype=\"string\"/>", ""),
         mismatch},
        {"end tag that does not close", Doc(kCodeField, "<ROW CODE_ART=\"A\"></ROWX>"), mismatch},
        {"end tag of another element", ok.left(ok.size() - 13) + "</METADATA>", mismatch},
        {"ROWDATA with another first child", Doc(kCodeField, "<RECORD CODE_ART=\"A\"/>"), mismatch},
        {"ROWDATA with another child later", Doc(kCodeField, "<ROW/><RECORD/>"), mismatch},
        {"truncated in a row", ok.left(ok.indexOf("<ROW ") + 12), mismatch},
        {"truncated after the rows", ok.left(ok.size() - 13), mismatch},
        {"tag without a name", Doc(kCodeField, "< ROW/>"), mismatch},
        {"ROWDATA right after DATAPACKET", "<DATAPACKET><ROWDATA><ROW/></ROWDATA></DATAPACKET>",
         "Datapacket contains no meta data."},
        {"ROWDATA as first element", "<ROWDATA><ROW/></ROWDATA>", "Datapacket contains no meta data."},
        {"FIELD without fieldtype", Doc("<FIELD attrname=\"A\" WIDTH=\"3\"/>", ""), "Invalid field type."},
        {"unknown type name", Doc("<FIELD attrname=\"A\" fieldtype=\"money\"/>", ""), "Invalid field type."},
    };
    for (const TCase& c : cases) {
        TFileTable f;
        // A table with content and a file that must stay as it is.
        auto t = MakeCollection();
        AddLine(*t, "KEEP", "1");
        const QString kept = f.Dir.filePath("COLLECTION.XML");
        WriteFileBytes(kept, "previous content");
        WriteFileBytes(f.Path, c.Bytes);
        EXPECT_EQ(ErrorOf([&] { t->LoadFromFile(f.Path); }), QString::fromLatin1(c.Message)) << c.What;
        EXPECT_FALSE(t->Active()) << c.What;
        EXPECT_EQ(t->Store(), nullptr) << c.What;
        EXPECT_EQ(t->Snapshot(), nullptr) << c.What;
        EXPECT_EQ(t->Fields().Count(), 0) << c.What;
        t->SaveToFile(kept, dfXML);
        t->SaveToFile(f.Dir.filePath("NEW.XML"), dfXML);
        EXPECT_EQ(ReadFileBytes(kept), "previous content") << c.What;
        EXPECT_FALSE(QFile::exists(f.Dir.filePath("NEW.XML"))) << c.What;
        EXPECT_EQ(ErrorOf([&] { t->Open(); }),
                  QString::fromUtf8("Fournisseur de données ou paquet de données manquant"))
            << c.What;
        // The same bytes read from memory fail the same way.
        EXPECT_EQ(ReadError(c.Bytes), QString::fromLatin1(c.Message)) << c.What;
    }
}

TEST(PacketReader, ErrorsTellWhereReadingStopped) {
    const QByteArray bad = Doc(kCodeField, "<ROW CODE_ART=\"A\"/><RECORD/>");
    EXPECT_EQ(ErrorOffset(bad), uint64_t(bad.indexOf("<RECORD")));
    const QByteArray type = Doc(kCodeField + "<FIELD attrname=\"B\" fieldtype=\"?\"/>", "");
    EXPECT_EQ(ErrorOffset(type), uint64_t(type.indexOf("<FIELD attrname=\"B\"")));
    EXPECT_EQ(ErrorOffset("   junk"), 3u);
    const QByteArray cut = Doc(kCodeField, "<ROW CODE_ART=\"A\"/>").left(120);
    EXPECT_LE(ErrorOffset(cut), uint64_t(cut.size()));
    // The offset also comes through LoadFromFile.
    TFileTable f;
    WriteFileBytes(f.Path, bad);
    try {
        f.Table.LoadFromFile(f.Path);
        ADD_FAILURE() << "no error";
    } catch (const EDataPacketError& e) {
        EXPECT_EQ(e.Offset(), uint64_t(bad.indexOf("<RECORD")));
        EXPECT_EQ(e.ErrorCode(), DBERR_MISMATCH);
    }
}

// Files larger than the reader's window: tokens and values cross the window
// boundaries, a value larger than the window grows it, and a file declared
// UTF-8 that is not is read again as Windows-1252.
TEST(PacketReader, LargeFilesReadPieceByPiece) {
    QByteArray rows;
    for (int i = 0; i < 40000; ++i)
        rows += "<ROW RowState=\"4\" C=\"code" + QByteArray::number(i) + "\" N=\"n&amp;" +
                QByteArray::number(i * 7) + "\" Q=\"" + QByteArray::number(i) + ".5\"/>";
    const QByteArray big(1500000, 'x');
    rows += "<ROW C=\"big\" N=\"" + big + "\"/>";
    const QByteArray fields =
        "<FIELD attrname=\"C\" fieldtype=\"string\" WIDTH=\"10\"/>"
        "<FIELD attrname=\"N\" fieldtype=\"string\"/><FIELD attrname=\"Q\" fieldtype=\"r8\"/>";
    for (const QByteArray& declaration : {kDeclaration, kDeclarationUtf8}) {
        const QByteArray packet = declaration + Doc(fields, rows).mid(kDeclaration.size()) + "<!-- \xE9 -->";
        TFileTable f;
        ASSERT_EQ(f.Load(packet), "");
        const TStoreImage fromFile = ImageOf(*f.Table.Store());
        TClientDataSet m;
        m.LoadFromStoreData(ReadPacket(packet.constData(), size_t(packet.size())));
        EXPECT_TRUE(fromFile == ImageOf(*m.Store()));
        ASSERT_EQ(fromFile.Values.size(), 40001u);
        EXPECT_EQ(fromFile.Values[39999][1], "Vn&" + std::to_string(39999 * 7));
        // A string without WIDTH keeps at most the largest width a file can declare.
        EXPECT_EQ(fromFile.Values[40000][1], "V" + big.left(kMaxFieldWidth).toStdString());
        EXPECT_EQ(f.Table.FieldByName("N").Size(), kMaxFieldWidth);
    }
}

#if !defined(__SANITIZE_ADDRESS__)
// Running out of memory while building the store fails the load with the
// store's message (in a child process with limited address space).
TEST(PacketReaderDeathTest, OutOfMemoryWhileBuilding) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Few bytes, many values: 2000 fields, 200 000 empty rows need far more
    // memory than the limit.
    QByteArray fields;
    for (int i = 0; i < 2000; ++i)
        fields += "<FIELD attrname=\"F" + QByteArray::number(i) + "\" fieldtype=\"r8\"/>";
    QByteArray rows;
    rows.reserve(200000 * 6);
    for (int i = 0; i < 200000; ++i) rows += "<ROW/>";
    const QByteArray packet = Doc(fields, rows);
    TFileTable f;
    WriteFileBytes(f.Path, packet);
    auto child = [&] {
        rlimit limit{size_t(1) << 30, size_t(1) << 30};
        setrlimit(RLIMIT_AS, &limit);
        const QString message = ErrorOf([&] { f.Table.LoadFromFile(f.Path); });
        f.Dir.remove();
        _exit(message == "Insufficient memory for this operation." && !f.Table.Active() ? 0 : 1);
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(0), "");
}
#endif
