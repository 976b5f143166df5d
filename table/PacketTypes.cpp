#include "table/PacketTypes.h"

#include <cstring>

namespace tallivo {

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool Same(std::string_view a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// Integer kinds by their size digit.
TPacketType SignedOfSize(char digit, std::string_view subtype) {
    switch (digit) {
    case '1':
        return {ftShortint, "i1"};
    case '2':
        return {ftSmallint, "i2"};
    case '4':
        return Same(subtype, "Autoinc") ? TPacketType{ftAutoInc, "i4"} : TPacketType{ftInteger, "i4"};
    case '8':
        return {ftLargeint, "i8"};
    default:
        return {};
    }
}

TPacketType UnsignedOfSize(char digit) {
    switch (digit) {
    case '1':
        return {ftByte, "ui1"};
    case '2':
        return {ftWord, "ui2"};
    case '4':
        return {ftLongWord, "ui4"};
    case '8':
        return {ftLargeint, "ui8"}; // read only: no unsigned 8-byte kind
    default:
        return {};
    }
}

} // namespace

TPacketType PacketTypeOf(std::string_view name, std::string_view subtype) {
    if (name.empty()) return {};
    // Whole names first: "IntArray" and "UIntArray" begin like integer names.
    if (Same(name, "string")) {
        if (Same(subtype, "FixedChar")) return {ftFixedChar, "string"};
        return {ftString, "string"};
    }
    if (Same(name, "string.uni")) return {ftWideString, "string.uni"};
    if (Same(name, "r8")) return {ftFloat, "r8"};
    if (Same(name, "r4")) return {ftSingle, "r4"};
    if (Same(name, "r10")) return {ftExtended, "r10"};
    if (Same(name, "boolean")) return {ftBoolean, "boolean"};
    if (Same(name, "date")) return {ftDate, "date"};
    if (Same(name, "time")) return {ftTime, "time"};
    if (Same(name, "dateTime")) return {ftDateTime, "dateTime"};
    if (Same(name, "SQLdateTime")) return {ftTimeStamp, "SQLdateTime"};
    if (Same(name, "SQLdateTimeOffset")) return {ftTimeStampOffset, "SQLdateTimeOffset"};
    if (Same(name, "IntArray")) return {ftArray, "IntArray"};
    if (Same(name, "UIntArray")) return {ftArray, "UIntArray"};
    if (Same(name, "nested")) return {ftDataSet, "nested"};
    if (Same(name, "struct")) return {ftADT, "struct"};
    if (Same(name, "bin.hex")) {
        if (Same(subtype, "Text")) return {ftMemo, "bin.hex"};
        if (Same(subtype, "WideText")) return {ftWideMemo, "bin.hex"};
        if (Same(subtype, "Formatted")) return {ftFmtMemo, "bin.hex"};
        if (Same(subtype, "Graphics")) return {ftGraphic, "bin.hex"};
        if (subtype.empty()) return {ftVarBytes, "bin.hex"};
        return {ftBlob, "bin.hex"};
    }
    if (Same(name, "fixedFMT")) return {ftFMTBcd, "fixedFMT"};
    const char first = Lower(name[0]);
    if (first == 'f') return {ftBCD, "fixed"};
    if (first == 'i') {
        // "i" alone and "int" are 4 bytes; otherwise the second character
        // gives the size.
        if (name.size() == 1 || Same(name, "int")) return SignedOfSize('4', subtype);
        return SignedOfSize(name[1], subtype);
    }
    if (first == 'u') {
        // "u", "ui" and "uint" are 4 bytes; otherwise the third character
        // gives the size.
        if (name.size() < 3) return UnsignedOfSize('4');
        if (Lower(name[2]) == 'n') return UnsignedOfSize('4');
        return UnsignedOfSize(name[2]);
    }
    return {};
}

const char* PacketTypeNameOf(TFieldType type) {
    switch (type) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
        return "string";
    case ftWideString:
        return "string.uni";
    case ftFloat:
    case ftCurrency:
        return "r8";
    case ftSingle:
        return "r4";
    case ftExtended:
        return "r10";
    case ftShortint:
        return "i1";
    case ftSmallint:
        return "i2";
    case ftInteger:
    case ftAutoInc:
        return "i4";
    case ftLargeint:
        return "i8";
    case ftByte:
        return "ui1";
    case ftWord:
        return "ui2";
    case ftLongWord:
        return "ui4";
    case ftBoolean:
        return "boolean";
    case ftDate:
        return "date";
    case ftTime:
        return "time";
    case ftDateTime:
        return "dateTime";
    case ftTimeStamp:
        return "SQLdateTime";
    case ftTimeStampOffset:
        return "SQLdateTimeOffset";
    case ftBCD:
        return "fixed";
    case ftFMTBcd:
        return "fixedFMT";
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftWideMemo:
        return "bin.hex";
    case ftArray:
        return "IntArray";
    case ftDataSet:
        return "nested";
    case ftADT:
        return "struct";
    default:
        return nullptr;
    }
}

bool PacketTypeHasWidth(TFieldType type) {
    switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftWideMemo:
    case ftBCD:
    case ftFMTBcd:
        return true;
    default:
        return false;
    }
}

const char* KnownParamType(std::string_view name) {
    struct TKnown {
        const char* Name;
        const char* Type;
    };
    static const TKnown known[] = {
        {"UNIQUE_KEY", "UIntArray"},
        {"DEFAULT_ORDER", "UIntArray"},
        {"CHANGE_LOG", "UIntArray"},
        {"SERVER_COL", "string"},
        {"DATASET_DELTA", "boolean"},
        {"READONLY", "boolean"},
        {"SUBTYPE", "string"},
        {"DECIMALS", "i2"},
        {"WIDTH", "i2"},
        {"LCID", "i2"},
        {"AUTOINCVALUE", "i4"},
        {"TABLENAME", "string"},
        {"TYPENAME", "string"},
        {"UPDATEMODE", "i2"},
        {"MD_SEMANTICS", "UIntArray"},
        {"CALCULATED", "boolean"},
        {"DELTA", "boolean"},
        {"PRIMARY_KEY", "UIntArray"},
        {"MINVALUE", "string"},
        {"MAXVALUE", "string"},
        {"DEFVALUE", "string"},
    };
    for (const TKnown& k : known)
        if (name == k.Name) return k.Type;
    return nullptr;
}

} // namespace tallivo
