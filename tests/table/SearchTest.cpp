// Sort orders, Locate and the nearest-key search.
#include "TableTestUtil.h"

#include "base/CodePage.h"
#include "base/Collation.h"
#include "tools/catgen/Catalogue.h"

using namespace tallivo;
using namespace tallivo::test;

namespace {
std::unique_ptr<TClientDataSet> Names(std::initializer_list<const char*> names) {
    auto t = MakeCollection();
    int i = 0;
    for (const char* n : names) AddLine(*t, QString("C%1").arg(i++), QString(), QString::fromUtf8(n));
    return t;
}
QString Current(TClientDataSet& t, const char* field = "NOM_ART") {
    return t.FieldByName(field).AsString();
}
} // namespace

TEST(Sort, LocaleOrderWithCaseSignificant) {
    auto t = MakeCollection();
    AddLine(*t, "B2");
    AddLine(*t, "a1");
    AddLine(*t, "A1");
    t->SetIndexFieldNames("CODE_ART");
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"a1", "A1", "B2"}));
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "A1"); // the current record stays current
    t->SetIndexFieldNames("");
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"B2", "a1", "A1"}));
    EXPECT_EQ(t->IndexFieldNames(), "");
}

TEST(Sort, EqualKeysKeepSlotOrderAndNewOnesComeAfter) {
    auto t = Names({"Pain", "Beurre", "Pain", "Sel"});
    t->SetIndexFieldNames("NOM_ART");
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"C1", "C0", "C2", "C3"}));
    AddLine(*t, "C4", QString(), "Pain");
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"C1", "C0", "C2", "C4", "C3"}));
    // A change that keeps the key keeps the place ...
    ASSERT_TRUE(t->Locate("CODE_ART", QString("C0"), 0));
    t->Edit();
    t->FieldByName("QTE").SetAsFloat(1);
    t->Post();
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"C1", "C0", "C2", "C4", "C3"}));
    // ... one that changes it moves the record after its new equals.
    ASSERT_TRUE(t->Locate("CODE_ART", QString("C3"), 0));
    t->Edit();
    t->FieldByName("NOM_ART").SetAsString("Pain");
    t->Post();
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"C1", "C0", "C2", "C4", "C3"}));
    t->Edit();
    t->FieldByName("NOM_ART").SetAsString("Avoine");
    t->Post();
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"C3", "C1", "C0", "C2", "C4"}));
    EXPECT_EQ(t->RecNo(), 1);
    // Building the setting anew gives equal keys in slot order: C0's newest
    // version is now the latest slot among the equal names.
    t->SetIndexFieldNames("");
    t->SetIndexFieldNames("NOM_ART");
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"C3", "C1", "C2", "C4", "C0"}));
}

TEST(Sort, SeveralFieldsNullsFirstAndNumbers) {
    auto t = MakeCollection();
    AddLine(*t, "A", "2", "x");
    AddLine(*t, "B", "-1", "x");
    AddLine(*t, "C", "", "x");
    AddLine(*t, "D", "10", "a");
    t->SetIndexFieldNames("NOM_ART;QTE");
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"D", "C", "B", "A"}));
    t->SetIndexFieldNames("qte");
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"C", "B", "A", "D"}));
}

TEST(Sort, FailingSettingKeepsTheOldOrder) {
    auto t = Names({"b", "a"});
    t->SetIndexFieldNames("NOM_ART");
    EXPECT_EQ(ErrorOf([&] { t->SetIndexFieldNames("NOM_ART;XYZ"); }), "Champ 'XYZ' non trouvé");
    EXPECT_EQ(t->IndexFieldNames(), "NOM_ART");
    EXPECT_EQ(Column(*t, "NOM_ART"), (QStringList{"a", "b"}));
}

TEST(Sort, SettingSurvivesCloseAndLoad) {
    auto t = Names({"b", "a", "c"});
    t->SetIndexFieldNames("NOM_ART");
    t->Close();
    t->Open();
    EXPECT_EQ(Column(*t, "NOM_ART"), (QStringList{"a", "b", "c"}));
    catgen::FillCatalogue(*t, 300);
    EXPECT_EQ(t->IndexFieldNames(), "NOM_ART");
    // The loaded records come sorted by name: ascending, equal names in slot order.
    const IDSBase& s = *t->Store();
    const int f = t->FieldByName("NOM_ART").Index();
    for (size_t i = 1; i < s.Order().size(); ++i) {
        const uint32_t a = s.Order()[i - 1], b = s.Order()[i];
        const QString qa = FromAnsi(s.BytesAt(a, f)), qb = FromAnsi(s.BytesAt(b, f));
        const int c = s.Collator().Compare(U16(qa), U16(qb));
        EXPECT_TRUE(c < 0 || (c == 0 && a < b)) << i;
    }
}

TEST(Sort, ReturningToASettingRebuildsEqualKeysInSlotOrder) {
    auto t = Names({"Pain", "Pain"});
    t->SetIndexFieldNames("NOM_ART");
    t->First();
    t->Edit();
    t->FieldByName("QTE").SetAsFloat(1);
    t->Post(); // same key: keeps its place before C1
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"C0", "C1"}));
    t->SetIndexFieldNames("CODE_ART");
    t->SetIndexFieldNames("NOM_ART"); // built anew: C0's newest slot is now the later one
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"C1", "C0"}));
}

TEST(Sort, ReturningToAnEarlierOrderReusesIt) {
    auto t = Names({"b", "a", "c"});
    t->SetIndexFieldNames("NOM_ART");
    const auto first = t->Store()->Order();
    t->SetIndexFieldNames("CODE_ART");
    t->SetIndexFieldNames("NOM_ART");
    EXPECT_EQ(t->Store()->Order(), first);
    // After a change the kept orders are rebuilt and include it.
    t->SetIndexFieldNames("CODE_ART");
    AddLine(*t, "C9", QString(), "0");
    t->SetIndexFieldNames("NOM_ART");
    EXPECT_EQ(Column(*t, "NOM_ART"), (QStringList{"0", "a", "b", "c"}));
}

TEST(Locate, CaseInsensitiveFindsTheFirstInTheCurrentOrder) {
    auto t = MakeCollection();
    AddLine(*t, "A1", "1");
    AddLine(*t, "a1", "2");
    AddLine(*t, "B", "3");
    ASSERT_TRUE(t->Locate("CODE_ART", QString("a1"), loCaseInsensitive));
    EXPECT_EQ(t->FieldByName("QTE").AsFloat(), 1);
    t->SetIndexFieldNames("CODE_ART"); // a1 now comes before A1
    t->Last();
    ASSERT_TRUE(t->Locate("CODE_ART", QString("A1"), loCaseInsensitive));
    EXPECT_EQ(t->FieldByName("QTE").AsFloat(), 2);
    ASSERT_TRUE(t->Locate("CODE_ART", QString("A1"), 0));
    EXPECT_EQ(t->FieldByName("QTE").AsFloat(), 1);
}

TEST(Locate, TrailingSpacesAndFailures) {
    auto t = MakeCollection();
    AddLine(*t, "A1", "1");
    AddLine(*t, "B1", "2");
    EXPECT_FALSE(t->Locate("CODE_ART", QString("A1 "), loCaseInsensitive));
    EXPECT_FALSE(t->Locate("CODE_ART", QString("A1 "), 0));
    EXPECT_FALSE(t->Locate("CODE_ART", QString(" A1"), loCaseInsensitive));
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "B1"); // not moved
    EXPECT_EQ(ErrorOf([&] { t->Locate("XYZ", QString("A1"), 0); }), "Champ 'XYZ' non trouvé");
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "B1");
    t->EmptyDataSet();
    EXPECT_FALSE(t->Locate("CODE_ART", QString("A1"), loCaseInsensitive));
}

TEST(Locate, TextIsComparedAsTextNotAsCodePageBytes) {
    auto t = MakeCollection();
    AddLine(*t, QString::fromUtf8("Ā1"), "1"); // stored as "?1": the code page lacks the letter
    AddLine(*t, QString::fromUtf8("é1"), "2");
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), QString::fromUtf8("é1"));
    // A search text that the code page cannot hold finds no stored "?".
    EXPECT_FALSE(t->Locate("CODE_ART", QString::fromUtf8("Ā1"), loCaseInsensitive));
    EXPECT_FALSE(t->Locate("CODE_ART", QString::fromUtf8("Ā1"), 0));
    EXPECT_EQ(t->FieldByName("QTE").AsFloat(), 2);
    ASSERT_TRUE(t->Locate("CODE_ART", QString("?1"), loCaseInsensitive));
    EXPECT_EQ(t->FieldByName("QTE").AsFloat(), 1);
    ASSERT_TRUE(t->Locate("CODE_ART", QString::fromUtf8("É1"), loCaseInsensitive));
    EXPECT_EQ(t->FieldByName("QTE").AsFloat(), 2);
}

TEST(Locate, PartialKeysNumbersNullsAndSeveralFields) {
    auto t = MakeCollection();
    AddLine(*t, "ABC", "1", "pomme");
    AddLine(*t, "ABD", "2,5", "Poire");
    AddLine(*t, "X*", "", "poire");
    ASSERT_TRUE(t->Locate("CODE_ART", QString("ab"), loPartialKey | loCaseInsensitive));
    EXPECT_EQ(Current(*t, "CODE_ART"), "ABC");
    EXPECT_FALSE(t->Locate("CODE_ART", QString("ab"), loPartialKey));
    EXPECT_FALSE(t->Locate("CODE_ART", QString("X"), 0));
    ASSERT_TRUE(t->Locate("CODE_ART", QString("X*"), 0)); // "*" is an ordinary character
    ASSERT_TRUE(t->Locate("QTE", 2.5, 0));
    EXPECT_EQ(Current(*t, "CODE_ART"), "ABD");
    ASSERT_TRUE(t->Locate("QTE", QString("1"), 0));
    EXPECT_EQ(Current(*t, "CODE_ART"), "ABC");
    ASSERT_TRUE(t->Locate("QTE", TKeyValue{}, 0)); // null matches null only
    EXPECT_EQ(Current(*t, "CODE_ART"), "X*");
    ASSERT_TRUE(
        t->Locate("NOM_ART;QTE", std::vector<TKeyValue>{QString("POIRE"), TKeyValue{}}, loCaseInsensitive));
    EXPECT_EQ(Current(*t, "CODE_ART"), "X*");
    ASSERT_TRUE(t->Locate("NOM_ART;QTE", std::vector<TKeyValue>{QString("poire"), 2.5}, loCaseInsensitive));
    EXPECT_EQ(Current(*t, "CODE_ART"), "ABD");
    EXPECT_FALSE(t->Locate("NOM_ART;QTE", std::vector<TKeyValue>{QString("poire"), 2.5}, 0));
}

TEST(Locate, IndexStaysRightAcrossChanges) {
    auto t = MakeCollection();
    for (int i = 0; i < 100; ++i) AddLine(*t, QString("Code%1").arg(i), QString::number(i));
    ASSERT_TRUE(t->Locate("CODE_ART", QString("CODE42"), loCaseInsensitive));
    EXPECT_TRUE(t->Store()->HasLocateIndex(0));
    EXPECT_EQ(t->FieldByName("QTE").AsFloat(), 42);
    t->Edit();
    t->FieldByName("CODE_ART").SetAsString("Renamed");
    t->Post();
    EXPECT_FALSE(t->Locate("CODE_ART", QString("code42"), loCaseInsensitive));
    ASSERT_TRUE(t->Locate("CODE_ART", QString("RENAMED"), loCaseInsensitive));
    EXPECT_EQ(t->FieldByName("QTE").AsFloat(), 42);
    t->Delete();
    EXPECT_FALSE(t->Locate("CODE_ART", QString("renamed"), loCaseInsensitive));
    AddLine(*t, "code7", "700"); // a second code7 ignoring case, after the first
    ASSERT_TRUE(t->Locate("CODE_ART", QString("CODE7"), loCaseInsensitive));
    EXPECT_EQ(t->FieldByName("QTE").AsFloat(), 7);
    t->SetIndexFieldNames("CODE_ART"); // code7 sorts before Code7
    ASSERT_TRUE(t->Locate("CODE_ART", QString("CODE7"), loCaseInsensitive));
    EXPECT_EQ(t->FieldByName("QTE").AsFloat(), 700);
    t->EmptyDataSet();
    EXPECT_FALSE(t->Locate("CODE_ART", QString("code7"), loCaseInsensitive));
    AddLine(*t, "CODE7", "1");
    ASSERT_TRUE(t->Locate("CODE_ART", QString("code7"), loCaseInsensitive));
    t->Close();
    t->Open();
    ASSERT_TRUE(t->Locate("CODE_ART", QString("code7"), loCaseInsensitive));
}

TEST(Nearest, LandingRules) {
    auto t = Names({"BETON", "ALPHA", "BETA"});
    EXPECT_EQ(ErrorOf([&] {
                  t->SetKey();
                  t->GotoNearest();
              }),
              "Data is not indexed.");
    EXPECT_EQ(t->State(), dsBrowse);
    t->SetIndexFieldNames("NOM_ART");
    auto nearest = [&](const char* key, bool exclusive = false) {
        t->SetKey();
        t->FieldByName("NOM_ART").SetAsString(key);
        t->SetKeyExclusive(exclusive);
        t->GotoNearest();
        EXPECT_EQ(t->State(), dsBrowse);
        return Current(*t);
    };
    EXPECT_EQ(nearest("BET"), "BETA");
    EXPECT_EQ(nearest("BZ"), "BETON");
    EXPECT_EQ(nearest("A"), "ALPHA");
    EXPECT_EQ(nearest("beta"), "BETA"); // lower case sorts before upper case
    EXPECT_EQ(nearest("BETA"), "BETA");
    EXPECT_EQ(nearest("BETA", true), "BETON");
    EXPECT_EQ(nearest("ALPHA", true), "BETA");
    t->SetKeyExclusive(false);
    EXPECT_EQ(ErrorOf([&] {
                  t->SetKey();
                  t->FieldByName("CODE_ART").SetAsString("C1");
              }),
              QString::fromUtf8("Le champ 'CODE_ART' n'est pas indexé et ne peut être modifié"));
    t->Cancel();
    // Cancel gives the previous key back.
    t->SetKey();
    t->FieldByName("NOM_ART").SetAsString("ZZZ");
    t->Cancel();
    t->GotoNearest();
    EXPECT_EQ(Current(*t), "ALPHA");
}

TEST(Nearest, FloatKeysAndEmptyTables) {
    auto t = MakeCollection();
    AddLine(*t, "A", "3");
    AddLine(*t, "B", "12,5");
    AddLine(*t, "C", "20");
    t->SetIndexFieldNames("QTE");
    t->SetKey();
    t->FieldByName("QTE").SetAsString("12,5");
    t->GotoNearest();
    EXPECT_EQ(Current(*t, "CODE_ART"), "B");
    t->SetKey();
    EXPECT_EQ(ErrorOf([&] { t->FieldByName("QTE").SetAsString("12.5"); }),
              "'12.5' n'est pas une valeur entière en virgule flottante correcte pour le champ 'QTE'");
    t->Cancel();
    t->EmptyDataSet();
    t->SetKey();
    t->FieldByName("QTE").SetAsFloat(1);
    t->GotoNearest();
    EXPECT_EQ(t->RecordCount(), 0);
    EXPECT_TRUE(t->Eof());
}

TEST(Sort, LargeOrdersMatchAStablePairwiseSort) {
    TClientDataSet t;
    catgen::FillCatalogue(t, 6000, 11);
    const IDSBase& s = *t.Store();
    const TCollator& coll = s.Collator();
    for (const char* setting :
         {"NOM_ART", "CATEGORIE;PX_VTE_TC", "PRIX_ACHAT;NOM_FOU;CODE_ART", "GERE_STOCK"}) {
        SCOPED_TRACE(setting);
        t.SetIndexFieldNames(setting);
        std::vector<int> fields;
        for (const QString& n : QString(setting).split(';')) fields.push_back(t.FieldByName(n).Index());
        std::vector<uint32_t> expected = s.DefaultOrder(); // loaded: slot order
        std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
            for (int f : fields) {
                const bool an = s.IsNull(a, f), bn = s.IsNull(b, f);
                int c;
                if (an || bn) {
                    c = an == bn ? 0 : an ? -1 : 1;
                } else if (s.Data().Columns[size_t(f)].Kind() == TStoreColumn::TKind::Float) {
                    c = s.FloatAt(a, f) < s.FloatAt(b, f) ? -1 : s.FloatAt(a, f) > s.FloatAt(b, f) ? 1 : 0;
                } else {
                    const QString qa = FromAnsi(s.BytesAt(a, f)), qb = FromAnsi(s.BytesAt(b, f));
                    c = coll.Compare(U16(qa), U16(qb));
                }
                if (c) return c < 0;
            }
            return false;
        });
        EXPECT_EQ(s.Order(), expected);
    }
}

TEST(Locate, PreparedIndexAnswersLikeTheFirstSearchWouldBuildIt) {
    auto t = MakeCollection();
    for (int i = 0; i < 50; ++i) AddLine(*t, QString("Code%1").arg(i), QString::number(i));
    t->PrepareLocate("qte"); // not a string field: nothing to prepare
    EXPECT_FALSE(t->Store()->HasLocateIndex(3));
    t->PrepareLocate("NO_SUCH_FIELD"); // the search itself reports unknown fields
    t->PrepareLocate("code_art");
    EXPECT_TRUE(t->Store()->HasLocateIndex(0));
    t->Last();
    ASSERT_TRUE(t->Locate("CODE_ART", QString("CODE17"), loCaseInsensitive));
    EXPECT_EQ(t->FieldByName("QTE").AsFloat(), 17);
    EXPECT_FALSE(t->Locate("CODE_ART", QString("CODE17 "), loCaseInsensitive));
    // On a closed table it does nothing.
    t->Close();
    t->PrepareLocate("CODE_ART");
}

// A catalogue large enough for the code index to be built on several cores,
// with records no longer visible and codes emptied in its first half, plus a
// thousand codes whose tags all fall at the very end of the range: their run
// of entries is placed last and wraps around the table's end. Every code is
// found at its own record.
TEST(Locate, LargeIndexFindsEveryCodeAlsoWhenItsRunWrapsAroundTheTableEnd) {
    IDSBase store(catgen::MakeCatalogue(200000));
    TRecordBuffer record;
    for (uint32_t slot = 1; slot <= 100000; slot += 97) {
        store.ReadRecord(slot, record);
        record[0].Null = true;
        store.ModifyRecord(slot, record);
    }
    for (uint32_t i = 0, added = 0; added < 1000; ++i) {
        record[0] = {false, 0, "zw-" + std::to_string(i)};
        if (store.Collator().LookupHashAnsi(record[0].Bytes) < 0xFFE00000u) continue;
        store.InsertRecord(record);
        ++added;
    }
    store.PrepareLocateIndex(0);
    for (uint32_t slot = 1; slot <= store.SlotCount(); ++slot) {
        if (store.PositionOf(slot) < 0 || store.IsNull(slot, 0)) continue;
        const QString code = FromAnsi(store.BytesAt(slot, 0));
        ASSERT_EQ(store.LocateIgnoreCase(0, code.toLower()), store.PositionOf(slot)) << code.toStdString();
    }
}
