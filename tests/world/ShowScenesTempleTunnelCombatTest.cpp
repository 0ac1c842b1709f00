// The temple, tunnel and combat scenes as showgen writes them: every node, camera and
// animation block the show's cues address in them exists, read back by vesk-inspect.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "show/ShowCues.h"
#include "show/ShowFiles.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

void expectScriptTargets(const std::string& sceneName) {
  const std::filesystem::path show(VESK_SHOW_DIR);
  TempDir scratch;
  CurrentDir current(show);
  const ShowScene* scene = findShowScene(sceneName);
  ASSERT_NE(scene, nullptr);
  const ToolRun tree =
      runTool(VESK_INSPECT_EXE, quoted(std::filesystem::path("data") / (sceneName + ".pod")),
              scratch.path());
  ASSERT_EQ(tree.code, 0) << tree.err;
  const auto hasNode = [&](const std::string& name) {
    return tree.out.find("\"name\":\"" + name + "\"") != std::string::npos;
  };
  // Every animation file of the scene loads, the ones no cue starts too.
  for (const std::string& base : scene->animations) {
    const ToolRun animation = runTool(
        VESK_INSPECT_EXE, quoted(std::filesystem::path("data") / (base + ".pab")), scratch.path());
    EXPECT_EQ(animation.code, 0) << base << ": " << animation.err;
    EXPECT_NE(animation.out.find("\"keys\""), std::string::npos) << base << " animates nothing";
  }
  const std::string prefix = sceneName + ".";
  for (const std::string& target : showTargets()) {
    if (!target.starts_with(prefix)) continue;
    const std::string base = target.substr(prefix.size());
    const bool block = std::find(scene->animations.begin(), scene->animations.end(), base) !=
                       scene->animations.end();
    EXPECT_TRUE(block || hasNode(target)) << target;
  }
  for (const std::string& camera : showCameras()) {
    if (!camera.starts_with(prefix)) continue;
    EXPECT_NE(tree.out.find("{\"class\":\"Camera\",\"name\":\"" + camera + "\""), std::string::npos)
        << camera;
  }
}

TEST(ShowScenes, TempleHoldsWhatTheCuesAddress) {
  expectScriptTargets("temple");
}
TEST(ShowScenes, TunnelHoldsWhatTheCuesAddress) {
  expectScriptTargets("tunnel");
}
TEST(ShowScenes, CombatHoldsWhatTheCuesAddress) {
  expectScriptTargets("combat");
}

}  // namespace
}  // namespace vesk::test
