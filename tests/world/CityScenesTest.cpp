// The opening's scenes as showgen writes them: every node, camera and animation block the
// script sends events to exists in the written files, and each file loads.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "show/ShowCues.h"
#include "show/ShowFiles.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

// Runs vesk-inspect from a folder whose data\ is the show's, so that textures are found and
// nothing is written beside the show.
class ShowFolder {
 public:
  ShowFolder() : _current(_dir.path()) {
    std::filesystem::create_directory_symlink(std::filesystem::path(VESK_SHOW_DIR) / "data",
                                              _dir / "data");
  }
  ToolRun inspect(const std::string& file) {
    return runTool(VESK_INSPECT_EXE, quoted(std::filesystem::path("data") / file), _dir.path());
  }

 private:
  TempDir _dir;
  CurrentDir _current;
};

// Whether the JSON of a scene names a node `name` (with its scene's prefix).
bool names(const std::string& json, const std::string& name, const char* kind = nullptr) {
  const std::string named = "\"name\":\"" + name + "\"";
  if (!kind) return json.find(named) != std::string::npos;
  return json.find("\"class\":\"" + std::string(kind) + "\"," + named) != std::string::npos;
}

void expectScriptTargetsExist(const std::string& sceneName) {
  const ShowScene* scene = findShowScene(sceneName);
  ASSERT_NE(scene, nullptr);
  ShowFolder folder;
  const ToolRun pod = folder.inspect(sceneName + ".pod");
  ASSERT_EQ(pod.code, 0) << pod.err;
  for (const std::string& animation : scene->animations) {
    const ToolRun pab = folder.inspect(animation + ".pab");
    EXPECT_EQ(pab.code, 0) << animation << ": " << pab.err;
    EXPECT_NE(pab.out.find("\"keys\""), std::string::npos) << animation;
  }
  const std::string prefix = sceneName + ".";
  int targets = 0;
  for (const std::string& target : showTargets()) {
    if (!target.starts_with(prefix)) continue;
    ++targets;
    const std::string local = target.substr(prefix.size());
    bool isBlock = false;
    for (const std::string& animation : scene->animations)
      isBlock |= animation == local;
    EXPECT_TRUE(isBlock || names(pod.out, target)) << target;
  }
  EXPECT_GT(targets, 0);
  for (const std::string& camera : showCameras()) {
    if (camera.starts_with(prefix)) {
      EXPECT_TRUE(names(pod.out, camera, "Camera")) << camera;
    }
  }
}

TEST(CityScenes, TheDesertPlaneHoldsWhatTheScriptAddresses) {
  expectScriptTargetsExist("plan_intro");
}

TEST(CityScenes, TheCityHoldsWhatTheScriptAddresses) {
  expectScriptTargetsExist("ville");
  // All twelve cameras, flown or not, and the swarm's 49 nodes.
  ShowFolder folder;
  const std::string json = folder.inspect("ville.pod").out;
  for (int n = 1; n <= 12; ++n) {
    const std::string camera =
        std::string("ville.Camera") + (n < 10 ? "0" : "") + std::to_string(n);
    EXPECT_TRUE(names(json, camera, "Camera")) << camera;
  }
  for (const std::string& node : scarabNodes())
    EXPECT_TRUE(names(json, node, "Shape")) << node;
  for (const char* time : {"Water", "Water2"})
    EXPECT_TRUE(names(json, std::string("ville.") + time, "ParticleSystem")) << time;
  EXPECT_TRUE(names(json, "ville.Bassin", "Water"));
  EXPECT_TRUE(names(json, "ville.Hero1", "Skin"));
  // The whole city within the triangles of one view's budget, its water grid (128 columns,
  // 10 rows: 127 × 9 cells) included.
  std::size_t faces = 127 * 9 * 2;
  for (std::size_t at = json.find("\"faces\":"); at != std::string::npos;
       at = json.find("\"faces\":", at + 1))
    faces += std::stoul(json.substr(at + 8));
  EXPECT_LE(faces, 10000u);
}

}  // namespace
}  // namespace vesk::test
