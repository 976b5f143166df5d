#pragma once
// The packet reader's plan for a FIELD element: what the element declares,
// the store's descriptor made from it, and how the field's values are read
// from the rows.

#include "table/NumberText.h"
#include "table/StoreData.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tallivo {

// How a field's values are read.
struct TFieldIn {
    std::string Attr; // attribute name in ROW, as bytes of the content
    std::string Tag;  // element name in ROW (tagname form)
    bool ByTag = false;
    // Ansi: string bytes; Float: a double; Single: a double of 8 digits (r4);
    // Decimal: canonical decimal text (integer and fixed-point kinds); Text:
    // UTF-8 text as it came.
    enum class TTarget : uint8_t { Ansi, Float, Single, Decimal, Text } Target = TTarget::Ansi;
    bool EmptyIsNull = false; // kinds other than strings: an empty text is null
    bool Integer = false;     // Decimal: an integer kind, values within Range
    TIntegerRange Range;
    uint32_t Width = 0; // Ansi: cut to this many bytes
    size_t Longest = 0; // Ansi without width: the longest value read
    uint32_t Stamp = 0; // the last row that gave this field a value
    int NextSame = -1;  // the next field with the same attribute or tag name
};

// What a FIELD element declares, collected before the field is added.
struct TFieldDecl {
    QString Name;
    bool HaveFieldName = false;
    std::string Attr, Tag, Type;
    bool HaveAttr = false, HaveTag = false, HaveType = false;
    bool ReadOnly = false, Required = false, Hidden = false, LinkField = false;
    std::vector<TStoreParam> Params;
};

enum class TFieldFault { None, Mismatch, InvalidType };

// Makes the descriptor and the read plan of a declared field (its
// parameters move into desc). Mismatch: neither attrname nor tagname, or a
// WIDTH beyond what a file can declare; InvalidType: no or an unknown
// fieldtype. utf8Content: the names are UTF-8 rather than Windows-1252.
TFieldFault PlanField(TFieldDecl& decl, bool utf8Content, TStoreFieldDesc& desc, TFieldIn& in);

} // namespace tallivo
