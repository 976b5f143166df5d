// Choosing a sort order the way the article selection dialog does: asking
// whether fields can be one without sorting, orders kept while the data does
// not change, and key searches in capitals.
#include "TableTestUtil.h"

#include "base/CodePage.h"
#include "base/Collation.h"
#include "tools/catgen/Catalogue.h"

#include <algorithm>

using namespace tallivo;
using namespace tallivo::test;

namespace {

std::unique_ptr<TClientDataSet> Articles() {
    auto t = MakeCollection();
    const char* names[] = {"visser", "Vis", "Clou", "vis", "VIS", "Zinc"};
    for (int i = 0; i < 6; ++i) AddLine(*t, QString("C%1").arg(i), QString(), names[i]);
    for (t->First(); !t->Eof(); t->Next()) {
        t->Edit();
        t->FieldByName("PRIX_ACHAT").SetAsFloat(t->RecNo() * 1.5);
        t->Post();
    }
    t->First();
    return t;
}

QString Code(TClientDataSet& t) {
    return t.FieldByName("CODE_ART").AsString();
}

} // namespace

TEST(SortChoice, AskingWhetherFieldsCanSortBuildsNothingAndChangesNothing) {
    auto t = Articles();
    t->SetIndexFieldNames("CODE_ART");
    t->MoveBy(2);
    TDataSource source;
    TRecordingLink link;
    source.SetDataSet(t.get());
    link.SetDataSource(&source);
    link.Clear();
    const auto order = t->Store()->Order();
    const uint64_t built = t->Store()->SortOrdersBuilt();

    t->CheckIndexFieldNames("NOM_ART");
    t->CheckIndexFieldNames("prix_achat;NOM_ART");
    EXPECT_EQ(ErrorOf([&] { t->CheckIndexFieldNames("NOM_FOU"); }),
              QString::fromUtf8("Champ 'NOM_FOU' non trouvé"));
    EXPECT_EQ(ErrorOf([&] { t->SetIndexFieldNames("NOM_FOU"); }),
              QString::fromUtf8("Champ 'NOM_FOU' non trouvé"));
    EXPECT_EQ(t->Store()->SortOrdersBuilt(), built);
    EXPECT_EQ(t->Store()->Order(), order);
    EXPECT_EQ(t->IndexFieldNames(), "CODE_ART");
    EXPECT_EQ(Code(*t), "C2");
    EXPECT_TRUE(link.Events.empty());
    link.SetDataSource(nullptr);

    // A closed table only remembers names: nothing to refuse yet.
    t->Close();
    EXPECT_EQ(ErrorOf([&] { t->CheckIndexFieldNames("NOM_FOU"); }), QString());
}

TEST(SortChoice, OrdersAreKeptWhileTheDataIsUnchangedAndBuiltAgainAfterAChange) {
    auto t = Articles();
    const uint64_t start = t->Store()->SortOrdersBuilt();
    for (const char* names : {"NOM_ART", "CODE_ART", "PRIX_ACHAT", "NOM_ART", "CODE_ART", "PRIX_ACHAT"})
        t->SetIndexFieldNames(names);
    EXPECT_EQ(t->Store()->SortOrdersBuilt(), start + 3);
    t->Edit();
    t->FieldByName("PRIX_ACHAT").SetAsFloat(0);
    t->Post();
    t->SetIndexFieldNames("NOM_ART");
    EXPECT_EQ(t->Store()->SortOrdersBuilt(), start + 4);
    EXPECT_EQ(Column(*t, "NOM_ART"), (QStringList{"Clou", "vis", "Vis", "VIS", "visser", "Zinc"}));
}

TEST(SortChoice, AKeyInCapitalsLandsOnItsOwnSpellingAndARefusedKeyLeavesTheCursor) {
    auto t = Articles();
    t->SetIndexFieldNames("NOM_ART");
    auto nearest = [&](const QString& key) {
        t->SetKey();
        t->FieldByName(t->IndexFieldNames()).SetAsString(key);
        t->GotoNearest();
        return t->FieldByName("NOM_ART").AsString();
    };
    // Letter case weighs least, lower case first: capitals come after the
    // lower-case and capitalised spellings of the same word.
    EXPECT_EQ(nearest("VIS"), "VIS");
    EXPECT_EQ(nearest("VISS"), "visser");
    EXPECT_EQ(nearest("V"), "vis");

    t->SetIndexFieldNames("PRIX_ACHAT");
    const QString before = Code(*t);
    t->SetKey();
    EXPECT_EQ(ErrorOf([&] { t->FieldByName("PRIX_ACHAT").SetAsString("A"); }),
              "'A' n'est pas une valeur entière en virgule flottante correcte pour le champ 'PRIX_ACHAT'");
    t->Cancel();
    EXPECT_EQ(t->State(), dsBrowse);
    EXPECT_EQ(Code(*t), before);
    t->SetKey();
    t->FieldByName("PRIX_ACHAT").SetAsString("4");
    t->GotoNearest();
    EXPECT_EQ(Code(*t), "C2"); // 4,5: the first price not below 4
}

TEST(SortChoice, LargeOrdersBuiltOnSeveralCoresMatchAStableSortOfTheirKeys) {
    // Large enough for the keys to be computed in several slot ranges, with
    // superseded and deleted slots among them.
    TClientDataSet t;
    catgen::FillCatalogue(t, 240000, 5);
    for (int i = 0; i < 400; ++i) {
        t.MoveBy(397);
        if (i % 2) {
            t.Delete();
        } else {
            t.Edit();
            t.FieldByName("CATEGORIE").SetAsString(QString("Rayon %1").arg(i % 7));
            t.Post();
        }
    }
    const IDSBase& s = *t.Store();
    for (const char* setting : {"NOM_ART", "CATEGORIE;NOM_FOU", "GERE_STOCK", "REF_ART_F"}) {
        SCOPED_TRACE(setting);
        std::vector<int> fields;
        for (const QString& n : QString(setting).split(';')) fields.push_back(t.FieldByName(n).Index());
        // Each field's sort key ends with a zero byte found nowhere inside
        // it: joined, they compare field by field.
        std::vector<std::pair<std::string, uint32_t>> keyed;
        for (uint32_t slot = 1; slot <= s.SlotCount(); ++slot) {
            if (!s.IsVisible(slot)) continue;
            std::string key;
            for (int f : fields) s.Collator().AppendSortKey(U16(FromAnsi(s.BytesAt(slot, f))), key);
            keyed.emplace_back(std::move(key), slot);
        }
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<uint32_t> expected;
        for (const auto& k : keyed) expected.push_back(k.second);
        t.SetIndexFieldNames(setting);
        EXPECT_EQ(s.Order(), expected);
    }
}

TEST(SortChoice, AnOrderPreparedAheadIsTheOneASortBuildsAndAChangeOfTheRecordsStopsIt) {
    TClientDataSet t, reference;
    catgen::FillCatalogue(t, 50000, 3);
    catgen::FillCatalogue(reference, 50000, 3);
    t.PrepareIndexFieldNames("REF_ART_F");
    t.SetIndexFieldNames("REF_ART_F");
    reference.SetIndexFieldNames("REF_ART_F");
    EXPECT_EQ(t.Store()->Order(), reference.Store()->Order());
    EXPECT_EQ(t.Store()->SortOrdersBuilt(), 1u);

    // Changed while the name order is prepared: the order taken holds the
    // change.
    t.PrepareIndexFieldNames("NOM_ART");
    for (TClientDataSet* table : {&t, &reference}) {
        table->Append();
        table->FieldByName("CODE_ART").SetAsString("NEW");
        table->FieldByName("NOM_ART").SetAsString("Abricots secs");
        table->Post();
        table->SetIndexFieldNames("NOM_ART");
    }
    EXPECT_EQ(t.Store()->Order(), reference.Store()->Order());
    t.PrepareIndexFieldNames("NO_SUCH_FIELD"); // passed over
    t.PrepareIndexFieldNames("CODE_ART");      // the table closes while it is built
}
