#include "base/ArchiveReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "authoring/Crc32.h"
#include "authoring/RarWriter.h"
#include "support/TestSupport.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;
using Members = std::vector<std::pair<std::string, std::string>>;

fs::path fixture(std::string_view name) {
  return test::dataDir() / "rar" / name;
}

std::string text(const ArchiveMember& member) {
  return {reinterpret_cast<const char*>(member.data.get()), member.size};
}

// The content of both members of the solid fixture: "000\n" to "511\n".
std::string countingLines() {
  std::string lines;
  for (int i = 0; i < 512; ++i) {
    char line[8];
    std::snprintf(line, sizeof line, "%03d\n", i);
    lines += line;
  }
  return lines;
}

std::string writtenArchive(const Members& members) {
  test::TempDir dir;
  RarWriter writer;
  EXPECT_TRUE(writer.create(dir / "a.vk"));
  for (const auto& [name, bytes] : members) {
    EXPECT_TRUE(writer.addFile(
        name, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, 1700000000));
  }
  EXPECT_TRUE(writer.finish()) << writer.error();
  return test::readFile(dir / "a.vk");
}

struct Sample {
  std::string file;
  Members members;  // what each member holds; an empty text for a member that cannot be read
};

std::vector<Sample> samples() {
  return {
      {"rar2-unix-owner.rar", {{"file.txt", "foo\n"}}},
      {"rar202-comment-nopsw.rar", {{"FILE1.TXT", "file1\r\n"}, {"FILE2.TXT", "file2\r\n"}}},
      {"rar3-solid.rar", {{"stest1.txt", countingLines()}, {"stest2.txt", countingLines()}}},
      {"rar15-comment.rar", {{"FILE1.TXT", ""}, {"FILE2.TXT", "baaaar\r\n"}}},
  };
}

TEST(ArchiveReaderFixtures, ReadAndListAsTheOtherToolsWroteThem) {
  for (const Sample& sample : samples()) {
    SCOPED_TRACE(sample.file);
    // Members are read in reverse so that the second member of the solid archive comes first.
    for (auto it = sample.members.rbegin(); it != sample.members.rend(); ++it) {
      ArchiveMember member = readArchiveMember(fixture(sample.file), it->first);
      if (it->second.empty()) continue;
      ASSERT_TRUE(member) << it->first << ": " << member.error;
      EXPECT_EQ(text(member), it->second) << it->first;
    }
    ArchiveListing listing = listArchive(fixture(sample.file));
    ASSERT_TRUE(listing) << listing.error;
    ASSERT_EQ(listing.entries.size(), sample.members.size());
    for (std::size_t i = 0; i < sample.members.size(); ++i) {
      EXPECT_EQ(listing.entries[i].name, sample.members[i].first);
    }
  }
  EXPECT_EQ(listArchive(fixture("rar3-solid.rar")).entries[1].size, 2048u);
}

TEST(ArchiveReaderFixtures, RefusesTheRar15MethodClearly) {
  ArchiveMember member = readArchiveMember(fixture("rar15-comment.rar"), "FILE1.TXT");
  EXPECT_FALSE(member);
  EXPECT_EQ(member.data, nullptr);
  EXPECT_NE(member.error.find("RAR 1.5"), std::string::npos) << member.error;
}

TEST(ArchiveReaderNames, EitherSeparatorMatchesAndNothingElseIsLoose) {
  test::TempDir dir;
  test::writeFile(dir / "a.vk", writtenArchive({{"data\\textures\\white.png", "white"},
                                                {"data\\empty.bin", ""}}));
  EXPECT_EQ(text(readArchiveMember(dir / "a.vk", "data\\textures\\white.png")), "white");
  EXPECT_EQ(text(readArchiveMember(dir / "a.vk", "data/textures/white.png")), "white");
  EXPECT_EQ(text(readArchiveMember(dir / "a.vk", "data/textures\\white.png")), "white");
  ArchiveMember empty = readArchiveMember(dir / "a.vk", "data\\empty.bin");
  ASSERT_TRUE(empty) << empty.error;
  EXPECT_EQ(empty.size, 0u);
  EXPECT_NE(empty.data, nullptr);
  for (const char* wrong : {"DATA\\textures\\white.png", "white.png", "data\\textures",
                            "data\\textures\\white.png ", "data\\\\textures\\white.png", ""}) {
    ArchiveMember member = readArchiveMember(dir / "a.vk", wrong);
    EXPECT_FALSE(member) << wrong;
    EXPECT_EQ(member.error, "not found in the archive") << wrong;
  }
  ArchiveListing listing = listArchive(dir / "a.vk");
  ASSERT_EQ(listing.entries.size(), 2u);
  EXPECT_EQ(listing.entries[0].name, "data\\textures\\white.png");
  EXPECT_EQ(listing.entries[0].size, 5u);
}

TEST(ArchiveReaderNames, MembersComeInAnyOrderAndARewrittenArchiveIsReadAnew) {
  test::TempDir dir;
  test::writeFile(dir / "a.vk", writtenArchive({{"a", "1"}, {"b", "22"}, {"c", "333"}}));
  EXPECT_EQ(text(readArchiveMember(dir / "a.vk", "c")), "333");
  EXPECT_EQ(text(readArchiveMember(dir / "a.vk", "a")), "1");
  EXPECT_EQ(text(readArchiveMember(dir / "a.vk", "b")), "22");
  // The same size, other members in another order.
  test::writeFile(dir / "a.vk", writtenArchive({{"d", "444"}, {"b", "55"}, {"a", "6"}}));
  EXPECT_EQ(text(readArchiveMember(dir / "a.vk", "d")), "444");
  EXPECT_EQ(text(readArchiveMember(dir / "a.vk", "a")), "6");
  EXPECT_EQ(readArchiveMember(dir / "a.vk", "c").error, "not found in the archive");
}

// The main thread and a worker decoding pictures ahead read the same archive at once. Under
// ThreadSanitizer (scripts/tsan) this also tells whether two threads were in unarr together.
TEST(ArchiveReaderNames, TwoThreadsReadAndListTheSameArchiveAtOnce) {
  test::TempDir dir;
  test::writeFile(dir / "a.vk", writtenArchive({{"a", "1"}, {"b", "22"}, {"c", "333"}}));
  auto reader = [&dir](int first, int& wrong) {
    for (int i = first; i < first + 40; ++i) {
      const bool b = i % 2 == 0;
      if (text(readArchiveMember(dir / "a.vk", b ? "b" : "c")) != (b ? "22" : "333")) ++wrong;
      if (listArchive(dir / "a.vk").entries.size() != 3) ++wrong;
    }
  };
  int wrong[2] = {};
  std::thread other(reader, 1, std::ref(wrong[1]));
  reader(0, wrong[0]);
  other.join();
  EXPECT_EQ(wrong[0], 0);
  EXPECT_EQ(wrong[1], 0);
}

TEST(ArchiveReaderNames, BuffersAreOrdinaryHeapBlocksThatNoCounterSees) {
  test::TempDir dir;
  test::writeFile(dir / "a.vk", writtenArchive({{"a.bin", std::string(100000, 'a')}}));
  const std::size_t before = theMemory().currentUsage();
  {
    ArchiveMember member = readArchiveMember(dir / "a.vk", "a.bin");
    ASSERT_TRUE(member) << member.error;
    EXPECT_EQ(theMemory().currentUsage(), before);
  }
  EXPECT_EQ(theMemory().currentUsage(), before);
}

// Reading from a damaged archive may fail, but what it gives is never wrong.
void expectNothingWrong(const fs::path& archive, const Sample& intact) {
  for (const auto& [name, bytes] : intact.members) {
    ArchiveMember member = readArchiveMember(archive, name);
    if (member) {
      EXPECT_EQ(text(member), bytes) << name;
    } else {
      EXPECT_FALSE(member.error.empty());
      EXPECT_EQ(member.data, nullptr);
    }
  }
}

std::vector<std::pair<Sample, std::string>> damageSubjects() {
  std::vector<std::pair<Sample, std::string>> subjects;
  for (Sample& sample : samples()) {
    std::string bytes = test::readFile(fixture(sample.file));
    subjects.emplace_back(std::move(sample), std::move(bytes));
  }
  Sample written{"written",
                 {{"a\\one.txt", "first member"}, {"b\\two.bin", std::string(300, 'x')}}};
  subjects.emplace_back(written, writtenArchive(written.members));
  return subjects;
}

TEST(ArchiveReaderHostile, TruncatedAtEveryLength) {
  test::TempDir dir;
  for (const auto& [sample, bytes] : damageSubjects()) {
    SCOPED_TRACE(sample.file);
    ArchiveListing full = listArchive(fixture(sample.file));
    if (sample.file == "written") full.entries = {{"a\\one.txt", 12}, {"b\\two.bin", 300}};
    // Past 512 bytes the fixtures hold nothing new (one ends with a second copy of itself).
    for (std::size_t length = 0; length < std::min<std::size_t>(bytes.size(), 512); ++length) {
      SCOPED_TRACE(length);
      test::writeFile(dir / "cut.rar", std::string_view(bytes).substr(0, length));
      expectNothingWrong(dir / "cut.rar", sample);
      // A listing stops early or fails; it never lists a member whose data was cut off.
      ArchiveListing listing = listArchive(dir / "cut.rar");
      ASSERT_LE(listing.entries.size(), full.entries.size());
      for (std::size_t i = 0; i < listing.entries.size(); ++i) {
        EXPECT_EQ(listing.entries[i].name, full.entries[i].name);
      }
      if (sample.file == "written" && length + 7 < bytes.size()) {
        EXPECT_FALSE(listing && listing.entries.size() == 2) << "the second member was cut";
      }
    }
  }
}

TEST(ArchiveReaderHostile, AByteChangedAnywhere) {
  test::TempDir dir;
  for (const auto& [sample, bytes] : damageSubjects()) {
    SCOPED_TRACE(sample.file);
    // The headers and the data they describe lie in the first 256 bytes of every subject.
    for (std::size_t at = 0; at < std::min<std::size_t>(bytes.size(), 256); ++at) {
      for (char flip : {'\x01', '\x80'}) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ flip);
        test::writeFile(dir / "damaged.rar", damaged);
        SCOPED_TRACE(at);
        expectNothingWrong(dir / "damaged.rar", sample);
        listArchive(dir / "damaged.rar");
      }
    }
  }
}

TEST(ArchiveReaderHostile, BadChecksumMissingArchiveAndGarbage) {
  test::TempDir dir;
  std::string archive = writtenArchive({{"data\\a.txt", "some text"}});
  archive[archive.size() - 7 - 2] ^= 0x20;  // inside the member's data
  test::writeFile(dir / "crc.rar", archive);
  ArchiveMember damaged = readArchiveMember(dir / "crc.rar", "data\\a.txt");
  EXPECT_FALSE(damaged);
  EXPECT_NE(damaged.error.find("checksum"), std::string::npos) << damaged.error;

  EXPECT_EQ(readArchiveMember(dir / "none.rar", "x").error, "archive not found");
  EXPECT_FALSE(listArchive(dir / "none.rar"));
  EXPECT_FALSE(readArchiveMember(dir.path(), "x"));  // a folder
  std::string garbage;
  for (int i = 0; i < 4096; ++i)
    garbage += static_cast<char>((i * 7919) >> 3);
  for (const std::string& prefix :
       std::vector<std::string>{"", "Rar!\x1a\x07", std::string("Rar!\x1a\x07\x00", 7)}) {
    test::writeFile(dir / "garbage.rar", prefix + garbage);
    ArchiveMember member = readArchiveMember(dir / "garbage.rar", "x");
    EXPECT_FALSE(member);
    EXPECT_FALSE(member.error.empty());
  }
}

// Rewrites a member's file header at `at` and seals it with a correct header CRC, so that the
// reader meets a hostile header that looks valid.
std::string withHeader(std::string archive, std::size_t at,
                       const std::function<void(std::string&)>& change) {
  std::size_t size = std::uint8_t(archive[at + 5]) | std::uint8_t(archive[at + 6]) << 8;
  std::string header = archive.substr(at, size);
  change(header);
  header[5] = static_cast<char>(header.size());
  header[6] = static_cast<char>(header.size() >> 8);
  std::uint32_t crc = crc32(header.data() + 2, header.size() - 2);
  header[0] = static_cast<char>(crc);
  header[1] = static_cast<char>(crc >> 8);
  return archive.replace(at, size, header);
}

void set32(std::string& header, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    header[at + i] = static_cast<char>(value >> (8 * i));
}

TEST(ArchiveReaderHostile, DeclaredSizesBeyondTheArchiveAreRefused) {
  test::TempDir dir;
  const std::size_t first = 20;  // after the marker and the main header
  std::string stored = writtenArchive({{"a.txt", "abc"}});
  auto expectRefused = [&](const std::string& archive, std::string_view name,
                           std::string_view why) {
    test::writeFile(dir / "hostile.rar", archive);
    ArchiveMember member = readArchiveMember(dir / "hostile.rar", name);
    EXPECT_FALSE(member);
    EXPECT_NE(member.error.find(why), std::string::npos) << member.error;
  };
  expectRefused(withHeader(stored, first,
                           [](std::string& h) {
                             set32(h, 7, 0xFFFFFFF0u);
                             set32(h, 11, 0xFFFFFFF0u);
                           }),
                "a.txt", "truncated");
  expectRefused(withHeader(stored, first,
                           [](std::string& h) {
                             h[4] = static_cast<char>(h[4] | 0x01);  // 64-bit sizes follow
                             h.insert(32, std::string("\0\0\0\0\x10\0\0\0", 8));
                           }),
                "a.txt", "4 GiB");
  expectRefused(withHeader(stored, first, [](std::string& h) { h[3] |= 0x04; }), "a.txt",
                "encrypted");
  // A compressed member whose header claims almost 4 GiB: its buffer grows only with what the
  // data really produces, and the data ends long before.
  std::string solid = test::readFile(fixture("rar3-solid.rar"));
  expectRefused(withHeader(solid, first, [](std::string& h) { set32(h, 11, 0xFFFFFF00u); }),
                "stest1.txt", "damaged");
}

}  // namespace
}  // namespace vesk
