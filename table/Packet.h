#pragma once
// The data packet codec: turns a data file into store content and an open
// table's store into the bytes of a data file. LoadFromFile and SaveToFile
// of TClientDataSet go through it; the XML data packet reader and writer
// implement it (DefaultPacketCodec).
//
// Files are read and written piece by piece (IPacketSource, IPacketSink), so
// that loading a large catalogue never holds the whole file beside the table
// built from it, and saving never builds the whole packet in memory.

#include "base/Exception.h"
#include "table/DBTypes.h"
#include "table/StoreData.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace tallivo {

class IDSBase;

// Bytes the reader pulls piece by piece (a file being read).
class IPacketSource {
public:
    virtual ~IPacketSource() = default;
    // Copies up to max bytes into buffer and returns how many; 0 at the end.
    // Raises the file error when the device fails.
    virtual size_t ReadSome(char* buffer, size_t max) = 0;
    // Goes back to the first byte (the reader starts once more, as
    // Windows-1252, when a file declared as UTF-8 turns out not to be).
    // Raises when the source cannot go back.
    virtual void Rewind() = 0;
    // The total size in bytes when known, 0 otherwise (the reader reserves
    // room for the rows from it).
    virtual uint64_t SizeHint() const { return 0; }
    // Sources that can also be read at any offset (a file, not a pipe) let
    // the reader read the second half of a large packet's rows on another
    // thread. ReadAt copies up to max bytes from offset into buffer and
    // returns how many (0 at the end); it may run on another thread while
    // ReadSome runs, and does not move the place ReadSome reads from.
    // SeekTo makes ReadSome go on from offset.
    virtual bool CanReadAt() const { return false; }
    virtual size_t ReadAt(uint64_t offset, char* buffer, size_t max);
    virtual void SeekTo(uint64_t offset);
};

// Where the writer puts the packet, piece by piece, in order.
class IPacketSink {
public:
    virtual ~IPacketSink() = default;
    virtual void Put(const char* data, size_t size) = 0;
};

// A malformed packet: the store's message and code, plus the byte offset in
// the file where reading stopped (the start of the token that was refused,
// or the end of the content when it ended too early).
class EDataPacketError : public EDBClient {
public:
    EDataPacketError(QString message, int errorCode, uint64_t offset)
        : EDBClient(std::move(message), errorCode), FOffset(offset) {}
    uint64_t Offset() const { return FOffset; }

private:
    uint64_t FOffset;
};

class IDataPacketCodec {
public:
    virtual ~IDataPacketCodec() = default;
    // Builds the content of a new store from a whole file held in memory
    // (not empty). Raises EDBClient with the store's message on malformed
    // input.
    virtual TStoreData Read(const QByteArray& content) const = 0;
    // The same from a source read piece by piece (a file that is not empty).
    // The default reads everything into memory and calls Read.
    virtual TStoreData ReadFrom(IPacketSource& source) const;
    // The packet of a store: fields, parameters, slots with row states, the
    // change log; when the log is empty, the visible records in the store's
    // DefaultOrder().
    virtual QByteArray Write(const IDSBase& store, TDataPacketFormat format) const = 0;
    // The same packet handed to a sink piece by piece. The default calls
    // Write and hands over the whole block.
    virtual void WriteTo(const IDSBase& store, TDataPacketFormat format, IPacketSink& sink) const;
};

// The XML data packet codec; tables use it unless given another
// (TClientDataSet::SetPacketCodec).
const IDataPacketCodec& DefaultPacketCodec();

} // namespace tallivo
