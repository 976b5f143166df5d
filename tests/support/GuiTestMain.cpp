// Main of the GUI tests: the offscreen platform (unless a display is chosen
// explicitly), the application object titled like the workstation.
#include "TestDirs.h"
#include "toolkit/Forms.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    tallivo::test::PrepareTestProcess();
    QApplication app(argc, argv);
    tallivo::TApplication application;
    application.SetTitle(QStringLiteral("Tallivo-6"));
    return RUN_ALL_TESTS();
}
