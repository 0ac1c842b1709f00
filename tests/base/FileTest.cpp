#include "base/File.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "base/RegularFile.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

std::string contentOf(const Bytes& data, std::uint32_t size) {
  return data ? std::string(reinterpret_cast<const char*>(data.get()), size) : std::string();
}

class FileTest : public ::testing::Test {
 protected:
  void TearDown() override { File::reset(); }

  TempDir dir;
  CurrentDir inDir{dir.path()};
  RecordingPresenter shown;
};

TEST_F(FileTest, UseBeforeInitIsFatal) {
  File::reset();
  std::uint32_t size = 7;
  EXPECT_EQ(File::get("data\\a.bin", size), nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(shown.errors(),
            std::vector<std::string>{"File: init() must be called before using get()"});
}

TEST_F(FileTest, LooseFilesAreFoundThroughBackslashNames) {
  writeFile(dir / "data/textures/white.png", "white");
  writeFile(dir / "data/scenes/ville.pod", std::string("pod\0data", 8));
  writeFile(dir / "data/empty.bin", "");
  File::init();
  ASSERT_EQ(File::mode(), File::Mode::Loose);

  std::uint32_t size = 0;
  Bytes scene = File::get("data\\scenes\\ville.pod", size);
  EXPECT_EQ(contentOf(scene, size), std::string("pod\0data", 8));
  // A material without a texture names the texture folder: it gets the white texture.
  Bytes white = File::get("data\\textures\\", size);
  EXPECT_EQ(contentOf(white, size), "white");
  Bytes empty = File::get("data\\empty.bin", size);
  EXPECT_NE(empty, nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_TRUE(shown.errors().empty());
}

TEST_F(FileTest, LooseBuffersAreTrackedUntilFreed) {
  writeFile(dir / "data/a.bin", std::string(1000, 'x'));
  File::init();
  std::uint32_t size = 0;
  Bytes data = File::get("data\\a.bin", size);
  ASSERT_TRUE(theMemory().find(data.get(), Registry::Blocks));
  std::size_t usage = theMemory().currentUsage();
  const void* address = data.get();
  data.reset();
  EXPECT_FALSE(theMemory().find(address, Registry::Blocks));
  EXPECT_EQ(theMemory().currentUsage(), usage - 1000);
}

TEST_F(FileTest, MissingLooseFileIsFatal) {
  File::init();
  std::uint32_t size = 0;
  EXPECT_EQ(File::get("data\\missing.pod", size), nullptr);
  EXPECT_EQ(shown.errors(), std::vector<std::string>{"Error : file data\\missing.pod not found"});
  EXPECT_TRUE(quitRequested());
}

TEST_F(FileTest, LooseFileThatCannotBeReadSaysWhy) {
  std::filesystem::create_directories(dir / "data/scene.pod");
  File::init();
  std::uint32_t size = 0;
  std::string why;
  EXPECT_EQ(File::get("data\\scene.pod", size, &why), nullptr);
  EXPECT_EQ(why, "a folder, not a file");
  EXPECT_EQ(shown.errors(), std::vector<std::string>{
                                "Error while loading file data\\scene.pod: a folder, not a file"});
  // A missing file is only "not found".
  EXPECT_EQ(File::get("data\\missing.pod", size, &why), nullptr);
  EXPECT_EQ(why, "");
}

TEST_F(FileTest, ArchiveWinsOverLooseFilesAndItsBuffersAreNotCounted) {
  std::filesystem::copy_file(dataDir() / "rar/rar202-comment-nopsw.rar", dir / "Data.vk");
  writeFile(dir / "FILE1.TXT", "loose copy");
  File::init();
  ASSERT_EQ(File::mode(), File::Mode::Archive);

  std::size_t usage = theMemory().currentUsage();
  std::uint32_t size = 0;
  Bytes data = File::get("FILE1.TXT", size);
  EXPECT_EQ(contentOf(data, size), "file1\r\n");
  data.reset();
  EXPECT_EQ(theMemory().currentUsage(), usage);

  EXPECT_EQ(File::get("FILE3.TXT", size), nullptr);
  EXPECT_EQ(shown.errors(), std::vector<std::string>{"Error : file FILE3.TXT not found"});
}

TEST(RegularFile, OnlyARegularFileWithinTheSizeIsRead) {
  TempDir dir;
  writeFile(dir / "four.bin", "1234");
  FileContent file = readRegularFile(dir / "four.bin", 4);
  ASSERT_TRUE(file) << file.error;
  EXPECT_EQ(contentOf(file.data, static_cast<std::uint32_t>(file.size)), "1234");
  EXPECT_EQ(readRegularFile(dir / "four.bin", 3).error, "larger than 3 bytes");
  // A pipe is refused at once rather than waited for.
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(readRegularFile(dir / "pipe", 4).error, "not a regular file");
  FileContent missing = readRegularFile(dir / "none", 4);
  EXPECT_TRUE(missing.missing);
  EXPECT_EQ(missing.error, "not found");
}

TEST(LooseFilePath, TurnsBackslashesIntoSlashes) {
  EXPECT_EQ(looseFilePath("data\\textures\\white.png"), "data/textures/white.png");
}

}  // namespace
}  // namespace vesk::test
