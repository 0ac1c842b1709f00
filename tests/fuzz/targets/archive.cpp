// libFuzzer target: every input goes to vesk::fuzz::archive (FuzzEntries.h).
#include <cstddef>
#include <cstdint>

#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vesk::fuzz::archive({data, size});
  return 0;
}
