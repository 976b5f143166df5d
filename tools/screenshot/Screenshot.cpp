// tallivo-screenshot: writes a PNG of each window of the workstation,
// built with demo data, so that what the operator sees can be looked at.
//
//   tallivo-screenshot --list
//   tallivo-screenshot OUTDIR [SCENE...]     (all scenes when none is named)
//   tallivo-screenshot --docs OUTDIR         the pictures of the operator's guide
//   tallivo-screenshot --docs --list         their names
//
// The guide's pictures are written in 256 colours, to keep the repository
// small; scripts/docs-screenshots.sh writes them into docs/images/.

#include "Palette.h"
#include "Scenes.h"
#include "base/FormatSettings.h"
#include "toolkit/Forms.h"
#include "toolkit/Platform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImageWriter>
#include <cstdio>

namespace tallivo::shots {

std::vector<Scene>& Scenes() {
    static std::vector<Scene> scenes;
    return scenes;
}

bool SaveWindowPng(QWidget* w, const QString& path, bool palette) {
    w->show();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 150) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const QImage image = w->grab().toImage();
    if (!palette) return image.save(path, "PNG");
    QImageWriter writer(path, "png");
    writer.setQuality(0); // the strongest compression
    return writer.write(ToPalette(image));
}

} // namespace tallivo::shots

int main(int argc, char** argv) {
    using namespace tallivo;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    TApplication app;
    app.SetTitle(QStringLiteral("Tallivo-6"));
    FormatSettings().DecimalSeparator = u',';
    InstallFrenchQtTexts(); // Qt's own texts (the file dialog) in French, as in the program
    QStringList args = qtApp.arguments().mid(1);
    const bool guide = !args.isEmpty() && args[0] == QLatin1String("--docs");
    if (guide) args.removeFirst();
    auto& scenes = shots::Scenes();
    if (args.isEmpty() || args[0] == QLatin1String("--list")) {
        for (const auto& s : scenes) {
            if (guide && s.Guide)
                std::printf("%s\n", qPrintable(s.Name));
            else if (!guide)
                std::printf("%-24s %s\n", qPrintable(s.Name), qPrintable(s.Description));
        }
        if (args.isEmpty())
            std::fprintf(stderr, "usage: tallivo-screenshot [--docs] OUTDIR [SCENE...] | [--docs] --list\n");
        return args.isEmpty() ? 2 : 0;
    }
    const QDir out(args[0]);
    if (!out.exists() && !QDir().mkpath(args[0])) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(args[0]));
        return 1;
    }
    const QStringList wanted = args.mid(1);
    int failures = 0, written = 0;
    for (const auto& s : scenes) {
        if (guide && !s.Guide) continue;
        if (!wanted.isEmpty() && !wanted.contains(s.Name)) continue;
        QWidget* w = s.Build();
        const QString path = out.filePath(s.Name + QStringLiteral(".png"));
        if (w && shots::SaveWindowPng(w, path, guide)) {
            std::printf("%s\n", qPrintable(path));
            ++written;
        } else {
            std::fprintf(stderr, "scene %s failed\n", qPrintable(s.Name));
            ++failures;
        }
        delete w;
    }
    if (written == 0 && failures == 0) std::fprintf(stderr, "no scene matched\n");
    return failures == 0 && written > 0 ? 0 : 1;
}
