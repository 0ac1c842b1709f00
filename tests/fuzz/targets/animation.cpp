// libFuzzer target: every input goes to vesk::fuzz::animation (FuzzEntries.h).
#include <cstddef>
#include <cstdint>

#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vesk::fuzz::animation({data, size});
  return 0;
}
