// The merge of station collections (TCollectionMerge), the export form of a
// table (ExportText) and the packet tool's merge command (MergeCommand):
// arguments, loading, the conflict report and the safe writing of the result.
#include "tools/packet/Merge.h"
#include "tools/packet/MergeCounts.h"

#include "base/CodePage.h"
#include "base/Collation.h"
#include "base/Exception.h"
#include "table/AtomicFile.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "table/ExportText.h"
#include "table/Packet.h"
#include "tools/ToolMain.h"

#include <QFile>
#include <QFileInfo>
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
            QStringLiteral("QTE is of type %1, not a number").arg(in.Fields[size_t(qty)].TypeName));
    if (in.Columns[size_t(code)].Kind() != TStoreColumn::TKind::Bytes)
        throw Exception(
            QStringLiteral("CODE_ART is of type %1, not a text").arg(in.Fields[size_t(code)].TypeName));

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
            throw Exception(QStringLiteral("%1 is of type %2 here, of type %3 in %4")
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

// ---------------------------------------------------------------- the command

namespace {

QString Quoted(const QString& s) {
    return u'"' + s + u'"';
}

} // namespace

bool LooksLikePacket(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(512).trimmed();
    return head.startsWith("<?xml") || head.startsWith("<DATAPACKET") || head.startsWith("\xEF\xBB\xBF<");
}

int MergeCommand(const QStringList& arguments) {
    QStringList args = arguments;
    const bool xml = !args.isEmpty() && args[0] == QLatin1String("--xml");
    if (xml) args.removeFirst();
    if (args.size() < 2) {
        Err(QStringLiteral("tallivo-packet merge: an output file and at least one collection are needed\n"));
        return 2;
    }
    const QString out = args.takeFirst();
    const QString outPath = QFileInfo(out).canonicalFilePath();

    // The same station counted twice, or the result written over a station's
    // file, would lose or double counts: both are refused before any work.
    QStringList seen;
    for (const QString& in : args) {
        const QString path = QFileInfo(in).canonicalFilePath();
        if (!path.isEmpty() && path == outPath) {
            Err(QStringLiteral("%1: is also an input; nothing written\n").arg(out));
            return 2;
        }
        if (!path.isEmpty() && seen.contains(path)) {
            Err(QStringLiteral("%1: given twice; nothing written\n").arg(in));
            return 2;
        }
        seen << path;
    }
    if (!xml && LooksLikePacket(out)) {
        Err(QStringLiteral("%1: is a data packet, not replaced by text (use --xml to write a packet); "
                           "nothing written\n")
                .arg(out));
        return 2;
    }

    TCollectionMerge merge;
    for (const QString& in : args) {
        TClientDataSet table;
        try {
            table.LoadFromFile(in);
            merge.Add(in, *table.Store());
        } catch (const ESameCount& e) {
            Err(e.Message() + u'\n');
            return 2;
        } catch (const EDataPacketError& e) {
            Err(QStringLiteral("%1: %2 (reading stopped at byte %3); nothing written\n")
                    .arg(in, e.Message())
                    .arg(e.Offset()));
            return 1;
        } catch (const Exception& e) {
            Err(QStringLiteral("%1: %2; nothing written\n").arg(in, e.Message()));
            return 1;
        }
    }
    for (const TMergeConflict& c : merge.Conflicts())
        Err(QStringLiteral("conflict: article %1, %2 %3 (%4) / %5 (%6): the first is kept\n")
                .arg(Quoted(c.Code), c.Field, Quoted(c.Kept), c.KeptFrom, Quoted(c.Other), c.OtherFrom));

    const uint64_t lines = merge.LinesRead();
    const size_t conflicts = merge.Conflicts().size();
    TClientDataSet result;
    try {
        result.LoadFromStoreData(merge.TakeResult());
        if (xml) {
            result.SaveToFile(out, dfXML);
        } else {
            const QByteArray text = ExportText(result);
            TAtomicFile file(out);
            file.Put(text.constData(), size_t(text.size()));
            file.Commit();
        }
    } catch (const Exception& e) {
        Err(QStringLiteral("%1: %2\n").arg(out, e.Message()));
        return 1;
    }
    Out(QStringLiteral("%1: %2 articles from %3 lines in %4 files, %5 conflicts\n")
            .arg(out)
            .arg(result.RecordCount())
            .arg(lines)
            .arg(args.size())
            .arg(conflicts));
    return 0;
}

} // namespace tallivo
