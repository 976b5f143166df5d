#pragma once
// Enumerations and small definition collections of the table engine.

#include "base/Alignment.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace tallivo {

// Field kinds. ftString (1) and ftFloat (6) are the kinds the workstation
// defines; the others can come from data files written by other systems.
// Numbers, wide strings and strings have field classes of their own; the
// remaining kinds are kept as text (TRawField).
enum TFieldType {
    ftUnknown = 0,
    ftString = 1,
    ftSmallint = 2,
    ftInteger = 3,
    ftWord = 4,
    ftBoolean = 5,
    ftFloat = 6,
    ftCurrency = 7,
    ftBCD = 8,
    ftDate = 9,
    ftTime = 10,
    ftDateTime = 11,
    ftBytes = 12,
    ftVarBytes = 13,
    ftAutoInc = 14,
    ftBlob = 15,
    ftMemo = 16,
    ftGraphic = 17,
    ftFmtMemo = 18,
    ftFixedChar = 23,
    ftWideString = 24,
    ftLargeint = 25,
    ftADT = 26,
    ftArray = 27,
    ftDataSet = 29,
    ftGuid = 35,
    ftTimeStamp = 36,
    ftFMTBcd = 37,
    ftWideMemo = 39,
    ftLongWord = 42,
    ftShortint = 43,
    ftByte = 44,
    ftExtended = 45,
    ftTimeStampOffset = 49,
    ftSingle = 51,
};

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey };

// Notifications from a table to the links of its data sources.
enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl,
    deDisabledStateChange,
};

enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned; // a set of TLocateOption bits

enum TDataPacketFormat { dfBinary, dfXML, dfXMLUTF8 };

// Row-state bits of a stored slot.
enum : uint8_t {
    usUnmodified = 0,
    usSuperseded = 1,
    usDeleted = 2,
    usInserted = 4,
    usModified = 8,
    usFree = 32,
};
inline bool IsVisibleRowState(uint8_t s) {
    return (s & (usSuperseded | usDeleted | usFree)) == 0;
}

// Change-log entry kinds.
enum : uint32_t { clDeleted = 2, clInserted = 4, clModified = 8 };

// The largest width of a field: data files carry widths as 16-bit numbers.
constexpr int kMaxFieldWidth = 32767;

class TFieldDef {
public:
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    bool Required = false;
    // Optional attributes a loaded data packet may give a field.
    bool ReadOnly = false;
    bool Hidden = false;
};

class TFieldDefs {
public:
    void Clear() { FItems.clear(); }
    // Adds a definition. A string field of size 0 gets 20; a negative size or
    // one above kMaxFieldWidth is refused with "Taille de champ incorrecte".
    // Kinds without a size get 0.
    TFieldDef& Add(const QString& name, TFieldType dataType, int size = 0, bool required = false);
    // Adds a definition as it is (the table fills its definitions from the store this way).
    void AddDef(const TFieldDef& def) { FItems.push_back(def); }
    int Count() const { return int(FItems.size()); }
    const TFieldDef& operator[](int i) const { return FItems[size_t(i)]; }
    TFieldDef& operator[](int i) { return FItems[size_t(i)]; }
    int IndexOf(const QString& name) const; // case-insensitive, -1 when absent
    const std::vector<TFieldDef>& Items() const { return FItems; }

private:
    std::vector<TFieldDef> FItems;
};

class TIndexDef {
public:
    QString Name;
    QString Fields;
};

// Index definitions: the workstation only ever clears them.
class TIndexDefs {
public:
    void Clear() { FItems.clear(); }
    int Count() const { return int(FItems.size()); }
    TIndexDef& Add(const QString& name, const QString& fields) {
        FItems.push_back({name, fields});
        return FItems.back();
    }
    const TIndexDef& operator[](int i) const { return FItems[size_t(i)]; }

private:
    std::vector<TIndexDef> FItems;
};

} // namespace tallivo

namespace tallivo {
// Numeric codes of the errors the store raises (EDBClient::ErrorCode).
enum : int {
    DBERR_MISMATCH = 0x2EA4,         // "Mismatch in datapacket."
    DBERR_NOMETADATA = 0x2EA5,       // "Datapacket contains no meta data."
    DBERR_READONLY = 0x2EA6,         // "Data is read only."
    DBERR_REQUIRED = 0x2EA7,         // "Field value required."
    DBERR_NOTINDEXED = 0x2EA8,       // "Data is not indexed."
    DBERR_INVALIDFIELDTYPE = 0x2EA9, // "Invalid field type."
    DBERR_NOMEMORY = 0x2EAA,         // "Insufficient memory for this operation."
};
} // namespace tallivo
