#pragma once
// Helpers of the data packet tests: files in a private folder, packets built
// from pieces, and a full picture of a table's stored content to compare
// after a save and a load.

#include "TableTestUtil.h"

#include "base/CodePage.h"
#include "table/Packet.h"
#include "table/PacketReader.h"
#include "table/PacketWriter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace tallivo::test {

inline const QByteArray kDeclaration = "<?xml version=\"1.0\" standalone=\"yes\"?>  ";
inline const QByteArray kDeclarationUtf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>  ";

inline QByteArray ReadFileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Windows-1252 bytes of a UTF-8 literal.
inline QByteArray Ansi(const char* utf8) {
    const std::string s = ToAnsi(QString::fromUtf8(utf8));
    return QByteArray(s.data(), qsizetype(s.size()));
}

// The same bytes as the text Column() shows for them.
inline QString L1(const char* utf8) {
    return QString::fromLatin1(Ansi(utf8));
}

// A packet with the given FIELD elements, PARAMS element and rows.
inline QByteArray Doc(const QByteArray& fields, const QByteArray& rows,
                      const QByteArray& params = "<PARAMS/>") {
    return kDeclaration + "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields + "</FIELDS>" + params +
           "</METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

// A table opened from packet bytes through a file, as the workstation loads.
class TFileTable {
public:
    TFileTable() : Path(Dir.filePath("PACKET.XML")) {}
    QTemporaryDir Dir;
    QString Path;
    TClientDataSet Table;

    // Loads bytes; returns the error message ("" on success).
    QString Load(const QByteArray& bytes) {
        WriteFileBytes(Path, bytes);
        return ErrorOf([&] { Table.LoadFromFile(Path); });
    }
    QByteArray Save(TDataPacketFormat format = dfXML) {
        const QString out = Dir.filePath("SAVED.XML");
        Table.SaveToFile(out, format);
        return ReadFileBytes(out);
    }
};

// Everything a store holds, in a comparable form.
struct TStoreImage {
    struct TField {
        QString Name;
        int DataType = 0;
        int Size = 0;
        QString TypeName;
        bool ReadOnly = false, Required = false, Hidden = false, LinkField = false;
        std::vector<std::vector<QString>> Params;
        bool operator==(const TField&) const = default;
    };
    std::vector<TField> Fields;
    std::vector<std::vector<QString>> Params;
    std::vector<uint8_t> RowStates;
    std::vector<std::vector<std::string>>
        Values; // per slot, per field: "N" for null, else "V" + bytes or number
    std::vector<TChangeLogEntry> Log;
    std::vector<uint32_t> Order;
    bool operator==(const TStoreImage&) const = default;
};

inline TStoreImage ImageOf(const IDSBase& store) {
    TStoreImage img;
    const TStoreData& d = store.Data();
    for (const TStoreFieldDesc& f : d.Fields) {
        TStoreImage::TField x{f.Name,     int(f.DataType), f.Size,      f.TypeName, f.ReadOnly,
                              f.Required, f.Hidden,        f.LinkField, {}};
        for (const TStoreParam& p : f.Params)
            x.Params.push_back({p.Name, p.Value, p.Type, p.Roundtrip ? "rt" : ""});
        img.Fields.push_back(x);
    }
    for (const TStoreParam& p : d.Params)
        img.Params.push_back({p.Name, p.Value, p.Type, p.Roundtrip ? "rt" : ""});
    img.RowStates = d.RowStates;
    for (uint32_t s = 1; s <= d.SlotCount(); ++s) {
        std::vector<std::string> row;
        for (size_t f = 0; f < d.Columns.size(); ++f) {
            const TStoreColumn& c = d.Columns[f];
            if (c.IsNull(s - 1))
                row.push_back("N");
            else if (c.Kind() == TStoreColumn::TKind::Float)
                row.push_back("F" + std::to_string(c.FloatAt(s - 1)) + "/" +
                              QByteArray::number(c.FloatAt(s - 1), 'g', 17).toStdString());
            else
                row.push_back("V" + std::string(c.BytesAt(s - 1)));
        }
        img.Values.push_back(row);
    }
    img.Log = d.ChangeLog;
    img.Order = store.DefaultOrder();
    return img;
}

// Reads a packet held in memory and returns the message of its error ("" when it reads).
inline QString ReadError(const QByteArray& bytes) {
    return ErrorOf([&] { (void)ReadPacket(bytes.constData(), size_t(bytes.size())); });
}

} // namespace tallivo::test
