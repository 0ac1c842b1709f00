// Every input that once made a fuzz target fail is kept in tests/data/regressions/<target>/ and
// replayed here through the target's own entry function: a crash, a sanitizer report or engine
// memory left behind fails the run as it did the fuzzer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "FuzzEntries.h"
#include "support/TestSupport.h"

namespace vesk::fuzz {
namespace {

namespace fs = std::filesystem;

class Replay : public testing::TestWithParam<Target> {};

TEST_P(Replay, KeptInputsRunCleanly) {
  const fs::path folder = test::dataDir() / "regressions" / std::string(GetParam().name);
  std::vector<fs::path> files;
  if (fs::is_directory(folder))
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    GetParam().entry(bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, Replay, testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vesk::fuzz
