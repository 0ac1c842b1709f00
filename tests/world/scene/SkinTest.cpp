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

SceneNode node(std::int32_t handle, SceneVector position, SceneNode::Record record = SceneBone{}) {
  return {"Node" + std::to_string(handle), handle, position, {}, {1, 1, 1}, std::move(record), {}};
}

class SkinTest : public SceneDeviceTest {
 protected:
  void TearDown() override {
    scene.reset();
    cache.reset();
    SceneDeviceTest::TearDown();
  }

  // Loads a scene "rig" holding `nodes` and a skin (handle 10, at `place`) of one triangle
  // whose vertex v has the links links[v].
  Skin& load(std::vector<SceneNode> nodes, std::vector<std::vector<SceneSkinLink>> links,
             SceneVector place = {}) {
    SceneFile file{0, {sceneColourMaterial({1, 0, 0})}, node(1, {}, SceneGroup{})};
    file.root.name = "rig";
    SceneSkin skin{{0, false, std::vector<SceneVertex>(3), {{0, 1, 2}}}, 0, std::move(links)};
    nodes.push_back(node(10, place, std::move(skin)));
    file.root.children = std::move(nodes);
    BinaryInput in = input(writeSceneUnchecked(file));
    EXPECT_TRUE(scene->load(in)) << testing::PrintToString(presenter.errors());
    return dynamic_cast<Skin&>(*scene->_handles.at(10));
  }
  static Vector3 position(const Skin& skin, std::uint32_t vertex) {
    return skin.mesh()->vertices()[vertex].position;
  }

  Owned<ResourceCache> cache = make<ResourceCache>(here());
  Owned<Scene> scene = make<Scene>(here());
};

TEST_F(SkinTest, PositionsAreTheWeightedSumOfTheLinksThroughTheirBones) {
  // The skin's own transform plays no part in its positions.
  Skin& skin = load({node(2, {0, 5, 0}), node(3, {}), node(4, {2, 0, 0})},
                    {{{2, {1, 0, 0}, 1}},
                     {{3, {}, 0.5f}, {4, {}, 0.5f}},
                     {{3, {1, 2, 3}, 1.5f}, {3, {1, 2, 3}, 0.5f}}},
                    {10, 0, 0});
  EXPECT_EQ(skin._centre, (Vector3{}));  // nothing to sort by before the first drawing
  skin.skin();
  EXPECT_EQ(position(skin, 0), (Vector3{1, 5, 0}));
  EXPECT_EQ(position(skin, 1), (Vector3{1, 0, 0}));
  EXPECT_EQ(position(skin, 2), (Vector3{2, 4, 6}));  // weights summing to 2
  // The buffer holds the new positions and their face's normal.
  const std::vector<MeshVertex> buffer = contents<MeshVertex>(*skin.mesh()->vertexBuffer());
  EXPECT_EQ(buffer[2].position, (Vector3{2, 4, 6}));
  EXPECT_NEAR(length(buffer[0].normal), 1, 1e-5);
  // The mean (4/3, 3, 2), in the skin's own space.
  EXPECT_NEAR(skin._centre.x, 4.0f / 3 - 10, 1e-5);
  EXPECT_NEAR(skin._centre.z, 2, 1e-5);
  EXPECT_TRUE(presenter.diagnoses().empty());
}

TEST_F(SkinTest, ANonBoneLinkAssertsOnceAndIsFollowed) {
  Skin& skin = load({node(2, {0, 0, 1}, SceneGroup{}), node(3, {})},
                    {{{3, {}, 1}}, {{2, {1, 0, 0}, 1}}, {{3, {0, 1, 0}, 1}}});
  skin.skin();
  Node* group = scene->getNodeByHandle(2);
  group->_position = {0, 0, 4};
  group->_localDirty = true;
  group->updateWorld();
  skin.skin();
  ASSERT_EQ(presenter.diagnoses().size(), 1u);
  EXPECT_THAT(presenter.diagnoses()[0], HasSubstr("Skin uses a non-bone object. Is it intended ?"));
  EXPECT_EQ(position(skin, 1), (Vector3{1, 0, 4}));
}

TEST_F(SkinTest, ALinkToAMissingHandleAddsNothing) {
  Skin& skin = load({node(2, {0, 0, 1})}, {{{2, {}, 1}, {99, {5, 5, 5}, 1}}, {{99, {}, 1}}, {}});
  skin.skin();
  EXPECT_EQ(position(skin, 0), (Vector3{0, 0, 1}));
  EXPECT_EQ(position(skin, 2), (Vector3{}));    // no links at all: the origin
  EXPECT_EQ(presenter.diagnoses().size(), 2u);  // the scene's, for each link
  EXPECT_THAT(logText(), HasSubstr("rig.Node10: no node has the handle 99; its links are skipped"));
}

}  // namespace
}  // namespace vesk::test
