// The closing scenes as showgen writes them (lionhead, the three domino scenes, sablier), read
// back with vesk-inspect: every node, camera and animation block the script addresses exists,
// the shapes the script turns into mirrors have the four corners the mirror needs, and every
// animation file loads and moves nodes of its own scene.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "show/ShowCues.h"
#include "show/ShowFiles.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

struct NodeFacts {
  std::string kind;  // the node's class
  int vertices = 0;  // of a shape's mesh
};

// Textures are looked up under the current folder: the tool runs in the show's folder.
std::string inspect(const std::string& file) {
  TempDir scratch;
  CurrentDir show(VESK_SHOW_DIR);
  const ToolRun run =
      runTool(VESK_INSPECT_EXE, quoted(std::filesystem::path("data") / file), scratch.path());
  EXPECT_EQ(run.code, 0) << file << ": " << run.err;
  return run.out;
}

// Every node of the scene file by its target name.
std::map<std::string, NodeFacts> sceneNodes(const std::string& scene, std::set<int>& handles) {
  std::map<std::string, NodeFacts> nodes;
  const std::string json = inspect(scene + ".pod");
  const std::regex node(R"re(\{"class":"(\w+)","name":"([^"]*)","handle":(-?\d+))re");
  const std::regex mesh(R"re(^[^{]*"mesh":\{"vertices":(\d+))re");
  for (auto it = std::sregex_iterator(json.begin(), json.end(), node); it != std::sregex_iterator();
       ++it) {
    NodeFacts facts{(*it)[1], 0};
    std::smatch vertices;
    const std::string rest = json.substr(static_cast<std::size_t>(it->position() + it->length()));
    if (std::regex_search(rest, vertices, mesh)) facts.vertices = std::stoi(vertices[1]);
    nodes[(*it)[2]] = facts;
    handles.insert(std::stoi((*it)[3]));
  }
  return nodes;
}

void checkScene(const std::string& name) {
  const ShowScene* scene = findShowScene(name);
  ASSERT_NE(scene, nullptr) << name;
  std::set<int> handles;
  const std::map<std::string, NodeFacts> nodes = sceneNodes(name, handles);
  const std::string prefix = name + ".";
  std::set<std::string> blocks;
  for (const std::string& animation : scene->animations) {
    blocks.insert(prefix + animation);
    // Each file loads and every one of its controllers targets a node of this scene.
    const std::string json = inspect(animation + ".pab");
    const std::regex target(R"re("type":"(\w+)","target":(-?\d+))re");
    int controllers = 0;
    for (auto it = std::sregex_iterator(json.begin(), json.end(), target);
         it != std::sregex_iterator(); ++it, ++controllers) {
      if ((*it)[1] != "material") {
        EXPECT_TRUE(handles.count(std::stoi((*it)[2]))) << animation;
      }
    }
    EXPECT_GT(controllers, 0) << animation;
  }
  for (const std::string& target : showTargets()) {
    if (target.rfind(prefix, 0) != 0) continue;
    EXPECT_TRUE(nodes.count(target) || blocks.count(target)) << target;
  }
  for (const std::string& camera : showCameras()) {
    if (camera.rfind(prefix, 0) != 0) continue;
    EXPECT_EQ(nodes.count(camera) ? nodes.at(camera).kind : "none", "Camera") << camera;
  }
  // The mirror shader draws only a shape of four vertices, and asserts on any other.
  for (const ShowSection& section : showSections()) {
    for (const CueEvent& cue : section.cues) {
      const std::string& target = cue.event.getTargetName();
      if (cue.event.getCode() != 51 || target.rfind(prefix, 0) != 0) continue;
      ASSERT_TRUE(nodes.count(target)) << target;
      EXPECT_EQ(nodes.at(target).kind, "Shape") << target;
      EXPECT_EQ(nodes.at(target).vertices, 4) << target;
    }
  }
}

TEST(ClosingScenes, TheLionHeadHasEveryNodeCameraAndBlockTheScriptNames) {
  checkScene("lionhead");
}

TEST(ClosingScenes, TheThreeDominoScenesHaveEveryNodeCameraAndBlockTheScriptNames) {
  for (const char* name : {"dominos", "dominos_b", "dominos_p"})
    checkScene(name);
}

TEST(ClosingScenes, TheHourglassHasEveryNodeCameraAndBlockTheScriptNames) {
  checkScene("sablier");
}

}  // namespace
}  // namespace vesk::test
