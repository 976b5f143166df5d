// Stand-in for the data packet codec until the XML reader and writer exist:
// both directions refuse, so that no file is read or written half-way.
#include "table/Packet.h"

#include "base/Exception.h"

namespace tallivo {

namespace {
class TUnavailableCodec final : public IDataPacketCodec {
public:
    TStoreData Read(const QByteArray&) const override {
        throw EDBClient("Mismatch in datapacket.", DBERR_MISMATCH);
    }
    QByteArray Write(const IDSBase&, TDataPacketFormat) const override {
        throw EDBClient("Fieldtype not supported for XML.", DBERR_INVALIDFIELDTYPE);
    }
};
} // namespace

const IDataPacketCodec& DefaultPacketCodec() {
    static const TUnavailableCodec codec;
    return codec;
}

} // namespace tallivo
