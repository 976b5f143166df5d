// Slots, row states, change log and the default order through append, edit,
// delete and empty.
#include "TableTestUtil.h"

using namespace tallivo;
using namespace tallivo::test;

using Log_ = std::vector<TChangeLogEntry>;

TEST(Records, AppendPostLogsOneInsertedSlot) {
    auto t = MakeCollection();
    t->Append();
    EXPECT_EQ(t->State(), dsInsert);
    EXPECT_TRUE(t->FieldByName("QTE").IsNull());
    t->FieldByName("CODE_ART").SetAsString("A1  ");
    t->FieldByName("QTE").SetAsString("2");
    t->Post();
    EXPECT_EQ(t->State(), dsBrowse);
    EXPECT_EQ(t->RecordCount(), 1);
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "A1");
    EXPECT_EQ(RowStates(*t), std::vector<uint8_t>{4});
    EXPECT_EQ(Log(*t), (Log_{{1, 0, 4}}));
}

TEST(Records, EditWithoutChangeStoresNothing) {
    auto t = MakeCollection();
    AddLine(*t, "A1", "2");
    t->Edit();
    t->Post();
    EXPECT_EQ(t->Store()->SlotCount(), 1u);
    EXPECT_EQ(Log(*t).size(), 1u);
    // Assigning the same value is not a change either (byte-for-byte equal).
    t->Edit();
    t->FieldByName("QTE").SetAsFloat(2);
    t->Post();
    EXPECT_EQ(t->Store()->SlotCount(), 1u);
}

TEST(Records, EditPostMakesANewVersionInTheSamePlace) {
    auto t = MakeCollection();
    AddLine(*t, "A1", "2");
    AddLine(*t, "B2", "1");
    t->First();
    t->Edit();
    t->FieldByName("QTE").SetAsString("3");
    t->Post();
    EXPECT_EQ(RowStates(*t), (std::vector<uint8_t>{5, 4, 12}));
    EXPECT_EQ(Log(*t), (Log_{{1, 0, 4}, {2, 0, 4}, {3, 1, 8}}));
    EXPECT_EQ(t->RecordCount(), 2);
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"A1", "B2"}));
    EXPECT_EQ(t->FieldByName("QTE").AsFloat(), 3); // the new version is current
    EXPECT_EQ(t->RecNo(), 1);
    // Ten more edits: ten more slots and log entries, one visible record.
    for (int i = 0; i < 10; ++i) {
        t->Edit();
        t->FieldByName("QTE").SetAsFloat(10 + i);
        t->Post();
    }
    EXPECT_EQ(t->Store()->SlotCount(), 13u);
    EXPECT_EQ(Log(*t).size(), 13u);
    EXPECT_EQ(t->RecordCount(), 2);
    EXPECT_EQ(RowStates(*t)[11], 13);
    EXPECT_EQ(RowStates(*t)[12], 12);
}

TEST(Records, DeleteMarksTheSlotAndEmptiesTheTable) {
    auto t = MakeCollection();
    AddLine(*t, "A1", "2");
    t->Edit();
    t->FieldByName("QTE").SetAsString("3");
    t->Post();
    t->Delete();
    EXPECT_EQ(RowStates(*t), (std::vector<uint8_t>{5, 14}));
    EXPECT_EQ(Log(*t), (Log_{{1, 0, 4}, {2, 1, 8}, {2, 0, 2}}));
    EXPECT_EQ(t->RecordCount(), 0);
    EXPECT_TRUE(t->Eof());
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(ErrorOf([&] { t->Delete(); }),
              "Impossible d'effectuer cette opération sur un ensemble de données vide");
    EXPECT_EQ(Log(*t).size(), 3u);
}

TEST(Records, DeletingMovesToTheFollowingOrTheNewLastRecord) {
    auto t = MakeCollection();
    AddLine(*t, "A");
    AddLine(*t, "B");
    AddLine(*t, "C");
    t->Last();
    t->Delete();
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "B");
    t->First();
    t->Delete();
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "B");
    EXPECT_EQ(t->RecordCount(), 1);
    AddLine(*t, "D");
    AddLine(*t, "E");
    t->First();
    t->Next();
    t->Delete(); // the middle one: the next takes its place
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "E");
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"B", "E"}));
}

TEST(Records, EmptyDataSetDropsHistoryAndRestartsNumbering) {
    auto t = MakeCollection();
    AddLine(*t, "A", "1");
    AddLine(*t, "B", "1");
    t->Edit();
    t->FieldByName("QTE").SetAsFloat(5);
    t->Post();
    t->Delete();
    t->SetIndexFieldNames("CODE_ART");
    t->EmptyDataSet();
    EXPECT_EQ(t->Store()->SlotCount(), 0u);
    EXPECT_TRUE(Log(*t).empty());
    EXPECT_EQ(t->RecordCount(), 0);
    EXPECT_EQ(t->IndexFieldNames(), "CODE_ART"); // the setting stays
    EXPECT_EQ(t->Fields().Count(), 6);
    AddLine(*t, "Z", "1");
    EXPECT_EQ(Log(*t), (Log_{{1, 0, 4}}));
}

TEST(Records, EmptyDataSetPostsAPendingEditFirst) {
    auto t = MakeCollection();
    t->Append();
    t->FieldByName("CODE_ART").SetAsString("X");
    t->EmptyDataSet();
    EXPECT_EQ(t->State(), dsBrowse);
    EXPECT_EQ(t->Store()->SlotCount(), 0u);
}

TEST(Records, DefaultOrderKeepsLoadOrderAndAppendsAtTheEnd) {
    auto t = MakeCollection();
    AddLine(*t, "A");
    AddLine(*t, "B");
    t->First();
    t->Edit();
    t->FieldByName("QTE").SetAsFloat(1);
    t->Post();
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"A", "B"}));
    // Closing and opening rebuilds the default order from the slots, as a
    // load does: the modified A now comes after B (its newest slot is later).
    t->Close();
    t->Open();
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"B", "A"}));
    EXPECT_EQ(RowStates(*t), (std::vector<uint8_t>{5, 4, 12}));
}

TEST(Records, InsertCancelledOrUnchangedLeavesNoTrace) {
    auto t = MakeCollection();
    AddLine(*t, "A");
    AddLine(*t, "B");
    t->First();
    t->Append();
    t->Cancel();
    EXPECT_EQ(t->RecordCount(), 2);
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "B"); // back on the last record
    t->Append();
    t->First(); // navigation cancels an insert nobody filled
    EXPECT_EQ(t->Store()->SlotCount(), 2u);
    t->Append();
    t->FieldByName("CODE_ART").SetAsString("C");
    t->First(); // ... and posts one that was filled
    EXPECT_EQ(t->Store()->SlotCount(), 3u);
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "A");
}

TEST(Records, EditOnAnEmptyTableStartsANewRecord) {
    auto t = MakeCollection();
    t->Edit();
    EXPECT_EQ(t->State(), dsInsert);
    t->FieldByName("CODE_ART").SetAsString("N");
    t->Post();
    EXPECT_EQ(RowStates(*t), std::vector<uint8_t>{4});
    // Edit while editing does nothing (the buffer stays).
    t->Edit();
    t->FieldByName("CODE_ART").SetAsString("M");
    t->Edit();
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "M");
    t->Cancel();
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "N");
}

TEST(Records, DeleteWhileInsertingCancels) {
    auto t = MakeCollection();
    AddLine(*t, "A");
    t->Append();
    t->FieldByName("CODE_ART").SetAsString("B");
    t->Delete();
    EXPECT_EQ(t->State(), dsBrowse);
    EXPECT_EQ(t->RecordCount(), 1);
    EXPECT_EQ(Log(*t).size(), 1u);
}
