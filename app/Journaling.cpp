// The journal of confirmed changes, reached from the save step: started once
// the collection is loaded, given every change before COLLECTION.XML is
// written, told once it is written. A journal that cannot be written shows
// in the header as a failed save does, and the counting goes on.
#include "app/Master.h"

#include "dialogs/MetroMessage1.h"
#include "station/CollectionJournal.h"

namespace tallivo {

namespace {
bool JournalingOn = true;
} // namespace

void TMasterform::SetJournaling(bool on) {
    JournalingOn = on;
}

void TMasterform::StartJournal(bool collectionFileExisted) {
    FJournal.reset();
    if (!JournalingOn || !CollectionTable) return;
    FJournal = std::make_unique<TCollectionJournal>(DataDir);
    const TCollectionJournal::TStart start = FJournal->Start(*CollectionTable, collectionFileExisted);
    if (start.TakenOver)
        ShowMetroMessage(QStringLiteral("Ce comptage vient d'un autre poste : il continue ici comme un "
                                        "comptage de ce poste."),
                         false, clWhite);
    if (start.SaveNow) SaveCollection();
}

QString TMasterform::JournalChanges() {
    return FJournal && CollectionTable ? FJournal->Record() : QString();
}

void TMasterform::ConfirmJournal() {
    if (FJournal) FJournal->Confirm();
}

} // namespace tallivo
