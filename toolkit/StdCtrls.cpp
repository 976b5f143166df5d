#include "toolkit/StdCtrls.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QValidator>

namespace tallivo {

// --- TLabel ----------------------------------------------------------------

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetParentColor(true);
    SetClickEvents(true);
}

unsigned TLabel::TextFlags() const {
    unsigned flags = DT_EXPANDTABS;
    if (FWordWrap) flags |= DT_WORDBREAK;
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    if (FAlignment == taCenter) flags |= DT_CENTER;
    else if (FAlignment == taRightJustify) flags |= DT_RIGHT;
    return flags;
}

void TLabel::Paint() {
    TCanvas& c = *Canvas();
    if (!FTransparent) {
        c.Brush.SetColor(Color());
        c.FillRect(ClientRect());
    }
    c.Brush.SetStyle(bsClear);
    c.Font = Font();
    TRect r = ClientRect();
    if (FLayout != tlTop) {
        TRect calc = r;
        c.DrawText(Caption(), calc, TextFlags() | DT_CALCRECT);
        const int offset = FLayout == tlBottom ? r.Height() - calc.Height() : (r.Height() - calc.Height()) / 2;
        r.Top += offset;
    }
    c.DrawText(Caption(), r, TextFlags());
}

void TLabel::AdjustBounds() {
    if (!FAutoSize) return;
    TCanvas measure(nullptr);
    measure.Font = Font();
    TRect r{0, 0, FWordWrap ? Width() : 0, 0};
    // An empty caption keeps the height of one line.
    measure.DrawText(Caption().isEmpty() ? QStringLiteral(" ") : Caption(), r, TextFlags() | DT_CALCRECT);
    int left = Left();
    if (FAlignment == taRightJustify) left = Left() + Width() - r.Width();
    SetBounds(left, Top(), r.Width(), r.Height());
}

void TLabel::SetAutoSize(bool v) {
    FAutoSize = v;
    AdjustBounds();
}

void TLabel::SetTransparent(bool v) {
    FTransparent = v;
    update();
}

void TLabel::SetWordWrap(bool v) {
    FWordWrap = v;
    AdjustBounds();
    update();
}

void TLabel::SetAlignment(TAlignment v) {
    FAlignment = v;
    update();
}

void TLabel::SetLayout(TTextLayout v) {
    FLayout = v;
    update();
}

void TLabel::SetShowAccelChar(bool v) {
    FShowAccelChar = v;
    AdjustBounds();
    update();
}

void TLabel::TextChanged() {
    AdjustBounds();
    update();
}

void TLabel::FontChanged() {
    AdjustBounds();
    update();
}

// --- TEdit -----------------------------------------------------------------

// The Qt line edit inside a TEdit: the edit's key handlers see each key
// before the line edit processes it, and may consume or replace it.
class TEditWidget : public QLineEdit {
public:
    TEditWidget(TEdit* owner) : QLineEdit(owner), FOwner(owner) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        GuardedCall([&] { HandleKey(e); });
        e->accept();
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        GuardedCall([&] {
            TKey key = VirtualKeyOf(*e);
            if (key != 0) FOwner->KeyUp(key, ShiftStateOf(e->modifiers()));
        });
        QLineEdit::keyReleaseEvent(e);
    }
    void focusInEvent(QFocusEvent* e) override {
        QLineEdit::focusInEvent(e);
        if (!FOwner->AutoSelect()) deselect();
        GuardedCall([&] { FOwner->DoEnter(); });
    }
    void focusOutEvent(QFocusEvent* e) override {
        QLineEdit::focusOutEvent(e);
        GuardedCall([&] { FOwner->DoExit(); });
    }

private:
    void HandleKey(QKeyEvent* e) {
        TKey key = VirtualKeyOf(*e);
        if (key != 0) {
            FOwner->KeyDown(key, ShiftStateOf(e->modifiers()));
            if (key == 0) return;
        }
        const QString text = e->text();
        if (text.size() == 1) {
            QChar c = text[0];
            FOwner->KeyPress(c);
            if (c.isNull()) return;
            if (FOwner->CharCase() == ecUpperCase) c = c.toUpper();
            else if (FOwner->CharCase() == ecLowerCase) c = c.toLower();
            if (c != text[0]) {
                QKeyEvent replaced(e->type(), e->key(), e->modifiers(), QString(c), e->isAutoRepeat());
                QLineEdit::keyPressEvent(&replaced);
                return;
            }
        }
        QLineEdit::keyPressEvent(e);
    }

    TEdit* FOwner;
};

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner), FEditor(new TEditWidget(this)) {
    SetColor(clWindow);
    SetTabStop(true);
    setFocusProxy(FEditor);
    FEditor->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(FEditor, &QLineEdit::textChanged, FEditor, [this](const QString&) {
        GuardedCall([this] {
            if (OnChange) OnChange(this);
        });
    });
    SetBounds(0, 0, 121, 21);
    ApplyStyle();
}

TEdit::~TEdit() {
    // The line edit reports focus changes to this edit: let it go first.
    delete FEditor;
    FEditor = nullptr;
}

QString TEdit::Text() const { return FEditor->text(); }

void TEdit::SetText(const QString& text) {
    QString t = text;
    if (FCharCase == ecUpperCase) t = t.toUpper();
    else if (FCharCase == ecLowerCase) t = t.toLower();
    if (t != FEditor->text()) FEditor->setText(t);
}

namespace {
// Turns every inserted text (typed or pasted) into the edit's letter case.
class TCaseValidator : public QValidator {
public:
    TCaseValidator(QObject* parent, TEditCharCase charCase) : QValidator(parent), FCharCase(charCase) {}
    State validate(QString& input, int&) const override {
        input = FCharCase == ecUpperCase ? input.toUpper() : input.toLower();
        return Acceptable;
    }

private:
    TEditCharCase FCharCase;
};
} // namespace

void TEdit::SetCharCase(TEditCharCase v) {
    FCharCase = v;
    delete FEditor->validator();
    FEditor->setValidator(v == ecNormal ? nullptr : new TCaseValidator(FEditor, v));
    SetText(Text());
}

void TEdit::SetBorderStyle(int v) { FEditor->setFrame(v != 0); }

bool TEdit::ReadOnly() const { return FEditor->isReadOnly(); }
void TEdit::SetReadOnly(bool v) { FEditor->setReadOnly(v); }
int TEdit::SelStart() const { return FEditor->hasSelectedText() ? FEditor->selectionStart() : FEditor->cursorPosition(); }
void TEdit::SetSelStart(int v) { FEditor->setCursorPosition(v); }
int TEdit::SelLength() const { return int(FEditor->selectedText().size()); }
void TEdit::SelectAll() { FEditor->selectAll(); }

QWidget* TEdit::FocusWidget() { return FEditor; }

void TEdit::ApplyStyle() {
    QPalette pal = FEditor->palette();
    const TColor bg = ColorToRGB(Color());
    const TColor fg = ColorToRGB(Font().Color());
    pal.setColor(QPalette::Base, QColor(GetRValue(bg), GetGValue(bg), GetBValue(bg)));
    pal.setColor(QPalette::Text, QColor(GetRValue(fg), GetGValue(fg), GetBValue(fg)));
    FEditor->setPalette(pal);
    FEditor->setFont(Font().ToQFont());
}

void TEdit::ColorChanged() {
    ApplyStyle();
    TWinControl::ColorChanged();
}

void TEdit::FontChanged() {
    ApplyStyle();
    TWinControl::FontChanged();
}

void TEdit::resizeEvent(QResizeEvent* e) {
    FEditor->setGeometry(0, 0, width(), height());
    TWinControl::resizeEvent(e);
}

// --- TLabeledEdit ------------------------------------------------------------

namespace {
// The label of a labelled edit follows its edit when its size changes.
class TBoundLabel : public TLabel {
public:
    TBoundLabel(TComponent* owner, TLabeledEdit* edit) : TLabel(owner), FEdit(edit) {}

protected:
    void Resize() override {
        TLabel::Resize();
        if (FEdit) FEdit->PlaceLabel();
    }

private:
    TLabeledEdit* FEdit;
};
} // namespace

TLabeledEdit::TLabeledEdit(TComponent* AOwner) : TEdit(AOwner), FLabel(new TBoundLabel(this, this)) {}

void TLabeledEdit::SetLabelPosition(TLabelPosition v) {
    FLabelPosition = v;
    PlaceLabel();
}

void TLabeledEdit::SetLabelSpacing(int v) {
    FLabelSpacing = v;
    PlaceLabel();
}

void TLabeledEdit::SetParent(TWinControl* parent) {
    TEdit::SetParent(parent);
    FLabel->SetParent(parent);
    PlaceLabel();
}

void TLabeledEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    PlaceLabel();
}

void TLabeledEdit::SetVisible(bool v) {
    TEdit::SetVisible(v);
    FLabel->SetVisible(v);
}

void TLabeledEdit::PlaceLabel() {
    if (!FLabel) return;
    const int lw = FLabel->Width(), lh = FLabel->Height();
    int x = Left(), y = Top();
    switch (FLabelPosition) {
    case lpAbove: y = Top() - lh - FLabelSpacing; break;
    case lpBelow: y = Top() + Height() + FLabelSpacing; break;
    case lpLeft:
        x = Left() - lw - FLabelSpacing;
        y = Top() + (Height() - lh) / 2;
        break;
    case lpRight:
        x = Left() + Width() + FLabelSpacing;
        y = Top() + (Height() - lh) / 2;
        break;
    }
    FLabel->setGeometry(x, y, lw, lh);
}

// --- TComboBox ---------------------------------------------------------------

class TComboWidget : public QComboBox {
public:
    explicit TComboWidget(TComboBox* owner) : QComboBox(owner), FOwner(owner) {}

    void showPopup() override {
        FOwner->FDroppedDown = true;
        GuardedCall([&] {
            if (FOwner->OnDropDown) FOwner->OnDropDown(FOwner);
        });
        QComboBox::showPopup();
        // The list can close without hidePopup (a click outside it closes the
        // popup window directly): its hiding is what ends the drop-down.
        QWidget* popup = view()->window();
        if (popup != FWatchedPopup) {
            popup->installEventFilter(this);
            FWatchedPopup = popup;
        }
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        ClosedUp();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == FWatchedPopup && e->type() == QEvent::Hide) ClosedUp();
        return QComboBox::eventFilter(watched, e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        // With AutoDropDown, a typed character opens the closed list and
        // marks the first entry it begins; Enter in the list then picks it.
        const QString text = e->text();
        if (FOwner->FAutoDropDown && !FOwner->FDroppedDown && !text.isEmpty() && text[0].isPrint()) {
            showPopup();
            view()->keyboardSearch(text);
            return;
        }
        QComboBox::keyPressEvent(e);
    }

private:
    void ClosedUp() {
        if (!FOwner->FDroppedDown) return;
        FOwner->FDroppedDown = false;
        GuardedCall([&] {
            if (FOwner->OnCloseUp) FOwner->OnCloseUp(FOwner);
        });
    }

    TComboBox* FOwner;
    QWidget* FWatchedPopup = nullptr;
};

TComboBox::~TComboBox() {
    delete FBox;
    FBox = nullptr;
}

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner), FBox(new TComboWidget(this)) {
    SetColor(clWindow);
    SetTabStop(true);
    setFocusProxy(FBox);
    FBox->setFocusPolicy(Qt::StrongFocus);
    FBox->setEditable(true);
    QObject::connect(FBox, &QComboBox::activated, FBox, [this](int) {
        GuardedCall([this] {
            if (OnChange) OnChange(this);
        });
    });
    SetBounds(0, 0, 145, 21);
}

void TComboBox::SetStyle(TComboBoxStyle v) { FBox->setEditable(v == csDropDown); }
int TComboBox::ItemCount() const { return FBox->count(); }
QString TComboBox::Item(int index) const { return FBox->itemText(index); }
void TComboBox::AddItem(const QString& text) { FBox->addItem(text); }
void TComboBox::ClearItems() { FBox->clear(); }
int TComboBox::ItemIndex() const { return FBox->currentIndex(); }
void TComboBox::SetItemIndex(int index) { FBox->setCurrentIndex(index); }
QString TComboBox::Text() const { return FBox->currentText(); }

void TComboBox::SetDroppedDown(bool v) {
    if (v) FBox->showPopup();
    else FBox->hidePopup();
}

QWidget* TComboBox::FocusWidget() { return FBox; }

bool TComboBox::WantsKey(TKey Key) const {
    return FDroppedDown && (Key == VK_RETURN || Key == VK_ESCAPE);
}

void TComboBox::FontChanged() {
    FBox->setFont(Font().ToQFont());
    TWinControl::FontChanged();
}

void TComboBox::resizeEvent(QResizeEvent* e) {
    FBox->setGeometry(0, 0, width(), height());
    TWinControl::resizeEvent(e);
}

} // namespace tallivo
