// The vesk-inspect program, run as an author runs it on scenes written by the scene writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "authoring/AnimationWriter.h"
#include "authoring/SceneExamples.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

ToolRun inspect(const TempDir& dir, const std::string& arguments) {
  return runTool(VESK_INSPECT_EXE, arguments, dir.path());
}

TEST(InspectTool, PrintsTheMaterialsAndTheNodeTreeOfAWrittenScene) {
  TempDir dir;
  SceneFile file = sceneLitCube("ville", {1, 0, 0});
  file.materials.push_back(sceneColourMaterial({0, 0, 1}, 0.5f));
  // A name that JSON must escape, under the cube, with the second material.
  SceneNode lid = sceneShapeNode("Lid \"a\\b\"\t", 7, sceneCube(1), 1);
  lid.position = {0.5f, -2, 3};
  lid.scale = {2, 2, 2};
  file.root.children[0].children.push_back(lid);
  SceneParticles sparks{2, 3, 1, 45, 0, {}};
  sparks.classes.push_back(
      {100, 2, 0.5f, {"Spark", 9, {}, {}, {1, 1, 1}, SceneSprite{1.5f, 1}, {}}});
  file.root.children.push_back({"Sparks", 8, {}, {}, {1, 1, 1}, sparks, {}});
  std::string error;
  ASSERT_TRUE(saveScene(dir / "ville.pod", file, error)) << error;

  const ToolRun run = inspect(dir, quoted(dir / "ville.pod"));
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string& json = run.out;
  EXPECT_EQ(json.find("{\"materials\":[{\"id\":0,\"diffuse\":[1,0,0,1]"), 0u) << json;
  EXPECT_NE(json.find("\"id\":1,\"diffuse\":[0,0,1,0.5]"), std::string::npos) << json;
  EXPECT_NE(json.find("\"sorted\":true"), std::string::npos) << json;
  EXPECT_NE(json.find("\"root\":{\"class\":\"Scene\",\"name\":\"ville\",\"handle\":1"),
            std::string::npos)
      << json;
  // The cube: 24 vertices, 12 faces, material 0, and its child with material 1.
  EXPECT_NE(json.find("{\"class\":\"Shape\",\"name\":\"ville.Cube\",\"handle\":2,"
                      "\"position\":[0,0,0],\"rotation\":[0,0,0,1],\"scale\":[1,1,1],"
                      "\"mesh\":{\"vertices\":24,\"faces\":12},\"material\":0,\"children\":[{"
                      "\"class\":\"Shape\",\"name\":\"ville.Lid \\\"a\\\\b\\\"\\u0009\","
                      "\"handle\":7,\"position\":[0.5,-2,3],\"rotation\":[0,0,0,1],"
                      "\"scale\":[2,2,2],\"mesh\":{\"vertices\":24,\"faces\":12},"
                      "\"material\":1,\"children\":[]}]}"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("{\"class\":\"Light\",\"name\":\"ville.Light\",\"handle\":3,"
                      "\"position\":[-4,-6,8]"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("{\"class\":\"Camera\",\"name\":\"ville.Camera\",\"handle\":4"),
            std::string::npos)
      << json;
  // The particle system's emission values, its class and the class's sprite template.
  EXPECT_NE(json.find("{\"class\":\"ParticleSystem\",\"name\":\"ville.Sparks\""), std::string::npos)
      << json;
  EXPECT_NE(json.find("\"emission\":[2,3,1,45],\"classes\":[{\"rateLifetimeMass\":[100,2,0.5],"
                      "\"template\":{\"class\":\"Sprite\",\"name\":\"ville.Spark\",\"handle\":9"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"size\":1.5,\"material\":1,\"children\":[]}}]"), std::string::npos) << json;
  EXPECT_EQ(json.substr(json.size() - 4), "]}}\n") << json;
}

TEST(InspectTool, RefusesATruncatedSceneWithTheCorruptFileError) {
  TempDir dir;
  SceneResult written = writeScene(sceneLitCube("ville"));
  ASSERT_TRUE(written) << written.error;
  const std::string bytes(written.bytes.begin(), written.bytes.end() - 10);
  writeFile(dir / "cut.pod", bytes);

  const ToolRun run = inspect(dir, quoted(dir / "cut.pod"));
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "vesk-inspect: Error : file " + (dir / "cut.pod").string() +
                         " is corrupt or truncated\n");
}

TEST(InspectTool, PrintsTheControllersOfAnAnimationAndRefusesItCutShort) {
  TempDir dir;
  AnimationFile file{VK_ANIM_LOOP_PING_PONG, {}};
  AnimController move;
  move.keyTimes = {0.5f, 1, 4};
  move.record = AnimNodeController{
      12, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {}, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}};
  AnimController zoom;
  zoom.keyTimes = {0, 2};
  zoom.record = AnimCameraController{7, {0.5f, 1}};
  file.controllers = {move, zoom};
  std::string error;
  ASSERT_TRUE(saveAnimation(dir / "walk.pab", file, error)) << error;

  const ToolRun run = inspect(dir, quoted(dir / "walk.pab"));
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"controllers\":[{\"category\":\"keyframe\",\"type\":\"node\",\"target\":12,"
            "\"keys\":3,\"times\":[0.5,4],\"tracks\":[\"position\",\"scale\"],\"loop\":2},"
            "{\"category\":\"keyframe\",\"type\":\"camera\",\"target\":7,\"keys\":2,"
            "\"times\":[0,2],\"tracks\":[\"fov\"],\"loop\":2}]}\n");

  const std::string bytes = readFile(dir / "walk.pab");
  writeFile(dir / "cut.pab", bytes.substr(0, bytes.size() - 3));
  const ToolRun cut = inspect(dir, quoted(dir / "cut.pab"));
  EXPECT_EQ(cut.code, 1);
  EXPECT_EQ(cut.out, "");
  EXPECT_EQ(cut.err, "vesk-inspect: Error : file " + (dir / "cut.pab").string() +
                         " is corrupt or truncated\n");
}

TEST(InspectTool, WrongUsageExitsWithCodeTwo) {
  TempDir dir;
  EXPECT_EQ(inspect(dir, "").code, 2);
  EXPECT_EQ(inspect(dir, "a.pod b.pod").code, 2);
  EXPECT_EQ(inspect(dir, "--frobnicate").code, 2);
  EXPECT_EQ(inspect(dir, quoted(dir / "missing.pod")).code, 1);
}

}  // namespace
}  // namespace vesk::test
