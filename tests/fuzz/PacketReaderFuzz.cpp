// libFuzzer target of the data packet reader. For every input:
//  - the reader reads it from memory, from a source handing it over in
//    pieces of a few bytes, and from memory with its rows read in two halves
//    at once: all give the same content or the same error at the same
//    offset;
//  - content that reads is opened as a table, walked through its fields,
//    written in both forms and read back to the same fields, slots, row
//    states, log and values (a number as the double its 16-digit text in
//    the file reads back to);
//  - every field sorts the table into an order that its comparison agrees
//    with (equal values in slot order); a number's text assigned back gives
//    the same text; a search of a value's text on a string, wide string or
//    integer field finds the first record showing that text, as a scan of
//    the records does.
// Anything else aborts.
#include "base/Collation.h"
#include "base/Exception.h"
#include "base/FormatSettings.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "table/Fields.h"
#include "table/NumberText.h"
#include "table/Packet.h"
#include "table/PacketReader.h"
#include "table/PacketWriter.h"

#include <algorithm>
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

// True when a field list can name f: not empty, no ";", no spaces around,
// not a name given twice (the first field of that name is found).
bool Nameable(const TClientDataSet& table, const TField* f) {
    const QString& name = f->FieldName();
    return !name.isEmpty() && !name.contains(u';') && name.trimmed() == name && table.FindField(name) == f;
}

// Orders, assignments and searches of each field (at most the first 8, on
// tables of at most 300 records, so that each input stays fast).
void CheckFields(TClientDataSet& table) {
    const IDSBase& store = *table.Store();
    if (store.RecordCount() > 300) return;
    const int fields = std::min(table.Fields().Count(), 8);
    TRecordBuffer prev, next;
    for (int i = 0; i < fields; ++i) {
        TField* f = table.Fields()[i];
        if (!Nameable(table, f)) continue;
        table.SetIndexFieldNames(f->FieldName());
        if (table.IndexFieldNames() != f->FieldName()) Fault("the order was not set");
        const std::vector<uint32_t>& order = store.Order();
        for (size_t p = 1; p < order.size(); ++p) {
            store.ReadRecord(order[p - 1], prev);
            const int c = store.CompareField(f->Index(), prev[size_t(f->Index())], order[p]);
            if (c > 0 || (c == 0 && order[p - 1] > order[p]))
                Fault("a sort order its comparison disagrees with");
        }
    }
    table.SetIndexFieldNames("");
    const TCollator& coll = store.Collator();
    for (int i = 0; i < fields; ++i) {
        TField* f = table.Fields()[i];
        const TFieldType type = f->DataType();
        const bool number = IsDecimalKind(type) || type == ftFloat || type == ftSingle;
        const bool searched =
            type == ftString || type == ftFixedChar || type == ftWideString || IsIntegerKind(type);
        if ((!number && !searched) || !Nameable(table, f)) continue;
        int n = 0;
        for (table.First(); !table.Eof() && n < 16; table.Next(), ++n) {
            const QString text = f->AsString();
            const int recNo = table.RecNo();
            if (number && !f->ReadOnly() && table.CanModify()) {
                try {
                    table.Edit();
                } catch (const Exception&) {
                    continue; // edits refused by the packet
                }
                try {
                    f->SetAsString(text);
                } catch (const Exception& e) {
                    std::fprintf(stderr, "%s\n", e.what());
                    Fault("a number's own text is refused");
                }
                if (f->AsString() != text) Fault("a number's own text reads back different");
                table.Cancel();
            }
            if (!searched || f->IsNull()) continue;
            // The first record, in order, whose text equals the value's.
            int expected = 0;
            for (int r = 1; r <= table.RecordCount() && !expected; ++r) {
                const uint32_t slot = store.Order()[size_t(r - 1)];
                if (store.IsNull(slot, f->Index())) continue;
                table.MoveBy(r - table.RecNo());
                if (coll.EqualsIgnoreCase(U16(f->AsString()), U16(text))) expected = r;
            }
            if (!table.Locate(f->FieldName(), text, loCaseInsensitive)) Fault("a value's text is not found");
            if (table.RecNo() != expected) Fault("the search finds another record than the scan");
            table.MoveBy(recNo - table.RecNo());
        }
    }
}

std::vector<uint32_t> AllVisible(const TStoreData& d) {
    std::vector<uint32_t> v;
    for (uint32_t i = 1; i <= d.SlotCount(); ++i)
        if (IsVisibleRowState(d.RowStates[i - 1])) v.push_back(i);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FormatSettings().DecimalSeparator = u','; // as on the French systems
    const char* bytes = reinterpret_cast<const char*>(data);
    TOutcome memory = Attempt([&] { return ReadPacket(bytes, size); });
    TPieces pieces(data, size);
    TOutcome stream = Attempt([&] { return ReadPacket(pieces); });
    // The rows read in two halves at once, whatever their size.
    TOutcome halves = Attempt([&] { return ReadPacket(bytes, size, 0); });
    if (memory.Ok != stream.Ok) Fault("memory and piecewise reading disagree");
    if (memory.Ok != halves.Ok) Fault("reading in halves disagrees");
    if (!memory.Ok) {
        if (memory.Error != stream.Error || memory.Offset != stream.Offset) Fault("different errors");
        if (memory.Error != halves.Error || memory.Offset != halves.Offset) Fault("different errors in halves");
        if (memory.Offset > size) Fault("error offset past the end");
        return 0;
    }
    const std::vector<uint32_t> visible = AllVisible(memory.Data);
    if (Image(memory.Data, visible, true) != Image(stream.Data, AllVisible(stream.Data), true))
        Fault("memory and piecewise content differ");
    if (Image(memory.Data, visible, true) != Image(halves.Data, AllVisible(halves.Data), true))
        Fault("content read in halves differs");

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
    CheckFields(table);
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
