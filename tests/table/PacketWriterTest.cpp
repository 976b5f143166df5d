// The bytes the packet writer produces: the collection's worked example and
// its follow-ups, escaping, numbers, names, parameters and both forms.
#include "PacketTestUtil.h"

using namespace tallivo;
using namespace tallivo::test;

namespace {

const QByteArray kHead = kDeclaration + "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                                        "<FIELD attrname=\"CODE_ART\" fieldtype=\"string\" WIDTH=\"25\"/>"
                                        "<FIELD attrname=\"QTE\" fieldtype=\"r8\"/></FIELDS>";

// The two-field table of the worked example.
std::unique_ptr<TClientDataSet> CodeQte() {
    auto t = std::make_unique<TClientDataSet>();
    t->FieldDefs().Add("CODE_ART", ftString, 25);
    t->FieldDefs().Add("QTE", ftFloat);
    t->CreateDataSet();
    return t;
}

void Line(TClientDataSet& t, const QString& code, const QString& qte) {
    t.Append();
    t.FieldByName("CODE_ART").SetAsString(code);
    if (!qte.isEmpty()) t.FieldByName("QTE").SetAsString(qte);
    t.Post();
}

} // namespace

TEST(PacketWriter, WorkedExampleAndItsFollowUps) {
    TFileTable f;
    auto t = CodeQte();
    Line(*t, "A1", "2");
    const QString path = f.Dir.filePath("COLLECTION.XML");
    t->SaveToFile(path, dfXML);
    EXPECT_EQ(ReadFileBytes(path),
              kHead + "<PARAMS CHANGE_LOG=\"1 0 4\"/></METADATA><ROWDATA>"
                      "<ROW RowState=\"4\" CODE_ART=\"A1\" QTE=\"2\"/></ROWDATA></DATAPACKET>");

    // Edit: the old version is superseded, the new one is an inserted
    // record's modified version.
    t->Edit();
    t->FieldByName("QTE").SetAsFloat(3);
    t->Post();
    t->SaveToFile(path, dfXML);
    const QByteArray edited = kHead +
                              "<PARAMS CHANGE_LOG=\"1 0 4 2 1 8\"/></METADATA><ROWDATA>"
                              "<ROW RowState=\"5\" CODE_ART=\"A1\" QTE=\"2\"/>"
                              "<ROW RowState=\"12\" CODE_ART=\"A1\" QTE=\"3\"/></ROWDATA></DATAPACKET>";
    EXPECT_EQ(ReadFileBytes(path), edited);
    TClientDataSet u;
    u.LoadFromFile(path);
    EXPECT_EQ(u.RecordCount(), 1);
    EXPECT_EQ(u.FieldByName("QTE").AsFloat(), 3);
    EXPECT_EQ(RowStates(u), (std::vector<uint8_t>{5, 12}));
    EXPECT_EQ(Log(u), Log(*t));
    // Saved again unchanged, the loaded table gives the same bytes.
    EXPECT_EQ(WritePacket(*u.Store(), dfXML), edited);

    // Delete.
    t->Delete();
    t->SaveToFile(path, dfXML);
    EXPECT_EQ(ReadFileBytes(path), kHead + "<PARAMS CHANGE_LOG=\"1 0 4 2 1 8 2 0 2\"/></METADATA><ROWDATA>"
                                           "<ROW RowState=\"5\" CODE_ART=\"A1\" QTE=\"2\"/>"
                                           "<ROW RowState=\"14\" CODE_ART=\"A1\" QTE=\"3\"/>"
                                           "</ROWDATA></DATAPACKET>");
    u.LoadFromFile(path);
    EXPECT_EQ(u.RecordCount(), 0);
    EXPECT_EQ(u.Store()->SlotCount(), 2u);

    // Emptied: no parameters, no rows.
    t->EmptyDataSet();
    t->SaveToFile(path, dfXML);
    EXPECT_EQ(ReadFileBytes(path), kHead + "<PARAMS/></METADATA><ROWDATA></ROWDATA></DATAPACKET>");
}

TEST(PacketWriter, NullValuesAreLeftOutAndReadBackNull) {
    auto t = CodeQte();
    Line(*t, "A1", "");
    const QByteArray bytes = WritePacket(*t->Store(), dfXML);
    EXPECT_TRUE(bytes.contains("<ROW RowState=\"4\" CODE_ART=\"A1\"/>")) << bytes.constData();
    TFileTable f;
    ASSERT_EQ(f.Load(bytes), "");
    EXPECT_TRUE(f.Table.FieldByName("QTE").IsNull());
    // An empty string is a value: an attribute with an empty value.
    t->Edit();
    t->FieldByName("CODE_ART").SetAsString("");
    t->Post();
    EXPECT_TRUE(WritePacket(*t->Store(), dfXML).contains("<ROW RowState=\"12\" CODE_ART=\"\"/>"));
}

TEST(PacketWriter, EscapesEveryAttributeValue) {
    auto t = MakeCollection();
    AddLine(*t, "C1", "1", QString::fromUtf8("Dupré & Fils l'\"ancien\" \\ <b>"));
    t->Edit();
    t->FieldByName("CATEGORIE").SetAsString(QStringLiteral("a\tb\r\nc"));
    t->Post();
    const QByteArray bytes = WritePacket(*t->Store(), dfXML);
    EXPECT_TRUE(bytes.contains(" NOM_ART=\"Dupr" + Ansi("é") +
                               " &amp; Fils l&apos;&quot;ancien&quot; &#092; &lt;b&gt;\""))
        << bytes.constData();
    EXPECT_TRUE(bytes.contains(" CATEGORIE=\"a&#009;b&#013;&#010;c\""));
    // No declaration of an encoding, one line, nothing after the end tag.
    EXPECT_TRUE(bytes.startsWith(kDeclaration + "<DATAPACKET"));
    EXPECT_FALSE(bytes.contains('\n'));
    EXPECT_TRUE(bytes.endsWith("</ROWDATA></DATAPACKET>"));

    TFileTable f;
    ASSERT_EQ(f.Load(bytes), "");
    f.Table.Last();
    EXPECT_EQ(f.Table.FieldByName("NOM_ART").AsString(),
              QString::fromUtf8("Dupré & Fils l'\"ancien\" \\ <b>"));
    EXPECT_EQ(f.Table.FieldByName("CATEGORIE").AsString(), QStringLiteral("a\tb\r\nc"));
}

TEST(PacketWriter, NumbersHaveSixteenDigitsAndAPoint) {
    // The comma separator of the test process never reaches the file.
    const std::vector<std::pair<double, const char*>> cases = {
        {1, "1"},
        {2.5, "2.5"},
        {0.1, "0.1"},
        {-3, "-3"},
        {0.07, "0.07000000000000001"},
        {1e20, "1e+20"},
        {1.5e-7, "1.5e-07"},
        {123456.789, "123456.789"},
        {-0.0, "0"},
        {1e15, "1000000000000000"},
    };
    auto t = CodeQte();
    for (const auto& [value, text] : cases) {
        t->Append();
        t->FieldByName("QTE").SetAsFloat(value);
        t->Post();
    }
    const QByteArray bytes = WritePacket(*t->Store(), dfXML);
    for (const auto& [value, text] : cases)
        EXPECT_TRUE(bytes.contains(QByteArray(" QTE=\"") + text + "\"")) << text;
    // Each reads back to the same double.
    TFileTable f;
    ASSERT_EQ(f.Load(bytes), "");
    const IDSBase& s = *f.Table.Store();
    for (uint32_t slot = 1; slot <= s.SlotCount(); ++slot)
        EXPECT_EQ(s.FloatAt(slot, 1), cases[slot - 1].first) << cases[slot - 1].second;
    // Sixteen digits are the rule even where a seventeenth would be needed
    // to read back the very same double.
    t->EmptyDataSet();
    t->Append();
    t->FieldByName("QTE").SetAsFloat(0.1 + 0.2);
    t->Post();
    EXPECT_TRUE(WritePacket(*t->Store(), dfXML).contains(" QTE=\"0.3\""));
}

TEST(PacketWriter, AccentsAreOneByteInXmlAndUtf8InXmlUtf8) {
    auto t = MakeCollection();
    AddLine(*t, "E1", "1", QString::fromUtf8("Crème brûlée €"));
    const QByteArray ansi = WritePacket(*t->Store(), dfXML);
    EXPECT_TRUE(ansi.contains("NOM_ART=\"Cr\xE8me br\xFBl\xE9"
                              "e \x80\""));
    EXPECT_FALSE(ansi.contains("encoding"));
    const QByteArray utf8 = WritePacket(*t->Store(), dfXMLUTF8);
    EXPECT_TRUE(utf8.startsWith(kDeclarationUtf8 + "<DATAPACKET"));
    EXPECT_TRUE(
        utf8.contains(QByteArray("NOM_ART=\"") + QString::fromUtf8("Crème brûlée €").toUtf8() + "\""));
    // The same document apart from the declaration and the text.
    EXPECT_EQ(utf8.size() - kDeclarationUtf8.size(), ansi.size() - kDeclaration.size() + 5);
}

TEST(PacketWriter, FieldNamesAsAttributeNames) {
    TClientDataSet t;
    t.FieldDefs().Add("CODE ART", ftString, 5);
    t.FieldDefs().Add(QString::fromUtf8("Désignation"), ftString, 10);
    t.FieldDefs().Add("P(x)*#$%!?", ftFloat);
    t.FieldDefs().Add("A=B/C", ftString, 3);
    t.FieldDefs().Add("RowState", ftString, 3);
    t.FieldDefs().Add("CODE_ART", ftString, 3); // the same attribute name as the first field
    t.CreateDataSet();
    t.Append();
    for (int i = 0; i < t.Fields().Count(); ++i) t.Fields()[i]->SetAsString(QString::number(i + 1));
    t.Post();

    const QByteArray ansi = WritePacket(*t.Store(), dfXML);
    EXPECT_TRUE(ansi.contains("<FIELD fieldname=\"CODE ART\" attrname=\"CODE_ART\" fieldtype=\"string\" "
                              "WIDTH=\"5\"/>"))
        << ansi.constData();
    EXPECT_TRUE(ansi.contains("<FIELD fieldname=\"D&#233;signation\" attrname=\"xF1\" fieldtype=\"string\" "
                              "WIDTH=\"10\"/>"));
    EXPECT_TRUE(ansi.contains("<FIELD fieldname=\"P(x)*#$%!?\" attrname=\"P_x_______\" fieldtype=\"r8\"/>"));
    EXPECT_TRUE(ansi.contains("<FIELD fieldname=\"A=B/C\" attrname=\"A_B_C\""));
    EXPECT_TRUE(ansi.contains("<FIELD fieldname=\"RowState\" attrname=\"xF4\""));
    EXPECT_TRUE(ansi.contains("<FIELD fieldname=\"CODE_ART\" attrname=\"xF5\""));
    EXPECT_TRUE(ansi.contains("<ROW RowState=\"4\" CODE_ART=\"1\" xF1=\"2\" P_x_______=\"3\" A_B_C=\"4\" "
                              "xF4=\"5\" xF5=\"6\"/>"));

    const QByteArray utf8 = WritePacket(*t.Store(), dfXMLUTF8);
    EXPECT_TRUE(utf8.contains(QByteArray("<FIELD attrname=\"") + QString::fromUtf8("Désignation").toUtf8() +
                              "\" fieldtype=\"string\" WIDTH=\"10\"/>"));

    // Both forms read back to the same names and values.
    for (const QByteArray& bytes : {ansi, utf8}) {
        TFileTable f;
        ASSERT_EQ(f.Load(bytes), "");
        QStringList names;
        f.Table.GetFieldNames(names);
        EXPECT_EQ(names, (QStringList{"CODE ART", QString::fromUtf8("Désignation"), "P(x)*#$%!?", "A=B/C",
                                      "RowState", "CODE_ART"}));
        for (int i = 0; i < f.Table.Fields().Count(); ++i)
            EXPECT_EQ(f.Table.Fields()[i]->AsString(), QString::number(i + 1));
        EXPECT_EQ(RowStates(f.Table), std::vector<uint8_t>{4});
    }
}

TEST(PacketWriter, WithoutLogTheVisibleRecordsInDefaultOrder) {
    // A packet with history but without a change log: only the visible
    // records are written, without row states.
    const QByteArray in = Doc("<FIELD attrname=\"C\" fieldtype=\"string\" WIDTH=\"5\"/>",
                              "<ROW RowState=\"1\" C=\"old\"/><ROW C=\"b\"/><ROW RowState=\"8\" C=\"new\"/>"
                              "<ROW RowState=\"2\" C=\"gone\"/><ROW RowState=\"4\" C=\"ins\"/>");
    TFileTable f;
    ASSERT_EQ(f.Load(in), "");
    EXPECT_EQ(Column(f.Table, "C"), (QStringList{"b", "new", "ins"}));
    EXPECT_EQ(f.Save(), Doc("<FIELD attrname=\"C\" fieldtype=\"string\" WIDTH=\"5\"/>",
                            "<ROW C=\"b\"/><ROW C=\"new\"/><ROW C=\"ins\"/>"));
}

TEST(PacketWriter, ParametersAndFieldAttributes) {
    const QByteArray in = Doc(
        "<FIELD attrname=\"ID\" fieldtype=\"i4\" readonly=\"TRUE\" required=\"true\" SUBTYPE=\"Autoinc\"/>"
        "<FIELD attrname=\"PRICE\" fieldtype=\"fixed\" DECIMALS=\"2\" WIDTH=\"10\" hidden=\"true\" "
        "MINVALUE=\"0\" UNIT=\"EUR\"/>"
        "<FIELD attrname=\"L\" fieldtype=\"string\" WIDTH=\"3\" linkfield=\"true\">"
        "<PARAM Name=\"ORIGIN\" Value=\"x&amp;y\" Type=\"string\" Roundtrip=\"True\"/></FIELD>",
        "<ROW ID=\"7\" PRICE=\"12.50\" L=\"abc\"/>",
        "<PARAMS LCID=\"1036\" TABLENAME=\"ART\" OWNER=\"me\">"
        "<PARAM Name=\"DISABLE_DELETES\" Value=\"TRUE\" Type=\"boolean\"/></PARAMS>");
    TFileTable f;
    ASSERT_EQ(f.Load(in), "");
    // Known parameter names are attributes; the others PARAM elements (an
    // unknown attribute came in as a string parameter).
    EXPECT_EQ(f.Save(),
              Doc("<FIELD attrname=\"ID\" fieldtype=\"i4\" readonly=\"true\" required=\"true\" "
                  "SUBTYPE=\"Autoinc\"/>"
                  "<FIELD attrname=\"PRICE\" fieldtype=\"fixed\" hidden=\"true\" DECIMALS=\"2\" "
                  "WIDTH=\"10\" MINVALUE=\"0\"><PARAM Name=\"UNIT\" Value=\"EUR\" Type=\"string\"/>"
                  "</FIELD>"
                  "<FIELD attrname=\"L\" fieldtype=\"string\" linkfield=\"true\" WIDTH=\"3\">"
                  "<PARAM Name=\"ORIGIN\" Value=\"x&amp;y\" Type=\"string\" Roundtrip=\"True\"/></FIELD>",
                  "<ROW ID=\"7\" PRICE=\"12.50\" L=\"abc\"/>",
                  "<PARAMS LCID=\"1036\" TABLENAME=\"ART\"><PARAM Name=\"OWNER\" Value=\"me\" "
                  "Type=\"string\"/><PARAM Name=\"DISABLE_DELETES\" Value=\"TRUE\" "
                  "Type=\"boolean\"/></PARAMS>"));
}

TEST(PacketWriter, TextKindsKeepTheirTextAndUseReferencesInXml) {
    const QByteArray in = kDeclarationUtf8 +
                          "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                          "<FIELD attrname=\"W\" fieldtype=\"string.uni\" WIDTH=\"20\"/>"
                          "<FIELD attrname=\"N\" fieldtype=\"i8\"/></FIELDS><PARAMS/></METADATA><ROWDATA>"
                          "<ROW W=\"" +
                          QString::fromUtf8("é中😀").toUtf8() +
                          "\" N=\"-0042\"/>"
                          "</ROWDATA></DATAPACKET>";
    TFileTable f;
    ASSERT_EQ(f.Load(in), "");
    EXPECT_EQ(f.Table.FieldByName("W").AsString(), QString::fromUtf8("é中😀"));
    const QByteArray ansi = f.Save(dfXML);
    // An integer is written in its plain form.
    EXPECT_TRUE(ansi.contains("<ROW W=\"&#233;&#20013;&#128512;\" N=\"-42\"/>")) << ansi.constData();
    const QByteArray utf8 = f.Save(dfXMLUTF8);
    EXPECT_TRUE(
        utf8.contains(QByteArray("<ROW W=\"") + QString::fromUtf8("é中😀").toUtf8() + "\" N=\"-42\"/>"));
}

TEST(PacketWriter, AKindWithoutTypeNameWritesNothing) {
    TStoreData d;
    TStoreFieldDesc field;
    field.Name = "X";
    field.DataType = ftUnknown;
    d.AddField(field);
    TClientDataSet t;
    t.LoadFromStoreData(std::move(d));
    TFileTable f;
    const QString path = f.Dir.filePath("OUT.XML");
    WriteFileBytes(path, "old");
    EXPECT_EQ(ErrorOf([&] { t.SaveToFile(path, dfXML); }), "Fieldtype not supported for XML.");
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(QDir(f.Dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"OUT.XML"});
}
