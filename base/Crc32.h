#pragma once
// The CRC-32 checksum of PNG chunks and zip files (polynomial 0xEDB88320).

#include <QByteArrayView>
#include <cstdint>

namespace tallivo {

std::uint32_t Crc32(QByteArrayView data);

} // namespace tallivo
