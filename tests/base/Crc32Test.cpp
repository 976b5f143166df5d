#include "base/Crc32.h"

#include <QByteArray>
#include <gtest/gtest.h>

using namespace tallivo;

TEST(Crc32, KnownValues) {
    EXPECT_EQ(Crc32(QByteArray("123456789")), 0xCBF43926u);
    EXPECT_EQ(Crc32(QByteArray()), 0u);
    // The IEND chunk of every PNG file: type only, no data.
    EXPECT_EQ(Crc32(QByteArray("IEND")), 0xAE426082u);
}
