#pragma once
// Scenes of the screenshot tool: each one builds a window (with demo data)
// to be written as a PNG. Scene files register themselves with
// TALLIVO_SCENE(name, description) { ... return widget; }; the pictures of
// the operator's guide (docs/images/NAME.png) with TALLIVO_GUIDE_SCENE.

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace tallivo::shots {

struct Scene {
    QString Name;
    QString Description;
    // Builds the window; the tool shows it, lets it paint, grabs it, then
    // deletes it.
    std::function<QWidget*()> Build;
    // A picture of the operator's guide.
    bool Guide = false;
};

std::vector<Scene>& Scenes();

struct SceneRegistration {
    SceneRegistration(const char* name, const char* description, std::function<QWidget*()> build,
                      bool guide = false) {
        Scenes().push_back(
            {QString::fromUtf8(name), QString::fromUtf8(description), std::move(build), guide});
    }
};

// Shows w offscreen, lets it paint and writes it to path (with palette: in
// 256 colours, as the documentation keeps it). True on success.
bool SaveWindowPng(QWidget* w, const QString& path, bool palette = false);

} // namespace tallivo::shots

#define TALLIVO_SCENE_CAT2(a, b) a##b
#define TALLIVO_SCENE_CAT(a, b) TALLIVO_SCENE_CAT2(a, b)
#define TALLIVO_SCENE_OF(name, description, guide)                                                           \
    static QWidget* TALLIVO_SCENE_CAT(BuildScene_, __LINE__)();                                              \
    static ::tallivo::shots::SceneRegistration TALLIVO_SCENE_CAT(sceneRegistration_, __LINE__)(              \
        name, description, &TALLIVO_SCENE_CAT(BuildScene_, __LINE__), guide);                                \
    static QWidget* TALLIVO_SCENE_CAT(BuildScene_, __LINE__)()
#define TALLIVO_SCENE(name, description) TALLIVO_SCENE_OF(name, description, false)
#define TALLIVO_GUIDE_SCENE(name, description) TALLIVO_SCENE_OF(name, description, true)
