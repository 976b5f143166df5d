// The journal of a collection over restarts, kills between the journal and
// the collection file, "Initialiser", a collection copied from another
// station, and a journal lost or failing: after each start, replaying the
// journal's current count gives exactly the collection's lines.
#include "station/CollectionJournal.h"

#include "tests/table/TableTestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// One counting folder, its collection table and its journal, started and
// saved as the workstation does.
struct TStationRun {
    explicit TStationRun(QString folder) : Folder(std::move(folder)) { Start(); }

    QString File(const char* name) const { return QDir(Folder).filePath(QString::fromLatin1(name)); }

    void Start() {
        Journal.reset();
        Table = MakeCollection();
        const bool existed = QFile::exists(File("COLLECTION.XML"));
        if (existed) Table->LoadFromFile(File("COLLECTION.XML"));
        Journal = std::make_unique<TCollectionJournal>(Folder);
        Started = Journal->Start(*Table, existed);
        if (Started.SaveNow) Save();
    }
    void Save() {
        Failure = Journal->Record();
        Table->SaveToFile(File("COLLECTION.XML"), dfXML);
        Journal->Confirm();
    }
    // Adds to the line of code, or creates it, and saves.
    void Count(const QString& code, double quantity) {
        if (Table->Locate("CODE_ART", TKeyValue(code), loCaseInsensitive)) {
            Table->Edit();
            Table->FieldByName("QTE").SetAsFloat(Table->FieldByName("QTE").AsFloat() + quantity);
            Table->Post();
        } else {
            Table->Append();
            Table->FieldByName("CODE_ART").SetAsString(code);
            Table->FieldByName("QTE").SetAsFloat(quantity);
            Table->Post();
        }
        Save();
    }
    std::vector<TJournalRecord> Changes() const {
        std::vector<TJournalRecord> changes;
        for (const TJournalRecord& r : ReadJournalFile(File(kJournalFileName)).Records)
            if (r.IsChange()) changes.push_back(r);
        return changes;
    }
    // "CODE=quantity" of the count the journal gives, and of the file.
    QStringList Replayed() const {
        QStringList out;
        const auto records = ReadJournalFile(File(kJournalFileName)).Records;
        for (const TReplayLine& l : ReplayCount(records, Journal->Station(), Journal->Epoch()))
            out << l.Code + '=' + QString::number(l.Quantity);
        out.sort();
        return out;
    }
    QStringList Saved() const {
        TClientDataSet saved;
        saved.LoadFromFile(File("COLLECTION.XML"));
        QStringList out;
        for (saved.First(); !saved.Eof(); saved.Next())
            out << saved.FieldByName("CODE_ART").AsString() + '=' +
                       saved.FieldByName("QTE").AsString().replace(',', '.');
        out.sort();
        return out;
    }
    TCountIdentity SavedIdentity() const {
        TClientDataSet saved;
        saved.LoadFromFile(File("COLLECTION.XML"));
        return ReadCountIdentity(saved.Store()->Data().Params);
    }

    QString Folder;
    std::unique_ptr<TClientDataSet> Table;
    std::unique_ptr<TCollectionJournal> Journal;
    TCollectionJournal::TStart Started;
    QString Failure;
};

std::vector<uint64_t> Sequences(const std::vector<TJournalRecord>& records) {
    std::vector<uint64_t> out;
    for (const TJournalRecord& r : records) out.push_back(r.Sequence);
    return out;
}

class CollectionJournal : public ::testing::Test {
protected:
    void TearDown() override { TJournalWriter::SetHook(nullptr); }
    QString Folder(const QString& name) {
        EXPECT_TRUE(QDir(FDir.path()).mkpath(name));
        return QDir(FDir.path()).filePath(name);
    }
    QTemporaryDir FDir;
};

} // namespace

TEST_F(CollectionJournal, SequencesContinueAfterRestartsAndAKilledSaveLeavesNothingBeyondTheFile) {
    TStationRun station(Folder("a"));
    const QString identity = station.Journal->Station();
    ASSERT_TRUE(IsValidStationIdentity(identity));
    EXPECT_EQ(ReadStationIdentity(station.Folder), identity);
    station.Count("A", 2);
    station.Count("B", 1);
    station.Start();
    station.Count("A", 3);
    EXPECT_EQ(Sequences(station.Changes()), (std::vector<uint64_t>{1, 2, 3}));
    EXPECT_EQ(station.SavedIdentity().Sequence, 3u);

    // Killed between the journal's flush and the collection's replacement:
    // the change reached the journal only.
    station.Table->Append();
    station.Table->FieldByName("CODE_ART").SetAsString("C");
    station.Table->FieldByName("QTE").SetAsFloat(9);
    station.Table->Post();
    ASSERT_TRUE(station.Journal->Record().isEmpty());
    ASSERT_EQ(station.Changes().size(), 4u);

    station.Start();
    EXPECT_EQ(station.Journal->Station(), identity);
    EXPECT_EQ(station.Changes().size(), 3u) << "the change the file never received is dropped";
    EXPECT_EQ(station.Replayed(), station.Saved());
    station.Count("B", 4);
    const auto changes = station.Changes();
    EXPECT_EQ(Sequences(changes), (std::vector<uint64_t>{1, 2, 3, 4}));
    EXPECT_EQ(changes.back().ChangeKind(), TJournalKind::Accumulate);
    EXPECT_EQ(changes.back().Quantity, 5);
    EXPECT_EQ(changes.back().Delta, 4);
    EXPECT_EQ(station.Replayed(), QStringList({"A=5", "B=5"}));
    EXPECT_EQ(station.Replayed(), station.Saved());
}

TEST_F(CollectionJournal, InitialiserStartsANewEpoch) {
    TStationRun station(Folder("a"));
    station.Count("A", 2);
    const int64_t first = station.Journal->Epoch();
    ASSERT_EQ(station.SavedIdentity().Own->Epoch, first);

    station.Table->EmptyDataSet();
    station.Save();
    station.Count("B", 1);
    const auto changes = station.Changes();
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[1].ChangeKind(), TJournalKind::Initialise);
    EXPECT_TRUE(changes[1].ClearsCount);
    EXPECT_GT(changes[1].Epoch, first);
    EXPECT_EQ(Sequences(changes), (std::vector<uint64_t>{1, 1, 2}));
    EXPECT_EQ(station.SavedIdentity().Own->Epoch, changes[1].Epoch);
    EXPECT_EQ(station.SavedIdentity().Sequence, 2u);
    EXPECT_EQ(station.Replayed(), QStringList{"B=1"});
}

TEST_F(CollectionJournal, ACollectionCopiedFromAnotherStationContinuesHereAndIsNeverCountedTwice) {
    TStationRun a(Folder("a"));
    a.Count("A", 2);
    a.Count("B", 3);
    const TCountId counted{a.Journal->Station(), a.Journal->Epoch()};

    TStationRun b(Folder("b"));
    b.Count("X", 1);
    ASSERT_TRUE(QFile::remove(b.File("COLLECTION.XML")));
    ASSERT_TRUE(QFile::copy(a.File("COLLECTION.XML"), b.File("COLLECTION.XML")));
    b.Start();

    ASSERT_TRUE(b.Started.TakenOver);
    EXPECT_EQ(*b.Started.TakenOver, counted);
    EXPECT_NE(b.Journal->Station(), counted.Station) << "another station's identity is never adopted";
    EXPECT_EQ(b.Saved(), QStringList({"A=2", "B=3"})) << "the lines are kept";
    EXPECT_EQ(b.Replayed(), b.Saved());
    const auto changes = b.Changes();
    EXPECT_EQ(changes[1].ChangeKind(), TJournalKind::Resync);
    EXPECT_EQ(changes[1].Note, counted.Text());
    for (const TJournalRecord& r : changes) EXPECT_NE(r.Station, counted.Station);
    EXPECT_EQ(SharedCount(a.SavedIdentity(), b.SavedIdentity()), counted);
}

TEST_F(CollectionJournal, AJournalLostOrFailingIsRestatedAndALostIdentityComesBack) {
    TStationRun station(Folder("a"));
    station.Count("A", 2);
    const QString identity = station.Journal->Station();

    // POSTE.ID lost: the journal shows the collection is this folder's.
    ASSERT_TRUE(QFile::remove(station.File(kStationFileName)));
    station.Start();
    EXPECT_EQ(station.Journal->Station(), identity);
    EXPECT_EQ(ReadStationIdentity(station.Folder), identity);

    // The disk refuses the journal: the count goes on and the failure is told.
    TJournalWriter::SetHook([](uint64_t) { return ENOSPC; });
    station.Count("B", 1);
    EXPECT_EQ(station.Failure, QString("Disque plein"));
    EXPECT_EQ(station.Saved(), QStringList({"A=2", "B=1"}));
    TJournalWriter::SetHook(nullptr);
    station.Count("A", 1);
    EXPECT_TRUE(station.Failure.isEmpty());
    EXPECT_EQ(Sequences(station.Changes()), (std::vector<uint64_t>{1, 2, 3}));
    EXPECT_EQ(station.Replayed(), station.Saved());

    // The journal lost: the count is restated from the file.
    ASSERT_TRUE(QFile::remove(station.File(kJournalFileName)));
    station.Start();
    const auto restated = station.Changes();
    ASSERT_EQ(restated.size(), 3u);
    EXPECT_EQ(restated[0].ChangeKind(), TJournalKind::Resync);
    EXPECT_EQ(restated[0].Sequence, 4u);
    EXPECT_EQ(station.Replayed(), QStringList({"A=3", "B=1"}));
    EXPECT_EQ(station.Replayed(), station.Saved());
}
