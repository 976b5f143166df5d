// The packet tool as its users run it: outputs, messages and exit codes of
// check, dump, to-csv and from-csv; bad input never crashes it. And the
// committed demo catalogue is what the generator writes.
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "tests/support/ToolRun.h"
#include "tools/packet/Csv.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <random>

using namespace tallivo;
using namespace tallivo::test;

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

TToolRun Tool(const QStringList& args) {
    return RunTool(TALLIVO_PACKET_TOOL, args);
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
    const TToolRun r = Tool({"check", file});
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
    TToolRun r = Tool({"check", file});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, (file + QStringLiteral(": Mismatch in datapacket. (reading stopped at byte %1)\n")
                                 .arg(bad.indexOf("<RECORD")))
                         .toUtf8());
    EXPECT_TRUE(r.Out.isEmpty());

    bad = kHistory;
    bad.replace("fieldtype=\"r8\"", "fieldtype=\"money\"");
    WriteBytes(file, bad);
    r = Tool({"check", file});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.contains(": Invalid field type. (reading stopped at byte ")) << r.Err.constData();

    r = Tool({"check", dir.filePath("MISSING.XML")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.contains("Impossible d'ouvrir le fichier")) << r.Err.constData();
}

TEST(PacketTool, DumpShowsSlotsNullsAndTheLog) {
    QTemporaryDir dir;
    const QString file = dir.filePath("C.XML");
    WriteBytes(file, kHistory);
    const TToolRun r = Tool({"dump", file});
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
    TToolRun r = Tool({"to-csv", TALLIVO_SAMPLE_CATALOGUE, csv});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    const QByteArray text = ReadBytes(csv);
    EXPECT_TRUE(
        text.startsWith("CODE_ART:string:25;NOM_ART:string:50;CATEGORIE:string:25;PX_VTE_TC:r8;"
                        "REF_ART_F:string:25;PRIX_ACHAT:r8;NOM_FOU:string:50;GERE_STOCK:string:1\r\n"));
    EXPECT_EQ(text.count("\r\n"), 2001);
    // Back to the very same packet, with typed or with plain headers.
    r = Tool({"from-csv", csv, back});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_EQ(r.Out, (back + ": 8 fields, 2000 records\n").toUtf8());
    EXPECT_EQ(ReadBytes(back), ReadBytes(TALLIVO_SAMPLE_CATALOGUE));
    ASSERT_EQ(Tool({"to-csv", "--names", TALLIVO_SAMPLE_CATALOGUE, csv}).Code, 0);
    EXPECT_TRUE(ReadBytes(csv).startsWith(
        "CODE_ART;NOM_ART;CATEGORIE;PX_VTE_TC;REF_ART_F;PRIX_ACHAT;NOM_FOU;GERE_STOCK\r\n"));
    ASSERT_EQ(Tool({"from-csv", csv, back}).Code, 0);
    EXPECT_EQ(ReadBytes(back), ReadBytes(TALLIVO_SAMPLE_CATALOGUE));
    // Without OUT the text goes to standard output.
    r = Tool({"to-csv", TALLIVO_SAMPLE_CATALOGUE});
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
    const TToolRun r = Tool({"from-csv", csv, out});
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
        {"CODE_ART;ABCDEFGHIJKLMNOPQRSTUVWXYZ012345:r8\r\n",
         "line 1, column 2: the field name \"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\" is longer than 31 bytes"},
        {"N:string:32768\r\n", "line 1, column 1: \"32768\" is not a width (1 to 32767)"},
        {"N:i1\r\n127\r\n128\r\n", "line 3, N: \"128\" is out of range (-128 to 127)"},
        {"N:ui8\r\n-1\r\n", "line 2, N: \"-1\" is out of range (0 to 18446744073709551615)"},
        {"N:i4\r\n1,5\r\n", "line 2, N: \"1,5\" is not a number"},
        {"N:fixed:10:x\r\n", "line 1, column 1: \"x\" is not a number of decimals"},
        {"CODE_ART;QTE\r\nA;1\r\nB\r\n", "line 3: 1 values, the header has 2"},
        {"CODE_ART;QTE\r\nA;1\r\nB;deux\r\n", "line 3, QTE: \"deux\" is not a number"},
        {"CODE_ART;QTE\r\n\"A;1\r\n", "line 2: a quoted value does not end"},
        {"CODE_ART;QTE\r\n\"A\"x;1\r\n", "line 2: text after the closing quote of a value"},
        {";QTE\r\n", "line 1, column 1: a field without a name"},
    };
    for (const auto& [text, message] : cases) {
        WriteBytes(csv, text);
        const TToolRun r = Tool({"from-csv", csv, out});
        EXPECT_EQ(r.Code, 1) << message.constData();
        EXPECT_TRUE(r.Err.contains(message)) << r.Err.constData();
        EXPECT_FALSE(QFile::exists(out)) << message.constData();
    }
}

TEST(PacketTool, CommandLineErrors) {
    QTemporaryDir dir;
    EXPECT_EQ(Tool({}).Code, 2);
    EXPECT_EQ(Tool({"check"}).Code, 2);
    EXPECT_EQ(Tool({"check", "a", "b"}).Code, 2);
    EXPECT_EQ(Tool({"convert", "a"}).Code, 2);
    const TToolRun help = Tool({"--help"});
    EXPECT_EQ(help.Code, 0);
    EXPECT_TRUE(help.Out.startsWith("usage:"));
    // An output that cannot be written.
    const TToolRun r = Tool({"to-csv", TALLIVO_SAMPLE_CATALOGUE, dir.filePath("no/such/dir/x.csv")});
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
            const TToolRun r = Tool({command, file});
            EXPECT_TRUE(r.Code == 0 || r.Code == 1) << command << " round " << round << " code " << r.Code;
        }
        const TToolRun r = Tool({"from-csv", file, dir.filePath("OUT.XML")});
        EXPECT_TRUE(r.Code == 0 || r.Code == 1) << "from-csv round " << round;
    }
}

// Every catalogue the generator makes (string, wide string and integer
// codes, every numeric kind) goes to CSV and back to the very same packet;
// floats in the text are the shortest that read back to the same number.
TEST(PacketTool, EveryGeneratedCatalogueRoundTripsThroughCsv) {
    QTemporaryDir dir;
    const QString packet = dir.filePath("GEN.XML"), csv = dir.filePath("GEN.CSV"),
                  back = dir.filePath("BACK.XML");
    const std::vector<QStringList> variants = {
        {}, {"--kinds"}, {"--code", "string.uni"}, {"--code", "i8"}, {"--kinds", "--code", "ui8"}};
    for (const QStringList& options : variants) {
        const TToolRun made = RunTool(TALLIVO_CATGEN_TOOL, options + QStringList{packet, "3000"});
        ASSERT_EQ(made.Code, 0) << options.join(' ').toStdString() << made.Err.constData();
        ASSERT_EQ(Tool({"to-csv", packet, csv}).Code, 0);
        const TToolRun r = Tool({"from-csv", csv, back});
        ASSERT_EQ(r.Code, 0) << r.Err.constData();
        EXPECT_TRUE(r.Err.isEmpty()) << r.Err.constData();
        EXPECT_EQ(ReadBytes(back), ReadBytes(packet)) << options.join(' ').toStdString();
        const QByteArray text = ReadBytes(csv);
        if (options.isEmpty()) {
            // 86.29 is written 86.29000000000001 with 16 digits in the packet.
            EXPECT_TRUE(ReadBytes(packet).contains("\"86.29000000000001\""));
            EXPECT_TRUE(text.contains(";86,29;")) << "the shortest text of the number";
            EXPECT_FALSE(text.contains("0000000000")) << "no digits beyond the shortest";
        }
        if (options.contains("--kinds")) {
            EXPECT_TRUE(text.contains(";PRIX_ACHAT:fixed:10:2;")) << text.left(400).constData();
            EXPECT_TRUE(text.contains(";18446744073709551615")) << "ui8 at its largest";
            EXPECT_TRUE(text.contains(",10;")) << "a trailing zero of a fixed-point price kept";
        }
    }
}

// Field names with ":", names given twice and floats of every size: the
// text written by to-csv reads back to the same packet.
TEST(PacketTool, HeaderNamesWithColonsOrRepeatsRoundTrip) {
    QTemporaryDir dir;
    const QString packet = dir.filePath("P.XML"), csv = dir.filePath("P.CSV"),
                  back = dir.filePath("BACK.XML");
    WriteBytes(packet,
               "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
               "<FIELD attrname=\"A:B\" fieldtype=\"string\" WIDTH=\"5\"/>"
               "<FIELD attrname=\"X\" fieldtype=\"r8\"/>"
               "<FIELD fieldname=\"X\" attrname=\"xF2\" fieldtype=\"i4\"/>"
               "<FIELD attrname=\"::\" fieldtype=\"r4\"/>"
               "</FIELDS><PARAMS/></METADATA><ROWDATA>"
               "<ROW A:B=\"a\" X=\"0.07000000000000001\" xF2=\"1\" ::=\"0.1\"/>"
               "<ROW A:B=\"b;c\" X=\"1e+20\" xF2=\"-2\" ::=\"3.4028235e+38\"/>"
               "<ROW X=\"-2.5\"/></ROWDATA></DATAPACKET>");
    ASSERT_EQ(Tool({"check", packet}).Code, 0);
    ASSERT_EQ(Tool({"to-csv", packet, csv}).Code, 0);
    EXPECT_EQ(ReadBytes(csv), "A::B:string:5;X:r8;X:i4;:::::r4\r\n"
                              "a;0,07;1;0,1\r\n"
                              "\"b;c\";1e+20;-2;3,4028235e+38\r\n"
                              ";-2,5;;\r\n");
    const TToolRun r = Tool({"from-csv", csv, back});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_TRUE(r.Err.contains("line 1, column 3: the field \"X\" appears twice")) << r.Err.constData();
    EXPECT_EQ(ReadBytes(back), ReadBytes(packet));
}

// A code with a trailing space never matches a scan of the code without
// it: every such value is reported with its place, or removed on request.
TEST(PacketTool, FromCsvReportsTrailingSpacesOrTrimsThem) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("IN.CSV"), out = dir.filePath("ARTICLE.XML");
    WriteBytes(csv, "CODE_ART;NOM_ART;PX_VTE_TC;W:string.uni:10\r\n"
                    "ABC ;Vis  ;1,5 ;x \r\n"
                    "\"DEF \";Clou;2;y\r\n"
                    " GHI;Colle;3;\r\n");
    TToolRun r = Tool({"from-csv", csv, out});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_EQ(r.Err, (csv + ": line 2, column 1: \"ABC \" ends with a space\n" + csv +
                      ": line 2, column 2: \"Vis  \" ends with a space\n" + csv +
                      ": line 2, column 4: \"x \" ends with a space\n" + csv +
                      ": line 3, column 1: \"DEF \" ends with a space\n")
                         .toUtf8());
    {
        TClientDataSet t;
        t.LoadFromFile(out);
        EXPECT_EQ(t.FieldByName("CODE_ART").AsString(), "ABC ") << "kept as it came";
        EXPECT_FALSE(t.Locate("CODE_ART", QString("ABC"), loCaseInsensitive));
    }
    r = Tool({"from-csv", "--trim", csv, out});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_EQ(r.Err, (csv + ": 4 value(s) trimmed of trailing spaces\n").toUtf8());
    TClientDataSet t;
    t.LoadFromFile(out);
    EXPECT_TRUE(t.Locate("CODE_ART", QString("abc"), loCaseInsensitive));
    EXPECT_EQ(t.FieldByName("NOM_ART").AsString(), "Vis");
    EXPECT_EQ(t.FieldByName("W").AsString(), "x");
    EXPECT_TRUE(t.Locate("CODE_ART", QString("def"), loCaseInsensitive));
    EXPECT_TRUE(t.Locate("CODE_ART", QString(" GHI"), 0)) << "leading spaces stay";
}

// Found by the CSV fuzz target: in UTF-8 text a name or value beginning
// with U+FEFF lost that character as it was read, so that "a field without
// a name" refused text that to-csv had written.
TEST(PacketToolCsv, TextBeginningWithU_FEFFKeepsIt) {
    const QByteArray text = "A:r8;\xEF\xBB\xBF:string.uni\r\n1;\xEF\xBB\xBFx\r\n";
    TCsvResult r = CatalogueFromCsv(text);
    ASSERT_TRUE(r.Error.isEmpty()) << r.Error.toStdString();
    ASSERT_EQ(r.Data.Fields.size(), 2u);
    EXPECT_EQ(r.Data.Fields[1].Name, QString(QChar(0xFEFF)));
    EXPECT_EQ(r.Data.Columns[1].BytesAt(0), "\xEF\xBB\xBFx");
    // And the text to-csv writes for it reads back.
    TClientDataSet t;
    t.LoadFromStoreData(std::move(r.Data));
    EXPECT_TRUE(CatalogueFromCsv(CatalogueToCsv(*t.Store())).Error.isEmpty());
}

// The committed demo catalogue is the generator's output: 2000 articles with
// the eight catalogue fields, French names with accents, apostrophes,
// ampersands and quotes.
TEST(DemoCatalogue, IsTheGeneratorsOutput) {
    QTemporaryDir dir;
    const QString out = dir.filePath("ARTICLE.XML");
    ASSERT_EQ(RunTool(TALLIVO_CATGEN_TOOL, {out}).Code, 0);
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

// A catalogue too large for the memory at hand is refused with a message,
// not an abort, and leaves no file.
TEST(CatalogueGenerator, RunningOutOfMemoryIsReportedNotACrash) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
    QTemporaryDir dir;
    const QString out = dir.filePath("BIG.XML");
    const TToolRun r =
        RunTool("sh", {"-c", "ulimit -v 300000 && exec \"$0\" \"$1\" 50000000", TALLIVO_CATGEN_TOOL, out});
    EXPECT_EQ(r.Code, 1) << r.Err.constData();
    EXPECT_EQ(r.Err.toStdString(), "tallivo-catgen: out of memory\n");
    EXPECT_FALSE(QFile::exists(out));
}
