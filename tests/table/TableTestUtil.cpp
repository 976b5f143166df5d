#include "TableTestUtil.h"

#include <QDataStream>
#include <QIODevice>

namespace tallivo::test {

TStoreData TDumpCodec::Read(const QByteArray& content) const {
    QDataStream in(content);
    QByteArray magic;
    in >> magic;
    if (magic != "DUMP") throw EDBClient("Mismatch in datapacket.", DBERR_MISMATCH);
    TStoreData d;
    quint32 nf = 0, ns = 0, nl = 0, np = 0;
    in >> nf;
    for (quint32 i = 0; i < nf; ++i) {
        TStoreFieldDesc f;
        qint32 type = 0, size = 0;
        in >> f.Name >> type >> size >> f.TypeName >> f.Required >> f.ReadOnly;
        f.DataType = TFieldType(type);
        f.Size = size;
        d.AddField(f);
    }
    in >> np;
    for (quint32 i = 0; i < np; ++i) {
        TStoreParam p;
        in >> p.Name >> p.Value >> p.Type;
        d.Params.push_back(p);
    }
    in >> ns;
    for (quint32 s = 0; s < ns; ++s) {
        quint8 state = 0;
        in >> state;
        d.AppendSlot(state);
        for (quint32 f = 0; f < nf; ++f) {
            bool null = false;
            in >> null;
            if (null) {
                d.Columns[f].AppendNull();
            } else if (d.Columns[f].Kind() == TStoreColumn::TKind::Float) {
                double v = 0;
                in >> v;
                d.Columns[f].AppendFloat(v);
            } else {
                QByteArray b;
                in >> b;
                d.Columns[f].AppendBytes(std::string_view(b.constData(), size_t(b.size())));
            }
        }
    }
    in >> nl;
    for (quint32 i = 0; i < nl; ++i) {
        TChangeLogEntry e;
        in >> e.Slot >> e.LinkedSlot >> e.Kind;
        d.ChangeLog.push_back(e);
    }
    if (in.status() != QDataStream::Ok) throw EDBClient("Mismatch in datapacket.", DBERR_MISMATCH);
    return d;
}

QByteArray TDumpCodec::Write(const IDSBase& store, TDataPacketFormat format) const {
    Formats.push_back(format);
    const TStoreData& d = store.Data();
    QByteArray out;
    QDataStream o(&out, QIODevice::WriteOnly);
    o << QByteArray("DUMP") << quint32(d.Fields.size());
    for (const TStoreFieldDesc& f : d.Fields)
        o << f.Name << qint32(f.DataType) << qint32(f.Size) << f.TypeName << f.Required << f.ReadOnly;
    o << quint32(d.Params.size());
    for (const TStoreParam& p : d.Params) o << p.Name << p.Value << p.Type;
    o << quint32(d.SlotCount());
    for (uint32_t s = 1; s <= d.SlotCount(); ++s) {
        o << quint8(d.RowStates[s - 1]);
        for (size_t f = 0; f < d.Fields.size(); ++f) {
            const bool null = d.Columns[f].IsNull(s - 1);
            o << null;
            if (null) continue;
            if (d.Columns[f].Kind() == TStoreColumn::TKind::Float) {
                o << d.Columns[f].FloatAt(s - 1);
            } else {
                const std::string_view b = d.Columns[f].BytesAt(s - 1);
                o << QByteArray(b.data(), qsizetype(b.size()));
            }
        }
    }
    o << quint32(d.ChangeLog.size());
    for (const TChangeLogEntry& e : d.ChangeLog) o << e.Slot << e.LinkedSlot << e.Kind;
    return out;
}

} // namespace tallivo::test
