// vesk-inspect on a scene with a skin and a water surface: their own fields in the node tree.
#include <gtest/gtest.h>

#include "authoring/SceneExamples.h"
#include "world/material/PictureFiles.h"

namespace vesk::test {
namespace {

TEST(InspectTool, PrintsASkinsLinksAndAWatersSettings) {
  PictureFolder folder;
  const Bitmap grey(FreeImage_Allocate(4, 4, 8));
  for (const char* name : {"impulsion.jpg", "impulsion2.jpg"})
    folder.save(name, grey.get(), FIF_JPEG);
  SceneSkin skin{sceneFloor(1), 0, std::vector(4, std::vector{SceneSkinLink{8, {}, 1}})};
  skin.links[0].push_back({8, {1, 0, 0}, 0.5f});
  SceneWater water{100, 50, 2, 10, 0.25f, 0.5f, {}, 0};
  water.corners = {SceneVector{0, 0, 0}, {100, 0, 0}, {0, 50, 0}, {100, 50, 0}};
  SceneFile file = sceneLitCube("pool");
  file.root.children.push_back({"Bone", 8, {}, {}, {1, 1, 1}, SceneBone{}, {}});
  file.root.children.push_back({"Skin", 9, {}, {}, {1, 1, 1}, skin, {}});
  file.root.children.push_back({"Water", 10, {}, {}, {1, 1, 1}, water, {}});
  std::string error;
  ASSERT_TRUE(saveScene(folder.dir() / "pool.pod", file, error)) << error;

  const ToolRun run =
      runTool(VESK_INSPECT_EXE, quoted(folder.dir() / "pool.pod"), folder.dir().path());
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("\"mesh\":{\"vertices\":4,\"faces\":2},\"material\":0,\"links\":5"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"water\":{\"width\":100,\"length\":50,\"strength\":2,"
                         "\"impulseSize\":10,\"impulseProbability\":0.25,\"damping\":0.5,"
                         "\"columns\":128,\"rows\":64},\"material\":0"),
            std::string::npos)
      << run.out;
}

}  // namespace
}  // namespace vesk::test
