// The lock of a counting folder and the archives of a count.
#include "PacketTestUtil.h"

#include "table/Archive.h"
#include "table/FolderLock.h"

#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tallivo;
using namespace tallivo::test;

// A second process (of another user, when the tests run as the superuser)
// holds the lock of a read-only folder: this one is turned away, under any
// name of the folder, until the holder is killed.
TEST(FolderLock, OneHolderPerFolderAcrossProcessesAndUsers) {
    QTemporaryDir dir;
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    const QString other = dir.path() + "-link";
    ASSERT_TRUE(QFile::link(dir.path(), other));
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(1);
        TFolderLock lock(dir.path());
        const char state = char('0' + lock.State());
        (void)!write(ready[1], &state, 1);
        pause();
        _exit(0);
    }
    char state = 0;
    ASSERT_EQ(read(ready[0], &state, 1), 1);
    EXPECT_EQ(state, '0' + TFolderLock::stHeld);
    {
        TFolderLock second(other);
        EXPECT_EQ(second.State(), TFolderLock::stBusy);
        EXPECT_FALSE(TFolderLock::HeldFor(dir.path()));
    }
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    {
        TFolderLock mine(dir.path());
        EXPECT_EQ(mine.State(), TFolderLock::stHeld);
        EXPECT_TRUE(TFolderLock::HeldFor(other));
    }
    EXPECT_FALSE(TFolderLock::HeldFor(dir.path()));
    QFile::remove(other);
    chmod(QFile::encodeName(dir.path()).constData(), 0700);
}

// An archive is named after the moment and never replaces a file.
TEST(Archive, ANewFileNamedAfterTheMomentNeverAnOldOne) {
    QTemporaryDir dir;
    auto t = MakeCollection();
    AddLine(*t, "A", "3");
    const QString collection = dir.filePath("COLLECTION.XML");
    const QDateTime when(QDate(2024, 3, 7), QTime(14, 5, 9));
    ASSERT_TRUE(WriteFileBytes(dir.filePath("COLLECTION-20240307-140509.XML"), "an older archive"));
    const QString written = WriteArchive(*t, collection, when);
    EXPECT_EQ(written, dir.filePath("COLLECTION-20240307-140509-2.XML"));
    EXPECT_EQ(ReadFileBytes(written), WritePacket(*t->Store(), dfXML));
    EXPECT_EQ(ReadFileBytes(dir.filePath("COLLECTION-20240307-140509.XML")), "an older archive");
    EXPECT_TRUE(IsArchiveName("collection-20240307-140509-2.xml", "COLLECTION.XML"));
    EXPECT_FALSE(IsArchiveName("COLLECTION-2024-140509.XML", "COLLECTION.XML"));
}
