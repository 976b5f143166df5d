#include "table/Fields.h"

#include "base/CodePage.h"
#include "base/Exception.h"
#include "base/FloatText.h"
#include "base/FormatSettings.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"

namespace tallivo {

TField::TField(TClientDataSet* dataSet, int index, const QString& name, TFieldType type, int size)
    : FDataSet(dataSet), FIndex(index), FFieldName(name), FDataType(type), FSize(size) {}

void TField::LayoutChanged() {
    if (FDataSet) FDataSet->FieldLayoutChanged();
}

void TField::SetVisible(bool v) {
    if (v == FVisible) return;
    FVisible = v;
    LayoutChanged();
}

void TField::SetDisplayLabel(const QString& v) {
    if (v == DisplayLabel()) return;
    FDisplayLabel = v;
    LayoutChanged();
}

void TField::SetAlignment(TAlignment v) {
    if (v == FAlignment) return;
    FAlignment = v;
    LayoutChanged();
}

void TField::SetDisplayWidth(int v) {
    if (v == FDisplayWidth) return;
    FDisplayWidth = v;
    LayoutChanged();
}

bool TField::ValueNull() const {
    return FDataSet->CurrentValue(FIndex).Null;
}
double TField::ValueFloat() const {
    return FDataSet->CurrentValue(FIndex).Float;
}
std::string_view TField::ValueBytes() const {
    return FDataSet->CurrentValue(FIndex).Bytes;
}
bool TField::IsNull() const {
    return ValueNull();
}

void TField::CheckCanModify() const {
    FDataSet->CheckFieldCanModify(*this);
}

void TField::StoreValue(TFieldValue value) {
    FDataSet->SetFieldValue(*this, std::move(value));
}

void TField::Clear() {
    CheckCanModify();
    StoreValue(TFieldValue{});
}

TStringField::TStringField(TClientDataSet* dataSet, int index, const QString& name, int size)
    : TField(dataSet, index, name, ftString, size) {
    FAlignment = taLeftJustify;
    FDisplayWidth = size;
}

QString TStringField::AsString() const {
    if (ValueNull()) return QString();
    return FromAnsi(ValueBytes());
}

void TStringField::SetAsString(const QString& text) {
    CheckCanModify();
    std::string bytes = ToAnsi(text);
    const size_t nul = bytes.find('\0');
    if (nul != std::string::npos) bytes.resize(nul);
    if (Size() > 0 && bytes.size() > size_t(Size())) bytes.resize(size_t(Size()));
    while (!bytes.empty() && bytes.back() == ' ') bytes.pop_back();
    TFieldValue v;
    v.Null = false;
    v.Bytes = std::move(bytes);
    StoreValue(std::move(v));
}

double TStringField::AsFloat() const {
    if (ValueNull()) return 0;
    return StrToFloat(AsString());
}

void TStringField::SetAsFloat(double value) {
    SetAsString(FloatToText(value));
}

TFloatField::TFloatField(TClientDataSet* dataSet, int index, const QString& name)
    : TField(dataSet, index, name, ftFloat, 0) {
    FAlignment = taRightJustify;
    FDisplayWidth = 10;
}

QString TFloatField::AsString() const {
    if (ValueNull()) return QString();
    return FloatToText(ValueFloat(), FormatSettings().DecimalSeparator, FPrecision);
}

void TFloatField::SetAsString(const QString& text) {
    CheckCanModify();
    TFieldValue v;
    if (!text.isEmpty()) {
        double d = 0;
        if (!TryTextToFloat(text, d))
            throw EDatabaseError(
                Format("'%s' n'est pas une valeur entière en virgule flottante correcte pour le champ '%s'",
                       text, DisplayName()));
        v.Null = false;
        v.Float = d;
    }
    StoreValue(std::move(v));
}

double TFloatField::AsFloat() const {
    return ValueNull() ? 0 : ValueFloat();
}

void TFloatField::SetAsFloat(double value) {
    CheckCanModify();
    TFieldValue v;
    v.Null = false;
    v.Float = value;
    StoreValue(std::move(v));
}

TRawField::TRawField(TClientDataSet* dataSet, int index, const QString& name, TFieldType type, int size,
                     const QString& typeName)
    : TField(dataSet, index, name, type, size), FTypeName(typeName) {
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
    case ftLargeint:
    case ftFMTBcd:
    case ftLongWord:
    case ftShortint:
    case ftByte:
    case ftExtended:
    case ftSingle:
        FAlignment = taRightJustify;
        break;
    default:
        FAlignment = taLeftJustify;
    }
    FDisplayWidth = size > 0 ? size : 10;
}

QString TRawField::AsString() const {
    if (ValueNull()) return QString();
    const std::string_view b = ValueBytes();
    return QString::fromUtf8(b.data(), qsizetype(b.size()));
}

void TRawField::SetAsString(const QString& text) {
    CheckCanModify();
    TFieldValue v;
    v.Null = false;
    v.Bytes = text.toStdString();
    StoreValue(std::move(v));
}

double TRawField::AsFloat() const {
    if (ValueNull()) return 0;
    double d = 0;
    if (!TryTextToFloat(AsString(), u'.', d)) return StrToFloat(AsString());
    return d;
}

void TRawField::SetAsFloat(double value) {
    SetAsString(QString::fromStdString(FloatToPacketText(value)));
}

TField* TFields::FindField(const QString& name) const {
    for (const auto& f : FItems)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0) return f.get();
    return nullptr;
}

TField& TFields::FieldByName(const QString& name) const {
    if (TField* f = FindField(name)) return *f;
    throw EDatabaseError(Format("Champ '%s' non trouvé", name));
}

} // namespace tallivo
