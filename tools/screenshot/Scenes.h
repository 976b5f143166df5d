#pragma once
// Scenes of the screenshot tool: each one builds a window (with demo data)
// to be written as a PNG. Scene files register themselves with
// TALLIVO_SCENE(name, description) { ... return widget; }.

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
};

std::vector<Scene>& Scenes();

struct SceneRegistration {
    SceneRegistration(const char* name, const char* description, std::function<QWidget*()> build) {
        Scenes().push_back({QString::fromUtf8(name), QString::fromUtf8(description), std::move(build)});
    }
};

// Shows w offscreen, lets it paint and writes it to path. True on success.
bool SaveWindowPng(QWidget* w, const QString& path);

} // namespace tallivo::shots

#define TALLIVO_SCENE_CAT2(a, b) a##b
#define TALLIVO_SCENE_CAT(a, b) TALLIVO_SCENE_CAT2(a, b)
#define TALLIVO_SCENE(name, description)                                                                      \
    static QWidget* TALLIVO_SCENE_CAT(BuildScene_, __LINE__)();                                               \
    static ::tallivo::shots::SceneRegistration TALLIVO_SCENE_CAT(sceneRegistration_, __LINE__)(               \
        name, description, &TALLIVO_SCENE_CAT(BuildScene_, __LINE__));                                        \
    static QWidget* TALLIVO_SCENE_CAT(BuildScene_, __LINE__)()
