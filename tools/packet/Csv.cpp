#include "tools/packet/Csv.h"

#include "base/CodePage.h"
#include "base/FloatText.h"
#include "table/DSBase.h"
#include "table/PacketTypes.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <string_view>
#include <vector>

namespace tallivo {

namespace {

struct TLayoutField {
    const char* Name;
    const char* Type;
    int Width;
};

// The catalogue's fields, and the collection's quantity.
const TLayoutField kLayout[] = {
    {"CODE_ART", "string", 25}, {"NOM_ART", "string", 50},   {"CATEGORIE", "string", 25},
    {"PX_VTE_TC", "r8", 0},     {"REF_ART_F", "string", 25}, {"PRIX_ACHAT", "r8", 0},
    {"NOM_FOU", "string", 50},  {"GERE_STOCK", "string", 1}, {"QTE", "r8", 0},
};

// A name as messages show it: long garbage is cut.
QString Shown(const QString& s) {
    return s.size() > 40 ? s.left(40) + QStringLiteral("...") : s;
}

bool IsAnsiKind(TFieldType t) {
    return t == ftString || t == ftFixedChar;
}

void AppendCell(QByteArray& out, std::string_view value, bool quoteEmpty) {
    const bool quote =
        (quoteEmpty && value.empty()) || value.find_first_of(";\"\r\n") != std::string_view::npos;
    if (!quote) {
        out.append(value.data(), qsizetype(value.size()));
        return;
    }
    out += '"';
    for (const char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

bool WellFormedUtf8WithHighBytes(const QByteArray& text) {
    bool high = false;
    const auto* p = reinterpret_cast<const unsigned char*>(text.constData());
    const auto* e = p + text.size();
    while (p < e) {
        const unsigned char b = *p++;
        if (b < 0x80) continue;
        high = true;
        int need = b >= 0xF0 && b <= 0xF4 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 && b <= 0xDF ? 1 : -1;
        if (b >= 0xF5) need = -1;
        if (need < 0) return false;
        for (int k = 0; k < need; ++k, ++p)
            if (p >= e || (*p & 0xC0) != 0x80) return false;
    }
    return high;
}

// One record of the text: its cells and whether each was quoted.
struct TRecord {
    std::vector<std::string> Cells;
    std::vector<bool> Quoted;
    int Line = 0;
};

class TCsvReader {
public:
    explicit TCsvReader(std::string_view text) : FText(text) {}
    // False at the end; Error set on malformed text.
    bool Next(TRecord& r, QString& error) {
        // Blank lines are passed over.
        while (FPos < FText.size() && (FText[FPos] == '\r' || FText[FPos] == '\n')) NewLine();
        if (FPos >= FText.size()) return false;
        r.Cells.clear();
        r.Quoted.clear();
        r.Line = FLine;
        for (;;) {
            std::string cell;
            bool quoted = false;
            if (FPos < FText.size() && FText[FPos] == '"') {
                quoted = true;
                const int start = FLine;
                ++FPos;
                for (;;) {
                    if (FPos >= FText.size()) {
                        error = QStringLiteral("line %1: a quoted value does not end").arg(start);
                        return false;
                    }
                    const char c = FText[FPos];
                    if (c == '"') {
                        if (FPos + 1 < FText.size() && FText[FPos + 1] == '"') {
                            cell += '"';
                            FPos += 2;
                            continue;
                        }
                        ++FPos;
                        break;
                    }
                    if (c == '\n') ++FLine;
                    cell += c;
                    ++FPos;
                }
                if (FPos < FText.size() && FText[FPos] != ';' && FText[FPos] != '\r' && FText[FPos] != '\n') {
                    error = QStringLiteral("line %1: text after the closing quote of a value").arg(FLine);
                    return false;
                }
            } else {
                const size_t end = FText.find_first_of(";\r\n", FPos);
                const size_t stop = end == std::string_view::npos ? FText.size() : end;
                cell.assign(FText.substr(FPos, stop - FPos));
                FPos = stop;
            }
            r.Cells.push_back(std::move(cell));
            r.Quoted.push_back(quoted);
            if (FPos < FText.size() && FText[FPos] == ';') {
                ++FPos;
                continue;
            }
            if (FPos < FText.size()) NewLine();
            return true;
        }
    }

private:
    void NewLine() {
        if (FText[FPos] == '\r' && FPos + 1 < FText.size() && FText[FPos + 1] == '\n') ++FPos;
        ++FPos;
        ++FLine;
    }
    std::string_view FText;
    size_t FPos = 0;
    int FLine = 1;
};

} // namespace

std::string CsvFloatText(double value, char separator) {
    char buf[64];
    if (value == 0) value = 0;
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 16);
    std::string s(buf, r.ptr);
    std::replace(s.begin(), s.end(), '.', separator);
    return s;
}

QByteArray CatalogueToCsv(const IDSBase& store, bool namesOnly) {
    const TStoreData& d = store.Data();
    QByteArray out;
    for (size_t f = 0; f < d.Fields.size(); ++f) {
        const TStoreFieldDesc& desc = d.Fields[f];
        std::string cell = ToAnsi(desc.Name);
        if (!namesOnly) {
            const char* type = PacketTypeNameOf(desc.DataType);
            cell += ':';
            cell +=
                desc.TypeName.isEmpty() ? std::string(type ? type : "string") : desc.TypeName.toStdString();
            if (PacketTypeHasWidth(desc.DataType) && desc.Size > 0) cell += ':' + std::to_string(desc.Size);
        }
        if (f) out += ';';
        AppendCell(out, cell, false);
    }
    out += "\r\n";
    for (const uint32_t slot : store.Order()) {
        for (size_t f = 0; f < d.Fields.size(); ++f) {
            if (f) out += ';';
            const TStoreColumn& c = d.Columns[f];
            if (c.IsNull(slot - 1)) continue;
            if (c.Kind() == TStoreColumn::TKind::Float) {
                out += CsvFloatText(c.FloatAt(slot - 1), ',');
                continue;
            }
            const std::string_view b = c.BytesAt(slot - 1);
            if (IsAnsiKind(d.Fields[f].DataType))
                AppendCell(out, b, true);
            else
                AppendCell(out, ToAnsi(QString::fromUtf8(b.data(), qsizetype(b.size()))), true);
        }
        out += "\r\n";
    }
    return out;
}

TCsvResult CatalogueFromCsv(const QByteArray& bytes) {
    TCsvResult result;
    std::string_view text(bytes.constData(), size_t(bytes.size()));
    bool utf8 = false;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
        utf8 = true;
    } else {
        utf8 = WellFormedUtf8WithHighBytes(bytes);
    }
    auto toText = [&](std::string_view s) {
        return utf8 ? QString::fromUtf8(s.data(), qsizetype(s.size())) : FromAnsi(s);
    };

    TCsvReader reader(text);
    TRecord header;
    if (!reader.Next(header, result.Error)) {
        if (result.Error.isEmpty()) result.Error = QStringLiteral("no header line");
        return result;
    }
    struct TColumn {
        TFieldType Kind = ftString;
        int Width = 0; // 0: as wide as the longest value
        size_t Longest = 0;
        int Cut = 0;
    };
    std::vector<TColumn> columns;
    for (size_t i = 0; i < header.Cells.size(); ++i) {
        const QStringList parts = toText(header.Cells[i]).split(u':');
        const QString name = parts[0].trimmed();
        const QString shown = Shown(name);
        const QString where = QStringLiteral("line %1, column %2").arg(header.Line).arg(i + 1);
        if (name.isEmpty()) {
            result.Error = where + QStringLiteral(": a field without a name");
            return result;
        }
        for (const TStoreFieldDesc& f : result.Data.Fields)
            if (f.Name.compare(name, Qt::CaseInsensitive) == 0) {
                result.Error = where + QStringLiteral(": the field \"%1\" appears twice").arg(shown);
                return result;
            }
        const TLayoutField* layout = nullptr;
        for (const TLayoutField& l : kLayout)
            if (name.compare(QLatin1String(l.Name), Qt::CaseInsensitive) == 0) layout = &l;
        QString typeName = parts.size() > 1 ? parts[1].trimmed() : QString();
        if (typeName.isEmpty()) {
            if (!layout) {
                result.Error =
                    where + QStringLiteral(": the field \"%1\" is not in the catalogue layout: give its "
                                           "type and width, e.g. %1:string:30 or %1:r8")
                                .arg(shown);
                return result;
            }
            typeName = QLatin1String(layout->Type);
        }
        const std::string typeBytes = typeName.toStdString();
        const TPacketType type = PacketTypeOf(typeBytes);
        if (type.DataType == ftUnknown || parts.size() > 3) {
            result.Error =
                where + QStringLiteral(": \"%1\" is not a field type").arg(Shown(parts.mid(1).join(u':')));
            return result;
        }
        TColumn column;
        column.Kind = type.DataType;
        if (parts.size() > 2) {
            bool ok = false;
            column.Width = parts[2].trimmed().toInt(&ok);
            if (!ok || column.Width <= 0) {
                result.Error = where + QStringLiteral(": \"%1\" is not a width").arg(Shown(parts[2]));
                return result;
            }
        } else if (layout && PacketTypeOf(layout->Type).DataType == type.DataType) {
            column.Width = layout->Width;
        }
        TStoreFieldDesc desc;
        desc.Name = name;
        desc.DataType = type.DataType;
        desc.TypeName = QString::fromLatin1(type.Name);
        desc.Size = PacketTypeHasWidth(type.DataType) ? column.Width : 0;
        result.Data.AddField(std::move(desc));
        columns.push_back(column);
    }

    TRecord r;
    while (reader.Next(r, result.Error)) {
        if (r.Cells.size() != columns.size()) {
            result.Error = QStringLiteral("line %1: %2 values, the header has %3")
                               .arg(r.Line)
                               .arg(r.Cells.size())
                               .arg(columns.size());
            return result;
        }
        result.Data.AppendSlot();
        for (size_t i = 0; i < columns.size(); ++i) {
            TColumn& c = columns[i];
            TStoreColumn& store = result.Data.Columns[i];
            const std::string& cell = r.Cells[i];
            if (cell.empty() && !r.Quoted[i]) {
                store.AppendNull();
                continue;
            }
            if (c.Kind == ftFloat) {
                const QString t = toText(cell).trimmed();
                double v = 0;
                if (t.isEmpty()) {
                    store.AppendNull();
                } else if (TryTextToFloat(t, u',', v) || TryTextToFloat(t, u'.', v)) {
                    store.AppendFloat(v);
                } else {
                    result.Error = QStringLiteral("line %1, %2: \"%3\" is not a number")
                                       .arg(r.Line)
                                       .arg(Shown(result.Data.Fields[i].Name), Shown(t));
                    return result;
                }
            } else if (IsAnsiKind(c.Kind)) {
                std::string value = utf8 ? ToAnsi(toText(cell)) : cell;
                if (const size_t nul = value.find('\0'); nul != std::string::npos) value.resize(nul);
                if (c.Width > 0 && value.size() > size_t(c.Width)) {
                    value.resize(size_t(c.Width));
                    ++c.Cut;
                }
                c.Longest = std::max(c.Longest, value.size());
                store.AppendBytes(value);
            } else {
                const QByteArray u = toText(cell).toUtf8();
                store.AppendBytes(std::string_view(u.constData(), size_t(u.size())));
            }
        }
    }
    if (!result.Error.isEmpty()) return result;
    for (size_t i = 0; i < columns.size(); ++i) {
        TStoreFieldDesc& d = result.Data.Fields[i];
        if (PacketTypeHasWidth(d.DataType) && d.Size == 0)
            d.Size = int(std::max<size_t>(columns[i].Longest, 20));
        if (columns[i].Cut)
            result.Warnings << QStringLiteral("%1 value(s) of %2 cut to %3 bytes")
                                   .arg(columns[i].Cut)
                                   .arg(d.Name)
                                   .arg(d.Size);
    }
    return result;
}

} // namespace tallivo
