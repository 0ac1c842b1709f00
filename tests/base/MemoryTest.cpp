#include "base/Memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "base/Diagnosis.h"
#include "support/TestSupport.h"

namespace vesk {

// Named in vesk so that the report shows the class as the engine's own.
class Scene : public MemoryItem {
 public:
  char payload[40] = {};
};

namespace test {
namespace {

class Mesh : public TrackedBlock {
 public:
  int vertices[10] = {};
};

std::vector<std::string> reportOf(MemoryTracker& memory) {
  std::vector<std::string> lines;
  memory.report([&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

TEST(MemoryTracker, RunThatFreesEverythingReportsOnlyThePeak) {
  MemoryTracker memory;
  void* a = memory.allocate(100, here(), Registry::Blocks);
  void* b = memory.allocate(50, here(), Registry::Objects);
  memory.release(a, Registry::Blocks);
  void* c = memory.allocate(30, here(), Registry::Blocks);
  memory.release(b, Registry::Objects);
  memory.release(c, Registry::Blocks);
  EXPECT_EQ(memory.currentUsage(), 0u);
  // The peak of the current usage (150), not the sum of all allocations (180).
  EXPECT_EQ(reportOf(memory),
            (std::vector<std::string>{"", "Maximum memory usage : 150 bytes", ""}));
}

TEST(MemoryTracker, LeaksAreListedObjectsFirstWithTheirTotal) {
  MemoryTracker memory;
  void* scene =
      memory.allocate(16, Site("/src/scene/Scene.cpp", 686), Registry::Objects, &typeid(Scene));
  void* block = memory.allocate(24, Site("/src/base/File.cpp", 40), Registry::Blocks);
  std::vector<std::string> lines = reportOf(memory);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "\nDetected memory leaks !\nDumping :");
  EXPECT_TRUE(std::regex_match(
      lines[1],
      std::regex(
          R"(Scene\(686\) : MemoryItem \(vesk::Scene, 16 bytes long at 0x[0-9A-F]{8,}\) not deleted)")))
      << lines[1];
  EXPECT_TRUE(std::regex_match(
      lines[2],
      std::regex(R"(File\(40\) : Unknown object \(24 bytes long at 0x[0-9A-F]{8,}\) not deleted)")))
      << lines[2];
  EXPECT_EQ(lines[3], "Dump complete. Total not freed memory : 40 bytes\n");
  EXPECT_EQ(lines[5], "Maximum memory usage : 40 bytes");
  // The report empties the registries; the blocks themselves are the leak being reported.
  EXPECT_EQ(memory.recordCount(Registry::Objects), 0u);
  memory.release(scene, Registry::Objects);
  memory.release(block, Registry::Blocks);
}

TEST(MemoryTracker, TrackingStopsForGoodAtTheReport) {
  MemoryTracker memory;
  reportOf(memory);
  void* block = memory.allocate(10, here(), Registry::Blocks);
  EXPECT_EQ(memory.recordCount(Registry::Blocks), 0u);
  EXPECT_FALSE(memory.tracking());
  memory.release(block, Registry::Blocks);
  EXPECT_EQ(reportOf(memory).size(), 3u);
}

TEST(MemoryTracker, ForeignBlocksAreFreedWithoutAccounting) {
  MemoryTracker memory;
  void* tracked = memory.allocate(64, here(), Registry::Blocks);
  memory.release(std::malloc(32), Registry::Blocks);  // like the archive reader's buffers
  memory.release(nullptr, Registry::Objects);
  EXPECT_EQ(memory.currentUsage(), 64u);
  memory.release(tracked, Registry::Blocks);
  EXPECT_EQ(memory.currentUsage(), 0u);
}

TEST(MemoryTracker, CountsStayExactWithTwoThreads) {
  MemoryTracker memory;
  auto churn = [&memory] {
    for (int i = 0; i < 2000; ++i) {
      void* block = memory.allocate(8, here(), i % 2 ? Registry::Objects : Registry::Blocks);
      memory.release(block, i % 2 ? Registry::Objects : Registry::Blocks);
    }
  };
  std::thread other(churn);
  churn();
  other.join();
  EXPECT_EQ(memory.currentUsage(), 0u);
  EXPECT_LE(memory.maximumUsage(), 16u);
}

TEST(Make, RecordsTheCallersFileLineAndClass) {
  MemoryTracker& memory = theMemory();
  std::size_t usage = memory.currentUsage();
  const std::uint32_t line = __LINE__ + 1;
  Owned<Scene> scene = make<Scene>(here());
  std::optional<MemoryRecord> record = memory.find(scene.get(), Registry::Objects);
  ASSERT_TRUE(record);
  EXPECT_EQ(baseName(record->file), "MemoryTest");
  EXPECT_EQ(record->line, line);
  EXPECT_EQ(record->size, sizeof(Scene));
  ASSERT_NE(record->type, nullptr);
  EXPECT_EQ(typeName(*record->type), "vesk::Scene");
  EXPECT_EQ(memory.currentUsage(), usage + sizeof(Scene));

  // Destroyed through a base pointer, it leaves the registry and the usage.
  Owned<MemoryItem> item = std::move(scene);
  const void* address = item.get();
  item.reset();
  EXPECT_FALSE(memory.find(address, Registry::Objects));
  EXPECT_EQ(memory.currentUsage(), usage);
}

TEST(Make, TrackedBlocksAndBuffersAreRecordedAsBlocks) {
  MemoryTracker& memory = theMemory();
  std::size_t blocks = memory.recordCount(Registry::Blocks);
  {
    Owned<Mesh> mesh = make<Mesh>(here());
    const std::uint32_t line = __LINE__ + 1;
    Bytes buffer = allocateBytes(0);
    ASSERT_NE(buffer, nullptr);  // an empty buffer is still a buffer
    EXPECT_EQ(memory.recordCount(Registry::Blocks), blocks + 2);
    // Without a site given, the buffer is recorded at its caller's line.
    std::optional<MemoryRecord> record = memory.find(buffer.get(), Registry::Blocks);
    ASSERT_TRUE(record);
    EXPECT_EQ(baseName(record->file), "MemoryTest");
    EXPECT_EQ(record->line, line);
  }
  EXPECT_EQ(memory.recordCount(Registry::Blocks), blocks);
}

}  // namespace
}  // namespace test
}  // namespace vesk
