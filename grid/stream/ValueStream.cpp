#include "grid/stream/ValueStream.h"

#include "base/CodePage.h"

#include <algorithm>

namespace tallivo {

// ---------------------------------------------------------------- writer

void TValueWriter::PutLittleEndian(std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) WriteByte(std::uint8_t(v >> (8 * i)));
}

void TValueWriter::WriteShortString(std::string_view utf8) {
    // Cut before the character that does not fit whole: a name read back
    // never ends in half a character.
    if (utf8.size() > 255) {
        std::size_t n = 255;
        while (n > 0 && (std::uint8_t(utf8[n]) & 0xC0) == 0x80) --n;
        utf8 = utf8.substr(0, n);
    }
    WriteByte(std::uint8_t(utf8.size()));
    WriteBytes(utf8);
}

void TValueWriter::WriteInteger(std::int32_t v) {
    if (v >= -128 && v <= 127) {
        WriteValueType(vaInt8);
        PutLittleEndian(std::uint32_t(v), 1);
    } else if (v >= -32768 && v <= 32767) {
        WriteValueType(vaInt16);
        PutLittleEndian(std::uint32_t(v), 2);
    } else {
        WriteValueType(vaInt32);
        PutLittleEndian(std::uint32_t(v), 4);
    }
}

void TValueWriter::WriteString(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() < 2 * text.size()) {
        const bool ascii =
            std::none_of(utf8.begin(), utf8.end(), [](char c) { return std::uint8_t(c) >= 0x80; });
        if (!ascii) {
            WriteValueType(vaUTF8String);
            PutLittleEndian(std::uint32_t(utf8.size()), 4);
        } else if (utf8.size() > 255) {
            WriteValueType(vaLString);
            PutLittleEndian(std::uint32_t(utf8.size()), 4);
        } else {
            WriteValueType(vaString);
            WriteByte(std::uint8_t(utf8.size()));
        }
        WriteBytes(std::string_view(utf8.constData(), std::size_t(utf8.size())));
        return;
    }
    WriteValueType(vaWString);
    PutLittleEndian(std::uint32_t(text.size()), 4);
    for (const QChar c : text) PutLittleEndian(c.unicode(), 2);
}

void TValueWriter::WriteIdent(std::string_view name) {
    WriteValueType(vaIdent);
    WriteShortString(name);
}

void TValueWriter::WriteSet(std::uint32_t bits, std::span<const char* const> names) {
    WriteValueType(vaSet);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (bits & (1u << i)) WriteShortString(names[i]);
    WriteByte(0);
}

// ---------------------------------------------------------------- reader

void TValueReader::Fail(const QString& message, std::uint64_t at) const {
    throw TStreamFault{message, at};
}

void TValueReader::FailPastEnd() const {
    Fail(QString::fromUtf8(kSReadPastEnd), FBytes.size());
}

std::uint8_t TValueReader::PeekByte() const {
    if (FPos >= FBytes.size()) FailPastEnd();
    return std::uint8_t(FBytes[FPos]);
}

std::uint8_t TValueReader::ReadByte() {
    const std::uint8_t b = PeekByte();
    ++FPos;
    return b;
}

std::string_view TValueReader::ReadBytes(std::uint64_t count) {
    if (count > FBytes.size() - FPos) FailPastEnd();
    const std::string_view s = FBytes.substr(FPos, count);
    FPos += count;
    return s;
}

std::uint32_t TValueReader::ReadLittleEndian(int bytes) {
    const std::string_view s = ReadBytes(std::uint64_t(bytes));
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= std::uint32_t(std::uint8_t(s[std::size_t(i)])) << (8 * i);
    return v;
}

std::string_view TValueReader::ReadShortString() {
    return ReadBytes(ReadByte());
}

std::int32_t TValueReader::ReadIntegerPayload(TValueType t, std::uint64_t tagAt) {
    switch (t) {
    case vaInt8:
        return std::int8_t(ReadLittleEndian(1));
    case vaInt16:
        return std::int16_t(ReadLittleEndian(2));
    case vaInt32:
        return std::int32_t(ReadLittleEndian(4));
    default:
        Fail(QString::fromUtf8(kSInvalidValue), tagAt);
    }
}

QString TValueReader::ReadStringPayload(TValueType t, std::uint64_t tagAt) {
    switch (t) {
    case vaString:
        return FromAnsi(ReadShortString());
    case vaLString:
        return FromAnsi(ReadBytes(ReadLittleEndian(4)));
    case vaUTF8String: {
        const std::string_view s = ReadBytes(ReadLittleEndian(4));
        return QString::fromUtf8(s.data(), qsizetype(s.size()));
    }
    case vaWString: {
        const std::string_view s = ReadBytes(std::uint64_t(ReadLittleEndian(4)) * 2);
        QString text(qsizetype(s.size() / 2), Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(
                char16_t(std::uint8_t(s[std::size_t(2 * i)]) | std::uint8_t(s[std::size_t(2 * i + 1)]) << 8));
        return text;
    }
    default:
        Fail(QString::fromUtf8(kSInvalidValue), tagAt);
    }
}

bool SameIdent(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = char(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

} // namespace tallivo
