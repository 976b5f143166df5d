#include "table/PacketWriter.h"

#include "base/CodePage.h"
#include "base/Exception.h"
#include "table/DSBase.h"
#include "table/Packet.h"
#include "table/PacketTypes.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tallivo {

namespace {

// The escape of each byte in attribute values; an empty entry is written as
// it is.
struct TEscape {
    char Text[8];
    uint8_t Length;
};

void SetEscape(TEscape& e, const char* text) {
    e.Length = uint8_t(std::strlen(text));
    std::memcpy(e.Text, text, e.Length);
}

void SetUtf8(TEscape& e, uint32_t cp) {
    if (cp < 0x800) {
        e.Text[0] = char(0xC0 | (cp >> 6));
        e.Text[1] = char(0x80 | (cp & 0x3F));
        e.Length = 2;
    } else {
        e.Text[0] = char(0xE0 | (cp >> 12));
        e.Text[1] = char(0x80 | ((cp >> 6) & 0x3F));
        e.Text[2] = char(0x80 | (cp & 0x3F));
        e.Length = 3;
    }
}

// One table per form: the nine escaped bytes, and in dfXMLUTF8 every byte
// above 127 as the UTF-8 form of its Windows-1252 character.
struct TEscapeTable {
    TEscape Byte[256] = {};
    explicit TEscapeTable(bool utf8) {
        SetEscape(Byte[(unsigned char)'<'], "&lt;");
        SetEscape(Byte[(unsigned char)'>'], "&gt;");
        SetEscape(Byte[(unsigned char)'&'], "&amp;");
        SetEscape(Byte[(unsigned char)'\''], "&apos;");
        SetEscape(Byte[(unsigned char)'"'], "&quot;");
        SetEscape(Byte[13], "&#013;");
        SetEscape(Byte[10], "&#010;");
        SetEscape(Byte[9], "&#009;");
        SetEscape(Byte[(unsigned char)'\\'], "&#092;");
        if (utf8)
            for (int b = 0x80; b < 0x100; ++b) SetUtf8(Byte[b], AnsiCharToUnicode((unsigned char)b));
    }
};

const TEscapeTable& EscapesFor(bool utf8) {
    static const TEscapeTable ansi(false), unicode(true);
    return utf8 ? unicode : ansi;
}

// The code point of the UTF-8 sequence at p; U+FFFD for a broken one.
uint32_t NextCodePoint(const unsigned char*& p, const unsigned char* e) {
    const unsigned char b = *p++;
    if (b < 0x80) return b;
    int need = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (need < 0 || b > 0xF4) return 0xFFFD;
    uint32_t cp = b & (0x3F >> need);
    for (int k = 0; k < need; ++k) {
        if (p >= e || (*p & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (*p++ & 0x3F);
    }
    static const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (cp < least[need] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    return cp;
}

// Characters of a field name that cannot stand in an attribute name. The
// first nine are the packet's own rule; the others would end the name, the
// attribute or the tag early when the packet is read.
bool ReplacedInAttrName(unsigned char c) {
    switch (c) {
    case ' ':
    case '!':
    case '#':
    case '$':
    case '%':
    case '(':
    case ')':
    case '*':
    case '?':
    case '=':
    case '"':
    case '\'':
    case '<':
    case '>':
    case '/':
    case '&':
        return true;
    default:
        return c < 32;
    }
}

enum class TValueKind : uint8_t { Ansi, Float, Single, Text };

struct TFieldOut {
    std::string Prefix; // ' ' + attribute name + '="'
    TValueKind Kind = TValueKind::Ansi;
};

class TWriter {
public:
    TWriter(const IDSBase& store, TDataPacketFormat format, IPacketSink& sink)
        : FStore(store), FData(store.Data()), FUtf8(format == dfXMLUTF8), FEscapes(EscapesFor(FUtf8)),
          FSink(sink) {}

    void Run();

private:
    static constexpr size_t kBufferSize = size_t(1) << 18;

    void Flush() {
        if (FPos != FBuf.get()) FSink.Put(FBuf.get(), size_t(FPos - FBuf.get()));
        FPos = FBuf.get();
    }
    void Room(size_t n) {
        if (size_t(FEnd - FPos) < n) Flush();
    }
    void Raw(std::string_view s) {
        if (s.size() > kBufferSize / 2) {
            Flush();
            FSink.Put(s.data(), s.size());
            return;
        }
        Room(s.size());
        std::memcpy(FPos, s.data(), s.size());
        FPos += s.size();
    }
    void Ansi(std::string_view bytes);
    void Text(std::string_view utf8);
    void Text(const QString& s) {
        const QByteArray u = s.toUtf8();
        Text(std::string_view(u.constData(), size_t(u.size())));
    }
    void Float(double v, int digits);
    void Attribute(std::string_view name, const QString& value) {
        Raw(" ");
        Raw(name);
        Raw("=\"");
        Text(value);
        Raw("\"");
    }
    void ParamElement(const TStoreParam& p);
    void Fields();
    void Params();
    void Rows();
    void Row(uint32_t slot, bool withRowState);

    const IDSBase& FStore;
    const TStoreData& FData;
    const bool FUtf8;
    const TEscapeTable& FEscapes;
    IPacketSink& FSink;
    std::unique_ptr<char[]> FBuf;
    char* FPos = nullptr;
    char* FEnd = nullptr;
    std::vector<TFieldOut> FOut;
};

// A string value: Windows-1252 bytes, escaped (and in dfXMLUTF8 converted).
void TWriter::Ansi(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* e = p + bytes.size();
    const TEscape* table = FEscapes.Byte;
    while (p < e) {
        // Pieces small enough that their worst case (6 bytes each) fits.
        const auto* stop = p + std::min<size_t>(size_t(e - p), 4096);
        Room(size_t(stop - p) * 6 + 8);
        char* out = FPos;
        while (p < stop) {
            const auto* run = p;
            while (p < stop && !table[*p].Length) ++p;
            std::memcpy(out, run, size_t(p - run));
            out += p - run;
            if (p < stop) {
                const TEscape& x = table[*p++];
                std::memcpy(out, x.Text, 8);
                out += x.Length;
            }
        }
        FPos = out;
    }
}

// Text held as UTF-8 (names, parameters, fields kept as text): escaped; in
// dfXML every character above 127 as a decimal reference of at least three
// digits, in dfXMLUTF8 as UTF-8.
void TWriter::Text(std::string_view utf8) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* e = p + utf8.size();
    const TEscape* table = EscapesFor(false).Byte;
    while (p < e) {
        Room(16);
        if (*p < 0x80) {
            const TEscape& x = table[*p];
            if (x.Length) {
                std::memcpy(FPos, x.Text, x.Length);
                FPos += x.Length;
            } else {
                *FPos++ = char(*p);
            }
            ++p;
            continue;
        }
        const uint32_t cp = NextCodePoint(p, e);
        if (FUtf8) {
            if (cp < 0x800) {
                *FPos++ = char(0xC0 | (cp >> 6));
            } else if (cp < 0x10000) {
                *FPos++ = char(0xE0 | (cp >> 12));
                *FPos++ = char(0x80 | ((cp >> 6) & 0x3F));
            } else {
                *FPos++ = char(0xF0 | (cp >> 18));
                *FPos++ = char(0x80 | ((cp >> 12) & 0x3F));
                *FPos++ = char(0x80 | ((cp >> 6) & 0x3F));
            }
            *FPos++ = char(0x80 | (cp & 0x3F));
        } else {
            *FPos++ = '&';
            *FPos++ = '#';
            const auto r = std::to_chars(FPos, FPos + 8, cp);
            FPos = r.ptr;
            *FPos++ = ';';
        }
    }
}

// General form, 16 significant digits for r8 and 8 for r4, "." (0.07 is
// 0.07000000000000001 in r8).
void TWriter::Float(double v, int digits) {
    Room(40);
    if (v == 0) v = 0; // no "-0"
    const auto r = std::to_chars(FPos, FPos + 40, v, std::chars_format::general, digits);
    FPos = r.ptr;
}

void TWriter::ParamElement(const TStoreParam& p) {
    Raw("<PARAM");
    Attribute("Name", p.Name);
    Attribute("Value", p.Value);
    Attribute("Type", p.Type);
    if (p.Roundtrip) Raw(" Roundtrip=\"True\"");
    Raw("/>");
}

void TWriter::Fields() {
    Raw("<FIELDS>");
    std::vector<std::string> used;
    for (size_t f = 0; f < FData.Fields.size(); ++f) {
        const TStoreFieldDesc& d = FData.Fields[f];
        const TStoreColumn::TKind kind = FData.Columns[f].Kind();
        const char* typeName = PacketTypeNameOf(d.DataType);
        if (!typeName) throw EDBClient("Fieldtype not supported for XML.", DBERR_INVALIDFIELDTYPE);
        // The type name the field came with, when it names the same kind of
        // values ("ui8", "fixedFMT", an integer read from another system).
        std::string type = typeName;
        if (!d.TypeName.isEmpty()) {
            const std::string own = d.TypeName.toStdString();
            const TPacketType t = PacketTypeOf(own);
            if (t.DataType != ftUnknown && ColumnKindFor(t.DataType) == kind &&
                (t.DataType == ftFloat) == (d.DataType == ftFloat) &&
                (t.DataType == ftString || t.DataType == ftFixedChar) ==
                    (d.DataType == ftString || d.DataType == ftFixedChar))
                type = t.Name;
        }

        // attrname: the name with the characters that cannot stand in an
        // attribute name replaced; in dfXML a name with bytes above 127 is
        // "xF" and the field's position. A name that would clash with an
        // earlier one or with RowState also takes the "xF" form.
        const QByteArray utf8 = d.Name.toUtf8();
        const std::string name(utf8.constData(), size_t(utf8.size()));
        std::string attr = name;
        bool high = false;
        for (char& c : attr) {
            if ((unsigned char)c >= 0x80) high = true;
            if (ReplacedInAttrName((unsigned char)c)) c = '_';
        }
        bool writeFieldName = attr != name;
        auto clashes = [&](const std::string& a) {
            return a.empty() || a == "RowState" || std::find(used.begin(), used.end(), a) != used.end();
        };
        if ((high && !FUtf8) || clashes(attr)) {
            attr = "xF" + std::to_string(f);
            while (clashes(attr)) attr += '_';
            writeFieldName = true;
        }
        used.push_back(attr);

        Raw("<FIELD");
        if (writeFieldName) {
            Raw(" fieldname=\"");
            Text(name);
            Raw("\"");
        }
        Raw(" attrname=\"");
        Text(attr);
        Raw("\" fieldtype=\"");
        Raw(type);
        Raw("\"");
        if (d.ReadOnly) Raw(" readonly=\"true\"");
        if (d.Required) Raw(" required=\"true\"");
        if (d.Hidden) Raw(" hidden=\"true\"");
        if (d.LinkField) Raw(" linkfield=\"true\"");
        auto param = [&](const char* n) -> const TStoreParam* {
            for (const TStoreParam& p : d.Params)
                if (p.Name == QLatin1String(n)) return &p;
            return nullptr;
        };
        if (const TStoreParam* p = param("SUBTYPE")) Attribute("SUBTYPE", p->Value);
        if (const TStoreParam* p = param("DECIMALS")) Attribute("DECIMALS", p->Value);
        const bool sized = PacketTypeHasWidth(d.DataType) && d.Size > 0;
        if (sized) {
            Raw(" WIDTH=\"");
            Raw(std::to_string(d.Size));
            Raw("\"");
        } else if (const TStoreParam* p = param("WIDTH")) {
            Attribute("WIDTH", p->Value);
        }
        if (const TStoreParam* p = param("CALCULATED")) Attribute("CALCULATED", p->Value);
        bool children = false;
        for (const TStoreParam& p : d.Params) {
            const QByteArray n = p.Name.toUtf8();
            const std::string_view nv(n.constData(), size_t(n.size()));
            if (nv == "SUBTYPE" || nv == "DECIMALS" || nv == "WIDTH" || nv == "CALCULATED") continue;
            if (KnownParamType(nv))
                Attribute(nv, p.Value);
            else
                children = true;
        }
        if (children) {
            Raw(">");
            for (const TStoreParam& p : d.Params) {
                const QByteArray n = p.Name.toUtf8();
                if (!KnownParamType(std::string_view(n.constData(), size_t(n.size())))) ParamElement(p);
            }
            Raw("</FIELD>");
        } else {
            Raw("/>");
        }

        TFieldOut out;
        out.Prefix = " " + attr + "=\"";
        if (kind == TStoreColumn::TKind::Float)
            out.Kind = d.DataType == ftSingle ? TValueKind::Single : TValueKind::Float;
        else if (d.DataType == ftString || d.DataType == ftFixedChar)
            out.Kind = TValueKind::Ansi;
        else
            out.Kind = TValueKind::Text;
        FOut.push_back(std::move(out));
    }
    Raw("</FIELDS>");
}

void TWriter::Params() {
    Raw("<PARAMS");
    bool children = false;
    for (const TStoreParam& p : FData.Params) {
        const QByteArray n = p.Name.toUtf8();
        const std::string_view nv(n.constData(), size_t(n.size()));
        if (nv == "CHANGE_LOG") continue; // the store's own log is written below
        if (KnownParamType(nv))
            Attribute(nv, p.Value);
        else
            children = true;
    }
    const std::vector<TChangeLogEntry>& log = FData.ChangeLog;
    if (!log.empty()) {
        Raw(" CHANGE_LOG=\"");
        char buf[40];
        for (size_t i = 0; i < log.size(); ++i) {
            const uint32_t v[3] = {log[i].Slot, log[i].LinkedSlot, log[i].Kind};
            for (int k = 0; k < 3; ++k) {
                char* q = buf;
                if (i || k) *q++ = ' ';
                q = std::to_chars(q, buf + sizeof buf, v[k]).ptr;
                Raw(std::string_view(buf, size_t(q - buf)));
            }
        }
        Raw("\"");
    }
    if (!children) {
        Raw("/>");
        return;
    }
    Raw(">");
    for (const TStoreParam& p : FData.Params) {
        const QByteArray n = p.Name.toUtf8();
        if (!KnownParamType(std::string_view(n.constData(), size_t(n.size())))) ParamElement(p);
    }
    Raw("</PARAMS>");
}

void TWriter::Row(uint32_t slot, bool withRowState) {
    Room(64);
    std::memcpy(FPos, "<ROW", 4);
    FPos += 4;
    const uint8_t state = FData.RowStates[slot - 1];
    if (withRowState && state) {
        std::memcpy(FPos, " RowState=\"", 11);
        FPos += 11;
        FPos = std::to_chars(FPos, FPos + 4, unsigned(state)).ptr;
        *FPos++ = '"';
    }
    const uint32_t row = slot - 1;
    for (size_t f = 0; f < FOut.size(); ++f) {
        const TStoreColumn& c = FData.Columns[f];
        if (c.IsNull(row)) continue;
        const TFieldOut& out = FOut[f];
        Raw(out.Prefix);
        switch (out.Kind) {
        case TValueKind::Float:
            Float(c.FloatAt(row), 16);
            break;
        case TValueKind::Single:
            Float(c.FloatAt(row), 8);
            break;
        case TValueKind::Ansi:
            Ansi(c.BytesAt(row));
            break;
        case TValueKind::Text:
            Text(c.BytesAt(row));
            break;
        }
        Room(1);
        *FPos++ = '"';
    }
    Room(2);
    *FPos++ = '/';
    *FPos++ = '>';
}

void TWriter::Rows() {
    Raw("<ROWDATA>");
    if (!FData.ChangeLog.empty()) {
        // Every slot, history included, with its row state.
        for (uint32_t s = 1; s <= FData.SlotCount(); ++s) Row(s, true);
    } else {
        for (uint32_t s : FStore.DefaultOrder()) Row(s, false);
    }
    Raw("</ROWDATA>");
}

void TWriter::Run() {
    FBuf.reset(new char[kBufferSize]);
    FPos = FBuf.get();
    FEnd = FPos + kBufferSize;
    Raw(FUtf8 ? std::string_view("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>  ")
              : std::string_view("<?xml version=\"1.0\" standalone=\"yes\"?>  "));
    Raw("<DATAPACKET Version=\"2.0\"><METADATA>");
    Fields();
    Params();
    Raw("</METADATA>");
    Rows();
    Raw("</DATAPACKET>");
    Flush();
}

class TByteArraySink final : public IPacketSink {
public:
    explicit TByteArraySink(QByteArray& out) : FOut(out) {}
    void Put(const char* data, size_t size) override { FOut.append(data, qsizetype(size)); }

private:
    QByteArray& FOut;
};

} // namespace

void WritePacket(const IDSBase& store, TDataPacketFormat format, IPacketSink& sink) {
    TWriter writer(store, format, sink);
    writer.Run();
}

QByteArray WritePacket(const IDSBase& store, TDataPacketFormat format) {
    QByteArray out;
    TByteArraySink sink(out);
    WritePacket(store, format, sink);
    return out;
}

} // namespace tallivo
