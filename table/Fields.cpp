#include "table/Fields.h"

#include "base/CodePage.h"
#include "base/Exception.h"
#include "base/FloatText.h"
#include "base/FormatSettings.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"

#include <algorithm>
#include <cmath>

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
    : TFloatField(dataSet, index, name, ftFloat, 15) {}

TFloatField::TFloatField(TClientDataSet* dataSet, int index, const QString& name, TFieldType type,
                         int precision)
    : TField(dataSet, index, name, type, 0), FPrecision(precision) {
    FAlignment = taRightJustify;
    FDisplayWidth = 10;
}

QString TFloatField::AsString() const {
    if (ValueNull()) return QString();
    return FloatToText(ValueFloat(), FormatSettings().DecimalSeparator, FPrecision);
}

void TFloatField::SetAsString(const QString& text) {
    CheckCanModify();
    if (text.isEmpty()) {
        StoreValue(TFieldValue{});
        return;
    }
    double d = 0;
    if (!TryTextToFloat(text, d))
        throw EDatabaseError(
            Format("'%s' n'est pas une valeur entière en virgule flottante correcte pour le champ '%s'", text,
                   DisplayName()));
    StoreNumber(d);
}

double TFloatField::AsFloat() const {
    return ValueNull() ? 0 : ValueFloat();
}

void TFloatField::SetAsFloat(double value) {
    CheckCanModify();
    if (!std::isfinite(value))
        throw EDatabaseError(
            Format("'%s' n'est pas une valeur entière en virgule flottante correcte pour le champ '%s'",
                   FloatToText(value), DisplayName()));
    StoreNumber(value);
}

void TFloatField::StoreNumber(double value) {
    TFieldValue v;
    v.Null = false;
    v.Float = Held(value);
    StoreValue(std::move(v));
}

TSingleField::TSingleField(TClientDataSet* dataSet, int index, const QString& name)
    : TFloatField(dataSet, index, name, ftSingle, 8) {}

TIntegerField::TIntegerField(TClientDataSet* dataSet, int index, const QString& name, TFieldType type,
                             const QString& typeName)
    : TField(dataSet, index, name, type, 0), FRange(IntegerRangeOf(type, typeName.toStdString())) {
    FAlignment = taRightJustify;
    FDisplayWidth = int(std::max(FRange.Min.size(), FRange.Max.size()));
}

QString TIntegerField::AsString() const {
    if (ValueNull()) return QString();
    const std::string_view b = ValueBytes();
    return QString::fromLatin1(b.data(), qsizetype(b.size()));
}

void TIntegerField::StoreChecked(const std::string& canonical, const QString& shown) {
    if (!InRange(canonical, FRange))
        throw EDatabaseError(Format("La valeur '%s' est hors des limites du champ '%s' (%s à %s)", shown,
                                    DisplayName(),
                                    QString::fromLatin1(FRange.Min.data(), qsizetype(FRange.Min.size())),
                                    QString::fromLatin1(FRange.Max.data(), qsizetype(FRange.Max.size()))));
    TFieldValue v;
    v.Null = false;
    v.Bytes = canonical;
    StoreValue(std::move(v));
}

void TIntegerField::SetAsString(const QString& text) {
    CheckCanModify();
    if (text.isEmpty()) {
        StoreValue(TFieldValue{});
        return;
    }
    std::string canonical;
    if (!ParseTypedDecimal(text, FormatSettings().DecimalSeparator, true, canonical))
        throw EDatabaseError(
            Format("'%s' n'est pas une valeur entière correcte pour le champ '%s'", text, DisplayName()));
    StoreChecked(canonical, text);
}

double TIntegerField::AsFloat() const {
    return ValueNull() ? 0 : DecimalToDouble(ValueBytes());
}

void TIntegerField::SetAsFloat(double value) {
    CheckCanModify();
    std::string canonical;
    if (!DoubleToDecimal(value, canonical) || canonical.find('.') != std::string::npos)
        throw EDatabaseError(Format("'%s' n'est pas une valeur entière correcte pour le champ '%s'",
                                    FloatToText(value), DisplayName()));
    StoreChecked(canonical, FloatToText(value));
}

TBCDField::TBCDField(TClientDataSet* dataSet, int index, const QString& name, TFieldType type, int size)
    : TField(dataSet, index, name, type, size) {
    FAlignment = taRightJustify;
    FDisplayWidth = 10;
}

QString TBCDField::AsString() const {
    if (ValueNull()) return QString();
    return DecimalDisplayText(ValueBytes(), FormatSettings().DecimalSeparator);
}

void TBCDField::SetAsString(const QString& text) {
    CheckCanModify();
    TFieldValue v;
    if (!text.isEmpty()) {
        if (!ParseTypedDecimal(text, FormatSettings().DecimalSeparator, false, v.Bytes))
            throw EDatabaseError(Format("'%s' n'est pas une valeur décimale correcte pour le champ '%s'",
                                        text, DisplayName()));
        v.Null = false;
    }
    StoreValue(std::move(v));
}

double TBCDField::AsFloat() const {
    return ValueNull() ? 0 : DecimalToDouble(ValueBytes());
}

void TBCDField::SetAsFloat(double value) {
    CheckCanModify();
    TFieldValue v;
    if (!DoubleToDecimal(value, v.Bytes))
        throw EDatabaseError(Format("'%s' n'est pas une valeur décimale correcte pour le champ '%s'",
                                    FloatToText(value), DisplayName()));
    v.Null = false;
    StoreValue(std::move(v));
}

TWideStringField::TWideStringField(TClientDataSet* dataSet, int index, const QString& name, int size)
    : TField(dataSet, index, name, ftWideString, size) {
    FAlignment = taLeftJustify;
    FDisplayWidth = size > 0 ? size : 20;
}

QString TWideStringField::AsString() const {
    if (ValueNull()) return QString();
    const std::string_view b = ValueBytes();
    return QString::fromUtf8(b.data(), qsizetype(b.size()));
}

void TWideStringField::SetAsString(const QString& text) {
    CheckCanModify();
    QString s = text;
    if (const qsizetype nul = s.indexOf(QChar(0)); nul >= 0) s.truncate(nul);
    if (Size() > 0 && s.size() > Size()) {
        qsizetype n = Size();
        if (s[n - 1].isHighSurrogate()) --n; // never half a character
        s.truncate(n);
    }
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == u' ') --n;
    s.truncate(n);
    const QByteArray u = s.toUtf8();
    TFieldValue v;
    v.Null = false;
    v.Bytes.assign(u.constData(), size_t(u.size()));
    StoreValue(std::move(v));
}

double TWideStringField::AsFloat() const {
    if (ValueNull()) return 0;
    return StrToFloat(AsString());
}

void TWideStringField::SetAsFloat(double value) {
    SetAsString(FloatToText(value));
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
