#pragma once
// Type names and parameter names of XML data packets, shared by the reader,
// the writer and the packet tool.

#include "table/DBTypes.h"

#include <string_view>

namespace tallivo {

struct TPacketType {
    TFieldType DataType = ftUnknown; // ftUnknown: the name is not a packet type
    const char* Name = nullptr;      // the type name written back for this kind
};

// The field kind of a packet type name, compared without regard to letter
// case, and the field's SUBTYPE ("FixedChar", "Text", "Autoinc" ...).
// Kinds other than ftString, ftFixedChar and ftFloat are kept by the table as
// text with their type name (TRawField).
TPacketType PacketTypeOf(std::string_view name, std::string_view subtype = {});

// The type name of a field kind ("string", "r8", "i4" ...), or nullptr for a
// kind that has none.
const char* PacketTypeNameOf(TFieldType type);

// True for the kinds whose width a packet carries in WIDTH (strings, byte
// strings, large objects, fixed-point numbers).
bool PacketTypeHasWidth(TFieldType type);

// The type of a parameter whose name has its own attribute in PARAMS or
// FIELD ("UIntArray" for CHANGE_LOG, "i2" for LCID ...), or nullptr: such a
// parameter travels as a PARAM element instead.
const char* KnownParamType(std::string_view name);

} // namespace tallivo
