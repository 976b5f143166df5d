// The writer of the column layout stream.
#include "grid/stream/ColumnsStream.h"
#include "grid/stream/ValueStream.h"

namespace tallivo {

namespace {

void WriteColor(TValueWriter& w, TColor color) {
    if (const auto name = ColorToIdent(color))
        w.WriteIdent(name->toStdString());
    else
        w.WriteInteger(color);
}

void WriteCharset(TValueWriter& w, int charset) {
    if (const auto name = CharsetToIdent(charset))
        w.WriteIdent(name->toStdString());
    else
        w.WriteInteger(charset);
}

template <std::size_t N> void WriteEnum(TValueWriter& w, int value, const char* const (&names)[N]) {
    // A value without a name cannot be written as one: its index is.
    if (value >= 0 && std::size_t(value) < N)
        w.WriteIdent(names[value]);
    else
        w.WriteInteger(value);
}

// Writes one record: its dotted name, then the value written by put.
template <class F> void Record(TValueWriter& w, const std::string& name, F&& put) {
    w.WriteShortString(name);
    put();
}

void WriteFont(TValueWriter& w, const std::string& prefix, const TFontRecord& f) {
    if (f.Charset) Record(w, prefix + "Charset", [&] { WriteCharset(w, *f.Charset); });
    if (f.Color) Record(w, prefix + "Color", [&] { WriteColor(w, *f.Color); });
    if (f.Height) Record(w, prefix + "Height", [&] { w.WriteInteger(*f.Height); });
    if (f.Name) Record(w, prefix + "Name", [&] { w.WriteString(*f.Name); });
    if (f.Orientation) Record(w, prefix + "Orientation", [&] { w.WriteInteger(*f.Orientation); });
    if (f.Pitch) Record(w, prefix + "Pitch", [&] { WriteEnum(w, *f.Pitch, kFontPitchNames); });
    if (f.Style) Record(w, prefix + "Style", [&] { w.WriteSet(*f.Style, kFontStyleNames); });
}

void WriteColumn(TValueWriter& w, const TColumnRecord& c) {
    if (c.Alignment) Record(w, "Alignment", [&] { WriteEnum(w, *c.Alignment, kAlignmentNames); });
    if (c.ButtonStyle) Record(w, "ButtonStyle", [&] { WriteEnum(w, *c.ButtonStyle, kButtonStyleNames); });
    if (c.Color) Record(w, "Color", [&] { WriteColor(w, *c.Color); });
    if (c.DropDownRows) Record(w, "DropDownRows", [&] { w.WriteInteger(*c.DropDownRows); });
    if (c.Expanded) Record(w, "Expanded", [&] { w.WriteBoolean(*c.Expanded); });
    if (c.FieldName) Record(w, "FieldName", [&] { w.WriteString(*c.FieldName); });
    WriteFont(w, "Font.", c.Font);
    if (c.ImeMode) Record(w, "ImeMode", [&] { WriteEnum(w, *c.ImeMode, kImeModeNames); });
    if (c.ImeName) Record(w, "ImeName", [&] { w.WriteString(*c.ImeName); });
    if (c.PickList)
        Record(w, "PickList.Strings", [&] {
            w.WriteValueType(vaList);
            for (const QString& line : *c.PickList) w.WriteString(line);
            w.WriteByte(vaNull);
        });
    if (c.PopupMenu) Record(w, "PopupMenu", [&] { w.WriteIdent(c.PopupMenu->toStdString()); });
    if (c.ReadOnly) Record(w, "ReadOnly", [&] { w.WriteBoolean(*c.ReadOnly); });
    if (c.TitleAlignment)
        Record(w, "Title.Alignment", [&] { WriteEnum(w, *c.TitleAlignment, kAlignmentNames); });
    if (c.TitleCaption) Record(w, "Title.Caption", [&] { w.WriteString(*c.TitleCaption); });
    if (c.TitleColor) Record(w, "Title.Color", [&] { WriteColor(w, *c.TitleColor); });
    WriteFont(w, "Title.Font.", c.TitleFont);
    if (c.Width) Record(w, "Width", [&] { w.WriteInteger(*c.Width); });
    if (c.Visible) Record(w, "Visible", [&] { w.WriteBoolean(*c.Visible); });
}

} // namespace

std::string WriteColumnsLayout(const TColumnsLayout& layout) {
    TValueWriter w;
    w.WriteBytes("TPF0");
    // The root object: no prefix, class name, and an empty object name
    // (the name is never written).
    w.WriteShortString("TColumnsWrapper");
    w.WriteShortString("");
    if (layout.Tag != 0) Record(w, "Tag", [&] { w.WriteInteger(layout.Tag); });
    w.WriteShortString("Columns");
    w.WriteValueType(vaCollection);
    for (const TColumnRecord& c : layout.Columns) {
        w.WriteValueType(vaList);
        WriteColumn(w, c);
        w.WriteByte(vaNull);
    }
    w.WriteByte(vaNull); // end of the collection
    w.WriteByte(vaNull); // end of the root's properties
    w.WriteByte(vaNull); // end of its (empty) list of children
    return w.Take();
}

} // namespace tallivo
