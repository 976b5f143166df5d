#pragma once
// The stored content of a table as plain data: field descriptors, table
// parameters, the slots (per field a column of values with null flags, per
// slot a row-state byte) and the change log. It is what a closed table keeps
// in memory, what the data packet reader fills and what the writer reads.
//
// Slots are numbered from 1; slot s is row s - 1 of every column and of
// RowStates. Values of a slot never change once written (a change makes a
// new slot), so each column is append-only.

#include "table/ByteArena.h"
#include "table/DBTypes.h"
#include "table/ValueSet.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallivo {

// One field's values over all slots.
//
// A Bytes column starts by keeping each distinct value once (TValueSet) and
// one number per row; after the first 16 384 rows, and at every fourfold
// growth after that, it checks whether that still saves room and, when it
// does not (codes, references: values that do not repeat), moves for good
// to the plain form: the values one after the other with an end offset per
// row. Both forms read the same.
class TStoreColumn {
public:
    // Bytes: a string field's code page bytes, the decimal text of an integer
    // or fixed-point field, or the text (UTF-8) of a field kept as text.
    // Float: an IEEE double per slot (r8 and r4 fields).
    enum class TKind : uint8_t { Bytes, Float };

    explicit TStoreColumn(TKind kind = TKind::Bytes) : FKind(kind) {}
    TKind Kind() const { return FKind; }
    uint32_t Count() const { return FCount; }

    void AppendNull();
    void AppendBytes(std::string_view value); // Bytes columns
    void AppendFloat(double value);           // Float columns
    // Appends every row of other, a column of the same kind, and leaves
    // other empty; its memory is taken over where it can be (see TByteArena).
    void AppendRows(TStoreColumn&& other);
    void Reserve(uint32_t rows, size_t bytes = 0);
    // Room for one more row holding bytes bytes, so that the next Append
    // cannot fail half-way; raises when the column cannot grow.
    void EnsureRoom(size_t bytes);

    // row = slot - 1
    bool IsNull(uint32_t row) const { return (FNullBits[row >> 6] >> (row & 63)) & 1u; }
    std::string_view BytesAt(uint32_t row) const {
        if (FInterned) return FValues.At(FIds[row]);
        const uint32_t b = row ? FEnds[row - 1] : 0;
        return std::string_view(FBytes.Data() + b, FEnds[row] - b);
    }
    double FloatAt(uint32_t row) const { return FFloats[row]; }

    // The values held once each: the number of a row's value in Values()
    // (0, the empty string, for a null row).
    bool Interned() const { return FInterned; }
    uint32_t IdAt(uint32_t row) const { return FIds[row]; }
    const TValueSet& Values() const { return FValues; }
    // Bytes of the non-null values, row by row.
    uint64_t ValueBytes() const { return FValueBytes; }

    void Clear();
    void ShrinkToFit();
    size_t MemoryUsed() const;

private:
    void PushNullBit(bool isNull);
    void AppendNullBits(const TStoreColumn& other);
    void Checkpoint();
    void ToPlain();
    TKind FKind;
    bool FInterned = true;
    uint32_t FCount = 0;
    uint32_t FNextCheck = kFirstCheck;
    uint32_t FReservedRows = 0;
    uint64_t FValueBytes = 0;
    std::vector<uint64_t> FNullBits;
    TPodArray<double> FFloats; // Float
    TPodArray<uint32_t> FIds;  // Bytes, interned: each row's number in FValues
    TValueSet FValues;
    TPodArray<uint32_t> FEnds; // Bytes, plain: end offset of each row's value
    TByteArena FBytes;
    static constexpr uint32_t kFirstCheck = 16384;
};

// A table or field parameter of a data packet (name, value as text, packet
// type name such as "boolean" or "i2", and whether it travels back to a
// server).
struct TStoreParam {
    QString Name;
    QString Value;
    QString Type;
    bool Roundtrip = false;
};

struct TStoreFieldDesc {
    QString Name;
    TFieldType DataType = ftString;
    int Size = 0;     // string width in bytes; 0 for other kinds
    QString TypeName; // the data packet's type name ("string", "r8", "i4" ...)
    bool Required = false;
    bool ReadOnly = false;
    bool Hidden = false;
    bool LinkField = false;
    std::vector<TStoreParam> Params; // field-level parameters (SUBTYPE, DECIMALS ...)
};

struct TChangeLogEntry {
    uint32_t Slot = 0;
    uint32_t LinkedSlot = 0;
    uint32_t Kind = 0; // clInserted, clModified, clDeleted
    bool operator==(const TChangeLogEntry&) const = default;
};

// The column kind that stores a field type.
TStoreColumn::TKind ColumnKindFor(TFieldType type);

struct TStoreData {
    std::vector<TStoreFieldDesc> Fields;
    std::vector<TStoreParam> Params;   // table-level parameters, the change log excluded
    std::vector<TStoreColumn> Columns; // one per field
    std::vector<uint8_t> RowStates;    // one per slot
    std::vector<TChangeLogEntry> ChangeLog;

    uint32_t SlotCount() const { return uint32_t(RowStates.size()); }
    // Adds a field descriptor with its (empty) column; returns its index.
    int AddField(TStoreFieldDesc desc);
    // Starts a new slot; the caller then appends one value to every column.
    uint32_t AppendSlot(uint8_t rowState = usUnmodified);
    // A table parameter by name (case-sensitive), or nullptr.
    const TStoreParam* FindParam(const QString& name) const;
    // Checks that every column has one value per slot and that the log names
    // existing slots; raises EDBClient "Mismatch in datapacket." otherwise.
    void Validate() const;
    size_t MemoryUsed() const;
};

} // namespace tallivo
