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
    EXPECT_EQ(r.Out, "champs : 3\n  CODE_ART string WIDTH=25\n  QTE r8\n  NOM_ART string WIDTH=50\n"
                     "enregistrements : 1\nemplacements : 3\nhistorique des modifications : 4\n");
}

TEST(PacketTool, CheckReportsTheErrorAndWhereReadingStopped) {
    QTemporaryDir dir;
    const QString file = dir.filePath("BAD.XML");
    QByteArray bad = kHistory;
    bad.replace("<ROW RowState=\"6\"", "<RECORD RowState=\"6\"");
    WriteBytes(file, bad);
    TToolRun r = Tool({"check", file});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, (file + QStringLiteral(": ce n'est pas un fichier de données lisible (lecture arrêtée à "
                                            "l'octet %1)\n")
                                 .arg(bad.indexOf("<RECORD")))
                         .toUtf8());
    EXPECT_TRUE(r.Out.isEmpty());

    bad = kHistory;
    bad.replace("fieldtype=\"r8\"", "fieldtype=\"money\"");
    WriteBytes(file, bad);
    r = Tool({"check", file});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(
        QString::fromUtf8(r.Err).contains(": un champ a un type inconnu ou pas de type (lecture arrêtée"))
        << r.Err.constData();

    r = Tool({"check", dir.filePath("MISSING.XML")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.contains("Impossible d'ouvrir le fichier")) << r.Err.constData();
}

// check is a load test: a file that loads may have lost values on the way.
// --strict names every attribute the reader passed over or shortened.
TEST(PacketTool, CheckStrictReportsWhatTheReaderSkippedOrCut) {
    QTemporaryDir dir;
    const QString file = dir.filePath("C.XML");
    const QByteArray packet =
        "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"CODE_ART\" fieldtype=\"string\" WIDTH=\"5\"/>"
        "<FIELD attrname=\"NOM_ART\" fieldtype=\"string\" WIDTH=\"20\"/><FIELD attrname=\"QTE\" "
        "fieldtype=\"r8\"/>"
        "</FIELDS><PARAMS/></METADATA><ROWDATA>"
        "<ROW CODE_ART=\"A1\" NOM_ART=\"P\xE2t\xE9 \"maison\"\" QTE=\"2\"/>"
        "<ROW CODE_ART=\"TROP-LONG\" QTE=\"2,5\" COULEUR=\"rouge\"/>"
        "<ROW CODE_ART=\"C3\" QTE=\"1\" QTE=\"9\"/>"
        "<ROW CODE_ART=\"D4\" QTE=\"4\"/></ROWDATA></DATAPACKET>";
    WriteBytes(file, packet);
    TToolRun r = Tool({"check", file});
    EXPECT_EQ(r.Code, 0) << "it loads";
    r = Tool({"check", "--strict", file});
    EXPECT_EQ(r.Code, 1);
    const qsizetype row2 = packet.indexOf("<ROW CODE_ART=\"TROP"),
                    row3 = packet.indexOf("<ROW CODE_ART=\"C3");
    EXPECT_TRUE(QString::fromUtf8(r.Out).endsWith(
        QString(
            "ROW 1 (octet %1) : dans <ROW>, un attribut sans valeur entre guillemets arrête la lecture ; la "
            "suite de la balise est ignorée\n"
            "ROW 2 (octet %2) : la valeur de CODE_ART est coupée (largeur du champ ou caractère nul)\n"
            "ROW 2 (octet %2) : le nombre de QTE n'est pas lu en entier\n"
            "ROW 2 (octet %2) : l'attribut COULEUR est ignoré, aucun champ ne porte ce nom\n"
            "ROW 3 (octet %3) : l'attribut QTE est donné deux fois, le second est ignoré\n"
            "strict : 5 attributs ignorés ou coupés\n")
            .arg(packet.indexOf("maison"))
            .arg(row2)
            .arg(row3)))
        << r.Out.constData();
    // A clean file passes the strict check too.
    WriteBytes(file, kHistory);
    r = Tool({"check", "--strict", file});
    EXPECT_EQ(r.Code, 0);
    EXPECT_TRUE(QString::fromUtf8(r.Out).endsWith("strict : aucun attribut ignoré ni coupé\n"));
}

TEST(PacketTool, DumpShowsSlotsNullsAndTheLog) {
    QTemporaryDir dir;
    const QString file = dir.filePath("C.XML");
    WriteBytes(file, kHistory);
    const TToolRun r = Tool({"dump", file});
    EXPECT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_EQ(QString::fromUtf8(r.Out),
              QString::fromUtf8(
                  "CHAMPS\n"
                  "  1 CODE_ART string WIDTH=25\n"
                  "  2 QTE r8\n"
                  "  3 NOM_ART string WIDTH=50\n"
                  "PARAMÈTRES\n"
                  "  LCID = \"1036\" (i2)\n"
                  "EMPLACEMENTS (3, 1 visible)\n"
                  "  1 RowState=5 (inséré, remplacé): CODE_ART=\"A1\" QTE=2 NOM_ART=\"Crème \\\"x\\\"\"\n"
                  "  2 RowState=12 (inséré, modifié): CODE_ART=\"A1\" QTE=0.07000000000000001 "
                  "NOM_ART=\"\"\n"
                  "  3 RowState=6 (inséré, supprimé): CODE_ART=\"B\" QTE=null NOM_ART=null\n"
                  "HISTORIQUE (4)\n"
                  "  1 0 4 (ajout)\n"
                  "  2 1 8 (modification)\n"
                  "  3 0 4 (ajout)\n"
                  "  3 0 2 (suppression)\n"));
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
    EXPECT_EQ(r.Out, (back + ": 8 champs, 2000 enregistrements\n").toUtf8());
    EXPECT_EQ(ReadBytes(back), ReadBytes(TALLIVO_SAMPLE_CATALOGUE));
    ASSERT_EQ(Tool({"to-csv", "--names", TALLIVO_SAMPLE_CATALOGUE, csv}).Code, 0);
    EXPECT_TRUE(ReadBytes(csv).startsWith(
        "CODE_ART;NOM_ART;CATEGORIE;PX_VTE_TC;REF_ART_F;PRIX_ACHAT;NOM_FOU;GERE_STOCK\r\n"));
    ASSERT_EQ(Tool({"from-csv", "--force", csv, back}).Code, 0);
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
    // Without CATEGORIE and PRIX_ACHAT a station fails at every new line:
    // nothing is written unless told so.
    TToolRun r = Tool({"from-csv", csv, out});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(QString::fromUtf8(r.Err).contains("les champs CATEGORIE, PRIX_ACHAT manquent"))
        << r.Err.constData();
    EXPECT_FALSE(QFile::exists(out));
    r = Tool({"from-csv", "--force", csv, out});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_TRUE(QString::fromUtf8(r.Err).contains("1 valeur de GERE_STOCK coupée à 1 octet"))
        << r.Err.constData();
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
        {"", "pas de ligne d'en-tête"},
        {"CODE_ART;FOO\r\n", "ligne 1, colonne 2 : le champ \"FOO\" n'est pas un champ du catalogue"},
        {"CODE_ART;FOO:money\r\n", "ligne 1, colonne 2 : \"money\" n'est pas un type de champ"},
        {"CODE_ART:string:x\r\n", "ligne 1, colonne 1 : \"x\" n'est pas une largeur"},
        {"CODE_ART;ABCDEFGHIJKLMNOPQRSTUVWXYZ012345:r8\r\n",
         "ligne 1, colonne 2 : le nom de champ \"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\" dépasse 31 octets"},
        {"N:string:32768\r\n", "ligne 1, colonne 1 : \"32768\" n'est pas une largeur (1 à 32767)"},
        {"N:i1\r\n127\r\n128\r\n", "ligne 3, N : \"128\" est hors limites (-128 à 127)"},
        {"N:ui8\r\n-1\r\n", "ligne 2, N : \"-1\" est hors limites (0 à 18446744073709551615)"},
        {"N:i4\r\n1,5\r\n", "ligne 2, N : \"1,5\" n'est pas un nombre"},
        {"N:fixed:10:x\r\n", "ligne 1, colonne 1 : \"x\" n'est pas un nombre de décimales"},
        {"CODE_ART;QTE\r\nA;1\r\nB\r\n", "ligne 3 : 1 valeur, l'en-tête en a 2"},
        {"CODE_ART;QTE\r\nA;1\r\nB;deux\r\n", "ligne 3, QTE : \"deux\" n'est pas un nombre"},
        {"CODE_ART;QTE\r\n\"A;1\r\n", "ligne 2 : une valeur entre guillemets ne se termine pas"},
        {"CODE_ART;QTE\r\n\"A\"x;1\r\n", "ligne 2 : du texte suit le guillemet qui ferme une valeur"},
        {";QTE\r\n", "ligne 1, colonne 1 : un champ sans nom"},
        // A spreadsheet's default separators are named, not taken for a long name.
        {"CODE_ART,NOM_ART,CATEGORIE,PRIX_ACHAT,GERE_STOCK\r\nA,B,C,1,O\r\n",
         "ligne 1 : l'en-tête est séparé par des virgules"},
        {"CODE_ART\tNOM_ART\r\n", "ligne 1 : l'en-tête est séparé par des tabulations"},
    };
    for (const auto& [text, message] : cases) {
        WriteBytes(csv, text);
        const TToolRun r = Tool({"from-csv", csv, out});
        EXPECT_EQ(r.Code, 1) << message.constData();
        EXPECT_TRUE(QString::fromUtf8(r.Err).contains(QString::fromUtf8(message))) << r.Err.constData();
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
    EXPECT_TRUE(help.Out.startsWith("usage :"));
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
        const TToolRun r = Tool({"from-csv", "--force", file, dir.filePath("OUT.XML")});
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
        const TToolRun made = RunTool(TALLIVO_CATGEN_TOOL, options + QStringList{"--force", packet, "3000"});
        ASSERT_EQ(made.Code, 0) << options.join(' ').toStdString() << made.Err.constData();
        ASSERT_EQ(Tool({"to-csv", packet, csv}).Code, 0);
        const TToolRun r = Tool({"from-csv", "--force", csv, back});
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
    const TToolRun r = Tool({"from-csv", "--force", csv, back});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_TRUE(r.Err.contains("ligne 1, colonne 3 : le champ \"X\" figure deux fois")) << r.Err.constData();
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
    const QString missing =
        csv + ": les champs CATEGORIE, PRIX_ACHAT, GERE_STOCK manquent : le poste de "
              "comptage les lit et refuserait chaque nouvelle ligne ; écrit quand même (--force)\n";
    TToolRun r = Tool({"from-csv", "--force", csv, out});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_EQ(QString::fromUtf8(r.Err),
              csv + ": ligne 2, colonne 1 : \"ABC \" se termine par une espace\n" + csv +
                  ": ligne 2, colonne 2 : \"Vis  \" se termine par une espace\n" + csv +
                  ": ligne 2, colonne 4 : \"x \" se termine par une espace\n" + csv +
                  ": ligne 3, colonne 1 : \"DEF \" se termine par une espace\n" + missing);
    {
        TClientDataSet t;
        t.LoadFromFile(out);
        EXPECT_EQ(t.FieldByName("CODE_ART").AsString(), "ABC ") << "kept as it came";
        EXPECT_FALSE(t.Locate("CODE_ART", QString("ABC"), loCaseInsensitive));
    }
    r = Tool({"from-csv", "--trim", "--force", csv, out});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_EQ(QString::fromUtf8(r.Err), csv + ": espaces finales retirées de 4 valeurs\n" + missing);
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
    EXPECT_TRUE(QString::fromUtf8(r.Err).contains("mémoire insuffisante")) << r.Err.constData();
    EXPECT_FALSE(QFile::exists(out));
}
