// The kiosk recipe followed as written, as root, for a fresh user: every
// folder it makes belongs to that user, and the workstation started as the
// user saves the count in its counting folder (a logout ends it).
#include "tests/support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tallivo::test;

namespace {

// The shell commands of the recipe's steps, with the user's name and the
// entry's installed path replaced.
QString RecipeCommands(const QString& user) {
    QFile recipe(QStringLiteral(TALLIVO_SOURCE_DIR "/packaging/kiosk/README.md"));
    if (!recipe.open(QIODevice::ReadOnly)) return {};
    QString commands;
    bool inBlock = false;
    for (const QString& line : QString::fromUtf8(recipe.readAll()).split(u'\n')) {
        const QString text = line.trimmed();
        if (text.startsWith(QLatin1String("```"))) {
            inBlock = text == QLatin1String("```sh");
            continue;
        }
        if (inBlock) commands += text + u'\n';
    }
    commands.replace(QStringLiteral("/usr/share/tallivo/kiosk/"), QStringLiteral(TALLIVO_SOURCE_DIR "/packaging/kiosk/"));
    commands.replace(QRegularExpression(QStringLiteral("\\bcomptage\\b")), user);
    return commands;
}

uid_t OwnerOf(const QString& path) {
    struct stat st {};
    return stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_uid : uid_t(-1);
}

} // namespace

TEST(KioskRecipe, FollowedAsRootEveryFolderBelongsToTheUserWhoseCountIsSaved) {
    if (geteuid() != 0) GTEST_SKIP() << "the recipe is followed as root";
    QTemporaryDir dir;
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const QString user = QStringLiteral("tallivo%1").arg(getpid() % 100000);
    const QString home = dir.filePath("home");
    ASSERT_EQ(RunTool("useradd", {"-m", "-d", home, "-s", "/bin/sh", user}).Code, 0);
    struct TRemoveUser {
        QString Name;
        ~TRemoveUser() { RunTool("userdel", {Name}); }
    } removeUser{user};
    const uid_t uid = OwnerOf(home);

    const QString commands = RecipeCommands(user);
    ASSERT_TRUE(commands.contains("install -d")) << commands.toStdString();
    ASSERT_TRUE(QFile::copy(QStringLiteral(TALLIVO_SOURCE_DIR "/samples/ARTICLE.XML"), dir.filePath("ARTICLE.XML")));
    TToolOptions inDir;
    inDir.WorkingDirectory = dir.path();
    const TToolRun recipe = RunTool("bash", {"-e", "-c", commands}, inDir);
    ASSERT_EQ(recipe.Code, 0) << recipe.Err.toStdString();
    for (const char* made : {".config", ".config/autostart", ".config/autostart/tallivo-kiosk.desktop", "Tallivo",
                             "Tallivo/ARTICLE.XML"})
        EXPECT_EQ(OwnerOf(home + "/" + made), uid) << made;

    // The workstation as the user, as the autostart entry starts it, until a
    // logout (SIGTERM): its last save lands in the counting folder.
    QTemporaryDir runtime;
    ASSERT_EQ(chown(QFile::encodeName(runtime.path()).constData(), uid, uid_t(-1)), 0);
    // It is ended once it catches SIGTERM (bit 15 of SigCgt), that is once
    // its main window is up.
    const QString script =
        QStringLiteral("cd || exit 1; %1 --home --fullscreen & pid=$!; "
                       "for i in $(seq 600); do m=$(awk '/^SigCgt/ {print $2}' /proc/$pid/status 2>/dev/null); "
                       "[ -n \"$m\" ] && [ $(( 0x$m & 0x4000 )) -ne 0 ] && break; sleep 0.1; done; "
                       "kill -TERM $pid; wait $pid")
            .arg(QStringLiteral(TALLIVO_BINARY));
    const TToolRun run =
        RunTool("runuser", {"-u", user, "--", "env", "HOME=" + home, "XDG_RUNTIME_DIR=" + runtime.path(),
                            "QT_QPA_PLATFORM=offscreen", "bash", "-c", script},
                inDir);
    EXPECT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_EQ(OwnerOf(home + "/Tallivo/COLLECTION.XML"), uid) << "the count was not saved: " << run.Err.toStdString();
}
