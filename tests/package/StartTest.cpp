// The workstation's command line and counting folder: options read before
// Qt starts, --help and --version without a display (even while another
// workstation runs), the folder of the desktop entry, the demo catalogue that
// never replaces a real one.
#include "app/StartOptions.h"
#include "base/Exception.h"
#include "tests/support/ToolRun.h"
#include "toolkit/Platform.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// Runs the workstation with no display at all.
TToolRun RunWithoutDisplay(const QStringList& args, const QString& runtimeDir = QString()) {
    TToolOptions options;
    options.Environment = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    if (!runtimeDir.isEmpty()) options.Environment << "XDG_RUNTIME_DIR=" + runtimeDir;
    options.TimeoutMs = 20000;
    return RunTool(TALLIVO_BINARY, args, options);
}

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Each test starts and ends in its own current folder.
class CountingFolder : public ::testing::Test {
protected:
    void SetUp() override {
        FOld = QDir::currentPath();
        QDir::setCurrent(FDir.path());
        QFile demo(Demo());
        ASSERT_TRUE(demo.open(QIODevice::WriteOnly));
        demo.write("<demo catalogue/>");
    }
    void TearDown() override { QDir::setCurrent(FOld); }
    QString Demo() const { return FDir.filePath("share/ARTICLE.XML"); }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QTemporaryDir FDir;
    bool FShare = QDir(FDir.path()).mkpath("share");
    QString FOld;
};

} // namespace

TEST(StartOptions, WhatTheCommandLineChooses) {
    TStartOptions o = ParseStartOptions({}, "/home/anne");
    EXPECT_TRUE(o.Error.isEmpty());
    EXPECT_TRUE(o.DataDir.isEmpty()); // the current folder
    EXPECT_FALSE(o.Demo || o.FullScreen || o.Help || o.Version);

    o = ParseStartOptions({"--home", "--demo", "--fullscreen"}, "/home/anne");
    EXPECT_EQ(o.DataDir, "/home/anne/Tallivo");
    EXPECT_TRUE(o.Demo && o.FullScreen);
    EXPECT_TRUE(o.Error.isEmpty());

    o = ParseStartOptions({"--home", "-d", "/srv/count"}, "/home/anne");
    EXPECT_EQ(o.DataDir, "/srv/count"); // the last one given
    EXPECT_EQ(ParseStartOptions({"--data-dir=/srv/b"}, "").DataDir, "/srv/b");

    // Qt's own options pass through, in order.
    o = ParseStartOptions({"-platform", "offscreen", "--demo", "-style", "fusion"}, "");
    EXPECT_EQ(o.QtArguments, (std::vector<int>{0, 1, 3, 4}));

    // Mistakes that would count in an unexpected folder stop the start.
    EXPECT_EQ(ParseStartOptions({"--hmoe"}, "").Error, "unknown option --hmoe");
    EXPECT_EQ(ParseStartOptions({"--data-dir"}, "").Error, "--data-dir needs a folder");
    EXPECT_EQ(ParseStartOptions({"-d", ""}, "").Error, "-d needs a folder");
    EXPECT_EQ(ParseStartOptions({"--data-dir="}, "").Error, "--data-dir needs a folder");
}

TEST_F(CountingFolder, TheFolderIsMadeAndTheDemoNeverReplacesACatalogue) {
    TStartOptions o;
    o.DataDir = Path("home/Tallivo");
    PrepareCountingFolder(o, Demo());
    EXPECT_EQ(QDir::currentPath(), QDir(Path("home/Tallivo")).canonicalPath());
    EXPECT_FALSE(QFile::exists("ARTICLE.XML")); // no demo unless asked

    o.Demo = true;
    PrepareCountingFolder(o, Demo());
    EXPECT_EQ(ReadBytes(Path("home/Tallivo/ARTICLE.XML")), "<demo catalogue/>");
    EXPECT_TRUE(QFile::permissions(Path("home/Tallivo/ARTICLE.XML")) & QFile::WriteOwner);

    // The shop's own catalogue stays, whatever the demo holds.
    QFile own(Path("home/Tallivo/ARTICLE.XML"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly | QIODevice::Truncate));
    own.write("<the shop's catalogue/>");
    own.close();
    PrepareCountingFolder(o, Demo());
    EXPECT_EQ(ReadBytes(Path("home/Tallivo/ARTICLE.XML")), "<the shop's catalogue/>");

    // Without a folder option the current folder is the counting folder.
    QDir::setCurrent(FDir.path());
    TStartOptions here;
    here.Demo = true;
    PrepareCountingFolder(here, Demo());
    EXPECT_EQ(QDir::currentPath(), QDir(FDir.path()).canonicalPath());
    EXPECT_EQ(ReadBytes(Path("ARTICLE.XML")), "<demo catalogue/>");
}

TEST_F(CountingFolder, FailuresSayWhatCouldNotBeDone) {
    TStartOptions o;
    o.DataDir = Path("share/ARTICLE.XML/sub"); // under a file
    try {
        PrepareCountingFolder(o, Demo());
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QString("Impossible de créer le dossier de comptage \"%1\"").arg(o.DataDir));
    }
    o.DataDir = Path("empty");
    o.Demo = true;
    try {
        PrepareCountingFolder(o, Path("nowhere/ARTICLE.XML"));
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  QString("Catalogue de démonstration introuvable : %1").arg(Path("nowhere/ARTICLE.XML")));
    }
    EXPECT_FALSE(QFile::exists(Path("empty/ARTICLE.XML")));
}

TEST(WorkstationProgram, AnswersHelpAndVersionWithoutADisplay) {
    // Even while another workstation of this user holds the single instance
    // (the children share this process's runtime folder).
    ASSERT_TRUE(AcquireSingleInstance("Tallivo-6"));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    TToolOptions offscreen;
    offscreen.Environment = {"QT_QPA_PLATFORM=offscreen"};
    offscreen.TimeoutMs = 20000;
    const TToolRun refused = RunTool(TALLIVO_BINARY, {}, offscreen);
    ASSERT_EQ(refused.Code, 0); // refused at once, silently
    ASSERT_TRUE(refused.Out.isEmpty());

    TToolRun r = RunWithoutDisplay({"--version"}, runtime);
    EXPECT_EQ(r.Code, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out, QByteArray("tallivo " TALLIVO_VERSION "\n"));
    r = RunWithoutDisplay({"--help"}, runtime);
    EXPECT_EQ(r.Code, 0);
    for (const char* option :
         {"--data-dir", "--home", "--demo", "--fullscreen", "--version", "COLLECTION.XML"})
        EXPECT_TRUE(r.Out.contains(option)) << option;
    // Every change is saved, not only a new article: the help says so.
    EXPECT_TRUE(r.Out.contains("COLLECTION.XML  the count (written after every change"));
    // A wrong option is refused before anything else, with a pointer to --help.
    r = RunWithoutDisplay({"--hmoe"});
    EXPECT_EQ(r.Code, 2);
    EXPECT_EQ(r.Err, "tallivo: unknown option --hmoe (tallivo --help lists the options)\n");
    // Without those, no display is an error that says what to do.
    r = RunWithoutDisplay({});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.contains("xvfb-run")) << r.Err.toStdString();
}
