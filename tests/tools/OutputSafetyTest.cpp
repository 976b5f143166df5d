// Every tool and every output it writes: never over one of its inputs (by
// name, another spelling, a symbolic or a hard link), never over a data
// packet without --force, a folder given as a file refused with one
// message; each refusal is exit code 2 with every file left as it was.
#include "tests/support/ToolRun.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <unistd.h>

using namespace tallivo::test;

namespace {

// Every file under dir with its bytes.
std::map<QString, QByteArray> Snapshot(const QString& dir) {
    std::map<QString, QByteArray> files;
    for (QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile f(it.next());
        files[f.fileName()] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    return files;
}

struct TCase {
    const char* Tool;
    QStringList Args;
    const char* Message; // a piece of the refusal
};

} // namespace

TEST(OutputSafety, NoToolWritesOverItsInputsOrAPacketWithoutForce) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    QDir(d).mkpath("a");
    QDir(d).mkpath("b");
    QDir(d).mkpath("OUT");
    const auto run = [&](const char* tool, const QStringList& args) {
        TToolOptions options;
        options.WorkingDirectory = d;
        return RunTool(tool, args, options);
    };
    ASSERT_EQ(run(TALLIVO_CATGEN_TOOL, {"--stock", "ARTICLE.XML", "50"}).Code, 0);
    ASSERT_EQ(run(TALLIVO_CATGEN_TOOL, {"--count", "50", "a/COLLECTION.XML", "10", "1"}).Code, 0);
    ASSERT_EQ(run(TALLIVO_CATGEN_TOOL, {"--count", "50", "b/COLLECTION.XML", "10", "2"}).Code, 0);
    ASSERT_EQ(run(TALLIVO_PACKET_TOOL, {"to-csv", "ARTICLE.XML", "X.CSV"}).Code, 0);
    ASSERT_EQ(run(TALLIVO_OFFICE_TOOL, {"report", "ARTICLE.XML", "OUT", "a/COLLECTION.XML"}).Code, 0);
    ASSERT_TRUE(QFile::link("ARTICLE.XML", d + "/LIEN.XML"));
    ASSERT_TRUE(QFile::link(d + "/a/COLLECTION.XML", d + "/OUT/LIEN.XML"));
    ASSERT_EQ(::link(QFile::encodeName(d + "/b/COLLECTION.XML").constData(),
                     QFile::encodeName(d + "/DUR.XML").constData()),
              0);

    const char* const alsoRead = "est aussi un fichier lu";
    const char* const packet = "qu'avec --force";
    const char* const folder = "est un dossier, pas un fichier";
    const std::vector<TCase> cases = {
        {TALLIVO_PACKET_TOOL, {"to-csv", "ARTICLE.XML", "ARTICLE.XML"}, alsoRead},
        {TALLIVO_PACKET_TOOL, {"to-csv", "ARTICLE.XML", "./LIEN.XML"}, alsoRead},
        {TALLIVO_PACKET_TOOL, {"to-csv", "ARTICLE.XML", "a/COLLECTION.XML"}, packet},
        {TALLIVO_PACKET_TOOL, {"to-csv", "ARTICLE.XML", "a"}, folder},
        {TALLIVO_PACKET_TOOL, {"from-csv", "X.CSV", "X.CSV"}, alsoRead},
        {TALLIVO_PACKET_TOOL, {"from-csv", "X.CSV", "ARTICLE.XML"}, packet},
        {TALLIVO_PACKET_TOOL, {"merge", "b/../a/COLLECTION.XML", "a/COLLECTION.XML"}, alsoRead},
        {TALLIVO_PACKET_TOOL,
         {"merge", "--xml", "DUR.XML", "a/COLLECTION.XML", "b/COLLECTION.XML"},
         alsoRead},
        {TALLIVO_PACKET_TOOL, {"merge", "--xml", "ARTICLE.XML", "a/COLLECTION.XML"}, packet},
        {TALLIVO_PACKET_TOOL, {"merge", "b/COLLECTION.XML", "a/COLLECTION.XML"}, packet},
        {TALLIVO_PACKET_TOOL,
         {"merge", "T.CSV", "a/COLLECTION.XML", "DUR.XML", "b/COLLECTION.XML"},
         "deux fois"},
        {TALLIVO_PACKET_TOOL, {"check", "a"}, folder},
        {TALLIVO_CATGEN_TOOL, {"a/COLLECTION.XML"}, packet},
        {TALLIVO_CATGEN_TOOL, {"--count", "50", "a"}, folder},
        {TALLIVO_LAYOUT_TOOL, {"check", "a"}, folder},
        {TALLIVO_OFFICE_TOOL, {"report", "ARTICLE.XML", ".", "a/COLLECTION.XML"}, "contient un fichier lu"},
        {TALLIVO_OFFICE_TOOL,
         {"report", "ARTICLE.XML", "a", "b/COLLECTION.XML", "OUT/LIEN.XML"},
         "contient un fichier lu"},
        {TALLIVO_OFFICE_TOOL, {"report", "ARTICLE.XML", "OUT", "b/COLLECTION.XML"}, packet},
        {TALLIVO_OFFICE_TOOL, {"report", "ARTICLE.XML", "X.CSV", "b/COLLECTION.XML"}, "n'est pas un dossier"},
        {TALLIVO_OFFICE_TOOL, {"report", "a", "OUT", "b/COLLECTION.XML"}, folder},
        {TALLIVO_OFFICE_TOOL,
         {"report", "ARTICLE.XML", "NEW", "a/COLLECTION.XML", "a/COLLECTION.XML"},
         "deux fois"},
    };
    const std::map<QString, QByteArray> before = Snapshot(d);
    for (const TCase& c : cases) {
        const TToolRun r = run(c.Tool, c.Args);
        const QString line = QFileInfo(c.Tool).fileName() + u' ' + c.Args.join(u' ');
        EXPECT_EQ(r.Code, 2) << line.toStdString() << "\n" << r.Err.constData();
        EXPECT_TRUE(QString::fromUtf8(r.Err).contains(QString::fromUtf8(c.Message)))
            << line.toStdString() << "\n"
            << r.Err.constData();
        EXPECT_TRUE(Snapshot(d) == before) << line.toStdString() << ": a file was written";
    }

    // Told so, the tools replace a data packet that is not one of their inputs.
    EXPECT_EQ(run(TALLIVO_PACKET_TOOL, {"to-csv", "--force", "ARTICLE.XML", "a/COLLECTION.XML"}).Code, 0);
    EXPECT_TRUE(QFile(d + "/a/COLLECTION.XML").open(QIODevice::ReadOnly));
    EXPECT_EQ(run(TALLIVO_OFFICE_TOOL, {"report", "--force", "ARTICLE.XML", "OUT", "b/COLLECTION.XML"}).Code,
              0);
    EXPECT_EQ(run(TALLIVO_CATGEN_TOOL, {"--force", "ARTICLE.XML", "20"}).Code, 0);
}
