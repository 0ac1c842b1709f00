// Skins loaded from written scenes: positions rebuilt from their nodes' world matrices with the
// stored weights, the links resolved once at the first drawing, and the links that cannot be.
#include "world/scene/Skin.h"

#include <gmock/gmock.h>

#include "authoring/SceneExamples.h"
#include "world/material/ResourceCache.h"
#include "world/scene/Scene.h"
#include "world/scene/SceneDeviceTest.h"
#include "world/scene/VectorMath.h"

namespace vesk::test {
namespace {

using ::testing::HasSubstr;

SceneNode bone(std::string name, std::int32_t handle, SceneVector position,
               SceneNode::Record record = SceneBone{}) {
  SceneNode node;
  node.name = std::move(name);
  node.handle = handle;
  node.position = position;
  node.record = std::move(record);
  return node;
}

// A skin of one triangle per three vertices, vertex v linked by links[v].
SceneNode skinNode(std::vector<std::vector<SceneSkinLink>> links, SceneVector position = {}) {
  SceneSkin skin;
  skin.mesh.vertices.resize(links.size());
  for (std::uint32_t v = 0; v + 3 <= links.size(); v += 3)
    skin.mesh.faces.push_back({v, v + 1, v + 2});
  skin.links = std::move(links);
  SceneNode node = bone("Skin", 10, position, std::move(skin));
  return node;
}

class SkinTest : public SceneDeviceTest {
 protected:
  void SetUp() override {
    SceneDeviceTest::SetUp();
    cache = make<ResourceCache>(here());
  }
  void TearDown() override {
    scene.reset();
    cache.reset();
    clearQuitRequest();
    SceneDeviceTest::TearDown();
  }

  // Loads a scene "rig" of one material holding `nodes`; the skin is the node of handle 10.
  Skin& load(std::vector<SceneNode> nodes, bool checked = true) {
    SceneFile file;
    file.root.name = "rig";
    file.root.handle = 1;
    file.materials = {sceneColourMaterial({1, 0, 0})};
    file.root.children = std::move(nodes);
    std::vector<std::uint8_t> bytes;
    if (checked) {
      SceneResult written = writeScene(file);
      EXPECT_TRUE(written) << written.error;
      bytes = written.bytes;
    } else {
      bytes = writeSceneUnchecked(file);
    }
    scene = make<Scene>(here());
    BinaryInput in = input(bytes);
    EXPECT_TRUE(scene->load(in)) << testing::PrintToString(presenter.errors());
    Skin* skin = dynamic_cast<Skin*>(scene->_handles[10]);
    EXPECT_NE(skin, nullptr);
    return *skin;
  }
  static Vector3 position(const Skin& skin, std::uint32_t vertex) {
    return skin.mesh()->vertices()[vertex].position;
  }

  Owned<ResourceCache> cache;
  Owned<Scene> scene;
};

TEST_F(SkinTest, PositionsAreTheWeightedSumOfTheLinksThroughTheirBones) {
  Skin& skin = load({
      bone("Up", 2, {0, 5, 0}),
      bone("Origin", 3, {0, 0, 0}),
      bone("Right", 4, {2, 0, 0}),
      // The skin's own transform plays no part in its positions.
      skinNode({{{2, {1, 0, 0}, 1}},
                {{3, {}, 0.5f}, {4, {}, 0.5f}},
                {{3, {1, 2, 3}, 1.5f}, {3, {1, 2, 3}, 0.5f}}},
               {10, 0, 0}),
  });
  EXPECT_FALSE(skin.resolved());
  EXPECT_EQ(skin._centre, (Vector3{}));  // nothing to sort by before the first drawing
  skin.skin();
  EXPECT_TRUE(skin.resolved());
  EXPECT_EQ(position(skin, 0), (Vector3{1, 5, 0}));
  EXPECT_EQ(position(skin, 1), (Vector3{1, 0, 0}));
  EXPECT_EQ(position(skin, 2), (Vector3{2, 4, 6}));  // weights summing to 2
  // The buffer holds the new positions and their face's normal.
  const std::vector<MeshVertex> buffer = contents<MeshVertex>(*skin.mesh()->vertexBuffer());
  ASSERT_EQ(buffer.size(), 3u);
  EXPECT_EQ(buffer[2].position, (Vector3{2, 4, 6}));
  EXPECT_NEAR(length(buffer[0].normal), 1, 1e-5);
  // The mean (4/3, 3, 2), in the skin's own space.
  EXPECT_NEAR(skin._centre.x, 4.0f / 3 - 10, 1e-5);
  EXPECT_NEAR(skin._centre.y, 3, 1e-5);
  EXPECT_NEAR(skin._centre.z, 2, 1e-5);
  EXPECT_TRUE(presenter.diagnoses().empty());
}

TEST_F(SkinTest, ANonBoneLinkAssertsOnceAndIsFollowed) {
  Skin& skin = load({
      bone("Group", 2, {0, 0, 1}, SceneGroup{}),
      bone("Bone", 3, {0, 0, 0}),
      skinNode({{{3, {}, 1}}, {{2, {1, 0, 0}, 1}}, {{3, {0, 1, 0}, 1}}}),
  });
  skin.skin();
  ASSERT_EQ(presenter.diagnoses().size(), 1u);
  EXPECT_THAT(presenter.diagnoses()[0], HasSubstr("Skin uses a non-bone object. Is it intended ?"));
  Node* group = scene->getNodeByHandle(2);
  group->_position = {0, 0, 4};
  group->_localDirty = true;
  group->updateWorld();
  skin.skin();
  EXPECT_EQ(presenter.diagnoses().size(), 1u);
  EXPECT_EQ(position(skin, 1), (Vector3{1, 0, 4}));
}

TEST_F(SkinTest, ALinkToAMissingHandleAddsNothing) {
  Skin& skin = load({bone("Bone", 2, {0, 0, 1}),
                     skinNode({{{2, {}, 1}, {99, {5, 5, 5}, 1}}, {{2, {1, 0, 0}, 1}}, {}})},
                    false);
  skin.skin();
  EXPECT_EQ(position(skin, 0), (Vector3{0, 0, 1}));
  EXPECT_EQ(position(skin, 2), (Vector3{}));  // no links at all: the origin
  ASSERT_EQ(presenter.diagnoses().size(), 1u);
  EXPECT_THAT(presenter.diagnoses()[0], HasSubstr("The node with the handle 99 was not found"));
  EXPECT_THAT(logText(), HasSubstr("rig.Skin: no node has the handle 99"));
}

}  // namespace
}  // namespace vesk::test
