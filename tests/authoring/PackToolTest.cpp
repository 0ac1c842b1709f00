// The vesk-pack program, run as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "support/TestSupport.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

std::string quote(std::string_view text) {
  std::string quoted = "'";
  for (char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

// Runs vesk-pack with `arguments` (already quoted) in `folder`.
Outcome pack(const fs::path& folder, const std::string& arguments) {
  test::TempDir errors;
  std::string command = "cd " + quote(folder.string()) + " && " + quote(VESK_PACK_EXE) + " " +
                        arguments + " 2>" + quote((errors / "err").string());
  Outcome run;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[65536];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    run.out.append(buffer, got);
  }
  int status = pclose(pipe);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = test::readFile(errors / "err");
  return run;
}

// Every file (by content) and folder (as "/") under `root`, by relative path.
std::map<std::string, std::string> tree(const fs::path& root) {
  std::map<std::string, std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string name = entry.path().lexically_relative(root).string();
    found[name] = entry.is_directory() ? "/" : test::readFile(entry.path());
  }
  return found;
}

std::string backslashes(std::string name) {
  for (char& c : name)
    c = c == '/' ? '\\' : c;
  return name;
}

class PackTool : public ::testing::Test {
 protected:
  void SetUp() override {
    test::writeFile(dir / "data/empty.bin", "");
    test::writeFile(dir / "data/textures/white.png", "\x89PNG white");
    test::writeFile(dir / "data/with space/a b.txt", "spaced out\n");
    test::writeFile(dir / "data/nested/deeper/deepest/file.txt", "deep");
    fs::create_directories(dir / "data/empty folder/inside");
  }

  test::TempDir dir;
};

TEST_F(PackTool, RoundTripThroughBsdtarCatAndList) {
  std::string big(10 << 20, '\0');
  std::uint64_t state = 2024;  // xorshift: 10 MB of pseudo-random bytes, quickly
  for (std::size_t at = 0; at < big.size(); at += 8) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    std::memcpy(big.data() + at, &state, 8);
  }
  test::writeFile(dir / "data/big.bin", big);

  Outcome created = pack(dir.path(), "create Data.vk data");
  ASSERT_EQ(created.code, 0) << created.err;
  EXPECT_NE(created.err.find("5 files"), std::string::npos) << created.err;
  EXPECT_NE(created.err.find("10485785 bytes"), std::string::npos) << created.err;

  fs::create_directories(dir / "out");
  ASSERT_EQ(std::system(("bsdtar -xf " + quote((dir / "Data.vk").string()) + " -C " +
                         quote((dir / "out").string()))
                            .c_str()),
            0);
  const std::map<std::string, std::string> original = tree(dir / "data");
  EXPECT_TRUE(tree(dir / "out/data") == original) << "the extracted tree differs";

  for (const auto& [name, content] : original) {
    if (content == "/") continue;
    Outcome cat = pack(dir.path(), "cat Data.vk " + quote(backslashes("data/" + name)));
    EXPECT_EQ(cat.code, 0) << name << ": " << cat.err;
    EXPECT_TRUE(cat.out == content) << name;
  }

  Outcome list = pack(dir.path(), "list Data.vk");
  EXPECT_EQ(list.code, 0) << list.err;
  EXPECT_EQ(list.out,
            "    10485760  data\\big.bin\n"
            "           0  data\\empty.bin\n"
            "           4  data\\nested\\deeper\\deepest\\file.txt\n"
            "          10  data\\textures\\white.png\n"
            "          11  data\\with space\\a b.txt\n");
}

TEST_F(PackTool, TheFolderMayBeWrittenAnyWay) {
  ASSERT_EQ(pack(dir.path(), "create Data.vk data").code, 0);
  const std::string reference = test::readFile(dir / "Data.vk");
  for (const std::string& spelling : {std::string("./data"), std::string("data/"),
                                      std::string("data/../data/."), (dir / "data").string()}) {
    ASSERT_EQ(pack(dir.path(), "create Other.vk " + quote(spelling)).code, 0) << spelling;
    EXPECT_TRUE(test::readFile(dir / "Other.vk") == reference) << spelling;
  }
  ASSERT_EQ(pack(dir / "data", "create ../Other.vk .").code, 0);
  EXPECT_TRUE(test::readFile(dir / "Other.vk") == reference) << "the current folder";
}

TEST_F(PackTool, ExitCodes) {
  ASSERT_EQ(pack(dir.path(), "create Data.vk data").code, 0);
  for (const char* wrong :
       {"", "frobnicate", "list", "cat Data.vk", "create Data.vk", "create a.vk data extra"}) {
    Outcome run = pack(dir.path(), wrong);
    EXPECT_EQ(run.code, 2) << wrong;
    EXPECT_NE(run.err.find("usage"), std::string::npos) << wrong;
  }
  test::writeFile(dir / "garbage.vk", std::string(1000, 'G'));
  for (const char* failing :
       {"list missing.vk", "list garbage.vk", "cat garbage.vk x", "cat Data.vk data\\\\none",
        "cat Data.vk data", "create New.vk missing", "create New.vk data/big.bin",
        "create nowhere/New.vk data"}) {
    Outcome run = pack(dir.path(), failing);
    EXPECT_EQ(run.code, 1) << failing;
    EXPECT_NE(run.err.find("vesk-pack: "), std::string::npos) << failing;
    EXPECT_TRUE(run.out.empty()) << failing;
  }
  EXPECT_FALSE(fs::exists(dir / "New.vk"));
}

}  // namespace
}  // namespace vesk
