// Writes the seed corpus of the layout reader fuzz target with the layout
// writer: the main window's designed grid, its columns moved and resized,
// the worked one-column file, an empty layout, and columns using every
// record and every string form.
//   layout_corpus DIR
#include "grid/stream/ColumnsStream.h"

#include <cstdio>
#include <fstream>
#include <string>

using namespace tallivo;

namespace {

TColumnRecord Designed(const char* field, const QString& caption, int width, TColor colour, bool readOnly,
                       bool whiteTitle) {
    TColumnRecord c;
    c.Expanded = false;
    c.FieldName = QString::fromLatin1(field);
    c.Font = {0, colour, -27, QStringLiteral("Segoe UI Semibold"), {}, {}, 0};
    if (readOnly) c.ReadOnly = true;
    c.TitleCaption = caption;
    if (whiteTitle) c.TitleColor = clWhite;
    c.TitleFont = {0, clWhite, -19, QStringLiteral("Segoe UI Semilight"), {}, {}, 0};
    c.Width = width;
    c.Visible = true;
    return c;
}

void Save(const std::string& dir, const char* name, const TColumnsLayout& layout) {
    std::ofstream(dir + "/" + name, std::ios::binary) << WriteColumnsLayout(layout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: layout_corpus DIR\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    const TColumnRecord article = Designed("NOM_ART", QStringLiteral("Article"), 544, 4210752, true, true);
    const TColumnRecord quantity = Designed("QTE", QStringLiteral("Quantité"), 93, 176, true, true);
    const TColumnRecord price =
        Designed("PRIX_ACHAT", QStringLiteral("Prix Achat"), 132, 4210752, false, false);
    const TColumnRecord code = Designed("CODE_ART", QStringLiteral("Code article"), 292, 4210752, true, true);
    Save(dir, "designed.grd", {{}, 0, {article, quantity, price, code}});
    TColumnRecord wide = article;
    wide.Width = 700;
    Save(dir, "moved.grd", {{}, 0, {wide, price, quantity, code}});

    TColumnRecord worked;
    worked.Expanded = false;
    worked.FieldName = QStringLiteral("CODE_ART");
    worked.TitleCaption = QStringLiteral("Code article");
    worked.Width = 292;
    worked.Visible = true;
    Save(dir, "worked.grd", {{}, 0, {worked}});
    Save(dir, "empty.grd", {});

    TColumnRecord all;
    all.Alignment = taCenter;
    all.ButtonStyle = 1;
    all.Color = ColorValue(0xFF000019);
    all.DropDownRows = 40000;
    all.Expanded = true;
    all.FieldName = QStringLiteral("日本");
    all.Font = {255, clBtnFace, 12, QString(300, u'x'), 900, 2, 15};
    all.ImeMode = 6;
    all.ImeName = QStringLiteral("é");
    all.PickList = QStringList{QStringLiteral("un"), QString(), QStringLiteral("Désignation")};
    all.PopupMenu = QStringLiteral("Menu1");
    all.ReadOnly = false;
    all.TitleAlignment = taRightJustify;
    all.TitleCaption = QString();
    all.TitleColor = clNone;
    all.TitleFont = {3, -5, -70000, QString::fromUtf8("\xF0\x9F\x98\x80"), -1, 0, 1};
    all.Width = -1;
    all.Visible = false;
    Save(dir, "all-records.grd", {{}, 77, {all, worked}});
    return 0;
}
