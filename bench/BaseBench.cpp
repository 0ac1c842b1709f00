// Speed of the data files and of the memory accounting.
//   File::get of a 10 MB member of a Data.vk built by the writer, and of the same bytes as the
//   loose file data\big.bin, beside a plain fread of that file (the limit): bytes per second.
//   Tracked allocation and free (a 64-byte block, a small MemoryItem) beside plain new and
//   delete: time per pair.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "authoring/RarWriter.h"
#include "base/File.h"
#include "base/Memory.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBigSize = std::size_t(10) << 20;
constexpr const char* kBigName = "data\\big.bin";

fs::path archiveFolder;  // holds Data.vk (and data/big.bin, which File must not use)
fs::path looseFolder;    // holds data/big.bin only

void writeBig(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::vector<std::uint64_t> words(kBigSize / 8);
  std::uint64_t state = 88172645463325252ull;
  for (std::uint64_t& word : words) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    word = state;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file || std::fwrite(words.data(), 8, words.size(), file) != words.size()) std::abort();
  std::fclose(file);
}

// Runs File::get in `folder` with the mode File::init finds there.
void fileGet(benchmark::State& state, const fs::path& folder, vesk::File::Mode expected) {
  fs::path previous = fs::current_path();
  fs::current_path(folder);
  vesk::File::reset();
  vesk::File::init();
  if (vesk::File::mode() != expected) state.SkipWithError("unexpected file mode");
  std::uint32_t size = 0;
  for (auto _ : state) {
    vesk::Bytes data = vesk::File::get(kBigName, size);
    if (!data || size != kBigSize) {
      state.SkipWithError("File::get failed");
      break;
    }
    benchmark::DoNotOptimize(data.get());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kBigSize));
  vesk::File::reset();
  fs::current_path(previous);
}

void BM_FileGetArchiveMember(benchmark::State& state) {
  fileGet(state, archiveFolder, vesk::File::Mode::Archive);
}
BENCHMARK(BM_FileGetArchiveMember)->Unit(benchmark::kMillisecond);

void BM_FileGetLooseFile(benchmark::State& state) {
  fileGet(state, looseFolder, vesk::File::Mode::Loose);
}
BENCHMARK(BM_FileGetLooseFile)->Unit(benchmark::kMillisecond);

void BM_PlainFread(benchmark::State& state) {
  const fs::path path = looseFolder / "data" / "big.bin";
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::unique_ptr<char[]> buffer(new char[kBigSize]);
    if (!file || std::fread(buffer.get(), 1, kBigSize, file) != kBigSize) {
      state.SkipWithError("fread failed");
      if (file) std::fclose(file);
      break;
    }
    std::fclose(file);
    benchmark::DoNotOptimize(buffer.get());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kBigSize));
}
BENCHMARK(BM_PlainFread)->Unit(benchmark::kMillisecond);

void BM_TrackedBlock64(benchmark::State& state) {
  for (auto _ : state) {
    vesk::Bytes block = vesk::allocateBytes(64);
    benchmark::DoNotOptimize(block.get());
  }
}
BENCHMARK(BM_TrackedBlock64);

void BM_PlainNewDelete64(benchmark::State& state) {
  for (auto _ : state) {
    auto* block = new std::uint8_t[64];
    benchmark::DoNotOptimize(block);
    delete[] block;
  }
}
BENCHMARK(BM_PlainNewDelete64);

struct SmallItem : vesk::MemoryItem {
  int value = 0;
};

struct PlainItem {
  virtual ~PlainItem() = default;
  int value = 0;
};

void BM_TrackedMemoryItem(benchmark::State& state) {
  for (auto _ : state) {
    vesk::Owned<SmallItem> item = vesk::make<SmallItem>(vesk::here());
    benchmark::DoNotOptimize(item.get());
  }
}
BENCHMARK(BM_TrackedMemoryItem);

void BM_PlainNewDeleteItem(benchmark::State& state) {
  for (auto _ : state) {
    auto* item = new PlainItem;
    benchmark::DoNotOptimize(item);
    delete item;
  }
}
BENCHMARK(BM_PlainNewDeleteItem);

}  // namespace

int main(int argc, char** argv) {
  char pattern[] = "/tmp/vesk-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path root = pattern;
  archiveFolder = root / "archive";
  looseFolder = root / "loose";
  writeBig(looseFolder / "data" / "big.bin");
  writeBig(archiveFolder / "data" / "big.bin");
  vesk::PackResult packed = vesk::packFolder(archiveFolder / "Data.vk", archiveFolder / "data");
  if (!packed) {
    std::fprintf(stderr, "%s\n", packed.error.c_str());
    return 1;
  }

  benchmark::Initialize(&argc, argv);
  int status = benchmark::ReportUnrecognizedArguments(argc, argv) ? 1 : 0;
  if (status == 0) benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(root);
  return status;
}
