// The folder the export dialog starts in.
#include "Workstation.h"

using namespace tallivo;
using namespace tallivo::test;

namespace {

class ExportFolder : public WorkstationTest {
protected:
    void SetUp() override {
        WorkstationTest::SetUp();
        WriteDefaultCatalogue();
        Start();
        TSaveDialog::ExecuteHook = [this](TSaveDialog& d) {
            FStartedIn.push_back(d.InitialDir);
            if (FChosen.isEmpty()) return false;
            d.FileName = FChosen;
            return true;
        };
    }
    void TearDown() override {
        TSaveDialog::ExecuteHook = nullptr;
        WorkstationTest::TearDown();
    }
    void RunExport(bool done = true) {
        if (done) ExpectMessage("Opération terminée");
        Click(Form().Button2);
        Settle();
    }
    std::vector<QString> FStartedIn;
    QString FChosen;
};

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
    ASSERT_EQ(FStartedIn.size(), 3u);
    EXPECT_EQ(FStartedIn[0], DataDir);
    EXPECT_EQ(QDir(FStartedIn[0]), QDir(FDir.path()));
    EXPECT_EQ(FStartedIn[1], DataDir) << "a cancelled dialog chose no folder";
    EXPECT_EQ(QDir(FStartedIn[2]), QDir(Path("out")));
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
    ASSERT_EQ(FStartedIn.size(), 2u);
    EXPECT_EQ(QDir(FStartedIn[1]), QDir(FDir.path()));
}
