// The workstation's entry point.
#include "app/Master.h"
#include "base/FormatSettings.h"
#include "toolkit/Platform.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    using namespace tallivo;
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr) {
        std::fprintf(stderr, "Tallivo needs a display: none found (run it under a desktop session, "
                             "or as: xvfb-run -a %s).\n",
                     argv[0]);
        return 1;
    }
    QApplication qtApp(argc, argv);
    TApplication app;
    app.Initialize();
    // A second start while the workstation runs ends at once, silently.
    if (!AcquireSingleInstance(QStringLiteral("Tallivo-6"))) return 0;
    LoadFormatSettingsFromSystem();
    app.SetMainFormOnTaskBar(true);
    app.SetTitle(QStringLiteral("Tallivo-6"));
    Masterform = app.CreateForm<TMasterform>();
    return app.Run();
}
