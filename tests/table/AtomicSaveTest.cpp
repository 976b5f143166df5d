// Saving never loses the previous file: failures while creating, writing,
// flushing or renaming leave it as it was, remove the temporary file and
// raise the file error; a closed table saves nothing.
#include "PacketTestUtil.h"

#include "table/AtomicFile.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// A collection large enough to be written in several pieces.
std::unique_ptr<TClientDataSet> BigCollection() {
    auto t = MakeCollection();
    for (int i = 0; i < 8000; ++i)
        AddLine(*t, QStringLiteral("CODE%1").arg(i), "1", QString::fromUtf8("Crème n°%1").arg(i));
    return t;
}

QStringList FilesIn(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Removes the hook whatever the test's outcome.
struct THookGuard {
    explicit THookGuard(TAtomicFile::THook hook) { TAtomicFile::SetHook(std::move(hook)); }
    ~THookGuard() { TAtomicFile::SetHook(nullptr); }
};

} // namespace

TEST(AtomicSave, ReplacesTheFileAndKeepsItsPermissions) {
    QTemporaryDir dir;
    const QString path = dir.filePath("COLLECTION.XML");
    WriteFileBytes(path, "old");
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0640), 0);
    auto t = MakeCollection();
    AddLine(*t, "A1", "2");
    t->SaveToFile(path, dfXML);
    EXPECT_EQ(ReadFileBytes(path), WritePacket(*t->Store(), dfXML));
    EXPECT_EQ(FilesIn(dir), QStringList{"COLLECTION.XML"});
    struct stat st;
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(AtomicSave, SavingThroughALinkReplacesTheFileItPointsTo) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("data"));
    const QString real = dir.filePath("data/COLLECTION.XML");
    const QString link = dir.filePath("COLLECTION.XML");
    WriteFileBytes(real, "old");
    ASSERT_TRUE(QFile::link(real, link));
    auto t = MakeCollection();
    AddLine(*t, "A1", "2");
    t->SaveToFile(link, dfXML);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadFileBytes(real), WritePacket(*t->Store(), dfXML));
}

TEST(AtomicSave, AFailedWriteHalfWayLeavesTheOldFile) {
    struct TCase {
        TAtomicFile::TStep Step;
        int Error;
        const char* Message;
    };
    const TCase cases[] = {
        {TAtomicFile::stWrite, ENOSPC, "Erreur E/S 28"},
        {TAtomicFile::stWrite, EACCES, "Accès au fichier refusé"},
        {TAtomicFile::stWrite, EIO, "Erreur E/S 5"},
        {TAtomicFile::stSync, EIO, "Erreur E/S 5"},
        {TAtomicFile::stSync, ENOSPC, "Erreur E/S 28"},
        {TAtomicFile::stRename, EPERM, "Accès au fichier refusé"},
        {TAtomicFile::stRename, EBUSY, "Erreur E/S 16"},
    };
    auto t = BigCollection();
    const QByteArray packet = WritePacket(*t->Store(), dfXML);
    ASSERT_GT(packet.size(), 600000);
    for (const TCase& c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath("COLLECTION.XML");
        WriteFileBytes(path, "the collection of yesterday");
        uint64_t failedAt = 0;
        THookGuard guard([&](TAtomicFile::TStep step, uint64_t written) {
            // A write fails once half of the packet is on disk.
            if (step != c.Step || (step == TAtomicFile::stWrite && written < uint64_t(packet.size()) / 2))
                return 0;
            failedAt = written;
            return c.Error;
        });
        const QString message = ErrorOf([&] { t->SaveToFile(path, dfXML); });
        EXPECT_EQ(message, QString::fromUtf8(c.Message)) << c.Message;
        EXPECT_GE(failedAt, uint64_t(packet.size()) / 2);
        EXPECT_EQ(ReadFileBytes(path), "the collection of yesterday") << c.Message;
        EXPECT_EQ(FilesIn(dir), QStringList{"COLLECTION.XML"}) << c.Message;
        EXPECT_TRUE(t->Active());
        EXPECT_EQ(t->RecordCount(), 8000);
    }
    // The exception carries the error number.
    QTemporaryDir dir;
    THookGuard guard(
        [](TAtomicFile::TStep step, uint64_t) { return step == TAtomicFile::stWrite ? ENOSPC : 0; });
    try {
        t->SaveToFile(dir.filePath("X.XML"), dfXML);
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), ENOSPC);
    }
    EXPECT_TRUE(FilesIn(dir).isEmpty());
}

TEST(AtomicSave, AFileThatCannotBeCreated) {
    QTemporaryDir dir;
    auto t = MakeCollection();
    AddLine(*t, "A", "1");
    const QString missing = dir.filePath("no/such/folder/COLLECTION.XML");
    EXPECT_EQ(ErrorOf([&] { t->SaveToFile(missing, dfXML); }),
              QString("Impossible de créer le fichier \"%1\". %2").arg(missing, SysErrorMessage(ENOENT)));
    // An injected refusal at creation time.
    const QString path = dir.filePath("COLLECTION.XML");
    WriteFileBytes(path, "old");
    THookGuard guard(
        [](TAtomicFile::TStep step, uint64_t) { return step == TAtomicFile::stCreate ? EACCES : 0; });
    EXPECT_EQ(ErrorOf([&] { t->SaveToFile(path, dfXML); }),
              QString("Impossible de créer le fichier \"%1\". %2").arg(path, SysErrorMessage(EACCES)));
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(FilesIn(dir), QStringList{"COLLECTION.XML"});
}

TEST(AtomicSave, ReadOnlyFolder) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop the superuser";
    QTemporaryDir dir;
    const QString path = dir.filePath("COLLECTION.XML");
    WriteFileBytes(path, "old");
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    auto t = MakeCollection();
    AddLine(*t, "A", "1");
    const QString message = ErrorOf([&] { t->SaveToFile(path, dfXML); });
    chmod(QFile::encodeName(dir.path()).constData(), 0755);
    EXPECT_EQ(message,
              QString("Impossible de créer le fichier \"%1\". %2").arg(path, SysErrorMessage(EACCES)));
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(FilesIn(dir), QStringList{"COLLECTION.XML"});
}

// A real write that fails half-way: the file size limit of the process
// stops the temporary file (in a child process).
TEST(AtomicSaveDeathTest, FileSizeLimitStopsTheWriteHalfWay) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QTemporaryDir dir;
    const QString path = dir.filePath("COLLECTION.XML");
    auto t = BigCollection();
    auto child = [&] {
        WriteFileBytes(path, "old");
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{300000, 300000};
        setrlimit(RLIMIT_FSIZE, &limit);
        const QString message = ErrorOf([&] { t->SaveToFile(path, dfXML); });
        const bool ok = message == "Erreur E/S 27" && ReadFileBytes(path) == "old" &&
                        FilesIn(dir) == QStringList{"COLLECTION.XML"} && t->RecordCount() == 8000;
        dir.remove();
        _exit(ok ? 0 : 1);
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(0), "");
}

TEST(AtomicSave, AClosedTableSavesNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath("COLLECTION.XML");
    WriteFileBytes(path, "old");
    TClientDataSet never;
    never.SaveToFile(path, dfXML);
    never.SaveToFile(dir.filePath("NEW.XML"), dfXML);
    auto t = MakeCollection();
    AddLine(*t, "A", "1");
    t->Close();
    t->SaveToFile(path, dfXML);
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(FilesIn(dir), QStringList{"COLLECTION.XML"});
    // Reopened from its snapshot, it saves again.
    t->Open();
    t->SaveToFile(path, dfXML);
    EXPECT_EQ(ReadFileBytes(path), WritePacket(*t->Store(), dfXML));
}

TEST(AtomicSave, PendingEditIsPostedBeforeSaving) {
    QTemporaryDir dir;
    auto t = MakeCollection();
    t->Append();
    t->FieldByName("CODE_ART").SetAsString("NEW");
    t->SaveToFile(dir.filePath("C.XML"), dfXML);
    EXPECT_EQ(t->State(), dsBrowse);
    EXPECT_TRUE(ReadFileBytes(dir.filePath("C.XML")).contains("<ROW RowState=\"4\" CODE_ART=\"NEW\"/>"));
}
