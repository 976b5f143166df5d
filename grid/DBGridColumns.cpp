// Columns of the data grid: assigned values and their defaults, and the
// column collection.

#include "grid/DBGrids.h"

#include "table/ClientDataSet.h"
#include "table/Fields.h"

#include <QFontMetrics>
#include <algorithm>

namespace tallivo {

namespace {

int TextWidthIn(const TFont& font, const QString& text) {
    return QFontMetrics(font.ToQFont()).horizontalAdvance(text);
}

// The table behind a grid while it is open, else nullptr.
TClientDataSet* OpenTable(const TCustomDBGrid* grid) {
    if (!grid || !grid->DataLink()->Active()) return nullptr;
    TClientDataSet* ds = grid->DataLink()->DataSet();
    return ds && ds->Active() ? ds : nullptr;
}

// True when field is one of the table's current field objects and still
// carries the name the column was bound by. Fields are recreated each time
// a table opens, possibly while its views are not notified: a remembered
// pointer is only used after this check.
bool IsLiveField(TClientDataSet* ds, const TField* field, const QString& name) {
    TFields& fields = ds->Fields();
    for (int i = 0; i < fields.Count(); ++i)
        if (fields[i] == field) return field->FieldName().compare(name, Qt::CaseInsensitive) == 0;
    return false;
}

} // namespace

// ---------------------------------------------------------------- TColumnTitle

TColumnTitle::TColumnTitle(TColumn* column) : FColumn(column) {
    FFont.OnChange = [this] {
        if (FInternalFontChange) return;
        Assigned(cvTitleFont);
        FColumn->Changed();
    };
}

bool TColumnTitle::IsAssigned(TColumnValue v) const {
    return FColumn->IsAssigned(v);
}
void TColumnTitle::Assigned(TColumnValue v) {
    FColumn->Assigned(v);
}

QString TColumnTitle::DefaultCaption() const {
    if (const TField* f = FColumn->Field()) return f->DisplayName();
    return FColumn->FieldName();
}

QString TColumnTitle::Caption() const {
    return IsAssigned(cvTitleCaption) ? FCaption : DefaultCaption();
}

void TColumnTitle::SetCaption(const QString& value) {
    if (IsAssigned(cvTitleCaption) && value == FCaption) return;
    FCaption = value;
    Assigned(cvTitleCaption);
    FColumn->Changed();
}

TColor TColumnTitle::DefaultColor() const {
    const TCustomDBGrid* g = FColumn->Grid();
    return g ? g->FixedColor() : clBtnFace;
}

TColor TColumnTitle::Color() const {
    return IsAssigned(cvTitleColor) ? FColor : DefaultColor();
}

void TColumnTitle::SetColor(TColor value) {
    if (IsAssigned(cvTitleColor) && value == FColor) return;
    FColor = value;
    Assigned(cvTitleColor);
    FColumn->Changed();
}

TAlignment TColumnTitle::Alignment() const {
    return IsAssigned(cvTitleAlignment) ? FAlignment : taLeftJustify;
}

void TColumnTitle::SetAlignment(TAlignment value) {
    if (IsAssigned(cvTitleAlignment) && value == FAlignment) return;
    FAlignment = value;
    Assigned(cvTitleAlignment);
    FColumn->Changed();
}

TFont TColumnTitle::DefaultFont() const {
    const TCustomDBGrid* g = FColumn->Grid();
    return g ? g->TitleFont() : TFont();
}

void TColumnTitle::RefreshDefaultFont() const {
    if (IsAssigned(cvTitleFont)) return;
    const TFont def = DefaultFont();
    if (FFont == def) return;
    FInternalFontChange = true;
    FFont = def;
    FInternalFontChange = false;
}

TFont& TColumnTitle::Font() {
    RefreshDefaultFont();
    return FFont;
}

const TFont& TColumnTitle::Font() const {
    RefreshDefaultFont();
    return FFont;
}

void TColumnTitle::SetFont(const TFont& value) {
    RefreshDefaultFont();
    FInternalFontChange = true;
    FFont = value;
    FInternalFontChange = false;
    Assigned(cvTitleFont);
    FColumn->Changed();
}

void TColumnTitle::RestoreDefaults() {
    TColumnValues& v = FColumn->FAssignedValues;
    for (TColumnValue t : {cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont}) v.Exclude(t);
    RefreshDefaultFont();
    FColumn->Changed();
}

void TColumnTitle::Assign(const TColumnTitle& source) {
    if (source.IsAssigned(cvTitleCaption)) SetCaption(source.FCaption);
    if (source.IsAssigned(cvTitleColor)) SetColor(source.FColor);
    if (source.IsAssigned(cvTitleAlignment)) SetAlignment(source.FAlignment);
    if (source.IsAssigned(cvTitleFont)) SetFont(source.FFont);
}

// ---------------------------------------------------------------- TColumn

TColumn::TColumn(TDBGridColumns* collection, bool stored)
    : FCollection(collection), FTitle(this), FStored(stored) {
    FFont.OnChange = [this] {
        if (FInternalFontChange) return;
        Assigned(cvFont);
        Changed();
    };
}

TColumn::~TColumn() {
    FFont.OnChange = nullptr;
    FTitle.FFont.OnChange = nullptr;
}

TCustomDBGrid* TColumn::Grid() const {
    return FCollection ? FCollection->Grid() : nullptr;
}

int TColumn::Index() const {
    return FCollection ? FCollection->IndexOf(this) : -1;
}

void TColumn::SetIndex(int value) {
    if (!FCollection) return;
    const int from = Index();
    value = std::clamp(value, 0, FCollection->Count() - 1);
    if (from == value) return;
    FCollection->Move(from, value);
    Changed();
}

void TColumn::Changed() {
    if (FCollection) FCollection->Changed();
}

void TColumn::SetFieldName(const QString& value) {
    if (value == FFieldName && FField) return;
    FFieldName = value;
    FField = nullptr;
    Changed();
}

TField* TColumn::Field() const {
    TClientDataSet* ds = OpenTable(Grid());
    if (!ds) return nullptr;
    if (FField && IsLiveField(ds, FField, FFieldName)) return FField;
    FField = FFieldName.isEmpty() ? nullptr : ds->FindField(FFieldName);
    return FField;
}

void TColumn::SetField(TField* value) {
    if (value == FField && value) return;
    FField = value;
    if (value) FFieldName = value->FieldName();
    Changed();
}

TColor TColumn::DefaultColor() const {
    const TCustomDBGrid* g = Grid();
    return g ? g->InternalColor() : clWindow;
}

TColor TColumn::Color() const {
    return IsAssigned(cvColor) ? FColor : DefaultColor();
}

void TColumn::SetColor(TColor value) {
    if (IsAssigned(cvColor) && value == FColor) return;
    FColor = value;
    Assigned(cvColor);
    Changed();
}

int TColumn::DefaultWidth() const {
    const TCustomDBGrid* g = Grid();
    if (!g) return 64;
    const TField* f = Field();
    if (!f) return g->DefaultColWidth();
    // TrueType fonts have no overhang.
    int w = TextWidthIn(Font(), QStringLiteral("0")) * f->DisplayWidth() + 4;
    if (g->Options().Contains(dgTitles)) w = std::max(w, TextWidthIn(FTitle.Font(), FTitle.Caption()) + 4);
    return w;
}

int TColumn::Width() const {
    if (!Showing()) return -1;
    return IsAssigned(cvWidth) ? FWidth : DefaultWidth();
}

void TColumn::SetWidth(int value) {
    if (value < 0) return;
    if (IsAssigned(cvWidth) && value == FWidth) return;
    FWidth = value;
    Assigned(cvWidth);
    Changed();
}

TFont TColumn::DefaultFont() const {
    const TCustomDBGrid* g = Grid();
    return g ? g->Font() : TFont();
}

void TColumn::RefreshDefaultFont() const {
    if (IsAssigned(cvFont)) return;
    const TFont def = DefaultFont();
    if (FFont == def) return;
    FInternalFontChange = true;
    FFont = def;
    FInternalFontChange = false;
}

TFont& TColumn::Font() {
    RefreshDefaultFont();
    return FFont;
}

const TFont& TColumn::Font() const {
    RefreshDefaultFont();
    return FFont;
}

void TColumn::SetFont(const TFont& value) {
    RefreshDefaultFont();
    FInternalFontChange = true;
    FFont = value;
    FInternalFontChange = false;
    Assigned(cvFont);
    Changed();
}

TAlignment TColumn::DefaultAlignment() const {
    if (const TField* f = Field()) return f->Alignment();
    return taLeftJustify;
}

TAlignment TColumn::Alignment() const {
    return IsAssigned(cvAlignment) ? FAlignment : DefaultAlignment();
}

void TColumn::SetAlignment(TAlignment value) {
    if (IsAssigned(cvAlignment) && value == FAlignment) return;
    FAlignment = value;
    Assigned(cvAlignment);
    Changed();
}

bool TColumn::DefaultReadOnly() const {
    const TCustomDBGrid* g = Grid();
    const TField* f = Field();
    return (g && g->ReadOnly()) || (f && f->ReadOnly());
}

bool TColumn::ReadOnly() const {
    return IsAssigned(cvReadOnly) ? FReadonly : DefaultReadOnly();
}

void TColumn::SetReadOnly(bool value) {
    if (IsAssigned(cvReadOnly) && value == FReadonly) return;
    FReadonly = value;
    Assigned(cvReadOnly);
    Changed();
}

void TColumn::SetVisible(bool value) {
    if (value == FVisible) return;
    FVisible = value;
    Changed();
}

void TColumn::SetExpanded(bool value) {
    if (value == FExpanded) return;
    FExpanded = value;
    Changed();
}

void TColumn::SetButtonStyle(TColumnButtonStyle value) {
    if (value == FButtonStyle) return;
    FButtonStyle = value;
    Changed();
}

void TColumn::SetDropDownRows(int value) {
    if (value == FDropDownRows) return;
    FDropDownRows = value;
    Changed();
}

void TColumn::SetPickList(const QStringList& value) {
    if (value == FPickList) return;
    FPickList = value;
    Changed();
}

TImeMode TColumn::ImeMode() const {
    if (IsAssigned(cvImeMode)) return FImeMode;
    const TCustomDBGrid* g = Grid();
    return g ? g->ImeMode() : imDontCare;
}

void TColumn::SetImeMode(TImeMode value) {
    if (IsAssigned(cvImeMode) && value == FImeMode) return;
    FImeMode = value;
    Assigned(cvImeMode);
    Changed();
}

QString TColumn::ImeName() const {
    if (IsAssigned(cvImeName)) return FImeName;
    const TCustomDBGrid* g = Grid();
    return g ? g->ImeName() : QString();
}

void TColumn::SetImeName(const QString& value) {
    if (IsAssigned(cvImeName) && value == FImeName) return;
    FImeName = value;
    Assigned(cvImeName);
    Changed();
}

void TColumn::RestoreDefaults() {
    FAssignedValues = {};
    RefreshDefaultFont();
    FTitle.RefreshDefaultFont();
    Changed();
}

void TColumn::Assign(const TColumn& source) {
    if (&source == this) return;
    TDBGridColumns* c = FCollection;
    if (c) c->BeginUpdate();
    FAssignedValues = {};
    FFieldName = source.FFieldName;
    FField = nullptr;
    if (source.IsAssigned(cvColor)) SetColor(source.FColor);
    if (source.IsAssigned(cvWidth)) SetWidth(source.FWidth);
    if (source.IsAssigned(cvFont)) SetFont(source.FFont);
    if (source.IsAssigned(cvAlignment)) SetAlignment(source.FAlignment);
    if (source.IsAssigned(cvReadOnly)) SetReadOnly(source.FReadonly);
    if (source.IsAssigned(cvImeMode)) SetImeMode(source.FImeMode);
    if (source.IsAssigned(cvImeName)) SetImeName(source.FImeName);
    FTitle.Assign(source.FTitle);
    FVisible = source.FVisible;
    FExpanded = source.FExpanded;
    FButtonStyle = source.FButtonStyle;
    FDropDownRows = source.FDropDownRows;
    FPickList = source.FPickList;
    RefreshDefaultFont();
    FTitle.RefreshDefaultFont();
    Changed();
    if (c) c->EndUpdate();
}

// ---------------------------------------------------------------- TDBGridColumns

TDBGridColumns::TDBGridColumns(TCustomDBGrid* grid) : FGrid(grid) {}

TDBGridColumns::~TDBGridColumns() {
    FGrid = nullptr;
    FItems.clear();
}

int TDBGridColumns::IndexOf(const TColumn* column) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == column) return int(i);
    return -1;
}

TColumn* TDBGridColumns::Add() {
    // The window's own columns replace those the grid generated.
    if (State() == csDefault) FItems.clear();
    FItems.push_back(std::make_unique<TColumn>(this, true));
    Changed();
    return FItems.back().get();
}

TColumn* TDBGridColumns::InsertGenerated(int index) {
    index = std::clamp(index, 0, Count());
    auto it = FItems.insert(FItems.begin() + index, std::make_unique<TColumn>(this, false));
    return it->get();
}

void TDBGridColumns::Remove(int index) {
    if (index < 0 || index >= Count()) return;
    FItems.erase(FItems.begin() + index);
}

void TDBGridColumns::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    Remove(index);
    Changed();
}

void TDBGridColumns::Clear() {
    if (FItems.empty()) return;
    FItems.clear();
    Changed();
}

void TDBGridColumns::Move(int from, int to) {
    if (from == to || from < 0 || to < 0 || from >= Count() || to >= Count()) return;
    std::unique_ptr<TColumn> c = std::move(FItems[std::size_t(from)]);
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, std::move(c));
}

TDBGridColumnsState TDBGridColumns::State() const {
    return !FItems.empty() && FItems.front()->Stored() ? csCustomized : csDefault;
}

void TDBGridColumns::SetState(TDBGridColumnsState value) {
    if (value == State()) return;
    if (value == csDefault) {
        Clear();
        return;
    }
    if (FItems.empty()) {
        RebuildColumns();
        return;
    }
    BeginUpdate();
    for (auto& c : FItems) c->SetStored(true);
    Changed();
    EndUpdate();
}

void TDBGridColumns::RestoreDefaults() {
    BeginUpdate();
    for (auto& c : FItems) c->RestoreDefaults();
    EndUpdate();
}

void TDBGridColumns::RebuildColumns() {
    BeginUpdate();
    FItems.clear();
    TClientDataSet* ds = FGrid ? FGrid->DataLink()->DataSet() : nullptr;
    if (ds && ds->Active()) {
        TFields& fields = ds->Fields();
        for (int i = 0; i < fields.Count(); ++i) Add()->SetFieldName(fields[i]->FieldName());
    }
    Changed();
    EndUpdate();
}

void TDBGridColumns::Assign(const TDBGridColumns& source) {
    if (&source == this) return;
    BeginUpdate();
    FItems.clear();
    for (const auto& c : source.FItems) {
        FItems.push_back(std::make_unique<TColumn>(this, c->Stored()));
        FItems.back()->Assign(*c);
    }
    Changed();
    EndUpdate();
}

void TDBGridColumns::BeginUpdate() {
    ++FUpdateCount;
}

void TDBGridColumns::EndUpdate() {
    if (FUpdateCount == 0 || --FUpdateCount > 0) return;
    if (FChangedPending) {
        FChangedPending = false;
        if (FGrid) FGrid->ColumnsChanged();
    }
}

void TDBGridColumns::Changed() {
    if (FUpdateCount > 0) {
        FChangedPending = true;
        return;
    }
    if (FGrid) FGrid->ColumnsChanged();
}

} // namespace tallivo
