#pragma once
// The values of a component stream: the tag byte that opens each value
// (TValueType), a writer that appends values to a byte string and a reader
// that takes them from a byte range, keeping the offset of what it reads.
// Integers are little-endian; a short string is one length byte and that
// many bytes of UTF-8.

#include <QString>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tallivo {

enum TValueType : std::uint8_t {
    vaNull,       // ends a list
    vaList,       // opens a collection item or a string list
    vaInt8,       // 1-byte signed integer
    vaInt16,      // 2-byte signed integer
    vaInt32,      // 4-byte signed integer
    vaExtended,   // 10-byte real (never in a layout)
    vaString,     // 1-byte length, bytes in the ANSI code page
    vaIdent,      // short string: an identifier
    vaFalse,      //
    vaTrue,       //
    vaBinary,     // 4-byte length, bytes (never in a layout)
    vaSet,        // short strings, ended by an empty one
    vaLString,    // 4-byte length, bytes in the ANSI code page
    vaNil,        // no object
    vaCollection, // items, ended by vaNull
    vaSingle,     // (never in a layout)
    vaCurrency,   // (never in a layout)
    vaDate,       // (never in a layout)
    vaWString,    // 4-byte character count, UTF-16LE
    vaInt64,      // (never in a layout)
    vaUTF8String, // 4-byte byte count, UTF-8
    vaDouble,     // (never in a layout)
};

// Messages of the stream reader.
inline const char* const kSBadStream = "Format de flux incorrect";
inline const char* const kSReadPastEnd = "Erreur de lecture du flux";
inline const char* const kSInvalidValue = "Valeur de propriété incorrecte";
inline const char* const kSNoProperty = "La propriété %s n'existe pas";
inline const char* const kSBadPath = "Chemin de propriété incorrect";
inline const char* const kSBadComponentName = "''%s'' n'est pas un nom de composant correct";
inline const char* const kSReadingProperty = "Erreur lors de la lecture de %s%s%s: %s";

// A refusal of the reader, before it is told which property it was reading.
struct TStreamFault {
    QString Message;
    std::uint64_t Offset;
};

class TValueWriter {
public:
    void WriteByte(std::uint8_t b) { FBytes.push_back(char(b)); }
    void WriteBytes(std::string_view bytes) { FBytes.append(bytes); }
    void WriteValueType(TValueType t) { WriteByte(t); }
    // Cut to at most 255 bytes, at a character boundary.
    void WriteShortString(std::string_view utf8);
    // vaInt8, vaInt16 or vaInt32: the smallest that holds v.
    void WriteInteger(std::int32_t v);
    // vaString or vaLString for ASCII text, vaUTF8String for other text
    // whose UTF-8 form is shorter than its UTF-16 form, else vaWString
    // (the empty text too).
    void WriteString(const QString& text);
    void WriteIdent(std::string_view name);
    void WriteBoolean(bool v) { WriteValueType(v ? vaTrue : vaFalse); }
    // vaSet with the names of the bits set, in bit order, then an empty name.
    void WriteSet(std::uint32_t bits, std::span<const char* const> names);

    std::string Take() { return std::move(FBytes); }

private:
    void PutLittleEndian(std::uint32_t v, int bytes);
    std::string FBytes;
};

// Every read that would go past the end raises "Erreur de lecture du flux"
// at the end of the data; nothing is allocated from a length before the
// bytes it announces are known to be there.
class TValueReader {
public:
    explicit TValueReader(std::string_view bytes) : FBytes(bytes) {}

    std::uint64_t Position() const { return FPos; }
    std::uint64_t Size() const { return FBytes.size(); }
    std::uint8_t PeekByte() const;
    std::uint8_t ReadByte();
    std::string_view ReadBytes(std::uint64_t count);
    TValueType ReadValueType() { return TValueType(ReadByte()); }
    // The raw bytes of a short string.
    std::string_view ReadShortString();

    // The payload of an integer value whose tag t was read: vaInt8, vaInt16
    // or vaInt32; any other tag is refused as an invalid value at tagAt.
    std::int32_t ReadIntegerPayload(TValueType t, std::uint64_t tagAt);
    // The payload of a string value whose tag t was read: vaString and
    // vaLString in the ANSI code page, vaWString, vaUTF8String; any other
    // tag is refused as an invalid value at tagAt.
    QString ReadStringPayload(TValueType t, std::uint64_t tagAt);

    [[noreturn]] void Fail(const QString& message, std::uint64_t at) const;
    [[noreturn]] void FailPastEnd() const;

private:
    std::uint32_t ReadLittleEndian(int bytes);
    std::string_view FBytes;
    std::uint64_t FPos = 0;
};

// Names compared as identifiers are: ASCII letters without regard to case.
bool SameIdent(std::string_view a, std::string_view b);

} // namespace tallivo
