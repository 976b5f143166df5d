// tallivo-layout: shows and checks the column layout file of the main
// window's grid (ART.GRD), as back offices and support need to see it.
//
//   tallivo-layout dump FILE    every column with the records the file holds
//                               (field, caption, width, fonts, colours, flags)
//   tallivo-layout check FILE   does the file read? its columns in one line
//
// A file that does not read gives the reader's message and the byte where
// reading stopped. Exit codes: 0 read, 1 not read, 2 wrong command line.
#include "grid/stream/ColumnsStream.h"
#include "tools/ToolMain.h"
#include "tools/common/ToolFiles.h"

#include <QStringList>
#include <cstdio>
#include <optional>

using namespace tallivo;

namespace {

const char* const kUsage = "usage :\n"
                           "  tallivo-layout dump FICHIER\n"
                           "  tallivo-layout check FICHIER\n"
                           "  tallivo-layout --help | --version\n"
                           "\n"
                           "dump   chaque colonne d'un fichier de disposition des colonnes (ART.GRD)\n"
                           "       avec ce qu'il en enregistre : champ, titre, largeur, polices,\n"
                           "       couleurs, lecture seule, visibilité ; ce qu'une colonne\n"
                           "       n'enregistre pas suit les valeurs par défaut de la grille\n"
                           "check  le nombre de colonnes et leurs champs si le fichier se lit,\n"
                           "       sinon l'erreur et l'octet où la lecture s'est arrêtée\n"
                           "\n"
                           "sortie : 0 le fichier se lit, 1 il ne se lit pas, 2 ligne de commande\n"
                           "erronée\n";

// Reads a layout file; prints the error (with the byte where reading
// stopped) and returns nothing when it cannot.
std::optional<TColumnsLayout> Load(const QString& file) {
    try {
        return ReadColumnsLayout(ReadLayoutFile(file));
    } catch (const EColumnsStreamError& e) {
        Err(QStringLiteral("%1: %2 (lecture arrêtée à l'octet %3)\n").arg(file, e.Message()).arg(e.Offset()));
    } catch (const Exception& e) {
        Err(QStringLiteral("%1: %2\n").arg(file, e.Message()));
    }
    return std::nullopt;
}

// A text in double quotes, with backslash escapes for quotes, backslashes
// and control characters.
QString Quoted(const QString& text) {
    QString s = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\') {
            s += u'\\';
            s += c;
        } else if (c.unicode() < 32 || (c.unicode() >= 0x7F && c.unicode() < 0xA0)) {
            s += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0'));
        } else {
            s += c;
        }
    }
    return s + u'"';
}

QString ColorText(TColor color) {
    if (const auto name = ColorToIdent(color)) return *name;
    const QString hex = QString::number(std::uint32_t(color), 16).toUpper().rightJustified(8, u'0');
    return QStringLiteral("%1 (0x%2)").arg(color).arg(hex);
}

QString CharsetText(int charset) {
    if (const auto name = CharsetToIdent(charset)) return *name;
    return QString::number(charset);
}

template <std::size_t N> QString EnumText(int value, const char* const (&names)[N]) {
    if (value >= 0 && std::size_t(value) < N) return QString::fromLatin1(names[value]);
    return QString::number(value);
}

QString Boolean(bool v) {
    return v ? QStringLiteral("True") : QStringLiteral("False");
}

QString StyleText(std::uint8_t bits) {
    QStringList members;
    for (std::size_t i = 0; i < std::size(kFontStyleNames); ++i)
        if (bits & (1u << i)) members << QString::fromLatin1(kFontStyleNames[i]);
    return u'[' + members.join(QStringLiteral(", ")) + u']';
}

// The recorded attributes of a font on one line.
QString FontText(const TFontRecord& f) {
    QStringList parts;
    if (f.Name) parts << Quoted(*f.Name);
    if (f.Height) parts << QStringLiteral("hauteur %1").arg(*f.Height);
    if (f.Color) parts << QStringLiteral("couleur ") + ColorText(*f.Color);
    if (f.Charset) parts << CharsetText(*f.Charset);
    if (f.Orientation) parts << QStringLiteral("orientation %1").arg(*f.Orientation);
    if (f.Pitch) parts << EnumText(*f.Pitch, kFontPitchNames);
    if (f.Style) parts << QStringLiteral("style ") + StyleText(*f.Style);
    return parts.join(QStringLiteral(", "));
}

void Line(const char* name, const QString& value) {
    Out(QStringLiteral("  %1 %2\n").arg(QString::fromLatin1(name), -15).arg(value));
}

void DumpColumn(int number, const TColumnRecord& c) {
    Out(QStringLiteral("colonne %1 : %2, %3, %4\n")
            .arg(number)
            .arg(c.FieldName ? *c.FieldName : QStringLiteral("sans champ"),
                 c.TitleCaption ? Quoted(*c.TitleCaption) : QStringLiteral("titre par défaut"),
                 c.Width ? QStringLiteral("largeur %1").arg(*c.Width)
                         : QStringLiteral("largeur par défaut")));
    if (c.Alignment) Line("Alignment", EnumText(*c.Alignment, kAlignmentNames));
    if (c.ButtonStyle) Line("ButtonStyle", EnumText(*c.ButtonStyle, kButtonStyleNames));
    if (c.Color) Line("Color", ColorText(*c.Color));
    if (c.DropDownRows) Line("DropDownRows", QString::number(*c.DropDownRows));
    if (c.Expanded) Line("Expanded", Boolean(*c.Expanded));
    if (c.FieldName) Line("FieldName", Quoted(*c.FieldName));
    if (!c.Font.Empty()) Line("Font", FontText(c.Font));
    if (c.ImeMode) Line("ImeMode", EnumText(*c.ImeMode, kImeModeNames));
    if (c.ImeName) Line("ImeName", Quoted(*c.ImeName));
    if (c.PickList) {
        QStringList lines;
        for (const QString& l : *c.PickList) lines << Quoted(l);
        Line("PickList", lines.join(QStringLiteral(", ")));
    }
    if (c.PopupMenu) Line("PopupMenu", *c.PopupMenu);
    if (c.ReadOnly) Line("ReadOnly", Boolean(*c.ReadOnly));
    if (c.TitleAlignment) Line("Title.Alignment", EnumText(*c.TitleAlignment, kAlignmentNames));
    if (c.TitleCaption) Line("Title.Caption", Quoted(*c.TitleCaption));
    if (c.TitleColor) Line("Title.Color", ColorText(*c.TitleColor));
    if (!c.TitleFont.Empty()) Line("Title.Font", FontText(c.TitleFont));
    if (c.Width) Line("Width", QString::number(*c.Width));
    if (c.Visible) Line("Visible", Boolean(*c.Visible));
}

QString ColumnCount(const TColumnsLayout& layout) {
    return Plural(int64_t(layout.Columns.size()), "colonne", "colonnes");
}

int Dump(const QString& file) {
    const std::optional<TColumnsLayout> layout = Load(file);
    if (!layout) return 1;
    Out(ColumnCount(*layout));
    if (!layout->Name.isEmpty()) Out(QStringLiteral(", racine nommée ") + layout->Name);
    if (layout->Tag != 0) Out(QStringLiteral(", tag %1").arg(layout->Tag));
    if (layout->Columns.empty()) Out(QStringLiteral(" (la grille montre une colonne par champ)"));
    Out(QStringLiteral("\n"));
    for (std::size_t i = 0; i < layout->Columns.size(); ++i) DumpColumn(int(i + 1), layout->Columns[i]);
    return 0;
}

int Check(const QString& file) {
    const std::optional<TColumnsLayout> layout = Load(file);
    if (!layout) return 1;
    QStringList fields;
    for (const TColumnRecord& c : layout->Columns)
        fields << (c.FieldName ? *c.FieldName : QStringLiteral("-"));
    Out(QStringLiteral("%1: %2").arg(file, ColumnCount(*layout)));
    if (!fields.isEmpty()) Out(QStringLiteral(" (") + fields.join(QStringLiteral(", ")) + u')');
    Out(QStringLiteral("\n"));
    return 0;
}

int Run(QStringList args) {
    if (const auto answer = StandardAnswer(args, "tallivo-layout", TALLIVO_VERSION, kUsage)) return *answer;
    const QString command = args.takeFirst();
    if (args.size() == 1)
        if (const QString problem = InputFileProblem(args[0]); !problem.isEmpty()) {
            Err(problem + u'\n');
            return 2;
        }
    if (command == "dump" && args.size() == 1) return Dump(args[0]);
    if (command == "check" && args.size() == 1) return Check(args[0]);
    Err(QStringLiteral("tallivo-layout: commande inconnue ou arguments erronés : ") + command + u'\n');
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    return RunToolMain("tallivo-layout", [&] { return Run(ToolArguments(argc, argv)); });
}
