// Integer, fixed-point and r4 fields as catalogues of other systems declare
// them, wide string and integer codes in searches, and the exact decimal
// text under them. Tests run with a comma as decimal separator.
#include "PacketTestUtil.h"

#include "table/NumberText.h"
#include "tools/catgen/Catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// One field of every numeric kind and a wide string, in canonical form.
const QByteArray kKindFields =
    "<FIELD attrname=\"I1\" fieldtype=\"i1\"/><FIELD attrname=\"I2\" fieldtype=\"i2\"/>"
    "<FIELD attrname=\"I4\" fieldtype=\"i4\"/><FIELD attrname=\"I8\" fieldtype=\"i8\"/>"
    "<FIELD attrname=\"U1\" fieldtype=\"ui1\"/><FIELD attrname=\"U2\" fieldtype=\"ui2\"/>"
    "<FIELD attrname=\"U4\" fieldtype=\"ui4\"/><FIELD attrname=\"U8\" fieldtype=\"ui8\"/>"
    "<FIELD attrname=\"R4\" fieldtype=\"r4\"/>"
    "<FIELD attrname=\"FX\" fieldtype=\"fixed\" DECIMALS=\"2\" WIDTH=\"12\"/>"
    "<FIELD attrname=\"FM\" fieldtype=\"fixedFMT\" DECIMALS=\"3\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"W\" fieldtype=\"string.uni\" WIDTH=\"10\"/>";

int Sign(int v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

std::string Canonical(const char* text, bool integer = false) {
    std::string out;
    return ParsePacketDecimal(text, integer, out) ? out : std::string("<null>");
}

std::string Typed(const char* text, bool integer = false) {
    std::string out;
    return ParseTypedDecimal(QString::fromUtf8(text), u',', integer, out) ? out : std::string("<refused>");
}

} // namespace

TEST(NumberText, DecimalTextFromFilesAndFromTyping) {
    // Data file values: the numeric prefix, canonical; trailing fraction
    // zeros kept (they are the value's scale), leading zeros and "+" dropped.
    const std::vector<std::pair<const char*, const char*>> packet = {
        {"12.50", "12.50"}, {"-0012", "-12"}, {"+7", "7"},     {"-0.00", "0.00"}, {".5", "0.5"},
        {"5.", "5"},        {" 3x", "3"},     {"2,5", "2"},    {"abc", "<null>"}, {"", "<null>"},
        {"$5", "0"},        {"1e3", "1"},     {"-", "<null>"}, {"0", "0"},        {"000", "0"}};
    for (const auto& [in, out] : packet) EXPECT_EQ(Canonical(in), out) << in;
    EXPECT_EQ(Canonical("12.75", true), "12");
    EXPECT_EQ(Canonical(std::string(64, '9').c_str()), std::string(64, '9'));
    EXPECT_EQ(Canonical(std::string(65, '9').c_str()), "<null>");

    // Typed values: the locale's separator, an exponent, nothing else.
    const std::vector<std::pair<const char*, const char*>> typed = {
        {" 12,50 ", "12.50"}, {"-3", "-3"},          {"1,5e2", "150"},       {"25e-3", "0.025"},
        {"-0", "0"},          {"12.5", "<refused>"}, {"1 000", "<refused>"}, {"", "<refused>"},
        {",", "<refused>"},   {"1e", "<refused>"},   {"1e999", "<refused>"}, {"0x10", "<refused>"}};
    for (const auto& [in, out] : typed) EXPECT_EQ(Typed(in), out) << in;
    EXPECT_EQ(Typed("42", true), "42");
    EXPECT_EQ(Typed("4,2", true), "<refused>");
    EXPECT_EQ(Typed("4e2", true), "<refused>");

    // The text shown: no trailing zeros, no trailing separator.
    EXPECT_EQ(DecimalDisplayText("12.50", u','), "12,5");
    EXPECT_EQ(DecimalDisplayText("12.00", u','), "12");
    EXPECT_EQ(DecimalDisplayText("-0.250", u'.'), "-0.25");
    std::string d;
    ASSERT_TRUE(DoubleToDecimal(0.1, d));
    EXPECT_EQ(d, "0.1");
    ASSERT_TRUE(DoubleToDecimal(-1234567.125, d));
    EXPECT_EQ(d, "-1234567.125");
    EXPECT_FALSE(DoubleToDecimal(std::nan(""), d));
    EXPECT_FALSE(DoubleToDecimal(1e300, d)); // more digits than a fixed-point value holds
    EXPECT_EQ(RoundToSingle(0.1 + 0.2), 0.3);
    EXPECT_EQ(RoundToSingle(1.234567891), 1.2345679);
}

// Sort keys must order exactly as the comparison does, and no key may be
// the beginning of another (keys of several fields are concatenated).
TEST(NumberText, KeysOrderAsTheNumbers) {
    const std::vector<std::string> values = {"0",     "0.00",  "-0.5", "-0.05", "-1",     "-10",   "-9.99",
                                             "1",     "1.0",   "1.5",  "1.55",  "1.05",   "9",     "10",
                                             "100.1", "99.99", "0.5",  "0.05",  "-100.1", "12.50", "12.5"};
    for (const std::string& a : values)
        for (const std::string& b : values) {
            std::string ka, kb;
            AppendDecimalKey(a, ka);
            AppendDecimalKey(b, kb);
            const int byKey = Sign(ka.compare(kb));
            const double da = std::stod(a), db = std::stod(b);
            const int byValue = da < db ? -1 : da > db ? 1 : 0;
            EXPECT_EQ(Sign(CompareDecimal(a, b)), byValue) << a << " vs " << b;
            EXPECT_EQ(byKey, byValue) << a << " vs " << b;
            if (ka != kb) {
                EXPECT_NE(kb.compare(0, ka.size(), ka), 0) << a << " is a prefix of " << b;
            }
        }
}

TEST(NumericKinds, ACatalogueReadsEachKindAsANumberAndWritesItBackAsItWas) {
    const QByteArray rows =
        "<ROW I1=\"-128\" I2=\"32767\" I4=\"-2147483648\" I8=\"9223372036854775807\" U1=\"255\" U2=\"65535\" "
        "U4=\"4294967295\" U8=\"18446744073709551615\" R4=\"1.25\" FX=\"12.50\" FM=\"-0.125\" "
        "W=\"&#201;clair &#20013;\"/>"
        "<ROW I1=\"0\" R4=\"0.1\" FX=\"7\"/>";
    const QByteArray in = Doc(kKindFields, rows);
    TFileTable f;
    ASSERT_EQ(f.Load(in), "");
    TClientDataSet& t = f.Table;
    EXPECT_EQ(t.FieldByName("I1").AsString(), "-128");
    EXPECT_EQ(t.FieldByName("I8").AsString(), "9223372036854775807");
    EXPECT_EQ(t.FieldByName("U8").AsString(), "18446744073709551615");
    EXPECT_EQ(t.FieldByName("U4").AsFloat(), 4294967295.0);
    // Fixed-point and r4 values show the locale's separator, without
    // trailing zeros.
    EXPECT_EQ(t.FieldByName("R4").AsString(), "1,25");
    EXPECT_EQ(t.FieldByName("FX").AsString(), "12,5");
    EXPECT_EQ(t.FieldByName("FX").AsFloat(), 12.5);
    EXPECT_EQ(t.FieldByName("FM").AsString(), "-0,125");
    EXPECT_EQ(t.FieldByName("W").AsString(), QString::fromUtf8("Éclair 中"));
    for (const char* name : {"I1", "U8", "R4", "FX", "FM"})
        EXPECT_EQ(t.FieldByName(name).Alignment(), taRightJustify) << name;
    t.Next();
    EXPECT_EQ(t.FieldByName("R4").AsString(), "0,1");
    EXPECT_TRUE(t.FieldByName("I2").IsNull());
    EXPECT_EQ(t.FieldByName("I2").AsString(), "");
    // The saved file is the file that was read, byte for byte.
    EXPECT_EQ(f.Save(), in);

    // A price of the catalogue copied through its text into a float field
    // of the collection, as the add does, with a comma locale.
    auto collection = MakeCollection();
    t.First();
    collection->Append();
    collection->FieldByName("PRIX_ACHAT").SetAsString(t.FieldByName("FX").AsString());
    collection->FieldByName("QTE").SetAsString(t.FieldByName("R4").AsString());
    collection->Post();
    EXPECT_EQ(collection->FieldByName("PRIX_ACHAT").AsFloat(), 12.5);
    EXPECT_EQ(collection->FieldByName("QTE").AsFloat(), 1.25);
}

TEST(NumericKinds, ValuesAKindCannotHoldReadAsNull) {
    const QByteArray rows = "<ROW I1=\"128\" U1=\"-1\" U8=\"18446744073709551616\" I4=\"12abc\" I2=\"x1\" "
                            "FX=\"" +
                            QByteArray(65, '1') + "\" R4=\"123456789\" FM=\"1e3\"/>";
    TFileTable f;
    ASSERT_EQ(f.Load(Doc(kKindFields, rows)), "");
    TClientDataSet& t = f.Table;
    for (const char* name : {"I1", "U1", "U8", "I2", "FX"}) EXPECT_TRUE(t.FieldByName(name).IsNull()) << name;
    EXPECT_EQ(t.FieldByName("I4").AsString(), "12");
    EXPECT_EQ(t.FieldByName("R4").AsFloat(), 123456790.0); // 8 significant digits
    EXPECT_EQ(t.FieldByName("FM").AsString(), "1");
    EXPECT_TRUE(f.Save().contains("<ROW I4=\"12\" R4=\"1.2345679e+08\" FM=\"1\"/>")) << f.Save().constData();
}

TEST(NumericKinds, SortOrdersAndKeySearchesCompareNumbers) {
    QByteArray rows;
    for (const char* v : {"10", "9", "-1", "100", "9"}) rows += QByteArray("<ROW I4=\"") + v + "\"/>";
    for (const char* v : {"12.50", "2.5", "12.5", "100", "-0.5"})
        rows += QByteArray("<ROW FX=\"") + v + "\"/>";
    TFileTable f;
    ASSERT_EQ(f.Load(Doc(kKindFields, rows)), "");
    TClientDataSet& t = f.Table;
    t.SetIndexFieldNames("I4");
    // Nulls first; equal values keep their slot order.
    EXPECT_EQ(Column(t, "I4"),
              (QStringList{"<null>", "<null>", "<null>", "<null>", "<null>", "-1", "9", "9", "10", "100"}));
    t.SetIndexFieldNames("FX");
    // 12.50 and 12.5 are the same number: slot order between them.
    EXPECT_EQ(Column(t, "FX").mid(5), (QStringList{"-0.5", "2.5", "12.50", "12.5", "100"}));
    t.SetKey();
    t.FieldByName("FX").SetAsString("12,5");
    t.GotoNearest();
    EXPECT_EQ(t.Store()->BytesAt(t.Store()->Order()[size_t(t.RecNo() - 1)], t.FieldByName("FX").Index()),
              "12.50");
    t.SetIndexFieldNames("I4");
    t.SetKey();
    t.FieldByName("I4").SetAsString("11");
    t.GotoNearest();
    EXPECT_EQ(t.FieldByName("I4").AsString(), "100");
}

TEST(NumericKinds, LocateOnWideAndIntegerCodesComparesTheTextShown) {
    QByteArray rows;
    for (int i = 0; i < 50; ++i)
        rows += "<ROW I8=\"" + QByteArray::number(3760000000000LL + i) + "\" W=\"C&#244;de-" +
                QByteArray::number(i) + "\" FX=\"" + QByteArray::number(i) + ".50\"/>";
    TFileTable f;
    ASSERT_EQ(f.Load(Doc(kKindFields, rows)), "");
    TClientDataSet& t = f.Table;
    const int i8 = t.FieldByName("I8").Index(), w = t.FieldByName("W").Index();

    EXPECT_TRUE(t.Locate("I8", QString("3760000000042"), loCaseInsensitive));
    EXPECT_EQ(t.FieldByName("W").AsString(), QString::fromUtf8("Côde-42"));
    EXPECT_TRUE(t.Store()->HasLocateIndex(i8)) << "answered from the index";
    // The code as text: leading zeros or a sign make another code.
    EXPECT_FALSE(t.Locate("I8", QString("03760000000041"), loCaseInsensitive));
    EXPECT_FALSE(t.Locate("I8", QString("+3760000000041"), loCaseInsensitive));
    EXPECT_FALSE(t.Locate("I8", QString("abc"), loCaseInsensitive));
    EXPECT_EQ(t.FieldByName("W").AsString(), QString::fromUtf8("Côde-42")) << "a failed search moves nothing";
    EXPECT_TRUE(t.Locate("I8", 3760000000007.0, loCaseInsensitive));
    EXPECT_EQ(t.FieldByName("W").AsString(), QString::fromUtf8("Côde-7"));
    EXPECT_TRUE(t.Locate("I8", QString("3760000000008"), 0)); // the scan, case significant
    EXPECT_EQ(t.FieldByName("W").AsString(), QString::fromUtf8("Côde-8"));

    EXPECT_TRUE(t.Locate("W", QString::fromUtf8("CÔDE-13"), loCaseInsensitive));
    EXPECT_EQ(t.FieldByName("I8").AsString(), "3760000000013");
    EXPECT_TRUE(t.Store()->HasLocateIndex(w));
    EXPECT_FALSE(t.Locate("W", QString::fromUtf8("CODE-13"), loCaseInsensitive)) << "accents count";
    EXPECT_TRUE(t.Locate("W", QString::fromUtf8("côde-2"), loCaseInsensitive | loPartialKey));
    EXPECT_EQ(t.FieldByName("I8").AsString(), "3760000000002");

    // A fixed-point value is found by the text it shows.
    EXPECT_TRUE(t.Locate("FX", QString("12,5"), loCaseInsensitive));
    EXPECT_EQ(t.FieldByName("I8").AsString(), "3760000000012");
    EXPECT_FALSE(t.Locate("FX", QString("13,50"), loCaseInsensitive));
    EXPECT_TRUE(t.Locate("FX", 14.5, 0));
    EXPECT_EQ(t.FieldByName("I8").AsString(), "3760000000014");

    // Changes reach the index: a new code is found, a changed one is not.
    t.Append();
    t.FieldByName("I8").SetAsString("5");
    t.FieldByName("W").SetAsString(QString::fromUtf8("Neuf"));
    t.Post();
    t.Locate("I8", QString("3760000000003"), loCaseInsensitive);
    t.Edit();
    t.FieldByName("I8").SetAsString("6");
    t.Post();
    EXPECT_TRUE(t.Locate("I8", QString("5"), loCaseInsensitive));
    EXPECT_EQ(t.FieldByName("W").AsString(), "Neuf");
    EXPECT_FALSE(t.Locate("I8", QString("3760000000003"), loCaseInsensitive));
    EXPECT_TRUE(t.Locate("I8", QString("6"), loCaseInsensitive));
    EXPECT_EQ(t.FieldByName("W").AsString(), QString::fromUtf8("Côde-3"));
}

TEST(NumericKinds, AssignmentsKeepToTheKind) {
    TFileTable f;
    ASSERT_EQ(f.Load(Doc(kKindFields, "<ROW I1=\"5\"/>")), "");
    TClientDataSet& t = f.Table;
    t.Edit();
    TField& i1 = t.FieldByName("I1");
    EXPECT_EQ(ErrorOf([&] { i1.SetAsString("128"); }),
              "La valeur '128' est hors des limites du champ 'I1' (-128 à 127)");
    EXPECT_EQ(ErrorOf([&] { i1.SetAsString("1,5"); }),
              "'1,5' n'est pas une valeur entière correcte pour le champ 'I1'");
    EXPECT_EQ(ErrorOf([&] { i1.SetAsFloat(2.5); }),
              "'2,5' n'est pas une valeur entière correcte pour le champ 'I1'");
    EXPECT_EQ(i1.AsString(), "5") << "a refused value changes nothing";
    i1.SetAsString(" -007 ");
    EXPECT_EQ(i1.AsString(), "-7");
    i1.SetAsFloat(-128);
    EXPECT_EQ(i1.AsString(), "-128");
    EXPECT_EQ(ErrorOf([&] { t.FieldByName("U1").SetAsString("-1"); }),
              "La valeur '-1' est hors des limites du champ 'U1' (0 à 255)");
    t.FieldByName("U8").SetAsString("18446744073709551615");

    TField& fx = t.FieldByName("FX");
    fx.SetAsString("12,50");
    EXPECT_EQ(fx.AsString(), "12,5");
    EXPECT_EQ(ErrorOf([&] { fx.SetAsString("12.5"); }),
              "'12.5' n'est pas une valeur décimale correcte pour le champ 'FX'");
    EXPECT_EQ(ErrorOf([&] { fx.SetAsFloat(std::numeric_limits<double>::infinity()); }),
              "'inf' n'est pas une valeur décimale correcte pour le champ 'FX'");
    fx.SetAsFloat(0.1);
    EXPECT_EQ(fx.AsString(), "0,1");

    TField& r4 = t.FieldByName("R4");
    r4.SetAsFloat(1.0 / 3.0);
    EXPECT_EQ(r4.AsString(), "0,33333333");
    r4.SetAsString("2,123456789");
    EXPECT_EQ(r4.AsFloat(), 2.1234568);

    TField& wide = t.FieldByName("W");
    wide.SetAsString(QString::fromUtf8("Pâté de   campagne"));
    EXPECT_EQ(wide.AsString(), QString::fromUtf8("Pâté de")) << "cut to 10 characters, trailing spaces gone";
    t.Post();
    const QByteArray saved = f.Save();
    EXPECT_TRUE(saved.contains("I1=\"-128\" U8=\"18446744073709551615\" R4=\"2.1234568\" FX=\"0.1\" "
                               "W=\"P&#226;t&#233; de\""))
        << saved.constData();
}

// A float field refuses NaN and the infinities: a file has no text for them
// and would read them back as null.
TEST(NumericKinds, NonFiniteFloatsAreRefused) {
    auto t = MakeCollection();
    t->Append();
    TField& q = t->FieldByName("QTE");
    q.SetAsFloat(2);
    for (double bad :
         {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        const QString message = ErrorOf([&] { q.SetAsFloat(bad); });
        EXPECT_TRUE(message.endsWith(
            "n'est pas une valeur entière en virgule flottante correcte pour le champ 'QTE'"))
            << message.toStdString();
        EXPECT_EQ(q.AsFloat(), 2);
    }
    EXPECT_EQ(ErrorOf([&] { q.SetAsFloat(std::numeric_limits<double>::infinity()); }),
              "'inf' n'est pas une valeur entière en virgule flottante correcte pour le champ 'QTE'");
    t->Post();
    EXPECT_EQ(q.AsFloat(), 2);
}

// The generated catalogue with every numeric kind: each numeric column
// sorts by value, its texts use the comma, and the file written from it
// reads back and writes again byte for byte.
TEST(NumericKinds, AGeneratedCatalogueOfEveryKind) {
    catgen::TCatalogueKinds kinds;
    kinds.AllNumericKinds = true;
    kinds.Code = "i8";
    TFileTable f;
    f.Table.LoadFromStoreData(catgen::MakeCatalogue(600, 3, kinds));
    const QByteArray saved = f.Save();
    TFileTable g;
    ASSERT_EQ(g.Load(saved), "");
    EXPECT_EQ(g.Save(), saved);
    TClientDataSet& t = g.Table;
    for (const char* name : {"CODE_ART", "PX_VTE_TC", "PRIX_ACHAT", "N_I1", "N_I2", "N_I4", "N_I8", "N_UI1",
                             "N_UI2", "N_UI4", "N_UI8", "N_FMT"}) {
        t.SetIndexFieldNames(name);
        TField& field = t.FieldByName(name);
        EXPECT_EQ(field.Alignment(), taRightJustify) << name;
        bool seenValue = false;
        double last = -std::numeric_limits<double>::infinity();
        int values = 0;
        for (t.First(); !t.Eof(); t.Next()) {
            if (field.IsNull()) {
                EXPECT_FALSE(seenValue) << name << ": nulls come first";
                continue;
            }
            seenValue = true;
            ++values;
            EXPECT_GE(field.AsFloat(), last) << name << " at " << field.AsString().toStdString();
            last = field.AsFloat();
            EXPECT_FALSE(field.AsString().contains(u'.')) << field.AsString().toStdString();
        }
        EXPECT_GT(values, 500) << name;
    }
}
