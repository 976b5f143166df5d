// Inputs the packet reader's fuzz target found faults with, kept so that
// they stay fixed. Each states what went wrong before.
#include "PacketTestUtil.h"

using namespace tallivo;
using namespace tallivo::test;

// An empty value element (<C/>) of a tagname field handed an empty view
// without an address to memchr (undefined behaviour flagged by the
// sanitizers).
TEST(PacketRegression, EmptyTagValueHasNoAddress) {
    const QByteArray packet =
        Doc("<FIELD tagname=\"C\" fieldtype=\"string\" WIDTH=\"5\"/>"
            "<FIELD tagname=\"T\" fieldtype=\"i4\"/><FIELD tagname=\"Q\" fieldtype=\"r8\"/>",
            "<ROW><C/><T/><Q/></ROW><ROW><C></C><T></T><Q></Q></ROW>");
    TClientDataSet t;
    t.LoadFromStoreData(ReadPacket(packet.constData(), size_t(packet.size())));
    EXPECT_EQ(Column(t, "C"), (QStringList{"", ""}));
    EXPECT_EQ(Column(t, "T"), (QStringList{"<null>", "<null>"}));
    EXPECT_EQ(Column(t, "Q"), (QStringList{"<null>", "<null>"}));
}

// A second WIDTH on a string kind stayed behind as a parameter when the
// first was not a number: the saved packet then declared that width and
// read back as another field.
TEST(PacketRegression, OnlyTheFirstWidthCountsAndNoneStaysAParameter) {
    const QByteArray in = Doc(
        "<FIELD attrname=\"W\" fieldtype=\"string.uni\" WIDTH=\"i\" WIDTH=\"20\"/>"
        "<FIELD attrname=\"S\" fieldtype=\"string\" WIDTH=\"3\"><PARAM Name=\"WIDTH\" Value=\"9\"/></FIELD>",
        "<ROW W=\"abc\" S=\"abcdef\"/>");
    TFileTable f;
    ASSERT_EQ(f.Load(in), "");
    const TStoreData& d = f.Table.Store()->Data();
    EXPECT_EQ(d.Fields[0].Size, 0);
    EXPECT_TRUE(d.Fields[0].Params.empty());
    EXPECT_EQ(d.Fields[1].Size, 3);
    EXPECT_TRUE(d.Fields[1].Params.empty());
    EXPECT_EQ(Column(f.Table, "S"), QStringList{"abc"});
    const QByteArray saved = f.Save();
    EXPECT_TRUE(saved.contains("<FIELD attrname=\"W\" fieldtype=\"string.uni\"/>")) << saved.constData();
    TFileTable g;
    ASSERT_EQ(g.Load(saved), "");
    EXPECT_TRUE(ImageOf(*g.Table.Store()) == ImageOf(*f.Table.Store()));
}

// Text kinds keep control characters, NUL included, through a save.
TEST(PacketRegression, ControlCharactersInTextKinds) {
    const QByteArray in = Doc("<FIELD attrname=\"D\" fieldtype=\"dateTime\"/>",
                              QByteArray("<ROW D=\"2024\x01\x00\x00\t56\"/>", 21));
    TFileTable f;
    ASSERT_EQ(f.Load(in), "");
    EXPECT_EQ(f.Table.Store()->BytesAt(1, 0), std::string_view("2024\x01\x00\x00\t56", 10));
    TFileTable g;
    ASSERT_EQ(g.Load(f.Save()), "");
    EXPECT_TRUE(ImageOf(*g.Table.Store()) == ImageOf(*f.Table.Store()));
}
