// The folder the export dialog starts in.
#include "ExportFixture.h"

using namespace tallivo;
using namespace tallivo::test;

namespace {

class ExportFolder : public ExportFixture {};

} // namespace

// The counting folder until the operator chooses another one; a cancelled
// dialog chooses nothing; the working folder changing meanwhile changes
// nothing.
TEST_F(ExportFolder, StartsInTheCountingFolderUntilAnotherIsChosen) {
    ASSERT_TRUE(QDir(FDir.path()).mkdir("out"));
    QDir::setCurrent(QDir::tempPath());
    RunExport(false); // cancelled
    FChosen = Path("out/export.csv");
    RunExport();
    RunExport();
    ASSERT_EQ(FDialogs.size(), 3u);
    EXPECT_EQ(FDialogs[0].InitialDir, DataDir);
    EXPECT_EQ(QDir(FDialogs[0].InitialDir), QDir(FDir.path()));
    EXPECT_EQ(FDialogs[1].InitialDir, DataDir) << "a cancelled dialog chose no folder";
    EXPECT_EQ(QDir(FDialogs[2].InitialDir), QDir(Path("out")));
    EXPECT_TRUE(QFile::exists(Path("out/export.csv")));
}

// A chosen folder that has gone since: back to the counting folder.
TEST_F(ExportFolder, AFolderGoneMeanwhileGivesTheCountingFolder) {
    ASSERT_TRUE(QDir(FDir.path()).mkdir("gone"));
    FChosen = Path("gone/export.csv");
    RunExport();
    ASSERT_TRUE(QDir(Path("gone")).removeRecursively());
    FChosen.clear();
    RunExport(false);
    ASSERT_EQ(FDialogs.size(), 2u);
    EXPECT_EQ(QDir(FDialogs[1].InitialDir), QDir(FDir.path()));
}
