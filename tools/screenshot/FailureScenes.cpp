// What the operator sees when a count could not be kept as usual: the main
// window after a failed save, the keypad after a refused scan, an export
// refused over a data file.
#include "Scenes.h"
#include "app/Master.h"
#include "dialogs/MetroMessage1.h"
#include "dialogs/Numpad.h"
#include "table/AtomicFile.h"
#include "tiles/AdvMetroTile.h"
#include "toolkit/StdCtrls.h"
#include "tools/catgen/Catalogue.h"

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>

using namespace tallivo;

TALLIVO_SCENE("main-save-failed",
              "the main window after a save failed on a full disk: the header's warning") {
    static QTemporaryDir dir;
    if (!QFile::exists(dir.filePath("ARTICLE.XML"))) {
        TClientDataSet art;
        catgen::FillCatalogue(art, 50);
        art.SaveToFile(dir.filePath("ARTICLE.XML"), dfXML);
    }
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    auto* form = new TMasterform(nullptr);
    QDir::setCurrent(previous);
    form->SetWindowState(wsNormal);
    form->SetClientSize(1208, 746);
    form->OnShow = [form](TObject* sender) {
        form->FormShow(sender);
        TAtomicFile::SetHook(
            [](TAtomicFile::TStep step, uint64_t) { return step == TAtomicFile::stWrite ? ENOSPC : 0; });
        form->SaveCollection();
        TAtomicFile::SetHook(nullptr);
    };
    return form;
}

TALLIVO_SCENE("keypad-scan-refused",
              "the keypad after a barcode was scanned into its field: emptied, with the warning") {
    auto* keypad = new TNumPadBox(nullptr);
    keypad->AdvMetroTile2->SetTag(1);
    keypad->SetCaption(QStringLiteral("Quantité"));
    keypad->Label14->SetCaption(QStringLiteral("Quantité"));
    keypad->ScanWarning->SetVisible(true);
    return keypad;
}

TALLIVO_SCENE("export-refused", "the export named after a data file of the workstation: refused") {
    auto* message = new TMetroMessage(nullptr);
    message->SetMessage(QStringLiteral("« /home/comptage/Tallivo/COLLECTION.XML » est un fichier de données de "
                                       "Tallivo : l'export ne le remplace pas. Choisissez un autre nom."),
                        false, 16777215);
    return message;
}
