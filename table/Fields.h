#pragma once
// Field objects of an open table. They are created from the field
// definitions each time the table opens, in definition order, and read and
// write the current record buffer of their table.

#include "table/DBTypes.h"
#include "table/NumberText.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace tallivo {

class TClientDataSet;
struct TFieldValue;

class TField {
public:
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TClientDataSet* DataSet() const { return FDataSet; }
    const QString& FieldName() const { return FFieldName; }
    int FieldNo() const { return FIndex + 1; }
    int Index() const { return FIndex; }
    TFieldType DataType() const { return FDataType; }
    int Size() const { return FSize; }

    bool Required() const { return FRequired; }
    void SetRequired(bool v) { FRequired = v; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v) { FReadOnly = v; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    QString DisplayLabel() const { return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const QString& v);
    QString DisplayName() const { return DisplayLabel(); }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    int DisplayWidth() const { return FDisplayWidth; }
    void SetDisplayWidth(int v);

    // Value access in the current record buffer.
    bool IsNull() const;
    virtual QString AsString() const = 0;
    virtual void SetAsString(const QString& text) = 0;
    virtual double AsFloat() const = 0;
    virtual void SetAsFloat(double value) = 0;
    // The text views show (the same as AsString).
    QString DisplayText() const { return AsString(); }
    // Makes the value null.
    void Clear();

protected:
    TField(TClientDataSet* dataSet, int index, const QString& name, TFieldType type, int size);
    // Reads of the current buffer.
    bool ValueNull() const;
    double ValueFloat() const;
    std::string_view ValueBytes() const;
    // Checks that the field may be assigned now (state, read-only, key field).
    void CheckCanModify() const;
    // Stores a converted value (after CheckCanModify).
    void StoreValue(TFieldValue value);

    TAlignment FAlignment = taLeftJustify;
    int FDisplayWidth = 10;

private:
    void LayoutChanged();
    TClientDataSet* FDataSet;
    int FIndex;
    QString FFieldName;
    TFieldType FDataType;
    int FSize;
    bool FRequired = false;
    bool FReadOnly = false;
    bool FVisible = true;
    QString FDisplayLabel;
};

// A string of at most Size bytes of the 8-bit code page.
class TStringField : public TField {
public:
    TStringField(TClientDataSet* dataSet, int index, const QString& name, int size);
    QString AsString() const override;
    // Converts to the code page ("?" for characters it lacks), cuts at a NUL
    // character and at Size bytes, and removes trailing spaces.
    void SetAsString(const QString& text) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
};

// An IEEE double shown in the general form with Precision significant digits.
class TFloatField : public TField {
public:
    TFloatField(TClientDataSet* dataSet, int index, const QString& name);
    int Precision() const { return FPrecision; }
    void SetPrecision(int v) { FPrecision = v < 1 ? 15 : v > 17 ? 17 : v; }
    QString AsString() const override;
    // The empty text makes the value null; other text must be a number with
    // the locale's decimal separator.
    void SetAsString(const QString& text) override;
    double AsFloat() const override;
    // Stores the value; NaN and the infinities are refused: a data file has
    // no text for them.
    void SetAsFloat(double value) override;

protected:
    TFloatField(TClientDataSet* dataSet, int index, const QString& name, TFieldType type, int precision);
    // The value the field holds for value.
    virtual double Held(double value) const { return value; }

private:
    void StoreNumber(double value);
    int FPrecision = 15;
};

// A float of the r4 kind: values keep the 8 significant digits a data file
// gives them, and show them all.
class TSingleField : public TFloatField {
public:
    TSingleField(TClientDataSet* dataSet, int index, const QString& name);

protected:
    double Held(double value) const override { return RoundToSingle(value); }
};

// An integer of one of the integer kinds (i1 ... i8, ui1 ... ui8), held as
// decimal text, within its kind's range.
class TIntegerField : public TField {
public:
    TIntegerField(TClientDataSet* dataSet, int index, const QString& name, TFieldType type,
                  const QString& typeName);
    const TIntegerRange& Range() const { return FRange; }
    QString AsString() const override;
    // The empty text makes the value null; other text must be an integer
    // (spaces around, an optional sign, digits) within the range.
    void SetAsString(const QString& text) override;
    double AsFloat() const override;
    // A whole number within the range; anything else is refused.
    void SetAsFloat(double value) override;

private:
    void StoreChecked(const std::string& canonical, const QString& shown);
    TIntegerRange FRange;
};

// An exact decimal of a fixed-point kind (fixed, fixedFMT), held as decimal
// text with the fraction digits it was given. Its text form has no trailing
// zeros and the locale's decimal separator (12.50 shows 12,5).
class TBCDField : public TField {
public:
    TBCDField(TClientDataSet* dataSet, int index, const QString& name, TFieldType type, int size);
    QString AsString() const override;
    // The empty text makes the value null; other text must be a number with
    // the locale's decimal separator, as typed numbers are.
    void SetAsString(const QString& text) override;
    double AsFloat() const override;
    // The shortest decimal that reads back to value; NaN and the infinities
    // are refused.
    void SetAsFloat(double value) override;
};

// A UTF-16 string (string.uni) of at most Size characters, held as UTF-8.
class TWideStringField : public TField {
public:
    TWideStringField(TClientDataSet* dataSet, int index, const QString& name, int size);
    QString AsString() const override;
    // Cuts at a NUL character and at Size characters and removes trailing
    // spaces, as a string field does.
    void SetAsString(const QString& text) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
};

// A field of another kind declared by a loaded data packet: its values are
// kept as the packet's text, unchanged, with the packet's type name.
class TRawField : public TField {
public:
    TRawField(TClientDataSet* dataSet, int index, const QString& name, TFieldType type, int size,
              const QString& typeName);
    const QString& TypeName() const { return FTypeName; }
    QString AsString() const override;
    void SetAsString(const QString& text) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;

private:
    QString FTypeName;
};

class TFields {
public:
    int Count() const { return int(FItems.size()); }
    TField* operator[](int i) const { return FItems[size_t(i)].get(); }
    TField* Field(int i) const { return FItems[size_t(i)].get(); }
    // Case-insensitive search; nullptr when absent.
    TField* FindField(const QString& name) const;
    // Raises "Champ '%s' non trouvé" when absent.
    TField& FieldByName(const QString& name) const;
    void Clear() { FItems.clear(); }
    void Add(std::unique_ptr<TField> f) { FItems.push_back(std::move(f)); }

private:
    std::vector<std::unique_ptr<TField>> FItems;
};

} // namespace tallivo
