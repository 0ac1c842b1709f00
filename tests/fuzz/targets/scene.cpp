// libFuzzer target: every input goes to vesk::fuzz::scene (FuzzEntries.h).
#include <cstddef>
#include <cstdint>

#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vesk::fuzz::scene({data, size});
  return 0;
}
