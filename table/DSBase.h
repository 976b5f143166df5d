#pragma once
// The record store of a table (IDSBase) and its cursor (IDSCursor).
//
// The store is column-oriented (TStoreData): per field one append-only
// column of values with null flags, per slot one row-state byte, and the
// change log. Orders are arrays of slot numbers: the default order (loaded
// records in slot order, then appended ones; a modified version takes the
// place of the record it replaces) and at most one sort order, kept sorted as
// records are posted and deleted. Sort orders are built from collation sort
// keys computed once per record; an order built for a list of fields is kept
// while the data does not change, so returning to it costs no sort.
// Case-insensitive whole-value searches on a string, wide string or integer
// field (compared through the text each value shows) are answered from a
// hash index of the sort keys of the case-folded texts, built on first use
// and kept up to date by every change.
//
// The store serves one thread and takes no lock (building a large order
// computes its sort keys on the machine's other cores too, and waits for
// them before it returns).

#include "table/StoreData.h"

#include <QStringView>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tallivo {

class TCollator;

// One field's value in a record or key buffer.
struct TFieldValue {
    bool Null = true;
    double Float = 0;
    std::string Bytes; // string fields: code page bytes; text fields: UTF-8
    bool operator==(const TFieldValue&) const = default;
};
using TRecordBuffer = std::vector<TFieldValue>;

class IDSBase {
public:
    // Takes the content over (validated; raises "Mismatch in datapacket." when
    // inconsistent). The default order is built from the visible slots in
    // slot order. The collator is the one of the LCID table parameter when it
    // names a known locale, else the user's default.
    explicit IDSBase(TStoreData data);
    ~IDSBase();
    IDSBase(const IDSBase&) = delete;
    IDSBase& operator=(const IDSBase&) = delete;

    // Gives the content back (for the closed table's snapshot); the store is
    // empty afterwards and must not be used again.
    TStoreData TakeData();

    const TStoreData& Data() const { return FData; }
    const TCollator& Collator() const { return *FCollator; }
    int FieldCount() const { return int(FData.Fields.size()); }
    const TStoreFieldDesc& FieldDesc(int field) const { return FData.Fields[size_t(field)]; }
    // A boolean table parameter (value beginning with T or t), e.g. READONLY.
    bool BoolParam(const QString& name) const;
    // Sets a table parameter (replacing one of the same name), or removes
    // it. Parameters are not records: DataVersion does not change.
    void SetParam(const TStoreParam& param);
    void RemoveParam(const QString& name);

    // Slots and values (slot from 1).
    uint32_t SlotCount() const { return FData.SlotCount(); }
    uint8_t RowState(uint32_t slot) const { return FData.RowStates[slot - 1]; }
    bool IsVisible(uint32_t slot) const { return IsVisibleRowState(RowState(slot)); }
    bool IsNull(uint32_t slot, int field) const { return Col(field).IsNull(slot - 1); }
    std::string_view BytesAt(uint32_t slot, int field) const { return Col(field).BytesAt(slot - 1); }
    double FloatAt(uint32_t slot, int field) const { return Col(field).FloatAt(slot - 1); }
    void ReadRecord(uint32_t slot, TRecordBuffer& out) const;
    // True when the buffer holds exactly the stored values (byte for byte).
    bool RecordEquals(uint32_t slot, const TRecordBuffer& buffer) const;
    const std::vector<TChangeLogEntry>& ChangeLog() const { return FData.ChangeLog; }

    // Changes; each keeps every order, the search indexes and the log right.
    // When the table is read-only they raise "Data is read only.".
    uint32_t InsertRecord(const TRecordBuffer& buffer);                // returns the new slot
    uint32_t ModifyRecord(uint32_t slot, const TRecordBuffer& buffer); // returns the new version's slot
    void DeleteRecord(uint32_t slot);
    // Drops every slot and the log; numbering restarts at 1.
    void EmptyStore();
    // Grows on every change of the records.
    uint64_t DataVersion() const { return FDataVersion; }
    // How many times EmptyStore ran (the change log restarts each time).
    uint64_t EmptyCount() const { return FEmptyCount; }

    // Orders.
    const std::vector<uint32_t>& DefaultOrder() const { return FDefaultOrder; }
    bool HasSortOrder() const { return !FSortFields.empty(); }
    const std::vector<int>& SortFields() const { return FSortFields; }
    // Puts the given fields (all ascending, case significant) in force as the
    // sort order; an empty list restores the default order.
    void SetSortOrder(const std::vector<int>& fields);
    // The order the cursor follows: the sort order when one is set.
    const std::vector<uint32_t>& Order() const { return HasSortOrder() ? FSortOrder : FDefaultOrder; }
    // How many sort orders were built by sorting (not taken from the kept
    // ones) since the store was made.
    uint64_t SortOrdersBuilt() const { return FSortOrdersBuilt; }
    int64_t RecordCount() const { return int64_t(FDefaultOrder.size()); }
    // The position of a visible slot in the current order, -1 otherwise.
    int64_t PositionOf(uint32_t slot) const;

    // Comparison of one field's values (null first; strings by collation,
    // case significant; numbers numerically).
    int CompareField(int field, const TFieldValue& a, uint32_t slot) const;
    // A buffer against a slot over the sort fields.
    int CompareKey(const TRecordBuffer& key, uint32_t slot) const;
    // Position in the sort order of the first record whose key is >= key
    // (exclusive: > key); RecordCount() when none.
    int64_t FindNearest(const TRecordBuffer& key, bool exclusive) const;

    // Position in the current order of the first record whose string, wide
    // string or integer field shows text, letter case ignored, or -1. Answered from the field's hash
    // index (built on first use).
    int64_t LocateIgnoreCase(int field, QStringView text);
    // True when the field's case-insensitive index exists (tests, benchmarks).
    bool HasLocateIndex(int field) const;
    // Builds the field's case-insensitive index now rather than at the first
    // search.
    void PrepareLocateIndex(int field);

    // Bytes held by the store (columns, orders, indexes).
    size_t MemoryUsed() const;

private:
    struct TLocateIndex;
    struct TCachedOrder {
        std::vector<int> Fields;
        std::vector<uint32_t> Order;
    };
    const TStoreColumn& Col(int field) const { return FData.Columns[size_t(field)]; }
    void CheckWritable() const;
    uint32_t AppendSlot(const TRecordBuffer& buffer, uint8_t rowState);
    void BuildSortOrder(const std::vector<int>& fields, std::vector<uint32_t>& out) const;
    void AppendKey(uint32_t slot, const std::vector<int>& fields, std::string& out) const;
    int64_t DefaultPositionOf(uint32_t slot) const;
    int64_t SortPositionOf(uint32_t slot, bool repeated = false) const;
    void BuildPositionMap() const;
    int64_t UpperBoundRecord(const TRecordBuffer& buffer) const;
    int CompareSlots(uint32_t a, uint32_t b) const;
    void OrderChanged();
    void DataChanged();
    void IndexAdd(uint32_t slot);
    void BuildLocateIndex(TLocateIndex& index) const;
    TLocateIndex& LocateIndexFor(int field);
    std::u16string_view Text(uint32_t slot, int field, std::u16string& buf) const;

    TStoreData FData;
    const TCollator* FCollator = nullptr;
    bool FReadOnly = false;
    uint64_t FDataVersion = 0;
    uint64_t FEmptyCount = 0;
    std::vector<uint32_t> FDefaultOrder;
    std::vector<uint32_t> FRank; // per slot: rank in the default order (ascending along it)
    uint32_t FNextRank = 0;
    std::vector<int> FSortFields;
    std::vector<uint32_t> FSortOrder;
    // False once the sort order differs from a fresh build for the same data
    // (a change that kept its key kept its place before equal keys); such an
    // order is not kept for later reuse.
    bool FSortFresh = true;
    std::vector<TCachedOrder> FOrderCache; // orders built for other settings, valid for the current data
    uint64_t FSortOrdersBuilt = 0;
    mutable std::vector<uint32_t> FPosOf;  // slot -> position in the sort order, when valid
    mutable bool FPosValid = false;
    mutable int FPosLookups = 0; // searches since the map was last invalidated
    std::vector<std::unique_ptr<TLocateIndex>> FLocateIndexes;
};

// A position in the current order of a store: -1 before the first record,
// RecordCount() after the last.
class IDSCursor {
public:
    explicit IDSCursor(const IDSBase& base) : FBase(&base) {}
    int64_t Position() const { return FPos; }
    int64_t Count() const { return FBase->RecordCount(); }
    void MoveToBOF() { FPos = -1; }
    void MoveToEOF() { FPos = Count(); }
    void MoveToPosition(int64_t pos) { FPos = pos < -1 ? -1 : pos > Count() ? Count() : pos; }
    bool MoveToSlot(uint32_t slot);
    bool OnRecord() const { return FPos >= 0 && FPos < Count(); }
    // The slot at the position, 0 on either end.
    uint32_t Slot() const { return OnRecord() ? FBase->Order()[size_t(FPos)] : 0; }

private:
    const IDSBase* FBase;
    int64_t FPos = -1;
};

} // namespace tallivo
