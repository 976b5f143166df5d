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
#include <functional>
#include <string>

class QFile;

namespace tallivo {

// Rows of at least this many bytes are read in two halves at once, the
// second on another thread (when the machine has a second core and the
// source can be read at an offset). The result, and the error and its
// offset for a malformed packet, are those of reading from start to end.
inline constexpr uint64_t kReadInHalvesFrom = uint64_t(4) << 20;

// Reads a packet held in memory.
TStoreData ReadPacket(const char* data, size_t size, uint64_t halvesFrom = kReadInHalvesFrom);

// What the reader passed over or shortened while it loaded a packet that
// it accepted (the packet tool's strict check reports them).
struct TPacketNotice {
    enum TKind {
        nkTagCut,            // an attribute without a quoted value ended the tag's attribute list
        nkUnknownAttribute,  // a ROW attribute that names no field
        nkRepeatedAttribute, // a ROW attribute given twice: the first counts
        nkValueCut,          // a string value cut to its field's width, or at a NUL character
        nkNumberCut,         // a number read only in part, or as null although text was there
        nkRestart,           // the reader starts again in Windows-1252: forget the notices so far
    };
    TKind Kind = nkTagCut;
    uint64_t Offset = 0; // the tag's first byte; for nkTagCut, where passing over began
    uint32_t Row = 0;    // the ROW's number from 1; 0 outside ROWDATA
    std::string Name;    // the attribute or field name; for nkTagCut, the tag's name
};
using TPacketNoticeSink = std::function<void(const TPacketNotice&)>;

// Reads a packet from a source, a piece at a time: only a small window of
// the file (two when the rows are read in halves) is held in memory while
// the store grows.
TStoreData ReadPacket(IPacketSource& source, uint64_t halvesFrom = kReadInHalvesFrom);
// The same, read from start to end in one piece, telling notices what the
// reader passed over or shortened; the content read is the same as without.
TStoreData ReadPacket(IPacketSource& source, TPacketNoticeSink notices);

// A file open for reading as a packet source. A failing read raises the
// file error ("Accès au fichier refusé" or "Erreur E/S %d").
class TPacketFileSource final : public IPacketSource {
public:
    explicit TPacketFileSource(QFile& file) : FFile(file) {}
    size_t ReadSome(char* buffer, size_t max) override;
    void Rewind() override;
    uint64_t SizeHint() const override;
    bool CanReadAt() const override;
    size_t ReadAt(uint64_t offset, char* buffer, size_t max) override;
    void SeekTo(uint64_t offset) override;

private:
    QFile& FFile;
};

} // namespace tallivo
