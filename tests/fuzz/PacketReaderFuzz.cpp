// libFuzzer target of the data packet reader. For every input:
//  - the reader reads it from memory, and from a source handing it over in
//    pieces of a few bytes: both give the same content or the same error at
//    the same offset;
//  - content that reads is opened as a table, walked through its fields,
//    written in both forms and read back to the same fields, slots, row
//    states, log and values (a number as the double its 16-digit text in
//    the file reads back to).
// Anything else aborts.
#include "base/Exception.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "table/Fields.h"
#include "table/Packet.h"
#include "table/PacketReader.h"
#include "table/PacketWriter.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tallivo;

namespace {

[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "packet reader fuzz: %s\n", what);
    std::abort();
}

// Hands the bytes over in pieces of 1 to 13 bytes.
class TPieces final : public IPacketSource {
public:
    TPieces(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    size_t ReadSome(char* buffer, size_t max) override {
        FStep = FStep * 1103515245u + 12345u;
        size_t n = 1 + (FStep >> 16) % 13;
        n = std::min({n, max, FSize - FPos});
        if (n) std::memcpy(buffer, FData + FPos, n);
        FPos += n;
        return n;
    }
    void Rewind() override { FPos = 0; }
    uint64_t SizeHint() const override { return FSize; }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
    uint32_t FStep = 7;
};

struct TOutcome {
    bool Ok = false;
    std::string Error;
    uint64_t Offset = 0;
    TStoreData Data;
};

template <typename F> TOutcome Attempt(F&& read) {
    TOutcome o;
    try {
        o.Data = read();
        o.Ok = true;
    } catch (const EDataPacketError& e) {
        o.Error = e.Message().toStdString();
        o.Offset = e.Offset();
    }
    return o;
}

// The double a file holds for v: its 16-digit text read back.
double AsWritten(double v) {
    char buf[64];
    if (v == 0) v = 0;
    const char* end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 16).ptr;
    double w = 0;
    std::from_chars(buf, end, w);
    return w;
}

// Fields, the slots a packet keeps (every slot with its state when the log
// is not empty, else the visible ones in order with state 0), values and
// log, as text.
std::string Image(const TStoreData& d, const std::vector<uint32_t>& order, bool exactNumbers) {
    std::string s;
    for (const TStoreFieldDesc& f : d.Fields) {
        s += f.Name.toStdString() + '|' + std::to_string(f.DataType) + '|' + std::to_string(f.Size) + '|' +
             f.TypeName.toStdString() + '|' +
             char('0' + f.ReadOnly + 2 * f.Required + 4 * f.Hidden + 8 * f.LinkField) + '\n';
    }
    std::vector<uint32_t> kept;
    if (d.ChangeLog.empty()) {
        kept = order;
    } else {
        for (uint32_t i = 1; i <= d.SlotCount(); ++i) kept.push_back(i);
    }
    for (uint32_t slot : kept) {
        s += d.ChangeLog.empty() ? std::string("0") : std::to_string(d.RowStates[slot - 1]);
        for (const TStoreColumn& c : d.Columns) {
            s += ';';
            if (c.IsNull(slot - 1)) {
                s += 'N';
            } else if (c.Kind() == TStoreColumn::TKind::Float) {
                const double v = exactNumbers ? c.FloatAt(slot - 1) : AsWritten(c.FloatAt(slot - 1));
                uint64_t bits;
                std::memcpy(&bits, &v, 8);
                s += std::to_string(bits);
            } else {
                s += 'V' + std::string(c.BytesAt(slot - 1));
            }
        }
        s += '\n';
    }
    for (const TChangeLogEntry& e : d.ChangeLog)
        s += std::to_string(e.Slot) + ' ' + std::to_string(e.LinkedSlot) + ' ' + std::to_string(e.Kind) + ',';
    return s;
}

std::vector<uint32_t> AllVisible(const TStoreData& d) {
    std::vector<uint32_t> v;
    for (uint32_t i = 1; i <= d.SlotCount(); ++i)
        if (IsVisibleRowState(d.RowStates[i - 1])) v.push_back(i);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    TOutcome memory = Attempt([&] { return ReadPacket(bytes, size); });
    TPieces pieces(data, size);
    TOutcome stream = Attempt([&] { return ReadPacket(pieces); });
    if (memory.Ok != stream.Ok) Fault("memory and piecewise reading disagree");
    if (!memory.Ok) {
        if (memory.Error != stream.Error || memory.Offset != stream.Offset) Fault("different errors");
        if (memory.Offset > size) Fault("error offset past the end");
        return 0;
    }
    const std::vector<uint32_t> visible = AllVisible(memory.Data);
    if (Image(memory.Data, visible, true) != Image(stream.Data, AllVisible(stream.Data), true))
        Fault("memory and piecewise content differ");

    TClientDataSet table;
    try {
        table.LoadFromStoreData(std::move(memory.Data));
    } catch (const Exception&) {
        Fault("content read does not open");
    }
    // Every value through its field.
    for (table.First(); !table.Eof(); table.Next())
        for (int i = 0; i < table.Fields().Count(); ++i) {
            TField* f = table.Fields()[i];
            (void)f->AsString();
            try {
                (void)f->AsFloat();
            } catch (const Exception&) {
            }
        }
    const IDSBase& store = *table.Store();
    const std::string expected = Image(store.Data(), store.DefaultOrder(), false);
    for (TDataPacketFormat format : {dfXML, dfXMLUTF8}) {
        const QByteArray written = WritePacket(store, format);
        TOutcome again = Attempt([&] { return ReadPacket(written.constData(), size_t(written.size())); });
        if (!again.Ok) {
            std::fprintf(stderr, "%s at %llu\n%s\n", again.Error.c_str(), (unsigned long long)again.Offset,
                         written.constData());
            Fault("a written packet does not read");
        }
        if (Image(again.Data, AllVisible(again.Data), true) != expected) {
            const std::string got = Image(again.Data, AllVisible(again.Data), true);
            std::fprintf(stderr, "expected:\n");
            std::fwrite(expected.data(), 1, expected.size(), stderr);
            std::fprintf(stderr, "\ngot:\n");
            std::fwrite(got.data(), 1, got.size(), stderr);
            std::fprintf(stderr, "\n");
            Fault("a written packet reads back different");
        }
    }
    return 0;
}
