// The merge of station collections (TCollectionMerge), the export form of a
// table (ExportText), reading count files (LoadCountFile, MergeCountFiles:
// the merge command and the back office's report share them) and the packet
// tool's merge command (MergeCommand): arguments, the refusals, the conflict
// report and the safe writing of the result.
#include "tools/packet/Merge.h"
#include "tools/packet/MergeCounts.h"

#include "base/CodePage.h"
#include "base/Collation.h"
#include "base/Exception.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "table/ExportText.h"
#include "table/Packet.h"
#include "tools/ToolMain.h"
#include "tools/common/ToolFiles.h"
#include "tools/common/ToolOptions.h"
#include "tools/packet/Csv.h"

#include <cstdio>
#include <string>
#include <unordered_map>

namespace tallivo {

namespace {

// A field by name, letter case ignored as the table does; -1 when absent.
int FindField(const TStoreData& d, const QString& name) {
    for (size_t i = 0; i < d.Fields.size(); ++i)
        if (d.Fields[i].Name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

bool IsAnsiKind(TFieldType t) {
    return t == ftString || t == ftFixedChar;
}

// A stored text value as the operator reads it.
QString Text(const TStoreFieldDesc& f, std::string_view bytes) {
    return IsAnsiKind(f.DataType) ? FromAnsi(bytes)
                                  : QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

struct TCollectionMerge::TState {
    bool Started = false;
    TStoreData Out;
    int Code = -1, Qty = -1, Name = -1, Category = -1; // fields of Out
    const TCollator* Collator = nullptr;
    std::unordered_map<std::string, uint32_t> Rows; // folded sort key of the code -> row of Out
    std::vector<double> Sums;
    std::vector<bool> HasQty;
    std::vector<uint32_t> Origin; // per row: the file it was taken from
    QStringList Files;
    std::vector<TMergeConflict> Conflicts;
    TMergeCounts Counts; // refuses one station's count found twice
    uint64_t Lines = 0;
    std::u16string Buffer;
    std::string Key;
};

TCollectionMerge::TCollectionMerge() : F(std::make_unique<TState>()) {}
TCollectionMerge::~TCollectionMerge() = default;

uint64_t TCollectionMerge::LinesRead() const {
    return F->Lines;
}
uint32_t TCollectionMerge::ArticleCount() const {
    return uint32_t(F->Sums.size());
}
const std::vector<TMergeConflict>& TCollectionMerge::Conflicts() const {
    return F->Conflicts;
}

void TCollectionMerge::Add(const QString& name, const IDSBase& collection) {
    TState& s = *F;
    const TStoreData& in = collection.Data();
    const int code = FindField(in, QStringLiteral("CODE_ART")), qty = FindField(in, QStringLiteral("QTE"));
    if (code < 0 || qty < 0)
        throw EDatabaseError(QStringLiteral("Champ '%1' non trouvé").arg(code < 0 ? "CODE_ART" : "QTE"));
    if (in.Fields[size_t(qty)].DataType != ftFloat)
        throw Exception(
            QStringLiteral("QTE est de type %1, pas un nombre").arg(in.Fields[size_t(qty)].TypeName));
    if (in.Columns[size_t(code)].Kind() != TStoreColumn::TKind::Bytes)
        throw Exception(
            QStringLiteral("CODE_ART est de type %1, pas un texte").arg(in.Fields[size_t(code)].TypeName));

    if (!s.Started) {
        for (const TStoreFieldDesc& f : in.Fields) s.Out.AddField(f);
        s.Out.Params = in.Params;
        s.Code = code, s.Qty = qty;
        s.Name = FindField(in, QStringLiteral("NOM_ART"));
        s.Category = FindField(in, QStringLiteral("CATEGORIE"));
        s.Collator = &collection.Collator();
        s.Started = true;
    }
    // Where each field of the result is in this file (-1: not there).
    std::vector<int> from(s.Out.Fields.size(), -1);
    for (size_t f = 0; f < s.Out.Fields.size(); ++f) {
        const TStoreFieldDesc& want = s.Out.Fields[f];
        const int at = FindField(in, want.Name);
        if (at < 0) continue;
        if (in.Fields[size_t(at)].DataType != want.DataType)
            throw Exception(QStringLiteral("%1 est ici de type %2, de type %3 dans %4")
                                .arg(want.Name, in.Fields[size_t(at)].TypeName, want.TypeName, s.Files[0]));
        from[f] = at;
    }
    s.Counts.Add(name, in.Params);
    const uint32_t file = uint32_t(s.Files.size());
    s.Files << name;

    const TStoreFieldDesc& codeDesc = in.Fields[size_t(code)];
    for (const uint32_t slot : collection.DefaultOrder()) {
        ++s.Lines;
        const std::string_view codeBytes =
            collection.IsNull(slot, code) ? std::string_view() : collection.BytesAt(slot, code);
        if (IsAnsiKind(codeDesc.DataType)) {
            FromAnsi(codeBytes, s.Buffer);
        } else {
            const QString t = QString::fromUtf8(codeBytes.data(), qsizetype(codeBytes.size()));
            s.Buffer.assign(reinterpret_cast<const char16_t*>(t.utf16()), size_t(t.size()));
        }
        s.Key.clear();
        s.Collator->AppendFoldedSortKey(s.Buffer, s.Key);
        const auto [it, added] = s.Rows.try_emplace(s.Key, uint32_t(s.Sums.size()));
        const uint32_t row = it->second;
        if (added) {
            s.Out.AppendSlot();
            for (size_t f = 0; f < from.size(); ++f) {
                if (int(f) == s.Qty) continue; // summed, written at the end
                TStoreColumn& out = s.Out.Columns[f];
                if (from[f] < 0 || collection.IsNull(slot, from[f]))
                    out.AppendNull();
                else if (out.Kind() == TStoreColumn::TKind::Float)
                    out.AppendFloat(collection.FloatAt(slot, from[f]));
                else
                    out.AppendBytes(collection.BytesAt(slot, from[f]));
            }
            s.Sums.push_back(0);
            s.HasQty.push_back(false);
            s.Origin.push_back(file);
        } else {
            for (const int field : {s.Name, s.Category}) {
                if (field < 0 || from[size_t(field)] < 0) continue;
                const int at = from[size_t(field)];
                const std::string_view other =
                    collection.IsNull(slot, at) ? std::string_view() : collection.BytesAt(slot, at);
                const TStoreColumn& keptColumn = s.Out.Columns[size_t(field)];
                const std::string_view kept =
                    keptColumn.IsNull(row) ? std::string_view() : keptColumn.BytesAt(row);
                if (kept == other) continue;
                const TStoreFieldDesc& desc = s.Out.Fields[size_t(field)];
                const TStoreColumn& codes = s.Out.Columns[size_t(s.Code)];
                s.Conflicts.push_back(
                    {codes.IsNull(row) ? QString() : Text(s.Out.Fields[size_t(s.Code)], codes.BytesAt(row)),
                     desc.Name, Text(desc, kept), s.Files[int(s.Origin[row])], Text(desc, other), name});
            }
        }
        if (!collection.IsNull(slot, qty)) {
            s.Sums[row] += collection.FloatAt(slot, qty);
            s.HasQty[row] = true;
        }
    }
}

TStoreData TCollectionMerge::TakeResult() {
    TState& s = *F;
    if (s.Started) {
        TStoreColumn& qty = s.Out.Columns[size_t(s.Qty)];
        for (size_t row = 0; row < s.Sums.size(); ++row) {
            if (s.HasQty[row])
                qty.AppendFloat(s.Sums[row]);
            else
                qty.AppendNull();
        }
    }
    s.Out.Params = s.Counts.ResultParams(s.Out.Params);
    TStoreData result = std::move(s.Out);
    F = std::make_unique<TState>();
    return result;
}

QByteArray ExportText(TClientDataSet& table) {
    QByteArray text;
    const auto line = [&text](const QString& s) {
        const std::string bytes = ToAnsi(s);
        text.append(bytes.data(), qsizetype(bytes.size()));
        text.append("\r\n", 2);
    };
    line(ExportHeader(table));
    for (table.First(); !table.Eof(); table.Next()) line(ExportLine(table));
    return text;
}

// ---------------------------------------------------------------- count files

void LoadCountFile(const QString& path, TClientDataSet& table) {
    if (const QString problem = InputFileProblem(path); !problem.isEmpty()) throw Exception(problem);
    // The export is text beginning with its header line; anything else is
    // read as a packet, whose reader says what is wrong with it.
    if (!LooksLikePacket(path)) {
        const QByteArray bytes = ReadWholeFile(path);
        const QByteArray header = bytes.left(bytes.indexOf('\n')).toUpper();
        if (header.contains("CODE_ART") && header.contains("QTE") && header.contains(';')) {
            TCsvOptions options;
            options.WidenToFit = true;
            TCsvResult csv = CatalogueFromCsv(bytes, options);
            if (!csv.Error.isEmpty()) throw Exception(csv.Error);
            table.LoadFromStoreData(std::move(csv.Data));
            return;
        }
    }
    table.LoadFromFile(path);
}

QString CountFilesRefusal(const QStringList& files) {
    for (qsizetype i = 0; i < files.size(); ++i)
        for (qsizetype j = 0; j < i; ++j)
            if (SameFile(files[i], files[j]))
                return QStringLiteral("%1 est donné deux fois (c'est aussi %2) : ses quantités compteraient "
                                      "double ; rien n'est écrit")
                    .arg(Shown(files[i]), Shown(files[j]));
    return QString();
}

void MergeCountFiles(const QStringList& files, TCollectionMerge& merge, const TCountLoaded& loaded) {
    for (const QString& file : files) {
        TClientDataSet table;
        try {
            LoadCountFile(file, table);
            if (loaded) loaded(file, table);
            merge.Add(file, *table.Store());
        } catch (const ESameCount&) {
            throw; // a refusal, said as it is
        } catch (const Exception& e) {
            throw Exception(file + QStringLiteral(": ") + ToolMessage(e));
        }
    }
}

// ---------------------------------------------------------------- the command

QString ConflictLine(const TMergeConflict& c) {
    return QStringLiteral("conflit : article %1, %2 %3 (%4) / %5 (%6) : le premier est gardé")
        .arg(Shown(c.Code), c.Field, Shown(c.Kept), c.KeptFrom, Shown(c.Other), c.OtherFrom);
}

int MergeCommand(const TToolArgs& a) {
    if (a.Positional.size() < 2) {
        Err(QStringLiteral("tallivo-packet merge: il faut un fichier de sortie et au moins un comptage\n"));
        return kExitRefused;
    }
    const bool xml = a.Has(QStringLiteral("--xml"));
    const QString out = a.Positional[0];
    const QStringList inputs = a.Positional.mid(1);

    // The same station counted twice, or the result written over a station's
    // file or a catalogue, would lose or double counts: refused before any
    // work.
    QString refusal = CountFilesRefusal(inputs);
    for (const QString& in : inputs)
        if (refusal.isEmpty()) refusal = InputFileProblem(in);
    if (refusal.isEmpty()) refusal = OutputRefusal(out, inputs, a.Has(QStringLiteral("--force")));
    if (!refusal.isEmpty()) {
        Err(refusal + u'\n');
        return kExitRefused;
    }

    TCollectionMerge merge;
    try {
        MergeCountFiles(inputs, merge);
    } catch (const ESameCount& e) {
        Err(e.Message() + u'\n');
        return kExitRefused;
    } catch (const Exception& e) {
        Err(e.Message() + QStringLiteral(" ; rien n'est écrit\n"));
        return kExitFailed;
    }
    for (const TMergeConflict& c : merge.Conflicts()) Err(ConflictLine(c) + u'\n');

    const uint64_t lines = merge.LinesRead();
    const size_t conflicts = merge.Conflicts().size();
    TClientDataSet result;
    try {
        result.LoadFromStoreData(merge.TakeResult());
        if (xml)
            result.SaveToFile(out, dfXML);
        else
            WriteWholeFile(out, ExportText(result));
    } catch (const Exception& e) {
        Err(QStringLiteral("%1: %2\n").arg(out, ToolMessage(e)));
        return kExitFailed;
    }
    Out(QStringLiteral("%1: %2 de %3 dans %4, %5\n")
            .arg(out, Plural(result.RecordCount(), "article", "articles"),
                 Plural(int64_t(lines), "ligne", "lignes"), Plural(inputs.size(), "fichier", "fichiers"),
                 Plural(int64_t(conflicts), "conflit", "conflits")));
    return kExitDone;
}

} // namespace tallivo
