// The journal tool as IT runs it on a counting folder: the journal agrees
// with COLLECTION.XML, then a line the journal never saw is found.
#include "station/CollectionJournal.h"
#include "tests/support/ToolRun.h"
#include "tests/table/TableTestUtil.h"

#include <QDir>
#include <QTemporaryDir>

using namespace tallivo;
using namespace tallivo::test;

TEST(JournalTool, CheckTellsWhetherTheJournalGivesTheCollection) {
    QTemporaryDir dir;
    const QString collection = QDir(dir.path()).filePath("COLLECTION.XML");
    auto table = MakeCollection();
    TCollectionJournal journal(dir.path());
    journal.Start(*table, false);
    AddLine(*table, "3792008224652", "2", "Compote");
    journal.Record();
    table->SaveToFile(collection, dfXML);
    journal.Confirm();

    TToolRun r = RunTool(TALLIVO_JOURNAL_TOOL, {"check", dir.path()});
    EXPECT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_TRUE(r.Out.startsWith("COLLECTION.XML et JOURNAL.DAT concordent : 1 ligne, le comptage du "))
        << r.Out.constData();
    r = RunTool(TALLIVO_JOURNAL_TOOL, {"dump", QDir(dir.path()).filePath("JOURNAL.DAT")});
    EXPECT_TRUE(r.Out.contains("\tAjout\t3792008224652\t2\t2\t")) << r.Out.constData();

    AddLine(*table, "ABC", "1"); // saved without its journal step
    table->SaveToFile(collection, dfXML);
    r = RunTool(TALLIVO_JOURNAL_TOOL, {"check", dir.path()});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Out.contains("  ABC : 1 dans le fichier, absent du journal\n")) << r.Out.constData();
}
