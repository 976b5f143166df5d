// Reading the rows of a packet in two halves at once must give exactly what
// one reader from start to end gives: the same store, or the same error at
// the same offset, whatever lies where the second half starts (a row, a
// "<ROW" inside a comment or a value, a malformed row, the end of the file).
#include "PacketTestUtil.h"

#include <QFile>
#include <limits>
#include <random>

using namespace tallivo;
using namespace tallivo::test;

namespace {

constexpr uint64_t kOneReader = std::numeric_limits<uint64_t>::max();

struct TOutcome {
    QString Error;
    uint64_t Offset = 0;
    TStoreImage Image;
    bool operator==(const TOutcome&) const = default;
};

template <typename F> TOutcome Outcome(F&& read) {
    TOutcome o;
    try {
        IDSBase store(read());
        o.Image = ImageOf(store);
    } catch (const EDataPacketError& e) {
        o.Error = e.Message();
        o.Offset = e.Offset();
    }
    return o;
}

TOutcome FromMemory(const QByteArray& bytes, uint64_t halvesFrom) {
    return Outcome([&] { return ReadPacket(bytes.constData(), size_t(bytes.size()), halvesFrom); });
}

TOutcome FromFile(const QString& path, uint64_t halvesFrom) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    TPacketFileSource source(file);
    return Outcome([&] { return ReadPacket(source, halvesFrom); });
}

// A collection with history (row states, a change log), values to escape,
// null values and rows of several lengths.
QByteArray Collection(int rows) {
    QByteArray r, log;
    for (int i = 1; i <= rows; ++i) {
        r += "<ROW RowState=\"" + QByteArray::number(i % 7 == 0 ? 5 : 4) + "\" CODE=\"C" + QByteArray::number(i) +
             "\" NAME=\"" + (i % 3 ? Ansi("Pâté &amp; &quot;fin&quot;") : QByteArray("x")) + "\"" +
             (i % 5 ? " Q=\"" + QByteArray::number(i * 0.25) + "\"" : QByteArray()) + "/>";
        log += QByteArray::number(i) + " 0 4 ";
    }
    return Doc("<FIELD attrname=\"CODE\" fieldtype=\"string\" WIDTH=\"12\"/>"
               "<FIELD attrname=\"NAME\" fieldtype=\"string\" WIDTH=\"30\"/>"
               "<FIELD attrname=\"Q\" fieldtype=\"r8\"/>",
               r, "<PARAMS CHANGE_LOG=\"" + log.trimmed() + "\"/>");
}

} // namespace

TEST(PacketHalves, SameStoreOrSameErrorAsOneReader) {
    const QByteArray valid = Collection(300);
    const TOutcome whole = FromMemory(valid, kOneReader);
    ASSERT_TRUE(whole.Error.isEmpty()) << whole.Error.toStdString();
    ASSERT_EQ(whole.Image.Values.size(), 300u);
    EXPECT_EQ(FromMemory(valid, 0), whole);

    // Damage of every kind, most of it around the middle, where the second
    // half starts: rows hidden in a comment or in a value, broken tags, a
    // ROWDATA ended early.
    const QByteArray pieces[] = {"<",
                                 ">",
                                 "\"",
                                 "/",
                                 "<!--",
                                 "<ROW ",
                                 "<ROW/>",
                                 "</ROWDATA>",
                                 "<X><ROW CODE=\"Z\"/></X>",
                                 "&#",
                                 "RowState=\"300\" ",
                                 "<!--<ROW CODE=\"ghost\"/>-->",
                                 "<ROW CODE=\"v<ROW Q=\" NAME=\"w\"/>",
                                 "<ROW CODE=\"t\"><NAME>x</NAME><ROW/></ROW>"};
    std::mt19937 rng(5);
    for (int i = 0; i < 1500; ++i) {
        QByteArray bytes = valid;
        for (int n = 1 + int(rng() % 2); n > 0; --n) {
            const int near = bytes.size() / 2 - 300 + int(rng() % 600);
            const int at = rng() % 2 ? bytes.indexOf("<ROW", near) : rng() % 2 ? near : int(rng() % bytes.size());
            if (rng() % 5 == 0)
                bytes.remove(at, 1 + int(rng() % 3));
            else
                bytes.insert(at, pieces[rng() % std::size(pieces)]);
        }
        ASSERT_EQ(FromMemory(bytes, 0), FromMemory(bytes, kOneReader)) << bytes.toStdString();
    }
}

TEST(PacketHalves, FromAFileAsFromMemory) {
    QTemporaryDir dir;
    const QString path = dir.filePath("COLLECTION.XML");
    QByteArray bytes = Collection(2000);
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    const TOutcome whole = FromMemory(bytes, kOneReader);
    EXPECT_EQ(FromFile(path, 0), whole);
    // An error in the second half, and text after the packet.
    bytes.insert(bytes.indexOf("<ROW ", bytes.size() * 3 / 4), "<BAD/>");
    bytes += "<ROW/>";
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    const TOutcome broken = FromMemory(bytes, kOneReader);
    ASSERT_FALSE(broken.Error.isEmpty());
    EXPECT_EQ(FromFile(path, 0), broken);
}

// Halves large enough for their columns to take different forms: values
// kept once each in one half and one after the other in the other.
TEST(PacketHalves, LargeHalvesWhoseColumnsTookDifferentFormsJoinValueForValue) {
    QByteArray rows;
    const int n = 50000;
    for (int i = 0; i < n; ++i) {
        const bool first = i < n / 2;
        rows += "<ROW CODE=\"C" + QByteArray::number(i) + "\" NAME=\"" +
                (first ? "Name " + QByteArray::number(i % 40) : "Name " + QByteArray::number(i)) + "\" REF=\"" +
                (first ? "R" + QByteArray::number(i) : "R" + QByteArray::number(i % 3)) + "\"" +
                (i % 9 ? QByteArray() : QByteArray(" Q=\"1.5\"")) + "/>";
    }
    const QByteArray bytes = Doc("<FIELD attrname=\"CODE\" fieldtype=\"string\" WIDTH=\"12\"/>"
                                 "<FIELD attrname=\"NAME\" fieldtype=\"string\" WIDTH=\"30\"/>"
                                 "<FIELD attrname=\"REF\" fieldtype=\"string\" WIDTH=\"12\"/>"
                                 "<FIELD attrname=\"Q\" fieldtype=\"r8\"/>",
                                 rows);
    const TOutcome whole = FromMemory(bytes, kOneReader);
    ASSERT_EQ(whole.Image.Values.size(), size_t(n));
    EXPECT_EQ(FromMemory(bytes, 0), whole);
}
