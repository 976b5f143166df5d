#include "tools/packet/Csv.h"

#include "base/CodePage.h"
#include "base/FloatText.h"
#include "table/DSBase.h"
#include "table/NumberText.h"
#include "table/PacketTypes.h"
#include "tools/common/ToolFiles.h"

#include <QStringDecoder>
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
QString Clipped(const QString& s) {
    return s.size() > 40 ? s.left(40) + QStringLiteral("...") : s;
}

bool IsAnsiKind(TFieldType t) {
    return t == ftString || t == ftFixedChar;
}

// Kinds whose values are text that a scanned code may be compared with.
bool IsTextKind(TFieldType t) {
    return IsAnsiKind(t) || t == ftWideString;
}

// A data file's field names have at most 31 bytes.
constexpr int kMaxFieldNameBytes = 31;

// The header cell of a field: its name (":" doubled), then unless namesOnly
// its type, width and scale.
std::string HeaderCell(const TStoreFieldDesc& desc, bool namesOnly) {
    std::string cell;
    for (const char c : ToAnsi(desc.Name)) {
        cell += c;
        if (c == ':') cell += ':';
    }
    if (namesOnly) return cell;
    const char* type = PacketTypeNameOf(desc.DataType);
    cell += ':';
    cell += desc.TypeName.isEmpty() ? std::string(type ? type : "string") : desc.TypeName.toStdString();
    std::string width;
    if (PacketTypeHasWidth(desc.DataType) && desc.Size > 0) width = std::to_string(desc.Size);
    const TStoreParam* decimals = nullptr;
    for (const TStoreParam& p : desc.Params)
        if (p.Name == QLatin1String("DECIMALS")) decimals = &p;
    if (!width.empty() || decimals) cell += ':' + width;
    if (decimals) cell += ':' + ToAnsi(decimals->Value);
    return cell;
}

// The parts of a header cell: split at ":", where "::" stands for a ":" of
// the name.
QStringList SplitHeaderCell(const QString& cell) {
    QStringList parts{QString()};
    for (qsizetype i = 0; i < cell.size(); ++i) {
        if (cell[i] != u':') {
            parts.back() += cell[i];
        } else if (i + 1 < cell.size() && cell[i + 1] == u':') {
            parts.back() += u':';
            ++i;
        } else {
            parts << QString();
        }
    }
    return parts;
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
                        error = QStringLiteral("ligne %1 : une valeur entre guillemets ne se termine pas")
                                    .arg(start);
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
                    error = QStringLiteral("ligne %1 : du texte suit le guillemet qui ferme une valeur")
                                .arg(FLine);
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
    const auto r = std::to_chars(buf, buf + sizeof buf, value); // shortest round trip
    std::string s(buf, r.ptr);
    std::replace(s.begin(), s.end(), '.', separator);
    return s;
}

QByteArray CatalogueToCsv(const IDSBase& store, bool namesOnly, char separator) {
    const TStoreData& d = store.Data();
    QByteArray out;
    for (size_t f = 0; f < d.Fields.size(); ++f) {
        if (f) out += ';';
        AppendCell(out, HeaderCell(d.Fields[f], namesOnly), false);
    }
    out += "\r\n";
    for (const uint32_t slot : store.Order()) {
        for (size_t f = 0; f < d.Fields.size(); ++f) {
            if (f) out += ';';
            const TStoreColumn& c = d.Columns[f];
            if (c.IsNull(slot - 1)) continue;
            if (c.Kind() == TStoreColumn::TKind::Float) {
                out += CsvFloatText(c.FloatAt(slot - 1), separator);
                continue;
            }
            const std::string_view b = c.BytesAt(slot - 1);
            const TFieldType type = d.Fields[f].DataType;
            if (IsAnsiKind(type)) {
                AppendCell(out, b, true);
            } else if (IsDecimalKind(type)) {
                std::string number(b);
                std::replace(number.begin(), number.end(), '.', separator);
                out += number;
            } else {
                AppendCell(out, ToAnsi(QString::fromUtf8(b.data(), qsizetype(b.size()))), true);
            }
        }
        out += "\r\n";
    }
    return out;
}

namespace {

// One column of the text being read.
struct TColumn {
    TFieldType Kind = ftString;
    TIntegerRange Range; // integer kinds
    int Width = 0;       // 0: as wide as the longest value
    size_t Longest = 0;
    int Cut = 0;
};

// Reads a header cell into a field descriptor and its column; returns the
// error, or an empty text.
QString ReadHeaderCell(const QString& cell, const QString& where, TStoreFieldDesc& desc, TColumn& column) {
    const QStringList parts = SplitHeaderCell(cell);
    const QString name = parts[0].trimmed();
    const QString shown = Clipped(name);
    if (name.isEmpty()) return where + QStringLiteral(" : un champ sans nom");
    if (name.toUtf8().size() > kMaxFieldNameBytes)
        return where + QStringLiteral(" : le nom de champ \"%1\" dépasse %2 octets")
                           .arg(shown)
                           .arg(kMaxFieldNameBytes);
    const TLayoutField* layout = nullptr;
    for (const TLayoutField& l : kLayout)
        if (name.compare(QLatin1String(l.Name), Qt::CaseInsensitive) == 0) layout = &l;
    QString typeName = parts.size() > 1 ? parts[1].trimmed() : QString();
    if (typeName.isEmpty()) {
        if (!layout)
            return where + QStringLiteral(" : le champ \"%1\" n'est pas un champ du catalogue : donner son "
                                          "type et sa largeur, par exemple %1:string:30 ou %1:r8")
                               .arg(shown);
        typeName = QLatin1String(layout->Type);
    }
    const std::string typeBytes = typeName.toStdString();
    const TPacketType type = PacketTypeOf(typeBytes);
    if (type.DataType == ftUnknown || parts.size() > 4)
        return where +
               QStringLiteral(" : \"%1\" n'est pas un type de champ").arg(Clipped(parts.mid(1).join(u':')));
    column.Kind = type.DataType;
    column.Range = IntegerRangeOf(type.DataType, type.Name);
    const QString width = parts.size() > 2 ? parts[2].trimmed() : QString();
    if (!width.isEmpty()) {
        bool ok = false;
        column.Width = width.toInt(&ok);
        if (!ok || column.Width <= 0 || column.Width > kMaxFieldWidth)
            return where + QStringLiteral(" : \"%1\" n'est pas une largeur (1 à %2)")
                               .arg(Clipped(parts[2]))
                               .arg(kMaxFieldWidth);
    } else if (layout && PacketTypeOf(layout->Type).DataType == type.DataType) {
        column.Width = layout->Width;
    }
    desc.Name = name;
    desc.DataType = type.DataType;
    desc.TypeName = QString::fromLatin1(type.Name);
    desc.Size = PacketTypeHasWidth(type.DataType) ? column.Width : 0;
    if (parts.size() > 3) {
        bool ok = false;
        const int decimals = parts[3].trimmed().toInt(&ok);
        if (!ok || decimals < 0 || decimals > 32767)
            return where +
                   QStringLiteral(" : \"%1\" n'est pas un nombre de décimales").arg(Clipped(parts[3]));
        desc.Params.push_back(
            {QStringLiteral("DECIMALS"), QString::number(decimals), QStringLiteral("i2"), false});
    }
    return QString();
}

// A number cell of a decimal or float kind in canonical form, or the
// reason it is refused.
QString ReadNumber(const QString& t, const TColumn& c, std::string& decimal, double& value) {
    if (IsDecimalKind(c.Kind)) {
        const bool integer = IsIntegerKind(c.Kind);
        if (!ParseTypedDecimal(t, u',', integer, decimal) && !ParseTypedDecimal(t, u'.', integer, decimal))
            return QStringLiteral("n'est pas un nombre");
        if (integer && !InRange(decimal, c.Range))
            return QStringLiteral("est hors limites (%1 à %2)")
                .arg(QLatin1String(c.Range.Min.data(), qsizetype(c.Range.Min.size())),
                     QLatin1String(c.Range.Max.data(), qsizetype(c.Range.Max.size())));
        return QString();
    }
    if (!TryTextToFloat(t, u',', value) && !TryTextToFloat(t, u'.', value))
        return QStringLiteral("n'est pas un nombre");
    if (c.Kind == ftSingle) value = RoundToSingle(value);
    return QString();
}

} // namespace

TCsvResult CatalogueFromCsv(const QByteArray& bytes, const TCsvOptions& options) {
    TCsvResult result;
    std::string_view text(bytes.constData(), size_t(bytes.size()));
    bool utf8 = false;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
        utf8 = true;
    } else {
        utf8 = WellFormedUtf8WithHighBytes(bytes);
    }
    // A value may begin with U+FEFF: only the text's own byte-order mark,
    // taken off above, is not part of it.
    auto toText = [&](std::string_view s) {
        if (!utf8) return FromAnsi(s);
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
        return QString(decoder(QByteArrayView(s.data(), qsizetype(s.size()))));
    };

    TCsvReader reader(text);
    TRecord header;
    if (!reader.Next(header, result.Error)) {
        if (result.Error.isEmpty()) result.Error = QStringLiteral("pas de ligne d'en-tête");
        return result;
    }
    // A spreadsheet's other separators give one header cell holding them all.
    if (header.Cells.size() == 1)
        for (const auto& [c, name] : {std::pair{',', "des virgules"}, std::pair{'\t', "des tabulations"}})
            if (header.Cells[0].find(c) != std::string::npos) {
                result.Error =
                    QStringLiteral("ligne 1 : l'en-tête est séparé par %1 ; Tallivo lit des colonnes "
                                   "séparées par des points-virgules (;) : enregistrer le fichier "
                                   "avec le séparateur « ; »")
                        .arg(QLatin1String(name));
                return result;
            }
    std::vector<TColumn> columns;
    for (size_t i = 0; i < header.Cells.size(); ++i) {
        const QString where = QStringLiteral("ligne %1, colonne %2").arg(header.Line).arg(i + 1);
        TStoreFieldDesc desc;
        TColumn column;
        result.Error = ReadHeaderCell(toText(header.Cells[i]), where, desc, column);
        if (!result.Error.isEmpty()) return result;
        // A data file may hold two fields of one name: kept, but said.
        for (const TStoreFieldDesc& f : result.Data.Fields)
            if (f.Name.compare(desc.Name, Qt::CaseInsensitive) == 0) {
                result.Warnings
                    << where + QStringLiteral(" : le champ \"%1\" figure deux fois").arg(Clipped(desc.Name));
                break;
            }
        result.Data.AddField(std::move(desc));
        columns.push_back(column);
    }

    TRecord r;
    int trimmed = 0;
    std::string decimal;
    while (reader.Next(r, result.Error)) {
        if (r.Cells.size() != columns.size()) {
            result.Error = QStringLiteral("ligne %1 : %2, l'en-tête en a %3")
                               .arg(r.Line)
                               .arg(Plural(int64_t(r.Cells.size()), "valeur", "valeurs"))
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
            if (c.Kind == ftFloat || c.Kind == ftSingle || IsDecimalKind(c.Kind)) {
                const QString t = toText(cell).trimmed();
                if (t.isEmpty()) {
                    store.AppendNull();
                    continue;
                }
                double v = 0;
                const QString refused = ReadNumber(t, c, decimal, v);
                if (!refused.isEmpty()) {
                    result.Error = QStringLiteral("ligne %1, %2 : \"%3\" %4")
                                       .arg(r.Line)
                                       .arg(Clipped(result.Data.Fields[i].Name), Clipped(t), refused);
                    return result;
                }
                if (IsDecimalKind(c.Kind))
                    store.AppendBytes(decimal);
                else
                    store.AppendFloat(v);
                continue;
            }
            QString value = toText(cell);
            if (IsTextKind(c.Kind) && value.endsWith(u' ')) {
                if (options.TrimTrailingSpaces) {
                    qsizetype n = value.size();
                    while (n > 0 && value[n - 1] == u' ') --n;
                    value.truncate(n);
                    ++trimmed;
                } else {
                    result.Warnings << QStringLiteral(
                                           "ligne %1, colonne %2 : \"%3\" se termine par une espace")
                                           .arg(r.Line)
                                           .arg(i + 1)
                                           .arg(Clipped(value));
                }
            }
            if (IsAnsiKind(c.Kind)) {
                std::string bytes = utf8 || options.TrimTrailingSpaces ? ToAnsi(value) : cell;
                if (const size_t nul = bytes.find('\0'); nul != std::string::npos) bytes.resize(nul);
                if (c.Width > 0 && bytes.size() > size_t(c.Width) && !options.WidenToFit) {
                    bytes.resize(size_t(c.Width));
                    ++c.Cut;
                }
                c.Longest = std::max(c.Longest, bytes.size());
                store.AppendBytes(bytes);
            } else {
                const QByteArray u = value.toUtf8();
                store.AppendBytes(std::string_view(u.constData(), size_t(u.size())));
            }
        }
    }
    if (!result.Error.isEmpty()) return result;
    for (size_t i = 0; i < columns.size(); ++i) {
        TStoreFieldDesc& d = result.Data.Fields[i];
        if (PacketTypeHasWidth(d.DataType) && d.Size == 0)
            d.Size = int(std::min<size_t>(std::max<size_t>(columns[i].Longest, 20), size_t(kMaxFieldWidth)));
        else if (PacketTypeHasWidth(d.DataType) && options.WidenToFit)
            d.Size = int(std::min<size_t>(std::max<size_t>(columns[i].Longest, size_t(d.Size)),
                                          size_t(kMaxFieldWidth)));
        if (columns[i].Cut)
            result.Warnings << (columns[i].Cut == 1 ? QStringLiteral("1 valeur de %1 coupée à %2")
                                                    : QStringLiteral("%3 valeurs de %1 coupées à %2"))
                                   .arg(d.Name, Plural(d.Size, "octet", "octets"))
                                   .arg(columns[i].Cut);
    }
    if (trimmed)
        result.Warnings
            << QStringLiteral("espaces finales retirées de %1").arg(Plural(trimmed, "valeur", "valeurs"));
    return result;
}

QStringList MissingStationFields(const TStoreData& data) {
    QStringList missing;
    for (const char* name : kStationFields) {
        bool found = false;
        for (const TStoreFieldDesc& f : data.Fields)
            found = found || f.Name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
        if (!found) missing << QLatin1String(name);
    }
    return missing;
}

} // namespace tallivo
