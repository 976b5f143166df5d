// Field lists with empty parts, and field widths beyond what a data file
// can declare.
#include "PacketTestUtil.h"

using namespace tallivo;
using namespace tallivo::test;

// An empty part names no field: refused as an unknown name would be, and
// the order in force stays.
TEST(FieldLists, AnEmptyPartIsRefused) {
    auto t = MakeCollection();
    AddLine(*t, "B");
    AddLine(*t, "A");
    t->SetIndexFieldNames("CODE_ART");
    for (const char* names : {";", "CODE_ART;", ";CODE_ART", "NOM_ART;;QTE", "CODE_ART; "}) {
        const QString expected =
            QString(names) == "CODE_ART; " ? "Champ ' ' non trouvé" : "Champ '' non trouvé";
        EXPECT_EQ(ErrorOf([&] { t->SetIndexFieldNames(names); }), expected) << names;
        EXPECT_EQ(t->IndexFieldNames(), "CODE_ART");
        EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"A", "B"}));
        EXPECT_EQ(ErrorOf([&] { t->Locate(names, QString("A"), 0); }), expected) << names;
    }
    t->SetIndexFieldNames(""); // the empty text is the default order
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"B", "A"}));
    t->SetIndexFieldNames(" NOM_ART ; CODE_ART");
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"A", "B"}));
}

TEST(Widths, BeyondSixteenBitsAreRefused) {
    const QByteArray row = "<ROW S=\"abc\"/>";
    EXPECT_EQ(ReadError(Doc("<FIELD attrname=\"S\" fieldtype=\"string\" WIDTH=\"32767\"/>", row)), "");
    for (const char* width : {"32768", "65536", "4294967297", "99999999999999999999999"}) {
        const QByteArray fields =
            QByteArray("<FIELD attrname=\"S\" fieldtype=\"string.uni\" WIDTH=\"") + width + "\"/>";
        const QByteArray packet = Doc(fields, row);
        try {
            (void)ReadPacket(packet.constData(), size_t(packet.size()));
            ADD_FAILURE() << width << " read";
        } catch (const EDataPacketError& e) {
            EXPECT_EQ(e.Message(), "Mismatch in datapacket.") << width;
            EXPECT_EQ(e.Offset(), uint64_t(packet.indexOf("<FIELD "))) << width;
        }
    }
    // On a kind without a width WIDTH stays a parameter, as it came.
    EXPECT_EQ(ReadError(Doc("<FIELD attrname=\"S\" fieldtype=\"r8\" WIDTH=\"99999\"/>", "")), "");

    TClientDataSet t;
    EXPECT_EQ(ErrorOf([&] { t.FieldDefs().Add("S", ftString, kMaxFieldWidth + 1); }),
              "Taille de champ incorrecte");
    EXPECT_EQ(ErrorOf([&] { t.FieldDefs().Add("F", ftBCD, 100000); }), "Taille de champ incorrecte");
    t.FieldDefs().Add("S", ftString, kMaxFieldWidth);
    EXPECT_EQ(t.FieldDefs().Count(), 1);
}

// A string without WIDTH takes the width of its longest value, at most the
// largest a file can declare: the saved file loads again as it was.
TEST(Widths, AStringWithoutWidthSavesAFileThatLoads) {
    const QByteArray longer(kMaxFieldWidth + 500, 'y');
    TFileTable f;
    ASSERT_EQ(f.Load(Doc("<FIELD attrname=\"S\" fieldtype=\"string\"/>",
                         "<ROW S=\"" + longer + "\"/><ROW S=\"z\"/>")),
              "");
    EXPECT_EQ(f.Table.FieldByName("S").Size(), kMaxFieldWidth);
    EXPECT_EQ(f.Table.FieldByName("S").AsString().size(), kMaxFieldWidth);
    const QByteArray saved = f.Save();
    EXPECT_TRUE(saved.contains("WIDTH=\"32767\"")) << saved.left(300).constData();
    TFileTable g;
    ASSERT_EQ(g.Load(saved), "");
    EXPECT_TRUE(ImageOf(*g.Table.Store()) == ImageOf(*f.Table.Store()));
}
