// Notifications to views, DisableControls nesting, and the record window as
// links see it.
#include "TableTestUtil.h"

using namespace tallivo;
using namespace tallivo::test;

using Ev = std::vector<std::string>;

namespace {
struct TView {
    TDataSource source;
    TRecordingLink link;
    explicit TView(TClientDataSet& t, int rows = 1) {
        link.SetBufferCount(rows);
        link.SetDataSource(&source);
        source.SetDataSet(&t);
        link.Clear();
    }
    // The codes shown by the link's rows, read the way a grid paints them.
    QStringList Rows(TClientDataSet& t) {
        QStringList out;
        const int saved = link.ActiveRecord();
        for (int r = 0; r < link.RecordCount(); ++r) {
            link.SetActiveRecord(r);
            out << t.FieldByName("CODE_ART").AsString();
        }
        link.SetActiveRecord(saved);
        return out;
    }
};
std::unique_ptr<TClientDataSet> Lines(int n) {
    auto t = MakeCollection();
    for (int i = 0; i < n; ++i) AddLine(*t, QString("R%1").arg(i, 2, 10, QChar('0')));
    return t;
}
} // namespace

TEST(Notify, ActivationAndStateChanges) {
    auto t = MakeCollection();
    t->Close();
    TView v(*t);
    EXPECT_FALSE(v.link.Active());
    t->Open();
    EXPECT_TRUE(v.link.Active());
    EXPECT_EQ(v.link.Events, (Ev{"active", "change"}));
    v.link.Clear();
    t->Append();
    EXPECT_EQ(v.link.Events, (Ev{"editing", "change"}));
    v.link.Clear();
    t->FieldByName("CODE_ART").SetAsString("X");
    EXPECT_EQ(v.link.Events, (Ev{"record CODE_ART"}));
    v.link.Clear();
    t->Post();
    EXPECT_EQ(v.link.Events, (Ev{"updatedata", "not editing", "change"}));
    v.link.Clear();
    t->Edit();
    t->FieldByName("QTE").SetAsFloat(1);
    v.link.Clear();
    t->Next(); // posts on its own: views hear of it first
    EXPECT_EQ(v.link.Events[0], "checkbrowse");
    EXPECT_EQ(t->State(), dsBrowse);
    v.link.Clear();
    t->Close();
    EXPECT_EQ(v.link.Events, (Ev{"inactive"}));
    EXPECT_EQ(v.source.State(), dsInactive);
}

TEST(Notify, DataSourceHooks) {
    auto t = MakeCollection();
    TDataSource source;
    int changes = 0, states = 0;
    TField* last = nullptr;
    source.OnDataChange = [&](TDataSource* s, TField* f) {
        EXPECT_EQ(s, &source);
        ++changes;
        last = f;
    };
    source.OnStateChange = [&](TDataSource*) { ++states; };
    source.SetDataSet(t.get());
    EXPECT_EQ(source.State(), dsBrowse);
    EXPECT_EQ(states, 1); // from inactive to browse
    t->Append();
    EXPECT_EQ(states, 2);
    EXPECT_EQ(source.State(), dsInsert);
    t->FieldByName("QTE").SetAsFloat(2);
    EXPECT_EQ(last, &t->FieldByName("QTE"));
    t->Post();
    EXPECT_EQ(last, nullptr);
    EXPECT_EQ(states, 3);
    EXPECT_GE(changes, 3);
}

TEST(Notify, DisableControlsNests) {
    auto t = Lines(3);
    TView v(*t);
    t->DisableControls();
    t->DisableControls();
    t->First();
    t->Next();
    t->EnableControls();
    EXPECT_TRUE(v.link.Events.empty());
    t->EnableControls();
    EXPECT_EQ(v.link.Events, (Ev{"change"}));
    v.link.Clear();
    t->EnableControls(); // at zero: nothing
    EXPECT_TRUE(v.link.Events.empty());
    t->DisableControls();
    t->Edit();
    t->EnableControls(); // the state changed meanwhile
    EXPECT_EQ(v.link.Events, (Ev{"editing", "change"}));
}

TEST(Notify, SetIndexFieldNamesTwiceNotifiesOnce) {
    auto t = Lines(3);
    TView v(*t);
    t->SetIndexFieldNames("CODE_ART");
    EXPECT_EQ(v.link.Events, (Ev{"change"}));
    v.link.Clear();
    t->SetIndexFieldNames("CODE_ART");
    EXPECT_TRUE(v.link.Events.empty());
}

TEST(Notify, ScrollSlidesTheWindowByOne) {
    auto t = Lines(50);
    TView v(*t, 10);
    EXPECT_EQ(t->BufferCount(), 10);
    t->First();
    EXPECT_EQ(v.link.RecordCount(), 10);
    EXPECT_EQ(v.Rows(*t).front(), "R00");
    v.link.Clear();
    t->MoveBy(9); // to the last row of the window: no slide
    EXPECT_EQ(v.link.Events, (Ev{"scroll 0"}));
    EXPECT_EQ(v.link.ActiveRecord(), 9);
    v.link.Clear();
    t->Next(); // past the last row: the window slides, the current row stays last
    EXPECT_EQ(v.link.Events, (Ev{"scroll 1"}));
    EXPECT_EQ(v.link.ActiveRecord(), 9);
    EXPECT_EQ(v.Rows(*t).front(), "R01");
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "R10");
    v.link.Clear();
    EXPECT_EQ(t->MoveBy(-12), -10); // stops on the first record
    EXPECT_EQ(v.link.Events, (Ev{"scroll -1"}));
    EXPECT_EQ(v.link.ActiveRecord(), 0);
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "R00");
    v.link.Clear();
    EXPECT_EQ(t->MoveBy(0), 0);
    t->Prior(); // already at the beginning
    EXPECT_TRUE(v.link.Events.empty());
    t->MoveBy(25);
    EXPECT_EQ(v.link.Events, (Ev{"scroll 16"}));
    EXPECT_EQ(v.link.ActiveRecord(), 9);
    EXPECT_EQ(v.Rows(*t).front(), "R16");
}

TEST(Notify, WindowGrowsOnSmallTables) {
    auto t = Lines(3);
    TView v(*t, 10);
    t->First();
    EXPECT_EQ(v.link.RecordCount(), 3);
    EXPECT_EQ(v.Rows(*t), (QStringList{"R00", "R01", "R02"}));
    t->Last();
    EXPECT_EQ(v.link.ActiveRecord(), 2);
}

TEST(Notify, AppendShowsTheNewRowAfterTheLastRecords) {
    auto t = Lines(20);
    TView v(*t, 5);
    t->First();
    t->Append();
    EXPECT_EQ(v.link.RecordCount(), 5);
    EXPECT_EQ(v.link.ActiveRecord(), 4);
    EXPECT_EQ(v.Rows(*t), (QStringList{"R16", "R17", "R18", "R19", ""}));
    t->FieldByName("CODE_ART").SetAsString("NEW");
    t->Post();
    EXPECT_EQ(v.link.ActiveRecord(), 4);
    EXPECT_EQ(v.Rows(*t), (QStringList{"R16", "R17", "R18", "R19", "NEW"}));
}

TEST(Notify, SearchesCentreTheRecordAndPostKeepsItsRow) {
    auto t = Lines(30);
    TView v(*t, 7);
    ASSERT_TRUE(t->Locate("CODE_ART", QString("r15"), loCaseInsensitive));
    EXPECT_EQ(v.link.ActiveRecord(), 3); // (7 - 1) / 2
    EXPECT_EQ(v.Rows(*t).front(), "R12");
    t->Edit();
    t->FieldByName("QTE").SetAsFloat(9);
    t->Post();
    EXPECT_EQ(v.link.ActiveRecord(), 3);
    ASSERT_TRUE(t->Locate("CODE_ART", QString("R01"), 0));
    EXPECT_EQ(v.link.ActiveRecord(), 1); // not enough records before it
    ASSERT_TRUE(t->Locate("CODE_ART", QString("R29"), 0));
    EXPECT_EQ(v.Rows(*t).back(), "R29"); // the window stays full
    EXPECT_EQ(v.link.ActiveRecord(), 6);
    v.link.Clear();
    EXPECT_FALSE(t->Locate("CODE_ART", QString("nope"), 0));
    EXPECT_TRUE(v.link.Events.empty());
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "R29");
}

TEST(Notify, ActiveRecordSwitchReadsRowsWithoutMovingTheCursor) {
    auto t = Lines(10);
    TView v(*t, 4);
    t->First();
    t->Next();
    t->Edit();
    t->FieldByName("CODE_ART").SetAsString("EDITED");
    v.link.Clear();
    EXPECT_EQ(v.Rows(*t), (QStringList{"R00", "EDITED", "R02", "R03"}));
    EXPECT_TRUE(v.link.Events.empty());
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "EDITED");
    t->Post();
    EXPECT_EQ(Column(*t, "CODE_ART")[1], "EDITED");
}

TEST(Notify, BufferCountIsTheLargestLinkAndResizesTheWindow) {
    auto t = Lines(20);
    TView a(*t, 3);
    t->Last();
    EXPECT_EQ(a.link.ActiveRecord(), 2);
    {
        TView b(*t, 8);
        EXPECT_EQ(t->BufferCount(), 8);
        EXPECT_EQ(t->WindowRecordCount(), 8);
        EXPECT_EQ(b.link.RecordCount(), 8);
        EXPECT_EQ(b.Rows(*t).back(), "R19");
        EXPECT_EQ(a.link.RecordCount(), 3);
        EXPECT_EQ(a.Rows(*t).back(), "R19"); // the small view still shows the current record
        EXPECT_EQ(a.link.ActiveRecord(), 2);
    }
    EXPECT_EQ(t->BufferCount(), 3);
    EXPECT_EQ(a.Rows(*t), (QStringList{"R17", "R18", "R19"}));
    a.link.SetBufferCount(1);
    EXPECT_EQ(t->BufferCount(), 1);
    EXPECT_EQ(a.Rows(*t), QStringList{"R19"});
}

TEST(Notify, LinksOutliveOrPrecedeTheirTable) {
    TView* view = nullptr;
    {
        auto t = Lines(2);
        view = new TView(*t, 2);
        EXPECT_TRUE(view->link.Active());
    }
    EXPECT_FALSE(view->link.Active());
    EXPECT_EQ(view->source.DataSet(), nullptr);
    delete view;
    auto t = Lines(2);
    { TView w(*t, 5); }
    EXPECT_EQ(t->BufferCount(), 1);
}

TEST(Notify, FieldPropertyChangesAreLayoutChanges) {
    auto t = Lines(1);
    TView v(*t);
    t->FieldByName("QTE").SetDisplayLabel(QString::fromUtf8("Quantité"));
    EXPECT_EQ(v.link.Events, (Ev{"layout"}));
}

// Entering and leaving the key entry changes what views read for the
// current record (the key buffer, then the record): both tell them so,
// through the data-change hook too.
TEST(Notify, KeyEntryIsADataChangeForViews) {
    auto t = Lines(5);
    t->SetIndexFieldNames("CODE_ART");
    TView v(*t);
    int changes = 0, states = 0;
    v.source.OnDataChange = [&](TDataSource*, TField* f) { changes += f == nullptr; };
    v.source.OnStateChange = [&](TDataSource*) { ++states; };
    t->SetKey();
    EXPECT_EQ(v.link.Events, (Ev{"change"}));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(states, 1);
    EXPECT_EQ(v.source.State(), dsSetKey);
    v.link.Clear();
    t->FieldByName("CODE_ART").SetAsString("R03");
    EXPECT_EQ(v.Rows(*t), QStringList{"R03"}) << "views read the key";
    t->Cancel();
    EXPECT_EQ(v.link.Events, (Ev{"record CODE_ART", "change"}));
    EXPECT_EQ(v.Rows(*t), QStringList{"R04"}) << "the record again";
    EXPECT_EQ(changes, 2);
    v.link.Clear();
    t->SetKey();
    t->Post();
    EXPECT_EQ(v.link.Events, (Ev{"change", "change"}));
    EXPECT_EQ(states, 4);
}
