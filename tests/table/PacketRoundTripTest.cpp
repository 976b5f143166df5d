// Saving and loading gives back the same table: slots, row states, change
// log, fields and order, in both forms, for states reached by any sequence
// of the table's operations, and for every byte of the code page.
#include "PacketTestUtil.h"

#include <random>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// Saves through a file and loads the file into a fresh table.
std::unique_ptr<TClientDataSet> SavedAndLoaded(TClientDataSet& t, TDataPacketFormat format,
                                               QByteArray* bytes = nullptr) {
    QTemporaryDir dir;
    const QString path = dir.filePath("COLLECTION.XML");
    t.SaveToFile(path, format);
    if (bytes) *bytes = ReadFileBytes(path);
    auto u = std::make_unique<TClientDataSet>();
    u->LoadFromFile(path);
    return u;
}

// b is a loaded from a file: the same slots, row states, log, fields and
// parameters; its order is the visible slots in slot order (a modified
// record comes at the place of its newest version).
void ExpectSameTable(TClientDataSet& a, TClientDataSet& b, const std::string& where) {
    TStoreImage expected = ImageOf(*a.Store());
    expected.Order.clear();
    for (uint32_t s = 1; s <= a.Store()->SlotCount(); ++s)
        if (a.Store()->IsVisible(s)) expected.Order.push_back(s);
    EXPECT_TRUE(expected == ImageOf(*b.Store())) << where;
    EXPECT_EQ(a.RecordCount(), b.RecordCount()) << where;
    QStringList na, nb;
    a.GetFieldNames(na);
    b.GetFieldNames(nb);
    EXPECT_EQ(na, nb) << where;
    for (int i = 0; i < a.Fields().Count(); ++i) {
        EXPECT_EQ(a.Fields()[i]->DataType(), b.Fields()[i]->DataType()) << where;
        EXPECT_EQ(a.Fields()[i]->Size(), b.Fields()[i]->Size()) << where;
    }
}

const char* const kNames[] = {
    "Crème fraîche", "Dupré & Fils", "l'\"ancien\"", "a\\b<c>", "Tab\tCR\rLF\n", "Œuf €", "  lead", "x", ""};

} // namespace

TEST(PacketRoundTrip, EveryStateOfRandomOperationSequences) {
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        std::mt19937 rng(seed);
        auto t = MakeCollection();
        auto pick = [&](uint32_t n) { return uint32_t(rng() % n); };
        for (int step = 0; step < 60; ++step) {
            const uint32_t op = pick(20);
            if (op < 7 || t->RecordCount() == 0) {
                t->Append();
                t->FieldByName("CODE_ART").SetAsString(QStringLiteral("C%1").arg(pick(30)));
                if (pick(4)) t->FieldByName("QTE").SetAsFloat(double(pick(2000)) / 4);
                if (pick(3)) t->FieldByName("NOM_ART").SetAsString(QString::fromUtf8(kNames[pick(9)]));
                if (pick(2))
                    t->FieldByName("PRIX_ACHAT")
                        .SetAsString(QStringLiteral("%1,%2").arg(pick(99)).arg(pick(99)));
                t->FieldByName("GERE_STOCK").SetAsString(pick(2) ? "O" : "N");
                t->Post();
            } else if (op < 14) {
                t->First();
                t->MoveBy(int(pick(uint32_t(t->RecordCount()))));
                t->Edit();
                if (pick(2))
                    t->FieldByName("QTE").SetAsFloat(t->FieldByName("QTE").AsFloat() + 1);
                else
                    t->FieldByName("NOM_ART").SetAsString(QString::fromUtf8(kNames[pick(9)]));
                if (!pick(5)) t->FieldByName("PRIX_ACHAT").Clear();
                t->Post();
            } else if (op < 19) {
                t->First();
                t->MoveBy(int(pick(uint32_t(t->RecordCount()))));
                t->Delete();
            } else {
                t->EmptyDataSet();
            }
            if (step % 6 != 5) continue;
            const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step);
            QByteArray first;
            auto x = SavedAndLoaded(*t, dfXML, &first);
            ExpectSameTable(*t, *x, where + " dfXML");
            auto u = SavedAndLoaded(*t, dfXMLUTF8);
            ExpectSameTable(*t, *u, where + " dfXMLUTF8");
            // The loaded table writes the same bytes again.
            QByteArray second;
            SavedAndLoaded(*x, dfXML, &second);
            EXPECT_EQ(first, second) << where;
            // Work goes on on the loaded table as on the original.
            if (step == 29) t = std::move(x);
        }
    }
}

TEST(PacketRoundTrip, EveryByteOfTheCodePageSurvives) {
    TClientDataSet t;
    t.FieldDefs().Add("ALL", ftString, 255);
    t.FieldDefs().Add(QString::fromUtf8("NOM_Œ€é"), ftString, 10);
    t.CreateDataSet();
    std::string bytes;
    for (int b = 1; b <= 255; ++b) bytes.push_back(char(b));
    t.Append();
    t.Fields()[0]->SetAsString(FromAnsi(bytes));
    t.Fields()[1]->SetAsString(FromAnsi("\x80\x81\x8D\x8F\x90\x9D\xFF"));
    t.Post();
    ASSERT_EQ(t.Store()->BytesAt(1, 0), bytes);
    for (TDataPacketFormat format : {dfXML, dfXMLUTF8}) {
        auto u = SavedAndLoaded(t, format);
        EXPECT_EQ(u->Store()->BytesAt(1, 0), bytes) << format;
        EXPECT_EQ(u->Store()->BytesAt(1, 1), "\x80\x81\x8D\x8F\x90\x9D\xFF") << format;
        EXPECT_EQ(u->Fields()[1]->FieldName(), QString::fromUtf8("NOM_Œ€é")) << format;
        ExpectSameTable(t, *u, "format " + std::to_string(format));
    }
}

TEST(PacketRoundTrip, ModifiedLineComesAfterTheOthersOnceReloaded) {
    auto t = MakeCollection();
    AddLine(*t, "A", "1");
    AddLine(*t, "B", "1");
    t->First();
    t->Edit();
    t->FieldByName("QTE").SetAsFloat(5);
    t->Post();
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"A", "B"}));
    auto u = SavedAndLoaded(*t, dfXML);
    EXPECT_EQ(Column(*u, "CODE_ART"), (QStringList{"B", "A"}));
    EXPECT_EQ(RowStates(*u), RowStates(*t));
    EXPECT_EQ(Log(*u), Log(*t));
}

TEST(PacketRoundTrip, XmlUtf8LoadsToTheSameTableAsXml) {
    auto t = MakeCollection();
    AddLine(*t, QString::fromUtf8("É1"), "2,5", QString::fromUtf8("Pâté « maison » & Cie"));
    AddLine(*t, "B2", "", QString::fromUtf8("Bœuf — 3 €"));
    t->Last();
    t->Delete();
    QByteArray xml, utf8;
    auto a = SavedAndLoaded(*t, dfXML, &xml);
    auto b = SavedAndLoaded(*t, dfXMLUTF8, &utf8);
    EXPECT_NE(xml, utf8);
    ExpectSameTable(*a, *b, "dfXML against dfXMLUTF8");
    ExpectSameTable(*t, *b, "original against dfXMLUTF8");
}
