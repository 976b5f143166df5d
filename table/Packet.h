#pragma once
// The data packet codec: turns a whole data file into store content and an
// open table's store into the bytes of a data file. LoadFromFile and
// SaveToFile of TClientDataSet go through it; the XML data packet reader and
// writer implement it (DefaultPacketCodec).

#include "table/DBTypes.h"
#include "table/StoreData.h"

#include <QByteArray>

namespace tallivo {

class IDSBase;

class IDataPacketCodec {
public:
    virtual ~IDataPacketCodec() = default;
    // Builds the content of a new store from a whole file (not empty).
    // Raises EDBClient with the store's message on malformed input.
    virtual TStoreData Read(const QByteArray& content) const = 0;
    // The packet of a store: fields, parameters, slots with row states, the
    // change log; when the log is empty, the visible records in the store's
    // DefaultOrder().
    virtual QByteArray Write(const IDSBase& store, TDataPacketFormat format) const = 0;
};

// The codec tables use unless given another (TClientDataSet::SetPacketCodec).
const IDataPacketCodec& DefaultPacketCodec();

} // namespace tallivo
