#include "toolkit/Platform.h"

#include "toolkit/Controls.h"
#include "toolkit/VirtualKeys.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace tallivo {

void Sleep(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void MessageBeep(unsigned) { QApplication::beep(); }

unsigned MapVirtualKey(unsigned code, unsigned mapType) {
    if (mapType != MAPVK_VK_TO_VSC) return 0;
    // Scan codes of the numeric block and the few other keys the system types.
    switch (code) {
    case VK_NUMPAD0: return 0x52;
    case VK_NUMPAD0 + 1: return 0x4F;
    case VK_NUMPAD0 + 2: return 0x50;
    case VK_NUMPAD0 + 3: return 0x51;
    case VK_NUMPAD0 + 4: return 0x4B;
    case VK_NUMPAD0 + 5: return 0x4C;
    case VK_NUMPAD0 + 6: return 0x4D;
    case VK_NUMPAD0 + 7: return 0x47;
    case VK_NUMPAD0 + 8: return 0x48;
    case VK_NUMPAD0 + 9: return 0x49;
    case VK_DECIMAL: return 0x53;
    case VK_SUBTRACT: return 0x4A;
    case VK_ADD: return 0x4E;
    case VK_BACK: return 0x0E;
    case VK_RETURN: return 0x1C;
    case VK_ESCAPE: return 0x01;
    case VK_RIGHT: return 0x4D;
    case VK_LEFT: return 0x4B;
    case VK_UP: return 0x48;
    case VK_DOWN: return 0x50;
    default: return 0;
    }
}

namespace {

// Queued like a keystroke in the input stream: the control that has the focus
// when it is delivered receives it (a window activated meanwhile may only
// then have given the focus to its control).
void PostKeyEvent(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, quint32 scan, quint32 vk,
                  const QString& text) {
    if (!qApp) return;
    QMetaObject::invokeMethod(
        qApp,
        [=] {
            QWidget* target = QApplication::focusWidget();
            if (!target) target = QApplication::activeWindow();
            if (!target) return;
            QKeyEvent event(type, key, modifiers, scan, vk, 0, text);
            QApplication::sendEvent(target, &event);
        },
        Qt::QueuedConnection);
}

} // namespace

void keybd_event(std::uint8_t vk, std::uint8_t scan, unsigned flags, std::uintptr_t) {
    const TQtKeyStroke stroke = QtKeyStrokeOf(vk);
    const QEvent::Type type = flags & KEYEVENTF_KEYUP ? QEvent::KeyRelease : QEvent::KeyPress;
    PostKeyEvent(type, stroke.Key, stroke.Modifiers, scan, vk, stroke.Text);
}

void SendCharacter(QChar c) {
    // Qt names the keys of Latin-1 characters by their capital's code (Key_A,
    // Key_Eacute); other characters come as text alone.
    const QChar capital = c.toUpper();
    const bool latin1 = capital.unicode() >= 0x20 && capital.unicode() <= 0xFF;
    const int key = latin1 ? int(capital.unicode()) : int(Qt::Key_unknown);
    const auto modifiers = c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier;
    PostKeyEvent(QEvent::KeyPress, key, modifiers, 0, 0, QString(c));
    PostKeyEvent(QEvent::KeyRelease, key, modifiers, 0, 0, QString(c));
}

TPoint GetCursorPos() {
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

TControl* FindControlAtPos(TPoint screenPos) {
    for (QWidget* w = QApplication::widgetAt(QPoint(screenPos.X, screenPos.Y)); w; w = w->parentWidget())
        if (auto* c = dynamic_cast<TControl*>(w)) return c;
    return nullptr;
}

QString SingleInstanceLockPath(const QString& title) {
    QString dir = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::tempPath();
    QString safe = title;
    for (QChar& c : safe)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_') c = u'_';
    return dir + QStringLiteral("/") + safe + QStringLiteral("-") + QString::number(getuid()) +
           QStringLiteral(".lock");
}

bool InstallFrenchQtTexts() {
    auto* texts = new QTranslator(qApp);
    if (!texts->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete texts;
        return false;
    }
    QCoreApplication::installTranslator(texts);
    return true;
}

bool AcquireSingleInstance(const QString& title) {
    static int heldFd = -1;
    if (heldFd >= 0) return true;
    const QByteArray path = QFile::encodeName(SingleInstanceLockPath(title));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true; // no lock possible: never refuse to start
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    heldFd = fd; // held for the life of the process
    return true;
}

} // namespace tallivo
