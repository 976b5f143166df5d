#pragma once
// The main window of the workstation: the code field, the command band, the
// header with export, quit and the scroll buttons, and the collection grid.
// The two tables and the data folder live here as module-level objects.

#include "base/Trim.h"
#include "grid/DBGrids.h"
#include "table/ClientDataSet.h"
#include "table/DataSource.h"
#include "tiles/AdvMetroButton.h"
#include "tiles/AdvMetroTile.h"
#include "toolkit/ActnList.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

#include <memory>

namespace tallivo {

class TGestureManager;
class TCollectionJournal;

// The collection and the article catalogue, created by the main window and
// freed when it closes.
extern TClientDataSet* CollectionTable;
extern TClientDataSet* ArticleTable;
// The folder of COLLECTION.XML, ARTICLE.XML and ART.GRD: the current
// directory when the main window was created.
extern QString DataDir;

class TMasterform : public TForm {
public:
    explicit TMasterform(TComponent* AOwner);
    ~TMasterform() override;

    // Controls, by their designed names.
    TPanel* Panel2 = nullptr;
    TPanel* Panel3 = nullptr;
    TLabel* Label2 = nullptr;
    TAdvMetroButton* AdvMetroButton15 = nullptr;
    TAdvMetroButton* AdvMetroButton16 = nullptr;
    TPanel* Panel4 = nullptr;
    TAdvMetroTile* Button2 = nullptr;
    TAdvMetroTile* AdvMetroTile25 = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    TFlowPanel* FlowPanel1 = nullptr;
    TPanel* Panel8 = nullptr;
    TLabel* Label19 = nullptr;
    TEdit* Edit1 = nullptr;
    TEdit* Edit2 = nullptr;
    TAdvMetroTile* Button1 = nullptr;
    TAdvMetroTile* AdvMetroTile71 = nullptr;
    TPanel* Panel1 = nullptr;
    TAdvMetroTile* AdvMetroTile1 = nullptr;
    TAdvMetroTile* AdvMetroTile6 = nullptr;
    TAdvMetroTile* AdvMetroTile2 = nullptr;
    TAdvMetroTile* AdvMetroTile4 = nullptr;

    // Non-visual components.
    std::unique_ptr<TDataSource> DataSource1;
    std::unique_ptr<TDataSource> ARTICLE_Source;
    TSaveDialog* SaveDialog1 = nullptr;
    TActionList* ActionList1 = nullptr;
    TAction* Action1 = nullptr;
    TAction* Action2 = nullptr;
    TAction* Action3 = nullptr;
    TAction* Action4 = nullptr;
    // The swipes over DBGrid1: left, right, up and down run Action1 to Action4.
    TGestureManager* GestureManager2 = nullptr;

    // Start-up and lifecycle.
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormResize(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);

    // Entering a code and adding its quantity.
    void Edit1KeyDown(TObject* Sender, TKey& Key, TShiftState Shift);
    void AdvMetroTile71Click(TObject* Sender);
    void Button1Click(TObject* Sender);

    // Commands.
    void AdvMetroTile6Click(TObject* Sender);
    void AdvMetroTile2Click(TObject* Sender);
    void AdvMetroTile4Click(TObject* Sender);
    void AdvMetroTile1Click(TObject* Sender);
    void AdvMetroTile25Click(TObject* Sender);
    void DBGrid1CellClick(TColumn* Column);
    void Panel8Click(TObject* Sender);

    // Export.
    void Button2Click(TObject* Sender);

    // Collection grid painting and paced movements.
    void DBGrid1DrawColumnCell(TObject* Sender, const TRect& Rect, int DataCol, TColumn* Column,
                               TGridDrawState State);
    void AdvMetroButton15Click(TObject* Sender);
    void AdvMetroButton16Click(TObject* Sender);
    void Action1Execute(TObject* Sender);
    void Action2Execute(TObject* Sender);
    void Action3Execute(TObject* Sender);
    void Action4Execute(TObject* Sender);

    // DataDir followed by the file name.
    static QString DataFile(const QString& name);

    // Saving the collection after every change (Saving.cpp). SaveCollection
    // never raises: a failure shows in Label2 until a save succeeds, and the
    // next change tries again. WriteCollection does the same but raises the
    // failure (the close). SetHeader sets the usual text of Label2, shown
    // whenever no failure is.
    bool SaveCollection();
    void WriteCollection();
    void SetHeader(const QString& caption);

    // The journal of confirmed changes (Journaling.cpp), written in the save
    // step; nullptr until the collection is loaded. Station features set
    // its zone, and name the kind of the changes they make with a
    // TCollectionJournal::TCause.
    TCollectionJournal* Journal() const { return FJournal.get(); }
    // Benchmarks only: false measures the workstation without a journal.
    static void SetJournaling(bool on);

private:
    // Clears the code field, resets the pending quantity to 1 and gives the
    // code field the focus: the state after every completed command.
    void ReadyForNextCode();
    // Shows the keypad for a quantity, its minus key switched off. False when
    // the operator cancelled; otherwise quantity receives the keyed text.
    bool AskQuantity(QString& quantity);
    void CreateLayout();
    void CreateGridColumns();
    void BindEvents();
    // Moves the collection's cursor to one edge of the visible rows, then
    // sends the grid a paced series of arrow keys.
    void PacedMove(int firstMove, TKey key, int steps, int (*waitBefore)(int step));
    void LoadGridLayout();
    void SaveGridLayout();
    // Set once the start got as far as reading ART.GRD: only then may the
    // close write the grid's columns over it.
    bool FLayoutOffered = false;

    // Saving.cpp: the failure shown in the header, and the check that saves
    // changes made outside the commands (the grid's Ctrl+Delete) once the
    // input that made them has been handled.
    struct TCollectionVersion {
        const void* Store = nullptr;
        uint64_t Changes = 0;
        bool operator==(const TCollectionVersion&) const = default;
    };
    static TCollectionVersion CollectionVersion();
    void WatchCollectionChanges();
    void SaveIfChangedElsewhere();
    void ShowSaveFailure(const QString& message);
    void ShowWarning(const QString& text);
    void PlaceSaveFailure();
    void ShowHeader();
    QString FHeader = QStringLiteral("Tallivo");
    TFont FHeaderFont; // Label2 as designed, while the failure replaces it
    TPoint FHeaderAt;
    bool FSaveFailureShown = false;
    bool FSaveCheckPending = false;
    TCollectionVersion FTriedVersion; // the collection as last loaded or saved (or tried)

    // Journaling.cpp.
    void StartJournal(bool collectionFileExisted);
    QString JournalChanges(); // the failure, empty when journaled
    void ConfirmJournal();
    std::unique_ptr<TCollectionJournal> FJournal;
};

extern TMasterform* Masterform;

// Runs fill on the record being edited or inserted, then posts it. When
// anything fails the edit or insert is cancelled before the error goes on, so
// that no half-filled record is posted later by the table on its own.
template <class F>
void PostOrCancel(TClientDataSet& table, F&& fill) {
    try {
        fill();
        table.Post();
    } catch (...) {
        table.Cancel();
        throw;
    }
}

// Draws text into T aligned like the column, cut with an ellipsis, centred
// vertically.
void DrawCellText(TCanvas& Canvas, const TRect& T, const QString& Text, TColumn* Column);

} // namespace tallivo
