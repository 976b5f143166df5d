// The collection's changes read from its log: undo takes them back one by
// one exactly, and the progress count follows them as a recount would.
#include "station/CountProgress.h"
#include "station/UndoHistory.h"
#include "tests/table/TableTestUtil.h"

#include <QSet>
#include <algorithm>
#include <random>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// Every line with every field as stored, ordered by code (an undone
// deletion comes back at the end of the table).
std::vector<TRecordBuffer> Lines(const TClientDataSet& t) {
    std::vector<TRecordBuffer> lines;
    for (const uint32_t slot : t.Store()->DefaultOrder()) t.Store()->ReadRecord(slot, lines.emplace_back());
    std::sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a[0].Bytes < b[0].Bytes; });
    return lines;
}

class Changes : public ::testing::Test {
protected:
    // Reads the change just made, as the workstation does after each one.
    void Record() {
        std::vector<TLineChange> read;
        ASSERT_EQ(FFeed.Read(*FTable, read), TChangeFeed::Changes);
        ASSERT_EQ(read.size(), 1u);
        FHistory.Push({TUndoStep::Line, read[0], {}, {}, {}});
    }
    std::unique_ptr<TClientDataSet> FTable = MakeCollection();
    TChangeFeed FFeed;
    TUndoHistory FHistory;
};

} // namespace

TEST_F(Changes, UndoingEveryChangeInTurnBringsEachLineBackExactly) {
    TClientDataSet& t = *FTable;
    AddLine(t, "VIS-4", "2", "Vis à bois");
    AddLine(t, "PB25", "1", "Peinture");
    t.Edit();
    t.FieldByName("PRIX_ACHAT").SetAsFloat(12.5);
    t.Post();
    FFeed.Restart(t); // the count as loaded: not the session's to undo
    std::vector<std::vector<TRecordBuffer>> before;

    before.push_back(Lines(t));
    ASSERT_TRUE(t.Locate("CODE_ART", TKeyValue(QString("vis-4")), loCaseInsensitive));
    t.Edit();
    t.FieldByName("QTE").SetAsFloat(5);
    t.Post();
    Record();
    before.push_back(Lines(t));
    AddLine(t, "NEW", "1");
    Record();
    before.push_back(Lines(t));
    ASSERT_TRUE(t.Locate("CODE_ART", TKeyValue(QString("PB25")), loCaseInsensitive));
    t.Delete();
    Record();

    while (!FHistory.Empty()) {
        UndoLineChange(t, FHistory.Last().Change, "CODE_ART");
        FHistory.DropLast();
        FFeed.Restart(t); // the undo's own change is no step
        EXPECT_EQ(Lines(t), before.back()) << "after undoing step " << before.size();
        before.pop_back();
    }
    std::vector<TLineChange> none;
    EXPECT_EQ(FFeed.Read(t, none), TChangeFeed::Nothing);
}

TEST_F(Changes, ALineChangedBehindTheHistorysBackIsNotUndone) {
    TClientDataSet& t = *FTable;
    FFeed.Restart(t);
    AddLine(t, "ABC", "1");
    Record();
    t.Edit();
    t.FieldByName("QTE").SetAsFloat(9);
    t.Post(); // not read into the history
    const auto lines = Lines(t);
    EXPECT_EQ(ErrorOf([&] { UndoLineChange(t, FHistory.Last().Change, "CODE_ART"); }),
              "Impossible de défaire : la ligne ABC a changé depuis.");
    EXPECT_EQ(Lines(t), lines);
}

TEST_F(Changes, TheFeedSeesAnEmptyingBeforeTheLinesAddedAfterIt) {
    TClientDataSet& t = *FTable;
    FFeed.Restart(t);
    AddLine(t, "A", "1");
    AddLine(t, "B", "1");
    std::vector<TLineChange> read;
    EXPECT_EQ(FFeed.Read(t, read), TChangeFeed::Changes);
    t.EmptyDataSet();
    read.clear();
    EXPECT_EQ(FFeed.Read(t, read), TChangeFeed::Emptied);
    EXPECT_TRUE(read.empty());
    AddLine(t, "C", "1");
    EXPECT_EQ(FFeed.Read(t, read), TChangeFeed::Changes);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].After[0].Bytes, "C");
}

// Random changes of a collection over a catalogue: after each one the count
// kept change by change equals a recount over the whole collection.
TEST_F(Changes, ProgressFollowsEveryChangeAsARecountWould) {
    TClientDataSet catalogue;
    catalogue.FieldDefs().Add("CODE_ART", ftString, 25);
    catalogue.CreateDataSet();
    QSet<QString> known;
    for (int i = 0; i < 40; ++i) {
        AddLine(catalogue, QString("ART-%1").arg(i));
        known << QString("ART-%1").arg(i);
    }
    TClientDataSet& t = *FTable;
    AddLine(t, "art-3", "1"); // letter case does not matter
    AddLine(t, "GONE", "1");  // no longer in the catalogue
    TCountProgress progress;
    progress.Recount(catalogue, t);
    FFeed.Restart(t);
    const auto recount = [&] {
        int n = 0;
        for (const QString& code : Column(t, "CODE_ART")) n += known.contains(code.toUpper());
        return n;
    };
    EXPECT_EQ(progress.Counted(), 2 - 1);
    std::mt19937 random(5);
    for (int step = 0; step < 300; ++step) {
        const int choice = int(random() % 10);
        const QString code = random() % 4 ? QString("ART-%1").arg(random() % 45) : QString("X%1").arg(step);
        if (choice < 5 && !t.Locate("CODE_ART", TKeyValue(code), loCaseInsensitive)) {
            AddLine(t, code, "1");
        } else if (choice < 8 && !t.IsEmpty()) {
            t.Edit();
            t.FieldByName("QTE").SetAsFloat(step);
            t.Post();
        } else if (!t.IsEmpty()) {
            t.Delete();
        }
        if (step == 150) t.EmptyDataSet();
        std::vector<TLineChange> read;
        if (FFeed.Read(t, read) == TChangeFeed::Emptied) progress.Emptied();
        for (const TLineChange& c : read) progress.Apply(c);
        ASSERT_EQ(progress.Counted(), recount()) << "step " << step;
    }
    EXPECT_EQ(progress.Total(), 40);
    EXPECT_EQ(ProgressText(1234, 20000), QString("1\u00A0234 articles comptés sur 20\u00A0000"));
    EXPECT_EQ(ProgressText(1, 1000000), QString("1 article compté sur 1\u00A0000\u00A0000"));
}
