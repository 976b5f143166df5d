// libFuzzer target of the packet tool's CSV reader: any text either gives a
// clear error or a catalogue that opens as a table, writes as a packet that
// reads back, and writes as CSV again.
#include "base/Exception.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "table/PacketReader.h"
#include "table/PacketWriter.h"
#include "tools/packet/Csv.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace tallivo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    TCsvResult result = CatalogueFromCsv(text);
    if (!result.Error.isEmpty()) return 0;
    const uint32_t rows = result.Data.SlotCount();
    TClientDataSet table;
    try {
        table.LoadFromStoreData(std::move(result.Data));
    } catch (const Exception&) {
        std::fputs("csv fuzz: a catalogue read from text does not open\n", stderr);
        std::abort();
    }
    const QByteArray packet = WritePacket(*table.Store(), dfXML);
    try {
        const TStoreData back = ReadPacket(packet.constData(), size_t(packet.size()));
        if (back.SlotCount() != rows || back.Fields.size() != table.Store()->Data().Fields.size()) {
            std::fputs("csv fuzz: the packet reads back with other rows or fields\n", stderr);
            std::abort();
        }
    } catch (const Exception&) {
        std::fputs("csv fuzz: the written packet does not read\n", stderr);
        std::abort();
    }
    const QByteArray again = CatalogueToCsv(*table.Store());
    if (!CatalogueFromCsv(again).Error.isEmpty()) {
        std::fputs("csv fuzz: the written text does not read\n", stderr);
        std::abort();
    }
    return 0;
}
