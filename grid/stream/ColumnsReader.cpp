// The reader of the column layout stream.
//
//   TColumnsReader::Read          signature, prefix, root object, children
//   ReadRootProperty              "Name", "Tag", "Columns"
//   ReadColumns                   the collection and its items
//   ReadColumnProperty            a column's record: path, then value
//   Read...Value                  one value of each kind of property
#include "grid/stream/ColumnsStream.h"
#include "grid/stream/ValueStream.h"

#include <limits>
#include <span>
#include <vector>

namespace tallivo {

namespace {

constexpr const char* kColumnClass = "TColumn";
constexpr const char* kRootClass = "TColumnsWrapper";
constexpr const char* kBooleanNames[] = {"False", "True"};

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// Empty, or a letter or "_" followed by letters, digits and "_".
bool IsValidComponentName(std::string_view name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        if (!letter && (i == 0 || c < '0' || c > '9')) return false;
    }
    return true;
}

std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t dot = path.find('.');
        parts.push_back(path.substr(0, dot));
        if (dot == std::string_view::npos) return parts;
        path.remove_prefix(dot + 1);
    }
}

// The objects a record's path can go through.
enum class TObject { Column, Font, Title, TitleFont, PickList };

class TColumnsReader {
public:
    explicit TColumnsReader(std::string_view bytes) : R(bytes) {}

    TColumnsLayout Read() {
        if (R.ReadBytes(4) != "TPF0") R.Fail(QString::fromUtf8(kSBadStream), 0);
        ReadPrefix();
        R.ReadShortString(); // the class name: the object to fill is known
        const std::uint64_t nameAt = R.Position();
        const std::string_view name = R.ReadShortString();
        CheckComponentName(name, nameAt);
        FLayout.Name = Text(name);
        while (R.PeekByte() != vaNull) ReadRootProperty();
        R.ReadByte();
        // A layout has no child objects.
        if (R.PeekByte() != vaNull) R.Fail(QString::fromUtf8(kSInvalidValue), R.Position());
        R.ReadByte();
        return std::move(FLayout);
    }

private:
    // An optional byte F0-FF of filer flags; with the child-position flag an
    // integer value follows.
    void ReadPrefix() {
        const std::uint8_t b = R.PeekByte();
        if (b < 0xF0) return;
        R.ReadByte();
        if (b & 0x02) {
            const std::uint64_t at = R.Position();
            R.ReadIntegerPayload(R.ReadValueType(), at);
        }
    }

    void CheckComponentName(std::string_view name, std::uint64_t at) {
        if (!IsValidComponentName(name)) R.Fail(Format(kSBadComponentName, Text(name)), at);
    }

    // Runs read; a refusal inside it is reported as an error while reading
    // object.path.
    template <class F> void InProperty(const QString& object, std::string_view path, F&& read) {
        try {
            read();
        } catch (const TStreamFault& f) {
            throw EColumnsStreamError(Format(kSReadingProperty, object, ".", Text(path), f.Message),
                                      f.Offset);
        }
    }

    [[noreturn]] void NoProperty(std::string_view name, std::uint64_t at) {
        R.Fail(Format(kSNoProperty, Text(name)), at);
    }
    [[noreturn]] void BadPath(std::uint64_t at) { R.Fail(QString::fromUtf8(kSBadPath), at); }
    [[noreturn]] void InvalidValue(std::uint64_t at) { R.Fail(QString::fromUtf8(kSInvalidValue), at); }

    // ------------------------------------------------------------ root

    void ReadRootProperty() {
        const std::uint64_t nameAt = R.Position();
        const std::string_view path = R.ReadShortString();
        const QString object = FLayout.Name.isEmpty() ? QString::fromLatin1(kRootClass) : FLayout.Name;
        InProperty(object, path, [&] {
            const std::vector<std::string_view> parts = SplitPath(path);
            if (parts.size() > 1) {
                // Only the collection is an object, and it has no properties.
                if (!SameIdent(parts[0], "Columns") || parts.size() > 2) BadPath(nameAt);
                NoProperty(parts[1], nameAt);
            }
            if (SameIdent(path, "Columns")) {
                ReadColumns();
            } else if (SameIdent(path, "Tag")) {
                FLayout.Tag = ReadIntegerValue();
            } else if (SameIdent(path, "Name")) {
                const std::uint64_t at = R.Position();
                const QString name = ReadStringValue();
                const QByteArray utf8 = name.toUtf8();
                CheckComponentName(std::string_view(utf8.constData(), std::size_t(utf8.size())), at);
                FLayout.Name = name;
            } else {
                NoProperty(path, nameAt);
            }
        });
    }

    // vaCollection, then items until vaNull: an optional integer (ignored),
    // vaList, the item's records until vaNull. The items replace those read
    // before when there is at least one.
    void ReadColumns() {
        const std::uint64_t at = R.Position();
        if (R.ReadValueType() != vaCollection) InvalidValue(at);
        bool first = true;
        while (R.PeekByte() != vaNull) {
            std::uint64_t itemAt = R.Position();
            TValueType t = R.ReadValueType();
            if (t == vaInt8 || t == vaInt16 || t == vaInt32) {
                R.ReadIntegerPayload(t, itemAt);
                itemAt = R.Position();
                t = R.ReadValueType();
            }
            if (t != vaList) InvalidValue(itemAt);
            if (first) FLayout.Columns.clear();
            first = false;
            TColumnRecord& column = FLayout.Columns.emplace_back();
            while (R.PeekByte() != vaNull) ReadColumnProperty(column);
            R.ReadByte();
        }
        R.ReadByte();
    }

    // ------------------------------------------------------------ columns

    void ReadColumnProperty(TColumnRecord& c) {
        const std::uint64_t nameAt = R.Position();
        const std::string_view path = R.ReadShortString();
        InProperty(QString::fromLatin1(kColumnClass), path, [&] {
            const std::vector<std::string_view> parts = SplitPath(path);
            TObject object = TObject::Column;
            for (std::size_t i = 0; i + 1 < parts.size(); ++i) object = Child(object, parts[i], nameAt);
            const std::string_view name = parts.back();
            bool known = false;
            switch (object) {
            case TObject::Column:
                known = ReadColumnValue(c, name);
                break;
            case TObject::Font:
                known = ReadFontValue(c.Font, name);
                break;
            case TObject::Title:
                known = ReadTitleValue(c, name);
                break;
            case TObject::TitleFont:
                known = ReadFontValue(c.TitleFont, name);
                break;
            case TObject::PickList:
                // The lines are the list's own stored property.
                if ((known = SameIdent(name, "Strings"))) c.PickList = ReadStringList();
                break;
            }
            if (!known) NoProperty(name, nameAt);
        });
    }

    // The object that property name of object holds; any other name makes
    // the path wrong.
    TObject Child(TObject object, std::string_view name, std::uint64_t nameAt) {
        if (object == TObject::Column) {
            if (SameIdent(name, "Font")) return TObject::Font;
            if (SameIdent(name, "Title")) return TObject::Title;
            if (SameIdent(name, "PickList")) return TObject::PickList;
        } else if (object == TObject::Title && SameIdent(name, "Font")) {
            return TObject::TitleFont;
        }
        BadPath(nameAt);
    }

    // False when the column has no property of that name.
    bool ReadColumnValue(TColumnRecord& c, std::string_view name) {
        if (SameIdent(name, "Alignment"))
            c.Alignment = TAlignment(ReadEnumValue(kAlignmentNames));
        else if (SameIdent(name, "ButtonStyle"))
            c.ButtonStyle = ReadEnumValue(kButtonStyleNames);
        else if (SameIdent(name, "Color"))
            c.Color = ReadColorValue();
        else if (SameIdent(name, "DropDownRows"))
            c.DropDownRows = ReadIntegerValue();
        else if (SameIdent(name, "Expanded"))
            c.Expanded = ReadBooleanValue();
        else if (SameIdent(name, "FieldName"))
            c.FieldName = ReadStringValue();
        else if (SameIdent(name, "ImeMode"))
            c.ImeMode = ReadEnumValue(kImeModeNames);
        else if (SameIdent(name, "ImeName"))
            c.ImeName = ReadStringValue();
        else if (SameIdent(name, "PopupMenu"))
            c.PopupMenu = ReadComponentReference();
        else if (SameIdent(name, "ReadOnly"))
            c.ReadOnly = ReadBooleanValue();
        else if (SameIdent(name, "Width"))
            c.Width = ReadIntegerValue();
        else if (SameIdent(name, "Visible"))
            c.Visible = ReadBooleanValue();
        else if (SameIdent(name, "Font") || SameIdent(name, "Title") || SameIdent(name, "PickList"))
            RefuseObjectValue();
        else
            return false;
        return true;
    }

    bool ReadTitleValue(TColumnRecord& c, std::string_view name) {
        if (SameIdent(name, "Alignment"))
            c.TitleAlignment = TAlignment(ReadEnumValue(kAlignmentNames));
        else if (SameIdent(name, "Caption"))
            c.TitleCaption = ReadStringValue();
        else if (SameIdent(name, "Color"))
            c.TitleColor = ReadColorValue();
        else if (SameIdent(name, "Font"))
            RefuseObjectValue();
        else
            return false;
        return true;
    }

    bool ReadFontValue(TFontRecord& f, std::string_view name) {
        if (SameIdent(name, "Charset"))
            f.Charset = ReadCharsetValue();
        else if (SameIdent(name, "Color"))
            f.Color = ReadColorValue();
        else if (SameIdent(name, "Height"))
            f.Height = ReadIntegerValue();
        else if (SameIdent(name, "Name"))
            f.Name = ReadStringValue();
        else if (SameIdent(name, "Orientation"))
            f.Orientation = ReadIntegerValue();
        else if (SameIdent(name, "Pitch"))
            f.Pitch = ReadEnumValue(kFontPitchNames);
        else if (SameIdent(name, "Size"))
            f.Height = ReadPointSizeValue();
        else if (SameIdent(name, "Style"))
            f.Style = std::uint8_t(ReadSetValue(kFontStyleNames));
        else
            return false;
        return true;
    }

    // A size in points, as the height in pixels at 96 dots per inch that it
    // gives (negative: a character height).
    int ReadPointSizeValue() {
        const std::uint64_t at = R.Position();
        const std::int64_t scaled = std::int64_t(ReadIntegerValue()) * 96;
        const std::int64_t pixels = scaled >= 0 ? (scaled + 36) / 72 : -((-scaled + 36) / 72);
        if (pixels > std::numeric_limits<int>::max()) InvalidValue(at);
        return int(-pixels);
    }

    // ------------------------------------------------------------ values

    std::int32_t ReadIntegerValue() {
        const std::uint64_t at = R.Position();
        return R.ReadIntegerPayload(R.ReadValueType(), at);
    }

    QString ReadStringValue() {
        const std::uint64_t at = R.Position();
        return R.ReadStringPayload(R.ReadValueType(), at);
    }

    // An integer, or the name of a value of map.
    template <class Lookup> int ReadMappedInteger(Lookup&& lookup) {
        const std::uint64_t at = R.Position();
        const TValueType t = R.ReadValueType();
        if (t != vaIdent) return R.ReadIntegerPayload(t, at);
        const std::optional<int> v = lookup(Text(R.ReadShortString()));
        if (!v) InvalidValue(at);
        return *v;
    }

    TColor ReadColorValue() {
        return ReadMappedInteger([](const QString& n) { return IdentToColor(n); });
    }

    int ReadCharsetValue() {
        const std::uint64_t at = R.Position();
        const int charset = ReadMappedInteger([](const QString& n) { return IdentToCharset(n); });
        // A character set is one byte.
        if (charset < 0 || charset > 255) InvalidValue(at);
        return charset;
    }

    // An identifier: vaIdent, or vaFalse, vaTrue, vaNil, vaNull standing for
    // "False", "True", "nil", "Null"; its index in names.
    int ReadEnumValue(std::span<const char* const> names) {
        const std::uint64_t at = R.Position();
        std::string_view ident;
        switch (R.ReadValueType()) {
        case vaIdent:
            ident = R.ReadShortString();
            break;
        case vaFalse:
            ident = "False";
            break;
        case vaTrue:
            ident = "True";
            break;
        case vaNil:
            ident = "nil";
            break;
        case vaNull:
            ident = "Null";
            break;
        default:
            InvalidValue(at);
        }
        for (std::size_t i = 0; i < names.size(); ++i)
            if (SameIdent(ident, names[i])) return int(i);
        InvalidValue(at);
    }

    bool ReadBooleanValue() { return ReadEnumValue(kBooleanNames) == 1; }

    std::uint32_t ReadSetValue(std::span<const char* const> names) {
        const std::uint64_t at = R.Position();
        if (R.ReadValueType() != vaSet) InvalidValue(at);
        std::uint32_t bits = 0;
        for (;;) {
            const std::uint64_t memberAt = R.Position();
            const std::string_view member = R.ReadShortString();
            if (member.empty()) return bits;
            std::size_t i = 0;
            while (i < names.size() && !SameIdent(member, names[i])) ++i;
            if (i == names.size()) InvalidValue(memberAt);
            bits |= 1u << i;
        }
    }

    // vaList, string values, vaNull.
    QStringList ReadStringList() {
        const std::uint64_t at = R.Position();
        if (R.ReadValueType() != vaList) InvalidValue(at);
        QStringList lines;
        while (R.PeekByte() != vaNull) lines << ReadStringValue();
        R.ReadByte();
        return lines;
    }

    // The name of the component a property links to (vaIdent or a string),
    // empty for vaNil.
    QString ReadComponentReference() {
        const std::uint64_t at = R.Position();
        const TValueType t = R.ReadValueType();
        if (t == vaNil) return QString();
        if (t == vaIdent) return Text(R.ReadShortString());
        return R.ReadStringPayload(t, at);
    }

    // Fonts, titles and pick lists are only filled through their own
    // records; a value given for the object as a whole is refused.
    [[noreturn]] void RefuseObjectValue() { InvalidValue(R.Position()); }

    TValueReader R;
    TColumnsLayout FLayout;
};

} // namespace

TColumnsLayout ReadColumnsLayout(std::string_view bytes) {
    try {
        return TColumnsReader(bytes).Read();
    } catch (const TStreamFault& f) {
        throw EColumnsStreamError(f.Message, f.Offset);
    }
}

} // namespace tallivo
