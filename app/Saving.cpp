// Saving the collection after every change, and showing a failed save.
//
// Every command that changes the collection saves it right after its Post,
// Delete or EmptyDataSet. A change made elsewhere (the grid's own
// Ctrl+Delete) is caught by a check that runs once the input that made it
// has been handled. A save that fails never stops the work: the header label
// turns into a warning until a save succeeds, and every further change tries
// again. The journal of the changes is written in the same step
// (Journaling.cpp); when it cannot be, the header says so the same way.
#include "app/Master.h"

#include "base/Exception.h"
#include "table/DSBase.h"

#include <QTimer>

namespace tallivo {

namespace {

constexpr TColor kWarningColour = 0x000000C0; // dark red on the header's grey
// The warning sits right of the two chevron buttons (224 and 287, 50 wide)
// and left of the export and quit tiles.
constexpr int kWarningLeft = 350;
constexpr int kWarningTop = 6;
constexpr int kWarningHeight = 69;
constexpr int kWarningGap = 12;
constexpr int kWarningFontHeights[] = {-19, -17, -15, -13};

} // namespace

TMasterform::TCollectionVersion TMasterform::CollectionVersion() {
    const IDSBase* store = CollectionTable ? CollectionTable->Store() : nullptr;
    if (!store) return {};
    return {store, store->DataVersion()};
}

void TMasterform::WriteCollection() {
    if (!CollectionTable) return;
    FTriedVersion = CollectionVersion();
    // The journal first, flushed to the disk: after a kill, what it holds
    // beyond the collection file is dropped at the next start.
    const QString journalFailure = JournalChanges();
    try {
        CollectionTable->SaveToFile(DataFile(QStringLiteral("COLLECTION.XML")), dfXML);
    } catch (const Exception& e) {
        ShowSaveFailure(e.Message());
        throw;
    } catch (const std::exception& e) {
        ShowSaveFailure(QString::fromLocal8Bit(e.what()));
        throw;
    }
    ConfirmJournal();
    if (!journalFailure.isEmpty()) {
        ShowWarning(QStringLiteral("Journal impossible : ") + journalFailure);
    } else if (FSaveFailureShown) {
        FSaveFailureShown = false;
        ShowHeader();
    }
}

bool TMasterform::SaveCollection() {
    try {
        WriteCollection();
        return true;
    } catch (...) {
        // Shown in the header; the collection stays in memory and the next
        // change saves it again.
        return false;
    }
}

void TMasterform::SetHeader(const QString& caption) {
    FHeader = caption;
    if (!FSaveFailureShown) Label2->SetCaption(FHeader);
}

void TMasterform::ShowHeader() {
    // The label as designed: the title font, sized to its text.
    Label2->SetWordWrap(false);
    Label2->SetLayout(tlTop);
    Label2->SetShowAccelChar(true);
    Label2->Font() = FHeaderFont;
    Label2->SetBounds(FHeaderAt.X, FHeaderAt.Y, Label2->Width(), Label2->Height());
    Label2->SetCaption(FHeader);
    Label2->SetAutoSize(true);
}

void TMasterform::ShowSaveFailure(const QString& message) {
    ShowWarning(QStringLiteral("Enregistrement impossible : ") + message);
}

void TMasterform::ShowWarning(const QString& text) {
    if (!FSaveFailureShown) {
        FHeaderFont = Label2->Font();
        FHeaderAt = {Label2->Left(), Label2->Top()};
    }
    FSaveFailureShown = true;
    Label2->SetAutoSize(false);
    Label2->SetWordWrap(true);
    Label2->SetLayout(tlCenter);
    Label2->SetShowAccelChar(false); // a file name may hold "&"
    Label2->SetCaption(text);
    PlaceSaveFailure();
}

void TMasterform::PlaceSaveFailure() {
    if (!FSaveFailureShown) return;
    const int width = std::max(100, Panel4->Left() - kWarningGap - kWarningLeft);
    Label2->SetBounds(kWarningLeft, kWarningTop, width, kWarningHeight);
    // The largest font with which the whole text fits (a long file name
    // needs more lines); the smallest one cuts what does not fit.
    TCanvas measure(nullptr);
    for (const int height : kWarningFontHeights) {
        measure.Font = TFont(QStringLiteral("Calibri"), height, kWarningColour, fsBold);
        TRect r{0, 0, width, 0};
        measure.DrawText(Label2->Caption(), r, DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
        if (r.Height() <= kWarningHeight) break;
    }
    Label2->Font() = measure.Font;
}

void TMasterform::WatchCollectionChanges() {
    FTriedVersion = CollectionVersion();
    DataSource1->OnDataChange = [this](TDataSource*, TField*) {
        if (FSaveCheckPending) return;
        FSaveCheckPending = true;
        QTimer::singleShot(0, this, [this] {
            FSaveCheckPending = false;
            SaveIfChangedElsewhere();
        });
    };
}

void TMasterform::SaveIfChangedElsewhere() {
    if (!CollectionTable || CollectionTable->State() != dsBrowse) return;
    if (CollectionVersion() == FTriedVersion) return;
    SaveCollection();
}

} // namespace tallivo
