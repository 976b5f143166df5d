// tallivo-layout as support runs it: what dump and check print, their exit
// codes and messages; no file makes it crash.
#include "grid/stream/ColumnsStream.h"
#include "tests/support/ToolRun.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <random>

using namespace tallivo;
using namespace tallivo::test;

namespace {

void WriteBytes(const QString& path, const std::string& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), qint64(bytes.size()));
}

TToolRun Tool(const QStringList& args) {
    return RunTool(TALLIVO_LAYOUT_TOOL, args);
}

// The main window's "Quantité" column after a move, and a column with the
// records the main window never writes.
TColumnsLayout TwoColumns() {
    TColumnRecord q;
    q.Expanded = false;
    q.FieldName = QStringLiteral("QTE");
    q.Font = {0, 176, -27, QStringLiteral("Segoe UI Semibold"), {}, {}, 0};
    q.ReadOnly = true;
    q.TitleCaption = QStringLiteral("Quantité");
    q.TitleColor = clWhite;
    q.TitleFont = {0, clWhite, -19, QStringLiteral("Segoe UI Semilight"), {}, {}, 0};
    q.Width = 93;
    q.Visible = true;
    TColumnRecord o;
    o.Alignment = taCenter;
    o.Color = ColorValue(0xFF000019);
    o.Font = {{}, {}, -12, {}, 900, 2, 1 | 8};
    o.PickList = QStringList{QStringLiteral("a \"b\""), QString()};
    o.TitleAlignment = taRightJustify;
    o.Visible = false;
    return {{}, 0, {q, o}};
}

} // namespace

TEST(LayoutTool, DumpShowsEachColumnWithItsRecords) {
    QTemporaryDir dir;
    const QString file = dir.filePath("ART.GRD");
    WriteBytes(file, WriteColumnsLayout(TwoColumns()));
    TToolRun r = Tool({"dump", file});
    EXPECT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_EQ(QString::fromUtf8(r.Out),
              QString::fromUtf8(
                  "2 colonnes\n"
                  "colonne 1 : QTE, \"Quantité\", largeur 93\n"
                  "  Expanded        False\n"
                  "  FieldName       \"QTE\"\n"
                  "  Font            \"Segoe UI Semibold\", hauteur -27, couleur 176 (0x000000B0), "
                  "ANSI_CHARSET, style []\n"
                  "  ReadOnly        True\n"
                  "  Title.Caption   \"Quantité\"\n"
                  "  Title.Color     clWhite\n"
                  "  Title.Font      \"Segoe UI Semilight\", hauteur -19, couleur clWhite, "
                  "ANSI_CHARSET, style []\n"
                  "  Width           93\n"
                  "  Visible         True\n"
                  "colonne 2 : sans champ, titre par défaut, largeur par défaut\n"
                  "  Alignment       taCenter\n"
                  "  Color           -16777191 (0xFF000019)\n"
                  "  Font            hauteur -12, orientation 900, fpFixed, style [fsBold, fsStrikeOut]\n"
                  "  PickList        \"a \\\"b\\\"\", \"\"\n"
                  "  Title.Alignment taRightJustify\n"
                  "  Visible         False\n"));
    EXPECT_TRUE(r.Err.isEmpty());
    // No columns: the grid's own.
    WriteBytes(file, WriteColumnsLayout({}));
    r = Tool({"dump", file});
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Out, "0 colonne (la grille montre une colonne par champ)\n");
}

TEST(LayoutTool, CheckSaysWhetherTheFileReadsAndWhereItStopped) {
    QTemporaryDir dir;
    const QString file = dir.filePath("ART.GRD");
    const std::string bytes = WriteColumnsLayout(TwoColumns());
    WriteBytes(file, bytes);
    TToolRun r = Tool({"check", file});
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Out, (file + ": 2 colonnes (QTE, -)\n").toUtf8());

    WriteBytes(file, bytes.substr(0, 40));
    for (const char* command : {"check", "dump"}) {
        r = Tool({command, file});
        EXPECT_EQ(r.Code, 1);
        EXPECT_TRUE(r.Out.isEmpty());
        EXPECT_EQ(QString::fromUtf8(r.Err),
                  file +
                      ": Erreur lors de la lecture de TColumn.Expanded: Erreur de lecture du flux (lecture "
                      "arrêtée à l'octet 40)\n");
    }
    std::string unknown = bytes;
    unknown.insert(31, "\x04Hint\x08");
    WriteBytes(file, unknown);
    r = Tool({"check", file});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(
        QString::fromUtf8(r.Err),
        file + ": Erreur lors de la lecture de TColumn.Hint: La propriété Hint n'existe pas (lecture arrêtée "
               "à l'octet 31)\n");

    r = Tool({"check", dir.filePath("MISSING.GRD")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.startsWith((dir.filePath("MISSING.GRD") + ": Impossible d'ouvrir le fichier").toUtf8()))
        << r.Err.constData();
}

TEST(LayoutTool, CommandLineAndDamagedFiles) {
    QTemporaryDir dir;
    TToolRun r = Tool({});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(r.Err.startsWith("usage :"));
    r = Tool({"--help"});
    EXPECT_EQ(r.Code, 0);
    EXPECT_TRUE(r.Out.startsWith("usage :"));
    for (const QStringList& args :
         {QStringList{"show", "ART.GRD"}, QStringList{"dump"}, QStringList{"check", "A", "B"}}) {
        r = Tool(args);
        EXPECT_EQ(r.Code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.Err.contains("usage :"));
    }
    // Damaged files: read or refused, never a crash.
    const QString file = dir.filePath("ART.GRD");
    const std::string bytes = WriteColumnsLayout(TwoColumns());
    std::mt19937 rng(7);
    for (int i = 0; i < 12; ++i) {
        std::string damaged = bytes;
        for (int k = 0; k < 3; ++k) damaged[rng() % damaged.size()] = char(rng());
        WriteBytes(file, damaged);
        r = Tool({"dump", file});
        EXPECT_TRUE(r.Code == 0 || r.Code == 1) << r.Code;
        EXPECT_EQ(r.Code == 1, !r.Err.isEmpty());
    }
}
