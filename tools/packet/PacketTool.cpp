// tallivo-packet: checks, shows, converts and merges XML data packet files
// with the table engine of the workstation.
//
//   packet check [--strict] FILE  fields, record and slot counts, or the load
//                                 error and the byte where reading stopped;
//                                 --strict: what the reader passed over
//   packet dump FILE              fields, parameters, every slot with its row
//                                 state and values, the change log
//   packet to-csv FILE [OUT]      the visible records as semicolon-separated
//                                 text (standard output without OUT)
//   packet from-csv [--trim] CSV OUT
//                                 a packet (dfXML) from semicolon-separated text
//   packet merge [--xml] OUT IN...  the collections of several stations as
//                                 one (Merge.cpp)
//
// Messages in French. No output replaces an input or (without --force) a
// data packet (tools/common/ToolFiles.h). Exit codes: 0 done, 1 a file could
// not be read, converted or written, 2 wrong command line or refused output.
#include "base/CodePage.h"
#include "base/Exception.h"
#include "base/FloatText.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "table/NumberText.h"
#include "table/Packet.h"
#include "table/PacketReader.h"
#include "tools/ToolMain.h"
#include "tools/common/ToolFiles.h"
#include "tools/common/ToolOptions.h"
#include "tools/packet/Csv.h"
#include "tools/packet/Merge.h"

#include <QFile>
#include <QString>
#include <cstdio>
#include <string>

using namespace tallivo;

namespace {

const char* const kUsage =
    "usage :\n"
    "  tallivo-packet check [--strict] FICHIER\n"
    "  tallivo-packet dump FICHIER\n"
    "  tallivo-packet to-csv [--names] [--decimal , | .] [--force] FICHIER [SORTIE]\n"
    "  tallivo-packet from-csv [--trim] [--force] CSV SORTIE\n"
    "  tallivo-packet merge [--xml] [--decimal , | .] [--force] SORTIE COMPTAGE...\n"
    "  tallivo-packet --help | --version\n"
    "\n"
    "check    essai de chargement : FICHIER se charge-t-il comme au poste ? ses champs,\n"
    "         ses enregistrements, ou l'erreur et l'octet où la lecture s'est arrêtée.\n"
    "         Un fichier qui se charge peut avoir perdu des valeurs en route (un\n"
    "         guillemet dans une valeur arrête la lecture de la ligne) : --strict\n"
    "         signale chaque attribut ignoré ou coupé, avec son octet (sortie 1 s'il\n"
    "         y en a)\n"
    "dump     les champs, les paramètres, chaque emplacement et l'historique\n"
    "to-csv   les enregistrements en texte séparé par des points-virgules\n"
    "         (Windows-1252, CR LF) ; l'en-tête donne chaque champ en NOM:type[:largeur]\n"
    "         (--names : les noms seuls) ; sans SORTIE, sur la sortie standard\n"
    "from-csv écrit SORTIE, un fichier de données, à partir d'un tel texte ; un nom\n"
    "         d'en-tête sans type prend celui du catalogue (CODE_ART, NOM_ART,\n"
    "         CATEGORIE, PX_VTE_TC, REF_ART_F, PRIX_ACHAT, NOM_FOU, GERE_STOCK, QTE).\n"
    "         Sans l'un des champs que le poste lit (CODE_ART, NOM_ART, CATEGORIE,\n"
    "         PRIX_ACHAT, GERE_STOCK), rien n'est écrit sans --force. Chaque valeur\n"
    "         terminée par une espace est signalée (--trim : ces espaces sont retirées)\n"
    "merge    réunit les comptages de plusieurs postes : une ligne par code article\n"
    "         (majuscules et minuscules confondues), quantités additionnées, les\n"
    "         autres colonnes du premier fichier qui a le code. COMPTAGE est le\n"
    "         COLLECTION.XML d'un poste ou son export CSV. SORTIE est écrit comme\n"
    "         l'export du poste (\";\", CR LF, Windows-1252), ou avec --xml comme un\n"
    "         fichier de comptage. Les noms ou catégories qui diffèrent d'un poste à\n"
    "         l'autre sont signalés. Rien n'est écrit si un fichier ne se lit pas\n"
    "\n"
    "--decimal , | .  le séparateur décimal des nombres écrits (par défaut la\n"
    "                 virgule, comme les postes)\n"
    "--force          remplacer SORTIE même si c'est un fichier de données\n"
    "Aucun outil n'écrit sur l'un des fichiers qu'il lit.\n"
    "\n"
    "sortie : 0 fait, 1 un fichier n'a pas pu être lu ou écrit, 2 ligne de\n"
    "commande erronée ou écriture refusée (rien n'est écrit)\n";

// A folder given as a file: said, and exit code 2 (true).
bool IsFolderRefused(const QString& file) {
    const QString problem = InputFileProblem(file);
    if (!problem.isEmpty()) Err(problem + u'\n');
    return !problem.isEmpty();
}

// Loads a packet file; prints the error (with the byte where reading
// stopped) and returns false when it cannot.
bool Load(TClientDataSet& table, const QString& file) {
    try {
        table.LoadFromFile(file);
        return true;
    } catch (const Exception& e) {
        Err(QString("%1: %2\n").arg(file, ToolMessage(e)));
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

// The strict check's line for what the reader passed over or shortened.
QString NoticeLine(const TPacketNotice& n) {
    const QString name = QString::fromStdString(n.Name);
    const QString where = n.Row ? QStringLiteral("ROW %1 (octet %2)").arg(n.Row).arg(n.Offset)
                                : QStringLiteral("octet %1").arg(n.Offset);
    switch (n.Kind) {
    case TPacketNotice::nkTagCut:
        return QStringLiteral("%1 : dans <%2>, un attribut sans valeur entre guillemets arrête la lecture ; "
                              "la suite de la balise est ignorée")
            .arg(where, name);
    case TPacketNotice::nkUnknownAttribute:
        return QStringLiteral("%1 : l'attribut %2 est ignoré, aucun champ ne porte ce nom").arg(where, name);
    case TPacketNotice::nkRepeatedAttribute:
        return QStringLiteral("%1 : l'attribut %2 est donné deux fois, le second est ignoré")
            .arg(where, name);
    case TPacketNotice::nkValueCut:
        return QStringLiteral("%1 : la valeur de %2 est coupée (largeur du champ ou caractère nul)")
            .arg(where, name);
    case TPacketNotice::nkNumberCut:
        return QStringLiteral("%1 : le nombre de %2 n'est pas lu en entier").arg(where, name);
    case TPacketNotice::nkRestart:
        break;
    }
    return QString();
}

// Loads file as check --strict does, keeping what the reader passed over.
bool LoadStrict(TClientDataSet& table, const QString& file, std::vector<TPacketNotice>& notices) {
    try {
        table.LoadFromStoreData(ReadPacketFile(file, [&notices](const TPacketNotice& n) {
            if (n.Kind == TPacketNotice::nkRestart)
                notices.clear();
            else
                notices.push_back(n);
        }));
        return true;
    } catch (const Exception& e) {
        Err(QString("%1: %2\n").arg(file, ToolMessage(e)));
    }
    return false;
}

int Check(const QString& file, bool strict) {
    if (IsFolderRefused(file)) return kExitRefused;
    TClientDataSet table;
    std::vector<TPacketNotice> notices;
    if (!(strict ? LoadStrict(table, file, notices) : Load(table, file))) return kExitFailed;
    const IDSBase& s = *table.Store();
    const TStoreData& d = s.Data();
    Out(QStringLiteral("champs : %1\n").arg(d.Fields.size()));
    for (const TStoreFieldDesc& f : d.Fields) Out(QStringLiteral("  ") + FieldLine(f) + u'\n');
    Out(QStringLiteral("enregistrements : %1\nemplacements : %2\nhistorique des modifications : %3\n")
            .arg(s.RecordCount())
            .arg(s.SlotCount())
            .arg(d.ChangeLog.size()));
    if (!strict) return kExitDone;
    constexpr size_t kShown = 1000;
    for (size_t i = 0; i < notices.size() && i < kShown; ++i) Out(NoticeLine(notices[i]) + u'\n');
    if (notices.size() > kShown)
        Out(QStringLiteral("... et %1\n").arg(Plural(int64_t(notices.size() - kShown), "autre", "autres")));
    if (notices.empty()) {
        Out(QStringLiteral("strict : aucun attribut ignoré ni coupé\n"));
        return kExitDone;
    }
    Out(QStringLiteral("strict : %1 ignorés ou coupés\n")
            .arg(Plural(int64_t(notices.size()), "attribut", "attributs")));
    return kExitFailed;
}

QString RowStateWords(uint8_t state) {
    if (state == 0) return QStringLiteral("inchangé");
    QStringList w;
    if (state & usInserted) w << QStringLiteral("inséré");
    if (state & usModified) w << QStringLiteral("modifié");
    if (state & usSuperseded) w << QStringLiteral("remplacé");
    if (state & usDeleted) w << QStringLiteral("supprimé");
    if (state & usFree) w << QStringLiteral("libre");
    if (state & ~(usInserted | usModified | usSuperseded | usDeleted | usFree))
        w << QStringLiteral("autres bits");
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
    if (IsFolderRefused(file)) return kExitRefused;
    TClientDataSet table;
    if (!Load(table, file)) return kExitFailed;
    const IDSBase& s = *table.Store();
    const TStoreData& d = s.Data();
    Out(QStringLiteral("CHAMPS\n"));
    for (size_t f = 0; f < d.Fields.size(); ++f) {
        Out(QStringLiteral("  %1 ").arg(f + 1) + FieldLine(d.Fields[f]) + u'\n');
        DumpParams(d.Fields[f].Params, QStringLiteral("      param "));
    }
    Out(QStringLiteral("PARAMÈTRES\n"));
    DumpParams(d.Params, QStringLiteral("  "));
    Out(QStringLiteral("EMPLACEMENTS (%1, %2)\n")
            .arg(s.SlotCount())
            .arg(Plural(s.RecordCount(), "visible", "visibles")));
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
    Out(QStringLiteral("HISTORIQUE (%1)\n").arg(d.ChangeLog.size()));
    for (const TChangeLogEntry& e : d.ChangeLog) {
        const QString kind = e.Kind == clInserted   ? QStringLiteral("ajout")
                             : e.Kind == clModified ? QStringLiteral("modification")
                             : e.Kind == clDeleted  ? QStringLiteral("suppression")
                                                    : QStringLiteral("?");
        Out(QStringLiteral("  %1 %2 %3 (%4)\n").arg(e.Slot).arg(e.LinkedSlot).arg(e.Kind).arg(kind));
    }
    return 0;
}

int ToCsv(const QString& file, const QString& out, bool namesOnly, QChar separator, bool force) {
    if (IsFolderRefused(file)) return kExitRefused;
    if (!out.isEmpty())
        if (const QString refusal = OutputRefusal(out, {file}, force); !refusal.isEmpty()) {
            Err(refusal + u'\n');
            return kExitRefused;
        }
    TClientDataSet table;
    if (!Load(table, file)) return kExitFailed;
    const QByteArray text = CatalogueToCsv(*table.Store(), namesOnly, char(separator.unicode()));
    if (out.isEmpty()) {
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return kExitDone;
    }
    try {
        WriteWholeFile(out, text);
    } catch (const Exception& e) {
        Err(QString("%1: %2\n").arg(out, ToolMessage(e)));
        return kExitFailed;
    }
    return kExitDone;
}

int FromCsv(const QString& csv, const QString& out, const TCsvOptions& options, bool force) {
    if (IsFolderRefused(csv)) return kExitRefused;
    if (const QString refusal = OutputRefusal(out, {csv}, force); !refusal.isEmpty()) {
        Err(refusal + u'\n');
        return kExitRefused;
    }
    QByteArray text;
    try {
        text = ReadWholeFile(csv);
    } catch (const Exception& e) {
        Err(QString("%1: %2\n").arg(csv, ToolMessage(e)));
        return kExitFailed;
    }
    TCsvResult result = CatalogueFromCsv(text, options);
    for (const QString& w : result.Warnings) Err(csv + QStringLiteral(": ") + w + u'\n');
    if (!result.Error.isEmpty()) {
        Err(csv + QStringLiteral(": ") + result.Error + QStringLiteral(" ; rien n'est écrit\n"));
        return kExitFailed;
    }
    // A catalogue without a field the station reads makes it fail at every
    // new line: said before anything is written.
    if (const QStringList missing = MissingStationFields(result.Data); !missing.isEmpty()) {
        const QString what =
            missing.size() == 1
                ? QStringLiteral("le champ %1 manque").arg(missing[0])
                : QStringLiteral("les champs %1 manquent").arg(missing.join(QStringLiteral(", ")));
        Err(csv + QStringLiteral(": ") + what +
            (missing.size() == 1
                 ? QStringLiteral(" : le poste de comptage le lit et refuserait chaque nouvelle ligne")
                 : QStringLiteral(" : le poste de comptage les lit et refuserait chaque nouvelle ligne")) +
            (force ? QStringLiteral(" ; écrit quand même (--force)\n")
                   : QStringLiteral(" ; rien n'est écrit (--force pour écrire quand même)\n")));
        if (!force) return kExitFailed;
    }
    TClientDataSet table;
    try {
        table.LoadFromStoreData(std::move(result.Data));
        table.SaveToFile(out, dfXML);
    } catch (const Exception& e) {
        Err(QString("%1: %2\n").arg(out, ToolMessage(e)));
        return kExitFailed;
    }
    Out(QStringLiteral("%1: %2, %3\n")
            .arg(out, Plural(table.Fields().Count(), "champ", "champs"),
                 Plural(table.RecordCount(), "enregistrement", "enregistrements")));
    return kExitDone;
}

int WrongCommandLine(const QString& what) {
    Err(QStringLiteral("tallivo-packet: ") + what + u'\n');
    std::fputs(kUsage, stderr);
    return kExitRefused;
}

int Run(QStringList args) {
    if (const auto answer = StandardAnswer(args, "tallivo-packet", TALLIVO_VERSION, kUsage)) return *answer;
    const QString command = args.takeFirst();
    const TToolArgs a =
        ParseToolArgs(args,
                      {QStringLiteral("--strict"), QStringLiteral("--names"), QStringLiteral("--force"),
                       QStringLiteral("--trim"), QStringLiteral("--xml")},
                      {QStringLiteral("--decimal")});
    if (!a.Error.isEmpty()) return WrongCommandLine(a.Error);
    QChar separator;
    QString error;
    if (!ApplyDecimalOption(a, separator, error)) return WrongCommandLine(error);
    const QStringList& p = a.Positional;
    // Each command accepts only its own options.
    const auto only = [&a](const QStringList& allowed) {
        for (const QString& f : a.Flags)
            if (!allowed.contains(f)) return false;
        return a.Values.isEmpty() || allowed.contains(QStringLiteral("--decimal"));
    };
    if (command == "merge" && only({"--xml", "--force", "--decimal"})) return MergeCommand(a);
    if (command == "check" && p.size() == 1 && only({"--strict"})) return Check(p[0], a.Has("--strict"));
    if (command == "dump" && p.size() == 1 && only({})) return Dump(p[0]);
    if (command == "to-csv" && (p.size() == 1 || p.size() == 2) && only({"--names", "--force", "--decimal"}))
        return ToCsv(p[0], p.value(1), a.Has("--names"), separator, a.Has("--force"));
    if (command == "from-csv" && p.size() == 2 && only({"--trim", "--force"})) {
        TCsvOptions options;
        options.TrimTrailingSpaces = a.Has("--trim");
        return FromCsv(p[0], p[1], options, a.Has("--force"));
    }
    return WrongCommandLine(QStringLiteral("commande inconnue ou arguments erronés : ") + command);
}

} // namespace

int main(int argc, char** argv) {
    return RunToolMain("tallivo-packet", [&] { return Run(ToolArguments(argc, argv)); });
}
