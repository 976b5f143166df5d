#pragma once
// Labels, single-line edit fields (plain and labelled) and the combo box.

#include "toolkit/Controls.h"

class QLineEdit;
class QComboBox;

namespace tallivo {

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);

    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout v);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool v);

    // Resizes the label to its text when AutoSize is set.
    void AdjustBounds();

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;

private:
    unsigned TextFlags() const;

    bool FAutoSize = true;
    bool FTransparent = false;
    bool FWordWrap = false;
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FShowAccelChar = true;
};

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* AOwner);
    ~TEdit() override;

    QString Text() const;
    void SetText(const QString& text);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase v);
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool v) { FAutoSelect = v; }
    // 0 (bsNone) draws no frame, 1 (bsSingle) the usual one.
    void SetBorderStyle(int v);
    bool ReadOnly() const;
    void SetReadOnly(bool v);
    int SelStart() const;
    void SetSelStart(int v);
    int SelLength() const;
    void SelectAll();
    void Clear() { SetText(QString()); }

    TNotifyEvent OnChange;

    QWidget* FocusWidget() override;
    QLineEdit* Editor() const { return FEditor; }

protected:
    void ColorChanged() override;
    void FontChanged() override;
    void resizeEvent(QResizeEvent* e) override;

private:
    friend class TEditWidget;
    void ApplyStyle();
    using TWinControl::DoEnter;
    using TWinControl::DoExit;

    QLineEdit* FEditor;
    TEditCharCase FCharCase = ecNormal;
    bool FAutoSelect = true;
};

enum TLabelPosition { lpAbove, lpBelow, lpLeft, lpRight };

// An edit field with a label kept beside it.
class TLabeledEdit : public TEdit {
public:
    explicit TLabeledEdit(TComponent* AOwner);

    TLabel* EditLabel() const { return FLabel; }
    TLabelPosition LabelPosition() const { return FLabelPosition; }
    void SetLabelPosition(TLabelPosition v);
    int LabelSpacing() const { return FLabelSpacing; }
    void SetLabelSpacing(int v);

    void SetParent(TWinControl* parent) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetVisible(bool v) override;
    // Places the label relative to the edit.
    void PlaceLabel();

private:
    TLabel* FLabel;
    TLabelPosition FLabelPosition = lpAbove;
    int FLabelSpacing = 3;
};

enum TComboBoxStyle { csDropDown, csDropDownList };

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;

    void SetStyle(TComboBoxStyle v);
    int ItemCount() const;
    QString Item(int index) const;
    void AddItem(const QString& text);
    void ClearItems();
    int ItemIndex() const;
    void SetItemIndex(int index);
    QString Text() const;
    // When set, a character typed into the closed box opens its list.
    bool AutoDropDown() const { return FAutoDropDown; }
    void SetAutoDropDown(bool v) { FAutoDropDown = v; }
    // Whether the list is open; setting it opens or closes the list.
    bool DroppedDown() const { return FDroppedDown; }
    void SetDroppedDown(bool v);

    // The operator picked an entry from the list.
    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    // The list closed, whether or not an entry was picked (Enter, Escape, a
    // click on an entry or outside the list).
    TNotifyEvent OnCloseUp;

    QWidget* FocusWidget() override;
    // While the list is open, Enter and Escape belong to it, not to the
    // window's default and cancel tiles.
    bool WantsKey(TKey Key) const override;
    QComboBox* Box() const { return FBox; }

protected:
    void FontChanged() override;
    void resizeEvent(QResizeEvent* e) override;

private:
    friend class TComboWidget;
    QComboBox* FBox;
    bool FAutoDropDown = false;
    bool FDroppedDown = false;
};

} // namespace tallivo
