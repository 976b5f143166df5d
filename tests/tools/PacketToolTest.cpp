// The packet tool as its users run it: outputs, messages and exit codes of
// check, dump, to-csv and from-csv; bad input never crashes it. And the
// committed demo catalogue is what the generator writes.
#include "table/ClientDataSet.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdlib>
#include <random>
#include <sys/wait.h>

using namespace tallivo;

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct TRun {
    int Code = -1; // exit code; -1 when the tool did not exit normally
    QByteArray Out, Err;
};

// Runs the tool with arguments (each quoted for the shell).
TRun Tool(const QTemporaryDir& dir, const QStringList& args) {
    QString command = QStringLiteral("'%1'").arg(TALLIVO_PACKET_TOOL);
    for (const QString& a : args) command += QStringLiteral(" '%1'").arg(a);
    const QString out = dir.filePath("stdout.txt"), err = dir.filePath("stderr.txt");
    command += QStringLiteral(" >'%1' 2>'%2'").arg(out, err);
    const int status = std::system(command.toLocal8Bit().constData());
    TRun r;
    r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.Out = ReadBytes(out);
    r.Err = ReadBytes(err);
    return r;
}

const QByteArray kHistory =
    "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"CODE_ART\" fieldtype=\"string\" WIDTH=\"25\"/><FIELD attrname=\"QTE\" "
    "fieldtype=\"r8\"/>"
    "<FIELD attrname=\"NOM_ART\" fieldtype=\"string\" WIDTH=\"50\"/></FIELDS>"
    "<PARAMS CHANGE_LOG=\"1 0 4 2 1 8 3 0 4 3 0 2\" LCID=\"1036\"/></METADATA><ROWDATA>"
    "<ROW RowState=\"5\" CODE_ART=\"A1\" QTE=\"2\" NOM_ART=\"Cr\xE8me &quot;x&quot;\"/>"
    "<ROW RowState=\"12\" CODE_ART=\"A1\" QTE=\"0.07000000000000001\" NOM_ART=\"\"/>"
    "<ROW RowState=\"6\" CODE_ART=\"B\"/></ROWDATA></DATAPACKET>";

} // namespace

TEST(PacketTool, CheckPrintsFieldsAndCounts) {
    QTemporaryDir dir;
    const QString file = dir.filePath("C.XML");
    WriteBytes(file, kHistory);
    const TRun r = Tool(dir, {"check", file});
    EXPECT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_EQ(r.Out, "fields 3\n  CODE_ART string WIDTH=25\n  QTE r8\n  NOM_ART string WIDTH=50\n"
                     "records 1\nslots 3\nchange log 4\n");
}

TEST(PacketTool, CheckReportsTheErrorAndWhereReadingStopped) {
    QTemporaryDir dir;
    const QString file = dir.filePath("BAD.XML");
    QByteArray bad = kHistory;
    bad.replace("<ROW RowState=\"6\"", "<RECORD RowState=\"6\"");
    WriteBytes(file, bad);
    TRun r = Tool(dir, {"check", file});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, (file + QStringLiteral(": Mismatch in datapacket. (reading stopped at byte %1)\n")
                                 .arg(bad.indexOf("<RECORD")))
                         .toUtf8());
    EXPECT_TRUE(r.Out.isEmpty());

    bad = kHistory;
    bad.replace("fieldtype=\"r8\"", "fieldtype=\"money\"");
    WriteBytes(file, bad);
    r = Tool(dir, {"check", file});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.contains(": Invalid field type. (reading stopped at byte ")) << r.Err.constData();

    r = Tool(dir, {"check", dir.filePath("MISSING.XML")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.contains("Impossible d'ouvrir le fichier")) << r.Err.constData();
}

TEST(PacketTool, DumpShowsSlotsNullsAndTheLog) {
    QTemporaryDir dir;
    const QString file = dir.filePath("C.XML");
    WriteBytes(file, kHistory);
    const TRun r = Tool(dir, {"dump", file});
    EXPECT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_EQ(QString::fromUtf8(r.Out),
              QString::fromUtf8(
                  "FIELDS\n"
                  "  1 CODE_ART string WIDTH=25\n"
                  "  2 QTE r8\n"
                  "  3 NOM_ART string WIDTH=50\n"
                  "PARAMS\n"
                  "  LCID = \"1036\" (i2)\n"
                  "SLOTS (3, 1 visible)\n"
                  "  1 RowState=5 (inserted, superseded): CODE_ART=\"A1\" QTE=2 NOM_ART=\"Crème \\\"x\\\"\"\n"
                  "  2 RowState=12 (inserted, modified): CODE_ART=\"A1\" QTE=0.07000000000000001 "
                  "NOM_ART=\"\"\n"
                  "  3 RowState=6 (inserted, deleted): CODE_ART=\"B\" QTE=null NOM_ART=null\n"
                  "CHANGE LOG (4)\n"
                  "  1 0 4 (insert)\n"
                  "  2 1 8 (modify)\n"
                  "  3 0 4 (insert)\n"
                  "  3 0 2 (delete)\n"));
}

TEST(PacketTool, CsvRoundTripOfTheCatalogue) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("ARTICLE.CSV"), back = dir.filePath("BACK.XML");
    TRun r = Tool(dir, {"to-csv", TALLIVO_SAMPLE_CATALOGUE, csv});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    const QByteArray text = ReadBytes(csv);
    EXPECT_TRUE(
        text.startsWith("CODE_ART:string:25;NOM_ART:string:50;CATEGORIE:string:25;PX_VTE_TC:r8;"
                        "REF_ART_F:string:25;PRIX_ACHAT:r8;NOM_FOU:string:50;GERE_STOCK:string:1\r\n"));
    EXPECT_EQ(text.count("\r\n"), 2001);
    // Back to the very same packet, with typed or with plain headers.
    r = Tool(dir, {"from-csv", csv, back});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_EQ(r.Out, (back + ": 8 fields, 2000 records\n").toUtf8());
    EXPECT_EQ(ReadBytes(back), ReadBytes(TALLIVO_SAMPLE_CATALOGUE));
    ASSERT_EQ(Tool(dir, {"to-csv", "--names", TALLIVO_SAMPLE_CATALOGUE, csv}).Code, 0);
    EXPECT_TRUE(ReadBytes(csv).startsWith(
        "CODE_ART;NOM_ART;CATEGORIE;PX_VTE_TC;REF_ART_F;PRIX_ACHAT;NOM_FOU;GERE_STOCK\r\n"));
    ASSERT_EQ(Tool(dir, {"from-csv", csv, back}).Code, 0);
    EXPECT_EQ(ReadBytes(back), ReadBytes(TALLIVO_SAMPLE_CATALOGUE));
    // Without OUT the text goes to standard output.
    r = Tool(dir, {"to-csv", TALLIVO_SAMPLE_CATALOGUE});
    EXPECT_EQ(r.Out, text);
}

TEST(PacketTool, FromCsvOfABackOfficeExport) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("IN.CSV"), out = dir.filePath("ARTICLE.XML");
    // UTF-8, LF line ends, plain and typed headers, comma and point numbers,
    // quoted values, a null and an empty string, a value too long.
    WriteBytes(csv, QString::fromUtf8("CODE_ART;NOM_ART;PX_VTE_TC;GERE_STOCK;REMARQUE:string:8;STOCK:i4\n"
                                      "A1;\"Pâté; \"\"maison\"\"\";2,5;O;\"\";12\n"
                                      "B2;Crème;3.25;NON;;\n\n")
                        .toUtf8());
    const TRun r = Tool(dir, {"from-csv", csv, out});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_TRUE(r.Err.contains("1 value(s) of GERE_STOCK cut to 1 bytes")) << r.Err.constData();
    TClientDataSet t;
    t.LoadFromFile(out);
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.FieldByName("NOM_ART").AsString(), QString::fromUtf8("Pâté; \"maison\""));
    EXPECT_EQ(t.FieldByName("PX_VTE_TC").AsFloat(), 2.5);
    EXPECT_EQ(t.FieldByName("NOM_ART").Size(), 50);
    EXPECT_EQ(t.FieldByName("REMARQUE").Size(), 8);
    EXPECT_FALSE(t.FieldByName("REMARQUE").IsNull());
    EXPECT_EQ(t.FieldByName("STOCK").AsString(), "12");
    t.Next();
    EXPECT_EQ(t.FieldByName("PX_VTE_TC").AsFloat(), 3.25);
    EXPECT_EQ(t.FieldByName("GERE_STOCK").AsString(), "N");
    EXPECT_TRUE(t.FieldByName("REMARQUE").IsNull());
    EXPECT_TRUE(t.FieldByName("STOCK").IsNull());
    EXPECT_EQ(ReadBytes(out).indexOf("encoding"), -1);
}

TEST(PacketTool, FromCsvRefusesBadInputWithItsLine) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("IN.CSV"), out = dir.filePath("OUT.XML");
    const std::vector<std::pair<QByteArray, QByteArray>> cases = {
        {"", "no header line"},
        {"CODE_ART;FOO\r\n", "line 1, column 2: the field \"FOO\" is not in the catalogue layout"},
        {"CODE_ART;FOO:money\r\n", "line 1, column 2: \"money\" is not a field type"},
        {"CODE_ART:string:x\r\n", "line 1, column 1: \"x\" is not a width"},
        {"CODE_ART;code_art\r\n", "line 1, column 2: the field \"code_art\" appears twice"},
        {"CODE_ART;QTE\r\nA;1\r\nB\r\n", "line 3: 1 values, the header has 2"},
        {"CODE_ART;QTE\r\nA;1\r\nB;deux\r\n", "line 3, QTE: \"deux\" is not a number"},
        {"CODE_ART;QTE\r\n\"A;1\r\n", "line 2: a quoted value does not end"},
        {"CODE_ART;QTE\r\n\"A\"x;1\r\n", "line 2: text after the closing quote of a value"},
        {";QTE\r\n", "line 1, column 1: a field without a name"},
    };
    for (const auto& [text, message] : cases) {
        WriteBytes(csv, text);
        const TRun r = Tool(dir, {"from-csv", csv, out});
        EXPECT_EQ(r.Code, 1) << message.constData();
        EXPECT_TRUE(r.Err.contains(message)) << r.Err.constData();
        EXPECT_FALSE(QFile::exists(out)) << message.constData();
    }
}

TEST(PacketTool, CommandLineErrors) {
    QTemporaryDir dir;
    EXPECT_EQ(Tool(dir, {}).Code, 2);
    EXPECT_EQ(Tool(dir, {"check"}).Code, 2);
    EXPECT_EQ(Tool(dir, {"check", "a", "b"}).Code, 2);
    EXPECT_EQ(Tool(dir, {"convert", "a"}).Code, 2);
    const TRun help = Tool(dir, {"--help"});
    EXPECT_EQ(help.Code, 0);
    EXPECT_TRUE(help.Out.startsWith("usage:"));
    // An output that cannot be written.
    const TRun r = Tool(dir, {"to-csv", TALLIVO_SAMPLE_CATALOGUE, dir.filePath("no/such/dir/x.csv")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_FALSE(r.Err.isEmpty());
}

TEST(PacketTool, GarbageNeverCrashesIt) {
    QTemporaryDir dir;
    const QString file = dir.filePath("G");
    std::mt19937 rng(4);
    QByteArray valid = kHistory;
    for (int round = 0; round < 12; ++round) {
        QByteArray bytes = valid;
        // Random bytes, or the valid packet with bytes changed, cut or repeated.
        if (round < 3) {
            bytes.resize(int(rng() % 5000));
            for (char& c : bytes) c = char(rng());
        } else if (round < 9) {
            for (int k = 0; k < 8; ++k) bytes[int(rng() % bytes.size())] = char(rng());
        } else {
            bytes = bytes.left(int(rng() % bytes.size())) + bytes.mid(int(rng() % bytes.size()));
        }
        WriteBytes(file, bytes);
        for (const char* command : {"check", "dump", "to-csv"}) {
            const TRun r = Tool(dir, {command, file});
            EXPECT_TRUE(r.Code == 0 || r.Code == 1) << command << " round " << round << " code " << r.Code;
        }
        const TRun r = Tool(dir, {"from-csv", file, dir.filePath("OUT.XML")});
        EXPECT_TRUE(r.Code == 0 || r.Code == 1) << "from-csv round " << round;
    }
}

// The committed demo catalogue is the generator's output: 2000 articles with
// the eight catalogue fields, French names with accents, apostrophes,
// ampersands and quotes.
TEST(DemoCatalogue, IsTheGeneratorsOutput) {
    QTemporaryDir dir;
    const QString out = dir.filePath("ARTICLE.XML");
    const QString command = QStringLiteral("'%1' '%2'").arg(TALLIVO_CATGEN_TOOL, out);
    ASSERT_EQ(std::system(command.toLocal8Bit().constData()), 0);
    const QByteArray sample = ReadBytes(TALLIVO_SAMPLE_CATALOGUE);
    EXPECT_EQ(ReadBytes(out), sample);
    EXPECT_LT(sample.size(), 500 * 1024);
    TClientDataSet t;
    t.LoadFromFile(TALLIVO_SAMPLE_CATALOGUE);
    EXPECT_EQ(t.RecordCount(), 2000);
    QStringList names;
    t.GetFieldNames(names);
    EXPECT_EQ(names, (QStringList{"CODE_ART", "NOM_ART", "CATEGORIE", "PX_VTE_TC", "REF_ART_F", "PRIX_ACHAT",
                                  "NOM_FOU", "GERE_STOCK"}));
    for (const char* piece : {"&amp;", "&apos;", "&quot;", "\xE9", "\xE8"})
        EXPECT_TRUE(sample.contains(piece)) << piece;
}
