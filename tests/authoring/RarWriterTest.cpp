#include "authoring/RarWriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "authoring/Crc32.h"
#include "base/ArchiveReader.h"
#include "base/Diagnosis.h"
#include "support/TestSupport.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::time_t localTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  parts.tm_isdst = -1;
  return std::mktime(&parts);
}

std::time_t modifiedTime(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return status.st_mtime;
}

bool extract(const fs::path& archive, const fs::path& into) {
  fs::create_directories(into);
  std::string command = "bsdtar -xf '" + archive.string() + "' -C '" + into.string() + "'";
  return std::system(command.c_str()) == 0;
}

TEST(Crc32, KnownValueAndAnySplitOfTheInput) {
  EXPECT_EQ(crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(crc32("", 0), 0u);
  std::mt19937 random(7);
  std::string data(1000, '\0');
  for (char& c : data)
    c = static_cast<char>(random());
  const std::uint32_t whole = crc32(data.data(), data.size());
  for (std::size_t piece : {1u, 3u, 8u, 13u, 999u}) {
    Crc32 crc;
    for (std::size_t at = 0; at < data.size(); at += piece) {
      crc.update(data.data() + at, std::min(piece, data.size() - at));
    }
    EXPECT_EQ(crc.value(), whole) << piece;
  }
}

TEST(RarWriter, EmptyArchiveIsTheStandardOpeningAndEndBlocks) {
  test::TempDir dir;
  RarWriter writer;
  ASSERT_TRUE(writer.create(dir / "empty.rar"));
  ASSERT_TRUE(writer.finish());
  const std::string expected(
      "Rar!\x1a\x07\x00"
      "\xcf\x90\x73\x00\x00\x0d\x00\x00\x00\x00\x00\x00\x00"
      "\xc4\x3d\x7b\x00\x40\x07\x00",
      27);
  EXPECT_EQ(test::readFile(dir / "empty.rar"), expected);
  ArchiveListing listing = listArchive(dir / "empty.rar");
  EXPECT_TRUE(listing) << listing.error;
  EXPECT_TRUE(listing.entries.empty());
}

TEST(RarWriter, RefusesNamesItCannotWriteFaithfully) {
  test::TempDir dir;
  for (const char* name : {"", "caf\xc3\xa9.png", "data/a.txt", "\\a.txt", "a\\", "a\\\\b",
                           "..\\a.txt", "a\\.\\b", "tab\there"}) {
    RarWriter writer;
    ASSERT_TRUE(writer.create(dir / "a.rar"));
    EXPECT_FALSE(writer.addFile(name, bytesOf("x"), 0)) << name;
    EXPECT_FALSE(writer.error().empty());
    EXPECT_FALSE(writer.finish()) << "an archive is not completed after a failure";
  }
  EXPECT_TRUE(checkMemberName("data\\with space\\odd-name_(1).png").empty());
}

TEST(RarWriter, BsdtarExtractsContentTimesAndEmptyFolders) {
  test::TempDir dir;
  const std::time_t when = localTime(2021, 5, 6, 7, 8, 10);
  RarWriter writer;
  ASSERT_TRUE(writer.create(dir / "a.rar"));
  ASSERT_TRUE(writer.addFolder("top\\empty\\inner", when));
  ASSERT_TRUE(writer.addFile("top\\x y.txt", bytesOf("abc"), when));
  ASSERT_TRUE(writer.addFile("top\\old.txt", bytesOf(""), localTime(1975, 1, 1, 12, 0, 0)));
  ASSERT_TRUE(writer.finish()) << writer.error();

  ASSERT_TRUE(extract(dir / "a.rar", dir / "out"));
  EXPECT_EQ(test::readFile(dir / "out/top/x y.txt"), "abc");
  EXPECT_TRUE(fs::is_directory(dir / "out/top/empty/inner"));
  EXPECT_EQ(modifiedTime(dir / "out/top/x y.txt"), when);
  // MS-DOS times start in 1980.
  EXPECT_EQ(modifiedTime(dir / "out/top/old.txt"), localTime(1980, 1, 1, 0, 0, 0));
  // unarr passes over folder entries.
  ArchiveListing listing = listArchive(dir / "a.rar");
  ASSERT_EQ(listing.entries.size(), 2u);
  EXPECT_EQ(listing.entries[0].name, "top\\x y.txt");
}

std::vector<std::string> memberNames(const fs::path& archive) {
  std::vector<std::string> names;
  for (const ArchiveEntry& entry : listArchive(archive).entries)
    names.push_back(entry.name);
  return names;
}

TEST(PackFolder, AFailureOrAQuitLeavesTheOlderArchiveAsItWas) {
  test::TempDir dir;
  test::writeFile(dir / "data/a.txt", "a");
  ASSERT_TRUE(packFolder(dir / "Data.vk", dir / "data"));
  const std::string before = test::readFile(dir / "Data.vk");

  // A sparse file of 4 GiB takes no room on the disk but cannot be stored.
  { std::ofstream(dir / "data/huge.bin"); }
  fs::resize_file(dir / "data/huge.bin", std::uint64_t(1) << 32);
  PackResult result = packFolder(dir / "Data.vk", dir / "data");
  EXPECT_FALSE(result);
  EXPECT_NE(result.error.find("4 GiB"), std::string::npos) << result.error;
  EXPECT_EQ(test::readFile(dir / "Data.vk"), before);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    left.push_back(entry.path().filename());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"Data.vk", "data"}));

  // A quit request (a signal) stops the packing the same way.
  fs::remove(dir / "data/huge.bin");
  test::writeFile(dir / "data/b.txt", "b");
  requestQuit(143);
  result = packFolder(dir / "Data.vk", dir / "data");
  clearQuitRequest();
  EXPECT_EQ(result.error, "interrupted");
  EXPECT_EQ(test::readFile(dir / "Data.vk"), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST(PackFolder, LinksAndAnArchiveInsideTheFolder) {
  test::TempDir dir;
  test::writeFile(dir / "elsewhere/linked.txt", "linked");
  test::writeFile(dir / "data/a.txt", "a");
  fs::create_symlink(dir / "elsewhere/linked.txt", dir / "data/link.txt");
  ASSERT_TRUE(packFolder(dir / "data/Data.vk", dir / "data"));
  PackResult again = packFolder(dir / "data/Data.vk", dir / "data");
  ASSERT_TRUE(again) << again.error;
  EXPECT_EQ(again.files, 2u);
  EXPECT_EQ(memberNames(dir / "data/Data.vk"),
            (std::vector<std::string>{"data\\a.txt", "data\\link.txt"}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(
                            readArchiveMember(dir / "data/Data.vk", "data\\link.txt").data.get()),
                        6),
            "linked");

  fs::create_directory_symlink(dir / "data", dir / "data/loop");
  PackResult loop = packFolder(dir / "Loop.vk", dir / "data");
  EXPECT_FALSE(loop);
  EXPECT_NE(loop.error.find("leads back"), std::string::npos) << loop.error;
  EXPECT_FALSE(fs::exists(dir / "Loop.vk"));
}

}  // namespace
}  // namespace vesk
