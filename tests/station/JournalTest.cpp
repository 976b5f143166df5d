// The journal file: a write cut short at any byte leaves exactly the records
// written whole; damage inside the file costs only the damaged record; a
// failed append leaves nothing behind it.
#include "station/Journal.h"

#include "base/Exception.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

using namespace tallivo;

namespace {

TJournalRecord Change(uint64_t sequence, const QString& code, double quantity) {
    TJournalRecord r;
    r.Kind = uint8_t(TJournalKind::Accumulate);
    r.Station = QStringLiteral("poste-1");
    r.Epoch = 1718000000;
    r.Sequence = sequence;
    r.Time = 1718000000123;
    r.Quantity = quantity;
    r.Delta = 1;
    r.Code = code;
    r.Name = QStringLiteral("Crème brûlée n°%1").arg(sequence);
    r.Zone = QStringLiteral("Z-3");
    return r;
}

QByteArray Journal(const std::vector<TJournalRecord>& records, std::vector<qsizetype>* ends = nullptr) {
    QByteArray bytes = JournalHeader().toByteArray();
    for (const TJournalRecord& r : records) {
        EncodeJournalRecord(r, bytes);
        if (ends) ends->push_back(bytes.size());
    }
    return bytes;
}

} // namespace

TEST(Journal, AWriteCutShortAtAnyByteLeavesTheWholeRecordsBeforeIt) {
    const std::vector<TJournalRecord> written = {Change(1, "A", 1), Change(2, "B", 2), Change(3, "A", 5)};
    std::vector<qsizetype> ends;
    const QByteArray bytes = Journal(written, &ends);
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
        const TJournalRead read = ReadJournal(QByteArrayView(bytes).first(cut));
        const size_t whole =
            size_t(std::count_if(ends.begin(), ends.end(), [&](qsizetype e) { return e <= cut; }));
        ASSERT_EQ(read.Records.size(), whole) << "cut at " << cut;
        EXPECT_FALSE(read.NotAJournal);
        EXPECT_EQ(read.DamagedBytes, 0u) << "cut at " << cut;
        const bool atBoundary =
            cut == 0 || cut == JournalHeader().size() || (whole && ends[whole - 1] == cut);
        EXPECT_EQ(read.TornTail, !atBoundary) << "cut at " << cut;
        EXPECT_EQ(read.ValidEnd, whole ? uint64_t(ends[whole - 1]) : cut < 16 ? 0u : 16u) << "cut at " << cut;
    }
    const TJournalRead all = ReadJournal(bytes);
    ASSERT_EQ(all.Records.size(), 3u);
    const TJournalRecord& r = all.Records[2];
    EXPECT_EQ(r.Sequence, 3u);
    EXPECT_EQ(r.Code, "A");
    EXPECT_EQ(r.Quantity, 5);
    EXPECT_EQ(r.Name, QStringLiteral("Crème brûlée n°3"));
    EXPECT_EQ(r.Zone, "Z-3");
    EXPECT_EQ(r.Time, 1718000000123);
}

TEST(Journal, DamageIsDetectedAndCostsOnlyTheDamagedRecord) {
    std::vector<qsizetype> ends;
    const QByteArray good = Journal({Change(1, "A", 1), Change(2, "B", 2), Change(3, "C", 3)}, &ends);

    QByteArray middle = good;
    middle[ends[0] + 30] = char(middle[ends[0] + 30] ^ 0x10); // inside the second record's body
    TJournalRead read = ReadJournal(middle);
    ASSERT_EQ(read.Records.size(), 2u);
    EXPECT_EQ(read.Records[0].Code, "A");
    EXPECT_EQ(read.Records[1].Code, "C");
    EXPECT_EQ(read.DamagedBytes, uint64_t(ends[1] - ends[0]));
    EXPECT_FALSE(read.TornTail);

    QByteArray last = good;
    last[ends[2] - 1] = char(last[ends[2] - 1] ^ 0x01);
    read = ReadJournal(last);
    EXPECT_EQ(read.Records.size(), 2u);
    EXPECT_TRUE(read.TornTail);
    EXPECT_EQ(read.ValidEnd, uint64_t(ends[1]));

    EXPECT_TRUE(ReadJournal(QByteArray("<?xml version=\"1.0\"?>")).NotAJournal);
}

TEST(Journal, AFailedAppendLeavesTheFileAsItWasAndReadersSeeOnlyConfirmedWork) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(kJournalFileName);
    TJournalWriter writer(path);
    writer.Open(0);
    writer.Append({Change(1, "A", 1)}, true);
    const uint64_t end = writer.End();

    TJournalWriter::SetHook([](uint64_t) { return ENOSPC; });
    EXPECT_THROW(writer.Append({Change(2, "B", 2)}, true), EInOutError);
    TJournalWriter::SetHook(nullptr);
    EXPECT_EQ(QFileInfo(path).size(), qint64(end));

    TJournalRecord confirmation;
    confirmation.Type = TJournalRecord::TType::Confirmation;
    confirmation.Station = "poste-1";
    writer.Append({Change(2, "B", 2), confirmation, Change(3, "C", 3)}, true);
    TJournalRead read = ReadJournalFile(path);
    ASSERT_EQ(read.Records.size(), 4u);
    EXPECT_EQ(read.Confirmed, 3u) << "the record after the confirmation is not confirmed yet";
    EXPECT_EQ(read.Records[1].Code, "B");

    // A reader that comes back reads only what was appended since.
    writer.Append({Change(4, "D", 4)}, false);
    read = ReadJournalFile(path, read.ValidEnd);
    ASSERT_EQ(read.Records.size(), 1u);
    EXPECT_EQ(read.Records[0].Sequence, 4u);

    // The workstation's start cuts the unconfirmed records off.
    TJournalWriter restarted(path);
    restarted.Open(end);
    EXPECT_EQ(ReadJournalFile(path).Records.size(), 1u);
}
