// The export's save dialog with its touch keyboard, over a main window the
// size of a kiosk screen (1024 x 768, and 1366 x 768 at scale 1.5).
#include "Scenes.h"
#include "app/Master.h"

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>

using namespace tallivo;

namespace {

QWidget* SaveDialogOver(QSize screen) {
    // The dialog as the workstation's export prepares it.
    static QTemporaryDir folder;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    TMasterform form(nullptr);
    QDir::setCurrent(previous);
    form.SaveDialog1->InitialDir = folder.path();
    auto* over = new QWidget;
    over->resize(screen);
    auto* dialog = new QFileDialog(over);
    form.SaveDialog1->Prepare(*dialog);
    QObject::connect(dialog, &QObject::destroyed, over, &QObject::deleteLater);
    return dialog;
}

} // namespace

TALLIVO_SCENE("save-dialog-1024x768", "the export's save dialog and its keyboard on a 1024 x 768 screen") {
    return SaveDialogOver({1024, 768});
}

TALLIVO_SCENE("save-dialog-910x512", "the export's save dialog on 1366 x 768 at scale 1.5 (910 x 512)") {
    return SaveDialogOver({910, 512});
}
