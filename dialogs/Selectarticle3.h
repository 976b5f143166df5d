#pragma once
// TSelectarticle3Box: finding an article in the catalogue without its code.
// A large grid shows the catalogue; the operator picks the column to sort by
// (chooser or a tap on a column title), types the beginning of a value to
// jump to the nearest article in that order, moves with the arrow keys or a
// tap, and confirms with "Ok". The caller reads the chosen code in select
// after the modal loop (empty after "Annuler"); the catalogue's cursor is
// left on the chosen article and its sort order stays in force. A touch
// keyboard under the search field types into it, for a till without a
// keyboard.

#include "grid/GridTypes.h"
#include "toolkit/Forms.h"

#include <QString>

namespace tallivo {

class TAdvMetroButton;
class TAdvMetroTile;
class TClientDataSet;
class TColumn;
class TComboBox;
class TDataSource;
class TDBGrid;
class TLabeledEdit;
class TPanel;
class TTouchKeyboard;

class TSelectarticle3Box : public TForm {
public:
    // The grid shows the table of ArticleSource (the main window's link to
    // the catalogue).
    TSelectarticle3Box(TComponent* AOwner, TDataSource* ArticleSource);
    ~TSelectarticle3Box() override;

    // The chosen article code: set by "Ok", emptied by "Annuler" and at
    // every activation.
    QString select;

    // Controls, by their designed names.
    TPanel* Panel1 = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    TPanel* Panel3 = nullptr;
    TLabeledEdit* Edit1 = nullptr;              // the search field
    TComboBox* ComboBox4 = nullptr;             // the sort chooser, over the search field
    TAdvMetroButton* AdvMetroButton8 = nullptr; // opens the chooser
    TPanel* Panel8 = nullptr;
    TAdvMetroTile* AdvMetroTile19 = nullptr; // "Ok", modal result 1, default
    TAdvMetroTile* AdvMetroTile18 = nullptr; // "Annuler", modal result 2
    TTouchKeyboard* Keyboard = nullptr;      // under the band, types into Edit1

    // The keyboard adds its height to the designed client height, as far as
    // room (in pixels) allows; with less room the grid and the keyboard
    // share what there is. The constructor fits the dialog to the main
    // window.
    void FitHeight(int room);

    // Handlers.
    void FormActivate(TObject* Sender);
    void ComboBox4Change(TObject* Sender);
    void ComboBox4CloseUp(TObject* Sender);
    void AdvMetroButton8Click(TObject* Sender);
    void DBGrid1TitleClick(TColumn* Column);
    void Edit1Change(TObject* Sender);
    void Edit1KeyDown(TObject* Sender, TKey& Key, TShiftState Shift);
    void AdvMetroTile19Click(TObject* Sender);
    void AdvMetroTile18Click(TObject* Sender);
    void DBGrid1DrawColumnCell(TObject* Sender, const TRect& Rect, int DataCol, TColumn* Column,
                               TGridDrawState State);

private:
    void CreateLayout(TDataSource* ArticleSource);
    // The catalogue the grid shows.
    TClientDataSet& Articles() const;
    // Makes the field the catalogue's sort order.
    void SortBy(const QString& fieldName);
};

// The selection dialog being shown (null when none is alive).
extern TSelectarticle3Box* Selectarticle3Box;

} // namespace tallivo
