#include "base/ByteOrder.h"

#include <gtest/gtest.h>

#include <vector>

namespace vesk::test {
namespace {

TEST(ByteOrder, LowByteFirstAndExtremesSurviveTheRoundTrip) {
  std::uint8_t bytes[4] = {};
  storeLe32(bytes, 0x12345678u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 4),
            (std::vector<std::uint8_t>{0x78, 0x56, 0x34, 0x12}));
  // All bits set: a byte promoted to int and shifted into the sign bit would be caught here.
  for (std::uint32_t value : {0u, 0x80000000u, 0xFFFFFFFFu}) {
    storeLe32(bytes, value);
    EXPECT_EQ(loadLe32(bytes), value);
  }
  for (std::uint16_t value : {0, 0x8000, 0xFFFF}) {
    storeLe16(bytes, value);
    EXPECT_EQ(loadLe16(bytes), value);
  }
  std::vector<std::uint8_t> appended;
  appendLe16(appended, 0xABCD);
  appendLe32(appended, 0xFFFFFFFFu);
  EXPECT_EQ(appended, (std::vector<std::uint8_t>{0xCD, 0xAB, 0xFF, 0xFF, 0xFF, 0xFF}));
}

}  // namespace
}  // namespace vesk::test
