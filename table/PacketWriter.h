#pragma once
// The XML data packet writer: the packet of a store, byte for byte, handed
// to a sink in pieces (dfXML: Windows-1252; dfXMLUTF8: the same document in
// UTF-8).

#include "table/DBTypes.h"

#include <QByteArray>

namespace tallivo {

class IDSBase;
class IPacketSink;

// Writes the packet of store to sink. Raises EDBClient "Fieldtype not
// supported for XML." for a field kind that has no type name (before any
// row is written). dfBinary writes the XML form (binary packets are not
// offered).
void WritePacket(const IDSBase& store, TDataPacketFormat format, IPacketSink& sink);

// The whole packet as one block.
QByteArray WritePacket(const IDSBase& store, TDataPacketFormat format);

} // namespace tallivo
