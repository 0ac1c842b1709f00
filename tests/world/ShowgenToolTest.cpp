// The show's data as showgen writes it, read back the way the show reads it: from Data.vk
// through the archive reader and our own picture decoding.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "base/File.h"
#include "base/Log.h"
#include "show/ShowFiles.h"
#include "support/TestSupport.h"
#include "world/material/Image.h"

namespace vesk::test {
namespace {

// The build writes the show's data with showgen (build/<config>/show); the tests read it.
std::filesystem::path archive() {
  return std::filesystem::path(VESK_SHOW_DIR) / "Data.vk";
}

// Reads pictures from a folder that holds the archive alone.
class ArchivedPictures {
 public:
  explicit ArchivedPictures(const std::filesystem::path& archive) : _current(_dir.path()) {
    std::filesystem::copy_file(archive, _dir / "Data.vk");
    theLog().open(_dir / "Log.txt");
    File::reset();
    File::init();
  }
  ~ArchivedPictures() {
    File::reset();
    theLog().close();
  }

 private:
  TempDir _dir;
  CurrentDir _current;
};

TEST(ShowgenTool, AnotherRunWritesTheSameArchive) {
  TempDir dir;
  const ToolRun run = runTool(VESK_SHOWGEN_EXE, quoted(dir / "out"), dir.path());
  ASSERT_EQ(run.code, 0) << run.err;
  // Quiet when its standard error is not a terminal.
  EXPECT_EQ(run.err, "");
  const std::string bytes = readFile(archive());
  ASSERT_GT(bytes.size(), 100000u);
  EXPECT_TRUE(bytes == readFile(dir / "out" / "Data.vk"));
}

TEST(ShowgenTool, EveryPictureOfTheShowLoadsFromTheArchiveAtItsSize) {
  RecordingPresenter presenter;
  ArchivedPictures folder(archive());
  for (const ShowPicture& picture : showPictures()) {
    Image image(picture.file, Image::VK_IMAGE_COLOUR);
    EXPECT_EQ(image.width(), picture.width) << picture.file;
    EXPECT_EQ(image.height(), picture.height) << picture.file;
  }
  for (const ShowTexture& texture : showTextures()) {
    Image image(texture.file, Image::VK_IMAGE_GREYSCALE);
    EXPECT_EQ(image.width(), texture.width) << texture.file;
    EXPECT_EQ(image.height(), texture.height) << texture.file;
  }
  // The water surface's impulse pictures: greyscale, the same size.
  Image impulse("impulsion.jpg", Image::VK_IMAGE_GREYSCALE);
  Image impulse2("impulsion2.jpg", Image::VK_IMAGE_GREYSCALE);
  EXPECT_GT(impulse.width(), 0u);
  EXPECT_EQ(impulse.width(), impulse2.width());
  EXPECT_EQ(impulse.height(), impulse2.height());
  EXPECT_TRUE(presenter.errors().empty()) << presenter.errors().front();
}

// The colour key drops exact black only: a keyed picture (JPEG ones too) must keep its
// background at 0, 0, 0, and must show something.
TEST(ShowgenTool, KeyedPicturesHaveABlackBackgroundAndLettersOnIt) {
  RecordingPresenter presenter;
  ArchivedPictures folder(archive());
  int keyed = 0;
  for (const ShowPicture& picture : showPictures()) {
    if (!picture.colourKey) continue;
    ++keyed;
    Image image(picture.file, Image::VK_IMAGE_COLOUR);
    ASSERT_EQ(image.size(), std::size_t{picture.width} * picture.height * 3) << picture.file;
    const std::uint8_t* pixels = image.data();
    std::size_t lit = 0;
    for (std::size_t i = 0; i < image.size(); ++i)
      lit += pixels[i] > 128;
    EXPECT_GT(lit, 1000u) << picture.file;
    const std::size_t row = std::size_t{picture.width} * 3;
    for (std::size_t corner : {std::size_t{0}, row - 3, image.size() - row, image.size() - 3}) {
      EXPECT_EQ(pixels[corner] | pixels[corner + 1] | pixels[corner + 2], 0) << picture.file;
    }
  }
  EXPECT_GT(keyed, 30);
}

TEST(ShowgenTool, TheArchiveListsWithThePackToolAsTheLooseFilesAre) {
  TempDir scratch;
  const ToolRun run = runTool(VESK_PACK_EXE, "list " + quoted(archive()), scratch.path());
  ASSERT_EQ(run.code, 0) << run.err;
  std::set<std::string> listed;
  std::istringstream lines(run.out);
  std::uintmax_t size = 0;
  std::string name;
  while (lines >> size && std::getline(lines >> std::ws, name)) {
    listed.insert(name);
    std::filesystem::path loose = VESK_SHOW_DIR;
    for (std::size_t start = 0, end = 0; start <= name.size(); start = end + 1) {
      end = std::min(name.find('\\', start), name.size());
      loose /= name.substr(start, end - start);
    }
    EXPECT_EQ(std::filesystem::file_size(loose), size) << name;
  }
  for (const ShowPicture& picture : showPictures()) {
    EXPECT_TRUE(listed.count("data\\textures\\" + picture.file)) << picture.file;
  }
  for (const ShowTexture& texture : showTextures()) {
    EXPECT_TRUE(listed.count("data\\textures\\" + texture.file)) << texture.file;
  }
}

}  // namespace
}  // namespace vesk::test
