// The bytes of the journal: the file header, the frame of a record (magic,
// body length, CRC-32 of the body) and the body, all little-endian; and the
// reader that walks a journal's content frame by frame, passing over damage.
#include "station/Journal.h"

#include "base/Crc32.h"

#include <cstring>
#include <limits>

namespace tallivo {

namespace {

constexpr char kHeader[] = "TALLIVO JOURNAL\n"; // 16 bytes, the first of every journal file
constexpr qsizetype kHeaderSize = 16;
constexpr char kMagic[] = "TJRN";
constexpr qsizetype kFrameSize = 12;    // magic, length, CRC
constexpr uint32_t kMaxBody = 1u << 20; // a record is a few hundred bytes
constexpr qsizetype kFixedBody = 52;    // type ... price, before the texts
constexpr uint8_t kRemoved = 1, kClears = 2, kQtyNull = 4, kPriceNull = 8;

void PutU32(QByteArray& out, uint32_t v) {
    char b[4];
    for (int i = 0; i < 4; ++i) b[i] = char((v >> (8 * i)) & 0xFF);
    out.append(b, 4);
}

void PutU64(QByteArray& out, uint64_t v) {
    char b[8];
    for (int i = 0; i < 8; ++i) b[i] = char((v >> (8 * i)) & 0xFF);
    out.append(b, 8);
}

void PutDouble(QByteArray& out, double d) {
    uint64_t v;
    std::memcpy(&v, &d, 8);
    PutU64(out, v);
}

void PutText(QByteArray& out, const QString& text) {
    QByteArray utf8 = text.toUtf8();
    if (utf8.size() > 0xFFFF) utf8.truncate(0xFFFF);
    const auto n = uint16_t(utf8.size());
    out.append(char(n & 0xFF));
    out.append(char(n >> 8));
    out.append(utf8);
}

uint32_t GetU32(const char* p) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(p[i]);
    return v;
}

uint64_t GetU64(const char* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | uint8_t(p[i]);
    return v;
}

double GetDouble(const char* p) {
    const uint64_t v = GetU64(p);
    double d;
    std::memcpy(&d, &v, 8);
    return d;
}

// A journal holds one or a few stations: their texts are shared, not made
// again for every record.
QString StationText(QByteArrayView utf8) {
    thread_local QByteArray lastBytes;
    thread_local QString last;
    if (utf8 != lastBytes) {
        lastBytes = utf8.toByteArray();
        last = QString::fromUtf8(utf8);
    }
    return last;
}

// Reads the body of a record; false when it is malformed. Texts missing at
// the end (a shorter body) read empty; bytes after the known ones are left
// for later versions.
bool DecodeBody(QByteArrayView body, bool full, TJournalRecord& r) {
    if (body.size() < kFixedBody + 2) return false;
    const char* p = body.data();
    const uint8_t type = uint8_t(p[0]);
    if (type != uint8_t(TJournalRecord::TType::Change) &&
        type != uint8_t(TJournalRecord::TType::Confirmation))
        return false;
    r.Type = TJournalRecord::TType(type);
    r.Kind = uint8_t(p[1]);
    const uint8_t flags = uint8_t(p[2]);
    r.LineRemoved = flags & kRemoved;
    r.ClearsCount = flags & kClears;
    r.QuantityNull = flags & kQtyNull;
    r.PriceNull = flags & kPriceNull;
    r.Epoch = int64_t(GetU64(p + 4));
    r.Sequence = GetU64(p + 12);
    r.Time = int64_t(GetU64(p + 20));
    r.Quantity = GetDouble(p + 28);
    r.Delta = GetDouble(p + 36);
    r.Price = GetDouble(p + 44);
    QString* texts[] = {&r.Station, &r.Code, &r.Name, &r.Category, &r.Stock, &r.Zone, &r.Note};
    qsizetype at = kFixedBody;
    for (QString* text : texts) {
        if (at == body.size()) break;
        if (body.size() - at < 2) return false;
        const qsizetype n = uint8_t(p[at]) | (qsizetype(uint8_t(p[at + 1])) << 8);
        at += 2;
        if (body.size() - at < n) return false;
        if (text == &r.Station)
            r.Station = StationText(QByteArrayView(p + at, n));
        else if (full)
            *text = QString::fromUtf8(p + at, n);
        at += n;
    }
    return !r.Station.isEmpty();
}

// The record whose frame starts at pos, when the frame is whole, its CRC
// right and its body well formed.
bool FrameAt(QByteArrayView content, qsizetype pos, bool full, TJournalRecord& r, qsizetype& end) {
    if (content.size() - pos < kFrameSize) return false;
    const char* p = content.data() + pos;
    if (std::memcmp(p, kMagic, 4) != 0) return false;
    const uint32_t length = GetU32(p + 4);
    if (length > kMaxBody || content.size() - pos - kFrameSize < qsizetype(length)) return false;
    const QByteArrayView body(p + kFrameSize, qsizetype(length));
    if (Crc32(body) != GetU32(p + 8)) return false;
    r = TJournalRecord{};
    if (!DecodeBody(body, full, r)) return false;
    end = pos + kFrameSize + qsizetype(length);
    return true;
}

} // namespace

QByteArrayView JournalHeader() {
    return QByteArrayView(kHeader, kHeaderSize);
}

void EncodeJournalRecord(const TJournalRecord& r, QByteArray& out) {
    QByteArray body;
    body.reserve(160);
    body.append(char(r.Type));
    body.append(char(r.Kind));
    body.append(char((r.LineRemoved ? kRemoved : 0) | (r.ClearsCount ? kClears : 0) |
                     (r.QuantityNull ? kQtyNull : 0) | (r.PriceNull ? kPriceNull : 0)));
    body.append('\0');
    PutU64(body, uint64_t(r.Epoch));
    PutU64(body, r.Sequence);
    PutU64(body, uint64_t(r.Time));
    PutDouble(body, r.Quantity);
    PutDouble(body, r.Delta);
    PutDouble(body, r.Price);
    for (const QString* text : {&r.Station, &r.Code, &r.Name, &r.Category, &r.Stock, &r.Zone, &r.Note})
        PutText(body, *text);
    out.append(kMagic, 4);
    PutU32(out, uint32_t(body.size()));
    PutU32(out, Crc32(body));
    out.append(body);
}

TJournalRead ReadJournal(QByteArrayView content, uint64_t offset, bool full) {
    TJournalRead read;
    read.Size = offset + uint64_t(content.size());
    qsizetype pos = 0;
    if (offset == 0) {
        const qsizetype n = std::min(content.size(), kHeaderSize);
        if (std::memcmp(content.data(), kHeader, size_t(n)) != 0) {
            read.NotAJournal = true;
            return read;
        }
        if (n < kHeaderSize) { // the header itself was cut short: an empty journal
            read.TornTail = n > 0;
            return read;
        }
        pos = kHeaderSize;
    }
    read.ValidEnd = offset + uint64_t(pos);
    TJournalRecord record;
    while (pos < content.size()) {
        qsizetype end = 0;
        if (FrameAt(content, pos, full, record, end)) {
            if (record.Type == TJournalRecord::TType::Confirmation) read.Confirmed = read.Records.size() + 1;
            read.Records.push_back(std::move(record));
            read.Starts.push_back(offset + uint64_t(pos));
            read.Ends.push_back(offset + uint64_t(end));
            read.ValidEnd = offset + uint64_t(end);
            pos = end;
            continue;
        }
        // Not a good frame here: damage when a good frame follows, else the
        // tail of a write cut short.
        qsizetype next = pos + 1;
        for (;; ++next) {
            next = content.indexOf(QByteArrayView(kMagic, 4), next);
            if (next < 0 || FrameAt(content, next, false, record, end)) break;
        }
        if (next < 0) {
            read.TornTail = true;
            break;
        }
        read.DamagedBytes += uint64_t(next - pos);
        pos = next;
    }
    return read;
}

} // namespace tallivo
