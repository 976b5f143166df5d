// The export's file name typed on the touch keyboard: a keyboard panel under
// the controls of the save dialog, serving its file-name field.
#include "dialogs/TouchKeyboard.h"

#include "toolkit/Dialogs.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <algorithm>

namespace tallivo {

namespace {

// What the dialog's own controls need besides the keyboard (folder, a few
// lines of the file list, name and type), and the room a title bar takes.
constexpr int kDialogControls = 320;
constexpr int kTitleBarRoom = 40;
constexpr int kWidth = TTouchKeyboard::kFullWidth + 30;
constexpr int kHeight = 440 + TTouchKeyboard::kFullHeight;

} // namespace

void AttachTouchKeyboard(TSaveDialog& dialog) {
    dialog.OnCreatePanel = [](QFileDialog& fileDialog, QLineEdit* nameField) -> QWidget* {
        // Within the window it opens over (the main window), else the screen.
        QRect room;
        if (const QWidget* over = fileDialog.parentWidget())
            room = over->frameGeometry();
        else if (const QScreen* screen = QGuiApplication::primaryScreen())
            room = screen->availableGeometry();
        const int width = room.isEmpty() ? kWidth : std::min(kWidth, room.width() - 5);
        const int height = room.isEmpty() ? kHeight : std::min(kHeight, room.height() - kTitleBarRoom);

        auto* keyboard = new TTouchKeyboard(nullptr);
        keyboard->setParent(&fileDialog);
        keyboard->SetTarget(nameField);
        keyboard->setFixedHeight(TTouchKeyboard::HeightFor(height - kDialogControls));
        // Names already in the folder would pop up over the keyboard while
        // the name is typed, and a tap beside that list only closes it.
        if (nameField) nameField->setCompleter(nullptr);
        // Fields, buttons and the file list large enough for a finger; the
        // list shows names only, which its narrow columns would cut.
        fileDialog.setViewMode(QFileDialog::List);
        fileDialog.setStyleSheet(
            QStringLiteral("QLineEdit, QComboBox, QPushButton { min-height: 40px; font-size: 18px; }"
                           "QAbstractItemView { font-size: 18px; }"));
        fileDialog.resize(width, height);
        return keyboard;
    };
}

} // namespace tallivo
