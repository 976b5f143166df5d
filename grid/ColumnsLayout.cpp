// The grid's side of the column layout file: which attributes of a column
// are recorded (those assigned and differing from their defaults), and how
// records read back become the grid's columns.
#include "grid/DBGrids.h"
#include "grid/stream/ColumnsStream.h"
#include "table/AtomicFile.h"

namespace tallivo {

namespace {

static_assert(int(fpFixed) == 2 && int(cbsNone) == 2 && int(imHanguel) == 11,
              "enumerations are recorded by their index in the stream's name lists");
static_assert(fsBold == 1 && fsItalic == 2 && fsUnderline == 4 && fsStrikeOut == 8,
              "font styles are recorded as bits in the stream's order");

// Charset, colour, height and style always; the name when not empty, the
// orientation when not 0, the pitch when not the default.
TFontRecord FontRecordOf(const TFont& f) {
    TFontRecord r;
    r.Charset = f.Charset();
    r.Color = f.Color();
    r.Height = f.Height();
    if (!f.Name().isEmpty()) r.Name = f.Name();
    if (f.Orientation() != 0) r.Orientation = f.Orientation();
    if (f.Pitch() != fpDefault) r.Pitch = int(f.Pitch());
    r.Style = f.Style();
    return r;
}

// font with the recorded attributes replaced.
TFont Applied(TFont font, const TFontRecord& r) {
    if (r.Charset) font.SetCharset(*r.Charset);
    if (r.Color) font.SetColor(*r.Color);
    if (r.Height) font.SetHeight(*r.Height);
    if (r.Name) font.SetName(*r.Name);
    if (r.Orientation) font.SetOrientation(*r.Orientation);
    if (r.Pitch) font.SetPitch(TFontPitch(*r.Pitch));
    if (r.Style) font.SetStyle(*r.Style);
    return font;
}

} // namespace

TColumnRecord TDBGridColumns::RecordOf(const TColumn& c) {
    const TCustomDBGrid* g = c.Grid();
    TColumnRecord r;
    if (c.IsAssigned(cvAlignment) && c.FAlignment != c.DefaultAlignment()) r.Alignment = c.FAlignment;
    if (c.ButtonStyle() != cbsAuto) r.ButtonStyle = int(c.ButtonStyle());
    if (c.IsAssigned(cvColor) && c.FColor != c.DefaultColor()) r.Color = c.FColor;
    if (c.DropDownRows() != 7) r.DropDownRows = c.DropDownRows();
    if (!c.Expanded()) r.Expanded = false;
    if (!c.FieldName().isEmpty()) r.FieldName = c.FieldName();
    if (c.IsAssigned(cvFont)) r.Font = FontRecordOf(c.Font());
    if (c.IsAssigned(cvImeMode) && c.FImeMode != (g ? g->ImeMode() : imDontCare)) r.ImeMode = int(c.FImeMode);
    if (c.IsAssigned(cvImeName) && c.FImeName != (g ? g->ImeName() : QString())) r.ImeName = c.FImeName;
    if (!c.PickList().isEmpty()) r.PickList = c.PickList();
    if (c.IsAssigned(cvReadOnly) && c.FReadonly != c.DefaultReadOnly()) r.ReadOnly = c.FReadonly;
    const TColumnTitle& t = c.Title();
    if (c.IsAssigned(cvTitleAlignment) && t.Alignment() != taLeftJustify) r.TitleAlignment = t.Alignment();
    if (c.IsAssigned(cvTitleCaption) && t.Caption() != t.DefaultCaption()) r.TitleCaption = t.Caption();
    if (c.IsAssigned(cvTitleColor) && t.Color() != t.DefaultColor()) r.TitleColor = t.Color();
    if (c.IsAssigned(cvTitleFont)) r.TitleFont = FontRecordOf(t.Font());
    // The width the column reports: -1 while it is hidden.
    if (c.IsAssigned(cvWidth) && c.FWidth != c.DefaultWidth()) r.Width = c.Width();
    r.Visible = c.Visible();
    return r;
}

void TDBGridColumns::ApplyRecord(TColumn& c, const TColumnRecord& r) {
    if (r.FieldName) c.SetFieldName(*r.FieldName);
    if (r.Alignment) c.SetAlignment(*r.Alignment);
    if (r.ButtonStyle) c.SetButtonStyle(TColumnButtonStyle(*r.ButtonStyle));
    if (r.Color) c.SetColor(*r.Color);
    if (r.DropDownRows) c.SetDropDownRows(*r.DropDownRows);
    if (r.Expanded) c.SetExpanded(*r.Expanded);
    // A font read back is the default font with the recorded attributes
    // replaced.
    if (!r.Font.Empty()) c.SetFont(Applied(c.Font(), r.Font));
    if (r.ImeMode) c.SetImeMode(TImeMode(*r.ImeMode));
    if (r.ImeName) c.SetImeName(*r.ImeName);
    if (r.PickList) c.SetPickList(*r.PickList);
    // A pop-up menu reference is dropped: no window of this system has one.
    if (r.ReadOnly) c.SetReadOnly(*r.ReadOnly);
    TColumnTitle& t = c.Title();
    if (r.TitleAlignment) t.SetAlignment(*r.TitleAlignment);
    if (r.TitleCaption) t.SetCaption(*r.TitleCaption);
    if (r.TitleColor) t.SetColor(*r.TitleColor);
    if (!r.TitleFont.Empty()) t.SetFont(Applied(t.Font(), r.TitleFont));
    // A width equal to the default leaves the column following its default.
    if (r.Width && *r.Width != c.DefaultWidth()) c.SetWidth(*r.Width);
    if (r.Visible) c.SetVisible(*r.Visible);
}

void TDBGridColumns::SaveToStream(IPacketSink& S) const {
    TColumnsLayout layout;
    layout.Columns.reserve(FItems.size());
    for (const auto& c : FItems) layout.Columns.push_back(RecordOf(*c));
    const std::string bytes = WriteColumnsLayout(layout);
    S.Put(bytes.data(), bytes.size());
}

void TDBGridColumns::SaveToFile(const QString& FileName) const {
    TAtomicFile file(FileName);
    SaveToStream(file);
    file.Commit();
}

void TDBGridColumns::LoadFromStream(std::string_view S) {
    // The whole stream is read before anything changes.
    const TColumnsLayout layout = ReadColumnsLayout(S);
    // The columns are built in a collection of the same grid, so that each
    // record is compared with the defaults it would have there; that
    // collection never lays the grid out (its update is never ended).
    TDBGridColumns read(FGrid);
    read.BeginUpdate();
    for (const TColumnRecord& r : layout.Columns) ApplyRecord(*read.Add(), r);
    Assign(read);
}

void TDBGridColumns::LoadFromFile(const QString& FileName) {
    LoadFromStream(ReadLayoutFile(FileName));
}

} // namespace tallivo
