// tallivo-packet: checks, shows, converts and merges XML data packet files
// with the table engine of the workstation.
//
//   packet check FILE             fields, record and slot counts, or the load
//                                 error and the byte where reading stopped
//   packet dump FILE              fields, parameters, every slot with its row
//                                 state and values, the change log
//   packet to-csv FILE [OUT]      the visible records as semicolon-separated
//                                 text (standard output without OUT)
//   packet from-csv [--trim] CSV OUT
//                                 a packet (dfXML) from semicolon-separated text
//   packet merge [--xml] OUT IN...  the collections of several stations as
//                                 one (Merge.cpp)
//
// Exit codes: 0 done, 1 the file could not be read or converted, 2 wrong
// command line.
#include "base/CodePage.h"
#include "base/Exception.h"
#include "base/FloatText.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "table/NumberText.h"
#include "table/Packet.h"
#include "tools/ToolMain.h"
#include "tools/packet/Csv.h"
#include "tools/packet/Merge.h"

#include <QFile>
#include <QString>
#include <cstdio>
#include <string>

using namespace tallivo;

namespace {

const char* const kUsage = "usage:\n"
                           "  tallivo-packet check FILE\n"
                           "  tallivo-packet dump FILE\n"
                           "  tallivo-packet to-csv [--names] FILE [OUT]\n"
                           "  tallivo-packet from-csv [--trim] CSV OUT\n"
                           "  tallivo-packet merge [--xml] OUT COLLECTION.XML...\n"
                           "  tallivo-packet --help | --version\n"
                           "\n"
                           "check    loads FILE and prints its fields, record and slot counts\n"
                           "dump     prints the fields, parameters, every slot and the change log\n"
                           "to-csv   writes the records as semicolon-separated text (Windows-1252,\n"
                           "         CR LF); the header gives each field as NAME:type[:width]\n"
                           "         (--names: the names alone)\n"
                           "from-csv writes OUT as an XML data packet from such a text; a header\n"
                           "         name without its type takes it from the catalogue layout\n"
                           "         (CODE_ART, NOM_ART, CATEGORIE, PX_VTE_TC, REF_ART_F, PRIX_ACHAT,\n"
                           "         NOM_FOU, GERE_STOCK, QTE); every string value ending with a space\n"
                           "         is reported with its line and column (--trim: such spaces are\n"
                           "         removed, so that a scanned code without them finds its article)\n"
                           "merge    combines the collections of several counting stations: one line\n"
                           "         per article code (letter case ignored), quantities summed, the\n"
                           "         other columns from the first file that has the code; OUT is\n"
                           "         written as the workstation's export (\";\", CR LF, Windows-1252,\n"
                           "         the locale's decimal separator: LC_NUMERIC=fr_FR.UTF-8 gives a\n"
                           "         comma), or with --xml as a collection packet. Names or categories\n"
                           "         that differ between stations are reported on standard error.\n"
                           "         Nothing is written when an input cannot be read.\n"
                           "\n"
                           "exit status: 0 done, 1 a file could not be read or written, 2 wrong\n"
                           "command line\n";

// Loads a packet file; prints the error (with the byte where reading
// stopped) and returns false when it cannot.
bool Load(TClientDataSet& table, const QString& file) {
    try {
        table.LoadFromFile(file);
        return true;
    } catch (const EDataPacketError& e) {
        Err(QString("%1: %2 (reading stopped at byte %3)\n").arg(file, e.Message()).arg(e.Offset()));
    } catch (const Exception& e) {
        Err(QString("%1: %2\n").arg(file, e.Message()));
    }
    return false;
}

QString FieldLine(const TStoreFieldDesc& d) {
    QString s = d.Name + u' ' + (d.TypeName.isEmpty() ? QStringLiteral("?") : d.TypeName);
    if (d.Size > 0) s += QStringLiteral(" WIDTH=%1").arg(d.Size);
    if (d.ReadOnly) s += QStringLiteral(" readonly");
    if (d.Required) s += QStringLiteral(" required");
    if (d.Hidden) s += QStringLiteral(" hidden");
    if (d.LinkField) s += QStringLiteral(" linkfield");
    return s;
}

int Check(const QString& file) {
    TClientDataSet table;
    if (!Load(table, file)) return 1;
    const IDSBase& s = *table.Store();
    const TStoreData& d = s.Data();
    Out(QStringLiteral("fields %1\n").arg(d.Fields.size()));
    for (const TStoreFieldDesc& f : d.Fields) Out(QStringLiteral("  ") + FieldLine(f) + u'\n');
    Out(QStringLiteral("records %1\nslots %2\nchange log %3\n")
            .arg(s.RecordCount())
            .arg(s.SlotCount())
            .arg(d.ChangeLog.size()));
    return 0;
}

QString RowStateWords(uint8_t state) {
    if (state == 0) return QStringLiteral("unchanged");
    QStringList w;
    if (state & usInserted) w << QStringLiteral("inserted");
    if (state & usModified) w << QStringLiteral("modified");
    if (state & usSuperseded) w << QStringLiteral("superseded");
    if (state & usDeleted) w << QStringLiteral("deleted");
    if (state & usFree) w << QStringLiteral("free");
    if (state & ~(usInserted | usModified | usSuperseded | usDeleted | usFree))
        w << QStringLiteral("other bits");
    return w.join(QStringLiteral(", "));
}

// A value in double quotes, with backslash escapes for quotes, backslashes
// and control characters: an empty value is "", a null value null.
QString Quoted(const QString& text) {
    QString s = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\') {
            s += u'\\';
            s += c;
        } else if (c == u'\n') {
            s += QStringLiteral("\\n");
        } else if (c == u'\r') {
            s += QStringLiteral("\\r");
        } else if (c == u'\t') {
            s += QStringLiteral("\\t");
        } else if (c.unicode() < 32 || (c.unicode() >= 0x7F && c.unicode() < 0xA0)) {
            s += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0'));
        } else {
            s += c;
        }
    }
    return s + u'"';
}

void DumpParams(const std::vector<TStoreParam>& params, const QString& indent) {
    for (const TStoreParam& p : params)
        Out(indent + p.Name + QStringLiteral(" = ") + Quoted(p.Value) + QStringLiteral(" (") + p.Type +
            (p.Roundtrip ? QStringLiteral(", roundtrip") : QString()) + QStringLiteral(")\n"));
}

int Dump(const QString& file) {
    TClientDataSet table;
    if (!Load(table, file)) return 1;
    const IDSBase& s = *table.Store();
    const TStoreData& d = s.Data();
    Out(QStringLiteral("FIELDS\n"));
    for (size_t f = 0; f < d.Fields.size(); ++f) {
        Out(QStringLiteral("  %1 ").arg(f + 1) + FieldLine(d.Fields[f]) + u'\n');
        DumpParams(d.Fields[f].Params, QStringLiteral("      param "));
    }
    Out(QStringLiteral("PARAMS\n"));
    DumpParams(d.Params, QStringLiteral("  "));
    Out(QStringLiteral("SLOTS (%1, %2 visible)\n").arg(s.SlotCount()).arg(s.RecordCount()));
    for (uint32_t slot = 1; slot <= s.SlotCount(); ++slot) {
        const uint8_t state = s.RowState(slot);
        QString line =
            QStringLiteral("  %1 RowState=%2 (%3):").arg(slot).arg(state).arg(RowStateWords(state));
        for (size_t f = 0; f < d.Fields.size(); ++f) {
            const TStoreColumn& c = d.Columns[f];
            line += u' ' + d.Fields[f].Name + u'=';
            if (c.IsNull(slot - 1)) {
                line += QStringLiteral("null");
            } else if (c.Kind() == TStoreColumn::TKind::Float) {
                line += QString::fromStdString(FloatToPacketText(c.FloatAt(slot - 1)));
            } else {
                const std::string_view b = c.BytesAt(slot - 1);
                const bool ansi = d.Fields[f].DataType == ftString || d.Fields[f].DataType == ftFixedChar;
                if (IsDecimalKind(d.Fields[f].DataType)) // a number, as the file holds it
                    line += QString::fromLatin1(b.data(), qsizetype(b.size()));
                else
                    line += Quoted(ansi ? FromAnsi(b) : QString::fromUtf8(b.data(), qsizetype(b.size())));
            }
        }
        Out(line + u'\n');
    }
    Out(QStringLiteral("CHANGE LOG (%1)\n").arg(d.ChangeLog.size()));
    for (const TChangeLogEntry& e : d.ChangeLog) {
        const QString kind = e.Kind == clInserted   ? QStringLiteral("insert")
                             : e.Kind == clModified ? QStringLiteral("modify")
                             : e.Kind == clDeleted  ? QStringLiteral("delete")
                                                    : QStringLiteral("?");
        Out(QStringLiteral("  %1 %2 %3 (%4)\n").arg(e.Slot).arg(e.LinkedSlot).arg(e.Kind).arg(kind));
    }
    return 0;
}

int ToCsv(const QString& file, const QString& out, bool namesOnly) {
    TClientDataSet table;
    if (!Load(table, file)) return 1;
    const QByteArray text = CatalogueToCsv(*table.Store(), namesOnly);
    if (out.isEmpty()) {
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return 0;
    }
    QFile f(out);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.flush()) {
        Err(QString("%1: %2\n").arg(out, f.errorString()));
        return 1;
    }
    return 0;
}

int FromCsv(const QString& csv, const QString& out, const TCsvOptions& options) {
    QFile f(csv);
    if (!f.open(QIODevice::ReadOnly)) {
        Err(QString("%1: %2\n").arg(csv, f.errorString()));
        return 1;
    }
    const QByteArray text = f.readAll();
    TCsvResult result = CatalogueFromCsv(text, options);
    for (const QString& w : result.Warnings) Err(csv + QStringLiteral(": ") + w + u'\n');
    if (!result.Error.isEmpty()) {
        Err(csv + QStringLiteral(": ") + result.Error + u'\n');
        return 1;
    }
    TClientDataSet table;
    try {
        table.LoadFromStoreData(std::move(result.Data));
        table.SaveToFile(out, dfXML);
    } catch (const Exception& e) {
        Err(QString("%1: %2\n").arg(out, e.Message()));
        return 1;
    }
    Out(QStringLiteral("%1: %2 fields, %3 records\n")
            .arg(out)
            .arg(table.Fields().Count())
            .arg(table.RecordCount()));
    return 0;
}

int Run(QStringList args) {
    if (const auto answer = StandardAnswer(args, "tallivo-packet", TALLIVO_VERSION, kUsage)) return *answer;
    const QString command = args.takeFirst();
    if (command == "merge") return MergeCommand(args);
    if (command == "check" && args.size() == 1) return Check(args[0]);
    if (command == "dump" && args.size() == 1) return Dump(args[0]);
    if (command == "to-csv") {
        const bool names = !args.isEmpty() && args[0] == "--names";
        if (names) args.removeFirst();
        if (args.size() == 1 || args.size() == 2) return ToCsv(args[0], args.value(1), names);
    }
    if (command == "from-csv") {
        TCsvOptions options;
        options.TrimTrailingSpaces = !args.isEmpty() && args[0] == "--trim";
        if (options.TrimTrailingSpaces) args.removeFirst();
        if (args.size() == 2) return FromCsv(args[0], args[1], options);
    }
    Err(QStringLiteral("tallivo-packet: unknown command or wrong arguments: ") + command + u'\n');
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    return RunToolMain("tallivo-packet", [&] { return Run(ToolArguments(argc, argv)); });
}
