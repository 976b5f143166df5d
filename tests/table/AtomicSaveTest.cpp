// Saving never loses the previous file: failures while creating, writing,
// flushing or renaming leave it as it was, remove the temporary file and
// raise the file error; a closed table saves nothing.
#include "PacketTestUtil.h"

#include "table/AtomicFile.h"

#include <csignal>
#include <functional>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

QByteArray Local(const QString& path) {
    return QFile::encodeName(path);
}

ino_t InodeOf(const QString& path) {
    struct stat st;
    return stat(Local(path).constData(), &st) == 0 ? st.st_ino : 0;
}

QString CreateMessage(const QString& path, int err) {
    return QString("Impossible de créer le fichier \"%1\". %2").arg(path, SysErrorMessage(err));
}

constexpr uid_t kPlainUser = 65534; // nobody

// Runs body in a child process and returns what it returned (empty when all
// went well). When the tests run as the superuser, the child first gives up
// his rights and becomes a plain user owning ownedPaths, so that file
// permissions apply as they do for an operator (unless plainUser is false).
QString InChild(const std::function<QString()>& body, const QStringList& ownedPaths = {},
                bool plainUser = true) {
    const bool root = geteuid() == 0 && plainUser;
    if (root)
        for (const QString& p : ownedPaths)
            if (chown(Local(p).constData(), kPlainUser, kPlainUser) != 0) return "chown failed: " + p;
    int out[2];
    if (pipe(out) != 0) return "no pipe";
    const pid_t pid = fork();
    if (pid == 0) {
        close(out[0]);
        QString result;
        if (root && (setgroups(0, nullptr) != 0 || setgid(kPlainUser) != 0 || setuid(kPlainUser) != 0))
            result = "could not become a plain user";
        else
            result = body();
        const QByteArray bytes = result.toUtf8();
        (void)!write(out[1], bytes.constData(), size_t(bytes.size()));
        _exit(0);
    }
    close(out[1]);
    QByteArray reply;
    char buffer[512];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) reply.append(buffer, n);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status)) return "the child process died";
    return QString::fromUtf8(reply);
}

// Accumulates the differences a child process finds.
struct TChecks {
    QString Failures;
    void Equal(const QString& what, const QString& got, const QString& expected) {
        if (got != expected) Failures += QString("%1: got '%2', expected '%3'\n").arg(what, got, expected);
    }
    void True(const QString& what, bool ok) {
        if (!ok) Failures += what + "\n";
    }
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

// A writer stopped before Commit (a kill) leaves its temporary file; the
// next start removes such files of its own file and nothing else.
TEST(AtomicSave, LeftoversOfSavesCutShortAreRemovedAndNothingElse) {
    QTemporaryDir dir;
    const QString path = dir.filePath("COLLECTION.XML");
    ASSERT_TRUE(WriteFileBytes(path, "the count"));
    const auto cutShort = [](const QString& target) {
        return InChild(
            [&] {
                (new TAtomicFile(target))->Put("half", 4); // never committed nor discarded
                return QString();
            },
            {}, false);
    };
    ASSERT_EQ(cutShort(path), "");
    ASSERT_EQ(cutShort(path), "");
    ASSERT_EQ(FilesIn(dir).size(), 3) << FilesIn(dir).join(' ').toStdString();
    // Names that are not the writer's own for this file, and things that
    // are not plain files.
    QStringList others = {"COLLECTION.XML.1a2b3c~",   ".COLLECTION.XML.1a2b3c",   ".COLLECTION.XML.1A2B3C~",
                          ".COLLECTION.XML.1a2b3~",   ".COLLECTION.XML.1a2b3c4~", ".COLLECTION.XML.1a2g3c~",
                          ".COLLECTION.XML.1a2b3c~~", ".COLLECTION.XML1a2b3c~",   ".collection.xml.1a2b3c~",
                          ".ART.GRD.1a2b3c~",         ".COLLECTION.XMLS.1a2b3c~", "x.COLLECTION.XML.1a2b3c~"};
    others << ".COLLECTION.XML.1a2b3c-"
           << ".COLLECTION.XML-1a2b3c~"
           << "_COLLECTION.XML.1a2b3c~"
           << "target";
    for (const QString& name : others) ASSERT_TRUE(WriteFileBytes(dir.filePath(name), "keep"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(".COLLECTION.XML.dddddd~"));
    ASSERT_TRUE(QFile::link(dir.filePath("target"), dir.filePath(".COLLECTION.XML.eeeeee~")));
    QStringList expected = others;
    expected << "COLLECTION.XML"
             << ".COLLECTION.XML.dddddd~"
             << ".COLLECTION.XML.eeeeee~";
    expected.sort();
    const auto entries = [&] {
        QStringList names =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    };

    EXPECT_EQ(TAtomicFile::RemoveLeftovers(path), 2);
    EXPECT_EQ(entries(), expected);
    EXPECT_EQ(ReadFileBytes(path), "the count");
    EXPECT_EQ(ReadFileBytes(dir.filePath("target")), "keep");
    EXPECT_EQ(TAtomicFile::RemoveLeftovers(path), 0);

    // Through a symbolic link: beside the file it points to.
    ASSERT_TRUE(QDir(dir.path()).mkdir("data"));
    const QString real = dir.filePath("data/ART.GRD"), link = dir.filePath("ART.GRD");
    ASSERT_TRUE(WriteFileBytes(real, "layout"));
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_EQ(cutShort(link), "");
    ASSERT_EQ(QDir(dir.filePath("data")).entryList(QDir::Files | QDir::Hidden).size(), 2);
    EXPECT_EQ(TAtomicFile::RemoveLeftovers(link), 1);
    EXPECT_EQ(QDir(dir.filePath("data")).entryList(QDir::Files | QDir::Hidden), QStringList{"ART.GRD"});
    EXPECT_TRUE(QFile::exists(dir.filePath(".ART.GRD.1a2b3c~"))) << "not beside the link";
    // A folder that does not exist has nothing to remove.
    EXPECT_EQ(TAtomicFile::RemoveLeftovers(dir.filePath("no/such/COLLECTION.XML")), 0);
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
        {TAtomicFile::stRename, EROFS, "Erreur E/S 30"}, // EPERM: rewritten in place (below)
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
    try {
        t->SaveToFile(missing, dfXML);
        ADD_FAILURE() << "no error";
    } catch (const EFileCreationError& e) {
        EXPECT_EQ(e.Message(), CreateMessage(missing, ENOENT));
        EXPECT_EQ(e.ErrorCode(), ENOENT);
    }
    // The folder refuses the temporary file and the file cannot be opened
    // either: the refusal of the folder is reported.
    const QString path = dir.filePath("COLLECTION.XML");
    WriteFileBytes(path, "old");
    THookGuard guard([](TAtomicFile::TStep step, uint64_t) {
        return step == TAtomicFile::stCreate ? EACCES : step == TAtomicFile::stInPlace ? EPERM : 0;
    });
    EXPECT_EQ(ErrorOf([&] { t->SaveToFile(path, dfXML); }), CreateMessage(path, EACCES));
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(FilesIn(dir), QStringList{"COLLECTION.XML"});
}

// A file nobody may write was protected on purpose: it is never replaced,
// not even by the superuser (a rename needs only the folder's permission).
TEST(AtomicSave, AWriteProtectedFileIsNeverReplaced) {
    QTemporaryDir dir;
    const QString path = dir.filePath("COLLECTION.XML");
    WriteFileBytes(path, "the finished count");
    ASSERT_EQ(chmod(Local(path).constData(), 0444), 0);
    auto t = MakeCollection();
    AddLine(*t, "A", "1");
    try {
        t->SaveToFile(path, dfXML);
        ADD_FAILURE() << "a write-protected file was replaced";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), CreateMessage(path, EACCES));
    }
    EXPECT_EQ(ReadFileBytes(path), "the finished count");
    EXPECT_EQ(FilesIn(dir), QStringList{"COLLECTION.XML"});
    // Through a symbolic link the file it points to is what counts.
    const QString link = dir.filePath("LINK.XML");
    ASSERT_TRUE(QFile::link(path, link));
    EXPECT_EQ(ErrorOf([&] { t->SaveToFile(link, dfXML); }), CreateMessage(link, EACCES));
    EXPECT_EQ(ReadFileBytes(path), "the finished count");
    // Once writable again, it is saved.
    ASSERT_EQ(chmod(Local(path).constData(), 0644), 0);
    t->SaveToFile(path, dfXML);
    EXPECT_EQ(ReadFileBytes(path), WritePacket(*t->Store(), dfXML));
}

// As a plain user: a file of another user that this one may not write is
// refused even in a folder where he may create files.
TEST(AtomicSave, AFileThisUserMayNotWriteIsRefused) {
    QTemporaryDir dir;
    const QString path = dir.filePath("COLLECTION.XML");
    WriteFileBytes(path, "old");
    auto t = MakeCollection();
    AddLine(*t, "A", "1");
    ASSERT_EQ(chmod(Local(dir.path()).constData(), 0777), 0);
    if (geteuid() == 0) {
        // Owned by the superuser, readable and writable by him only.
        ASSERT_EQ(chmod(Local(path).constData(), 0644), 0);
    } else {
        ASSERT_EQ(chmod(Local(path).constData(), 0444), 0);
    }
    const QString failures = InChild(
        [&] {
            TChecks c;
            c.Equal("message", ErrorOf([&] { t->SaveToFile(path, dfXML); }), CreateMessage(path, EACCES));
            c.Equal("content", QString::fromLatin1(ReadFileBytes(path)), "old");
            c.Equal("files", FilesIn(dir).join(','), "COLLECTION.XML");
            return c.Failures;
        },
        {dir.path()});
    EXPECT_EQ(failures, QString());
    chmod(Local(path).constData(), 0644);
}

// A folder that refuses new files: the writable file in it is rewritten in
// place (same file, new content), a missing file cannot be created.
TEST(AtomicSave, AReadOnlyFolderRewritesAWritableFileInPlace) {
    QTemporaryDir dir;
    const QString path = dir.filePath("COLLECTION.XML");
    const QString other = dir.filePath("ART.GRD");
    // Longer than the packet: the rewrite must cut the old tail.
    WriteFileBytes(path, QByteArray(100000, 'x'));
    auto t = MakeCollection();
    AddLine(*t, "A", "1");
    AddLine(*t, "B", "2,5");
    const QByteArray packet = WritePacket(*t->Store(), dfXML);
    const ino_t inode = InodeOf(path);
    const QString failures = InChild(
        [&] {
            TChecks c;
            c.True("folder made read-only", chmod(Local(dir.path()).constData(), 0555) == 0);
            c.Equal("saved", ErrorOf([&] { t->SaveToFile(path, dfXML); }), "");
            c.True("content", ReadFileBytes(path) == packet);
            c.True("the same file", InodeOf(path) == inode);
            c.Equal("missing file", ErrorOf([&] { t->SaveToFile(other, dfXML); }),
                    CreateMessage(other, EACCES));
            c.Equal("files", FilesIn(dir).join(','), "COLLECTION.XML");
            c.True("folder made writable", chmod(Local(dir.path()).constData(), 0755) == 0);
            return c.Failures;
        },
        {dir.path(), path});
    EXPECT_EQ(failures, QString());
}

TEST(AtomicSave, InPlaceRewritingGrowsShrinksAndReportsFailures) {
    QTemporaryDir dir;
    const QString path = dir.filePath("COLLECTION.XML");
    auto big = BigCollection();
    const QByteArray bigPacket = WritePacket(*big->Store(), dfXML);
    auto small = MakeCollection();
    AddLine(*small, "A", "1");
    const QByteArray smallPacket = WritePacket(*small->Store(), dfXML);
    std::vector<TAtomicFile::TStep> steps;
    int failAt = -1, error = 0;
    uint64_t failFrom = 0;
    THookGuard guard([&](TAtomicFile::TStep step, uint64_t written) {
        steps.push_back(step);
        if (step == TAtomicFile::stCreate) return EACCES; // the folder refuses
        return step == failAt && written >= failFrom ? error : 0;
    });
    WriteFileBytes(path, "old");
    const ino_t inode = InodeOf(path);
    big->SaveToFile(path, dfXML);
    EXPECT_EQ(ReadFileBytes(path), bigPacket);
    EXPECT_EQ(InodeOf(path), inode);
    EXPECT_NE(std::find(steps.begin(), steps.end(), TAtomicFile::stReserve), steps.end())
        << "a longer content reserves its room first";
    small->SaveToFile(path, dfXML);
    EXPECT_EQ(ReadFileBytes(path), smallPacket) << "the old tail is cut";
    EXPECT_EQ(FilesIn(dir), QStringList{"COLLECTION.XML"});

    // A full disk found when reserving leaves the file as it was.
    failAt = TAtomicFile::stReserve;
    error = ENOSPC;
    EXPECT_EQ(ErrorOf([&] { big->SaveToFile(path, dfXML); }), "Erreur E/S 28");
    EXPECT_EQ(ReadFileBytes(path), smallPacket);
    // A failing flush or a write failing half-way is reported.
    failAt = TAtomicFile::stSync;
    error = EIO;
    EXPECT_EQ(ErrorOf([&] { small->SaveToFile(path, dfXML); }), "Erreur E/S 5");
    failAt = TAtomicFile::stWrite;
    failFrom = uint64_t(bigPacket.size()) / 2;
    error = EIO;
    EXPECT_EQ(ErrorOf([&] { big->SaveToFile(path, dfXML); }), "Erreur E/S 5");
    EXPECT_EQ(FilesIn(dir), QStringList{"COLLECTION.XML"});
    // And the next save repairs it.
    failAt = -1;
    big->SaveToFile(path, dfXML);
    EXPECT_EQ(ReadFileBytes(path), bigPacket);
}

// A real full disk: a small file system of its own (where the system lets
// a test mount one).
TEST(AtomicSave, AFullDiskLeavesTheOldFile) {
    QTemporaryDir dir;
    auto t = BigCollection();
    const QString failures = InChild(
        [&]() -> QString {
            if (unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                mount("tmpfs", Local(dir.path()).constData(), "tmpfs", 0, "size=256k") != 0)
                return "skip";
            const QString path = dir.filePath("COLLECTION.XML");
            TChecks c;
            c.True("old file written", WriteFileBytes(path, "yesterday"));
            c.Equal("message", ErrorOf([&] { t->SaveToFile(path, dfXML); }), "Erreur E/S 28");
            c.Equal("content", QString::fromLatin1(ReadFileBytes(path)), "yesterday");
            c.Equal("files", FilesIn(dir).join(','), "COLLECTION.XML");
            // In place (the folder refusing new files): the room is missing
            // before the file is touched.
            THookGuard guard(
                [](TAtomicFile::TStep step, uint64_t) { return step == TAtomicFile::stCreate ? EACCES : 0; });
            c.Equal("in place", ErrorOf([&] { t->SaveToFile(path, dfXML); }), "Erreur E/S 28");
            c.Equal("content in place", QString::fromLatin1(ReadFileBytes(path)), "yesterday");
            return c.Failures;
        },
        {}, false);
    if (failures == "skip") GTEST_SKIP() << "no small file system can be mounted here";
    EXPECT_EQ(failures, QString());
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

namespace {

struct stat StatOf(const QString& path) {
    struct stat st {};
    stat(Local(path).constData(), &st);
    return st;
}

} // namespace

// A link to a stick or share: the file it points to is written; a link
// whose folder is missing (the stick is out) fails and stays a link.
TEST(AtomicSave, ALinkIsNeverReplacedByAFile) {
    QTemporaryDir dir;
    auto t = MakeCollection();
    AddLine(*t, "A", "1");
    ASSERT_TRUE(QDir(dir.path()).mkdir("stick"));
    const QString link = dir.filePath("COLLECTION.XML"), hop = dir.filePath("HOP.XML");
    // Through two links, the last one relative, to a file not made yet.
    ASSERT_TRUE(QFile::link("stick/COLLECTION.XML", hop));
    ASSERT_TRUE(QFile::link(hop, link));
    t->SaveToFile(link, dfXML);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadFileBytes(dir.filePath("stick/COLLECTION.XML")), WritePacket(*t->Store(), dfXML));

    ASSERT_TRUE(QDir(dir.filePath("stick")).removeRecursively());
    EXPECT_EQ(ErrorOf([&] { t->SaveToFile(link, dfXML); }), CreateMessage(link, ENOENT));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(FilesIn(dir), QStringList({"COLLECTION.XML", "HOP.XML"})) << "no file in the link's place";

    const QString loop = dir.filePath("LOOP.XML");
    ASSERT_TRUE(QFile::link(loop, loop));
    EXPECT_EQ(ErrorOf([&] { t->SaveToFile(loop, dfXML); }), CreateMessage(loop, ELOOP));
    EXPECT_TRUE(QFileInfo(loop).isSymLink());
}

// Owner, group, mode and hard links survive a save. The superuser gives the
// new file the old one's owner; a plain user saving another user's
// group-writable file (in a shared, sticky folder) rewrites it in place; a
// file with a second hard link is rewritten in place.
TEST(AtomicSave, OwnerGroupModeAndLinksAreKept) {
    QTemporaryDir dir;
    auto t = MakeCollection();
    AddLine(*t, "A", "1");
    const QByteArray packet = WritePacket(*t->Store(), dfXML);
    const QString path = dir.filePath("COLLECTION.XML");
    ASSERT_TRUE(WriteFileBytes(path, "old"));
    ASSERT_EQ(chmod(Local(path).constData(), 0664), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(Local(path).constData(), kPlainUser, kPlainUser), 0);
        t->SaveToFile(path, dfXML);
        const struct stat st = StatOf(path);
        EXPECT_EQ(st.st_uid, kPlainUser);
        EXPECT_EQ(st.st_gid, kPlainUser);
        EXPECT_EQ(st.st_mode & 07777, 0664u);
        EXPECT_EQ(ReadFileBytes(path), packet);

        // The group's member saving the superuser's count in a sticky folder.
        ASSERT_EQ(chown(Local(path).constData(), 0, kPlainUser), 0);
        ASSERT_EQ(chmod(Local(dir.path()).constData(), 01777), 0);
        ASSERT_TRUE(WriteFileBytes(path, "old"));
        const ino_t inode = InodeOf(path);
        const QString failures = InChild([&] {
            TChecks c;
            c.Equal("saved", ErrorOf([&] { t->SaveToFile(path, dfXML); }), "");
            c.True("content", ReadFileBytes(path) == packet);
            c.True("the same file", InodeOf(path) == inode);
            return c.Failures;
        });
        EXPECT_EQ(failures, QString());
        EXPECT_EQ(StatOf(path).st_uid, 0u);
        EXPECT_EQ(StatOf(path).st_gid, kPlainUser);
        ASSERT_EQ(chmod(Local(dir.path()).constData(), 0700), 0);
    }
    // Where the owner cannot be given to the new file, the file is
    // rewritten in place.
    {
        THookGuard guard([](TAtomicFile::TStep step, uint64_t) { return step == TAtomicFile::stOwner ? EPERM : 0; });
        ASSERT_TRUE(WriteFileBytes(path, "old"));
        const ino_t inode = InodeOf(path);
        t->SaveToFile(path, dfXML);
        EXPECT_EQ(ReadFileBytes(path), packet);
        EXPECT_EQ(InodeOf(path), inode);
    }
    // A rename refused by the folder although the file may be written.
    {
        THookGuard guard([](TAtomicFile::TStep step, uint64_t) { return step == TAtomicFile::stRename ? EPERM : 0; });
        ASSERT_TRUE(WriteFileBytes(path, "old"));
        const ino_t inode = InodeOf(path);
        t->SaveToFile(path, dfXML);
        EXPECT_EQ(ReadFileBytes(path), packet);
        EXPECT_EQ(InodeOf(path), inode);
        EXPECT_EQ(FilesIn(dir), QStringList{"COLLECTION.XML"});
    }
    // A second hard link shows the new content too.
    const QString other = dir.filePath("COPY.XML");
    ASSERT_TRUE(WriteFileBytes(path, "old"));
    ASSERT_EQ(link(Local(path).constData(), Local(other).constData()), 0);
    t->SaveToFile(path, dfXML);
    EXPECT_EQ(ReadFileBytes(other), packet);
    EXPECT_EQ(InodeOf(other), InodeOf(path));
}

// A file system that cannot reserve room (ramfs, where a test may mount
// one; elsewhere the hook says so): the in-place rewrite of a longer content
// is refused, since a disk filling half-way would leave half a file.
TEST(AtomicSave, InPlaceWithoutReservationIsRefused) {
    QTemporaryDir dir;
    auto t = BigCollection();
    const QString failures = InChild(
        [&]() -> QString {
            const bool ramfs = unshare(CLONE_NEWNS) == 0 &&
                               mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                               mount("ramfs", Local(dir.path()).constData(), "ramfs", 0, nullptr) == 0;
            const QString path = dir.filePath("COLLECTION.XML");
            TChecks c;
            c.True("old file written", WriteFileBytes(path, "yesterday"));
            THookGuard guard([&](TAtomicFile::TStep step, uint64_t written) {
                if (step == TAtomicFile::stCreate) return EACCES; // the folder refuses new files
                if (step == TAtomicFile::stReserve && !ramfs) return EOPNOTSUPP;
                return step == TAtomicFile::stWrite && written > 0 ? ENOSPC : 0; // the disk fills
            });
            c.Equal("message", ErrorOf([&] { t->SaveToFile(path, dfXML); }),
                    "Réécriture sur place impossible : le système de fichiers ne peut pas réserver la place "
                    "(fichier gardé tel quel)");
            c.True("the old file is kept", ReadFileBytes(path) == "yesterday");
            return c.Failures;
        },
        {}, false);
    EXPECT_EQ(failures, QString());
}
