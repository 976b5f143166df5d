#pragma once
// The XML data packet reader: one pass over the bytes, straight into store
// content (field descriptors, parameters, slots with row states, change log).
// No document tree is built; values are appended to their columns as their
// row is read, and Windows-1252 text without references is copied as it is.
//
// Errors are EDataPacketError (an EDBClient) with the store's message and
// the byte offset where reading stopped.

#include "table/Packet.h"
#include "table/StoreData.h"

#include <cstddef>

class QFile;

namespace tallivo {

// Reads a packet held in memory.
TStoreData ReadPacket(const char* data, size_t size);

// Reads a packet from a source, a piece at a time: only a small window of
// the file is held in memory while the store grows.
TStoreData ReadPacket(IPacketSource& source);

// A file open for reading as a packet source. A failing read raises the
// file error ("Accès au fichier refusé" or "Erreur E/S %d").
class TPacketFileSource final : public IPacketSource {
public:
    explicit TPacketFileSource(QFile& file) : FFile(file) {}
    size_t ReadSome(char* buffer, size_t max) override;
    void Rewind() override;
    uint64_t SizeHint() const override;

private:
    QFile& FFile;
};

} // namespace tallivo
