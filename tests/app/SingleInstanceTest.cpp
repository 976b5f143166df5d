#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QProcess* StartWorkstation(const QString& dir, QObject* parent) {
    auto* p = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(dir);
    p->start(QStringLiteral(TALLIVO_BINARY), {});
    return p;
}

} // namespace

TEST(SingleInstance, ASecondStartEndsAtOnceAndLeavesTheFirstRunning) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QObject owner;
    QProcess* first = StartWorkstation(dir.path(), &owner);
    ASSERT_TRUE(first->waitForStarted(5000));
    // Give the first one time to take the instance.
    EXPECT_FALSE(first->waitForFinished(1500)) << "the first workstation must keep running";

    QProcess* second = StartWorkstation(dir.path(), &owner);
    ASSERT_TRUE(second->waitForFinished(5000)) << "the second start must end by itself";
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(second->readAllStandardOutput().isEmpty());

    EXPECT_EQ(first->state(), QProcess::Running);
    first->kill();
    first->waitForFinished(5000);

    // Once the first has gone, a new start runs normally.
    QProcess* third = StartWorkstation(dir.path(), &owner);
    ASSERT_TRUE(third->waitForStarted(5000));
    EXPECT_FALSE(third->waitForFinished(1000));
    third->kill();
    third->waitForFinished(5000);
}
