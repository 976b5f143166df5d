// The workstation's entry point.
#include "app/Master.h"
#include "app/ShutdownSignals.h"
#include "app/StartOptions.h"
#include "base/Exception.h"
#include "base/FormatSettings.h"
#include "table/FolderLock.h"
#include "toolkit/Platform.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    using namespace tallivo;
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const TStartOptions options = ParseStartOptions(args, QDir::homePath());
    if (!options.Error.isEmpty()) {
        std::fprintf(stderr, "tallivo: %s (tallivo --help lists the options)\n", qPrintable(options.Error));
        return 2;
    }
    if (options.Help) {
        std::fputs(StartHelp().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.Version) {
        std::puts("tallivo " TALLIVO_VERSION);
        return 0;
    }
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr) {
        std::fprintf(stderr,
                     "Tallivo needs a display: none found (run it under a desktop session, "
                     "or as: xvfb-run -a %s).\n",
                     argv[0]);
        return 1;
    }
    // Qt sees only the arguments that are not the workstation's.
    std::vector<char*> qtArgv{argv[0]};
    for (const int i : options.QtArguments) qtArgv.push_back(argv[i + 1]);
    int qtArgc = int(qtArgv.size());
    qtArgv.push_back(nullptr);
    QApplication qtApp(qtArgc, qtArgv.data());
    QGuiApplication::setDesktopFileName(QStringLiteral("tallivo"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tallivo")));
    InstallFrenchQtTexts();
    TApplication app;
    app.Initialize();
    // A second start while the workstation runs ends at once, silently.
    if (!AcquireSingleInstance(QStringLiteral("Tallivo-6"))) return 0;
    LoadFormatSettingsFromSystem();
    app.SetMainFormOnTaskBar(true);
    app.SetTitle(QStringLiteral("Tallivo-6"));
    try {
        // The demo catalogue is installed beside the program's folder.
        PrepareCountingFolder(options, QCoreApplication::applicationDirPath() +
                                           QStringLiteral("/" TALLIVO_SHARE_FROM_BIN "/ARTICLE.XML"));
    } catch (const Exception& e) {
        std::fprintf(stderr, "tallivo: %s\n", qPrintable(e.Message()));
        app.ShowException(e.Message());
        return 1;
    }
    // One workstation per counting folder, whoever runs it: a second one
    // would overwrite the first one's counts at every save.
    const TFolderLock folderLock(QDir::currentPath());
    if (folderLock.State() == TFolderLock::stBusy) {
        const QString message = FolderBusyMessage(QDir::currentPath());
        std::fprintf(stderr, "tallivo: %s\n", qPrintable(message));
        app.ShowException(message);
        return 1;
    }
    if (folderLock.State() == TFolderLock::stUnlocked)
        std::fprintf(stderr, "tallivo: the counting folder %s cannot be locked (%s): "
                             "make sure no other workstation counts in it\n",
                     qPrintable(QDir::currentPath()), std::strerror(folderLock.Error()));
    Masterform = app.CreateForm<TMasterform>();
    if (options.FullScreen) {
        // Set before the window is mapped, with the screen's geometry, so
        // that it holds even without a window manager (a bare kiosk
        // session); shown as a normal window, the state is kept.
        Masterform->SetWindowState(wsNormal);
        if (QScreen* screen = QGuiApplication::primaryScreen()) Masterform->setGeometry(screen->geometry());
        Masterform->setWindowState(Qt::WindowFullScreen);
    }
    InstallShutdownSignals();
    const int code = app.Run();
    if (ShutdownRequested()) {
        // Ended by SIGTERM or SIGHUP: one last save of the count.
        const QString failure = Masterform->SaveAtShutdown();
        if (!failure.isEmpty()) {
            std::fprintf(stderr, "tallivo: %s\n", qPrintable(failure));
            return 1;
        }
        return 0;
    }
    return code;
}
