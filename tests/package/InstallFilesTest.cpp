// The files installed beside the programs: the desktop entries start the
// workstation with options it knows, in the documented folder, and are
// valid; the committed icons are what the icon generator draws.
#include "app/StartOptions.h"
#include "tests/package/PackageTestUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace tallivo;
using namespace tallivo::test;

TEST(DesktopEntries, StartTheWorkstationInItsCountingFolder) {
    const QString applications = QStringLiteral(TALLIVO_SOURCE_DIR "/packaging/tallivo.desktop");
    const QString kiosk = QStringLiteral(TALLIVO_SOURCE_DIR "/packaging/kiosk/tallivo-kiosk.desktop");
    const QStringList execs = DesktopExecLines(applications);
    ASSERT_EQ(execs.size(), 2); // the entry and its demo action
    for (const QString& exec : execs + DesktopExecLines(kiosk)) {
        QStringList args = exec.split(u' ', Qt::SkipEmptyParts);
        ASSERT_EQ(args.takeFirst(), "tallivo") << exec.toStdString();
        const TStartOptions o = ParseStartOptions(args, "/home/anne");
        EXPECT_TRUE(o.Error.isEmpty()) << exec.toStdString();
        EXPECT_EQ(o.DataDir, "/home/anne/Tallivo") << exec.toStdString();
    }
    EXPECT_FALSE(ParseStartOptions(execs[0].split(u' ').mid(1), "").Demo);
    EXPECT_TRUE(ParseStartOptions(execs[1].split(u' ').mid(1), "").Demo);
    EXPECT_TRUE(ParseStartOptions(DesktopExecLines(kiosk).value(0).split(u' ').mid(1), "").FullScreen);

    if (QStandardPaths::findExecutable("desktop-file-validate").isEmpty())
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is needed";
    for (const QString& entry : {applications, kiosk}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start("desktop-file-validate", {entry});
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), 0) << entry.toStdString();
        EXPECT_TRUE(p.readAll().isEmpty()) << entry.toStdString(); // no warning either
    }
}

TEST(Icon, TheCommittedIconsAreTheGeneratorsOutput) {
#ifndef TALLIVO_ICONGEN
    GTEST_SKIP() << "the icon generator is built with TALLIVO_DEV_TOOLS";
#else
    QTemporaryDir dir;
    QProcess p;
    p.start(TALLIVO_ICONGEN, {dir.path()});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString name = QStringLiteral("/%1/tallivo.png").arg(size);
        QFile made(dir.path() + name),
            committed(QStringLiteral(TALLIVO_SOURCE_DIR "/packaging/icons") + name);
        ASSERT_TRUE(made.open(QIODevice::ReadOnly) && committed.open(QIODevice::ReadOnly)) << size;
        const QByteArray bytes = made.readAll();
        EXPECT_EQ(bytes, committed.readAll()) << size;
        const QImage image = QImage::fromData(bytes, "PNG");
        EXPECT_EQ(image.size(), QSize(size, size));
        // A tile with a margin: transparent corners, the tile's blue inside.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
        EXPECT_EQ(image.pixel(size / 8, size / 8) & 0xFFFFFFu, 0x3C5388u) << size;
    }
#endif
}
