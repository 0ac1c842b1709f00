// Shadow volumes: the edge lists of closed and open meshes, the silhouette of a lit cube chained
// into one closed contour, rebuilding only on relative motion, every way an edge joins the
// contours, a caster that is no shape, and a long contour drawn in pieces.
#include "world/scene/ShadowVolume.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "authoring/SceneExamples.h"
#include "world/material/ResourceCache.h"
#include "world/scene/Light.h"
#include "world/scene/Scene.h"
#include "world/scene/SceneDeviceTest.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

class ShadowVolumeTest : public SceneDeviceTest {
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

  // A scene of one shape (handle 2) and a light at `light` casting its shadow; the light.
  Light& load(SceneMesh mesh, SceneVector light, std::int32_t caster = 2) {
    SceneFile file;
    file.root.name = "yard";
    file.root.handle = 1;
    file.materials.push_back(sceneColourMaterial({1, 1, 1}));
    file.root.children.push_back(sceneShapeNode("Box", 2, std::move(mesh), 0));
    SceneNode lamp = scenePointLight("Lamp", 3, light);
    std::get<SceneLight>(lamp.record).shadowCasters = {caster};
    file.root.children.push_back(lamp);
    file.root.children.push_back(sceneCameraLookingAt("Camera", 4, {0, -10, 0}, {0, 0, 0}));
    scene = make<Scene>(here());
    BinaryInput in = input(writeSceneUnchecked(file));
    loaded = scene->load(in);
    return *static_cast<Light*>(scene->getNodeByHandle(3));
  }

  static int count(const std::string& text, const std::string& piece) {
    int found = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos;
         at = text.find(piece, at + 1)) {
      ++found;
    }
    return found;
  }

  Owned<ResourceCache> cache;
  Owned<Scene> scene;
  bool loaded = false;
};

bool isZero(const Vector3& v) {
  return v.x == 0 && v.y == 0 && v.z == 0;
}

TEST_F(ShadowVolumeTest, CubeLitFromOutsideGivesOneClosedContourAroundItsSilhouette) {
  Light& light = load(sceneCube(2), {5, -7, 9});
  ASSERT_TRUE(loaded);
  const Light::ShadowCaster& caster = light._shadowCasters.at(0);
  // A closed mesh: every edge once, with the normals of both its faces.
  ASSERT_EQ(caster.edges.size(), 18u);
  for (const ShadowEdge& edge : caster.edges)
    EXPECT_FALSE(isZero(edge.secondNormal));

  light.updateShadows();
  const std::string log = logText();
  EXPECT_THAT(log, HasSubstr("Number of edges 18"));
  EXPECT_EQ(count(log, "Closed contour"), 1) << log;
  ASSERT_EQ(caster.volume.contours().size(), 1u);
  const ShadowVolume::Contour& contour = caster.volume.contours()[0];
  // Seen from (+x, -y, +z) the silhouette is the hexagon of the six corners that are neither
  // the nearest (1, -1, 1) nor the farthest (-1, 1, -1), each next to the next along a cube edge.
  ASSERT_EQ(contour.size(), 6u);
  for (std::size_t i = 0; i < contour.size(); ++i) {
    const Vector3 p = contour[i].nearPosition, q = contour[(i + 1) % 6].nearPosition;
    const int differing = (p.x != q.x) + (p.y != q.y) + (p.z != q.z);
    EXPECT_EQ(differing, 1) << i;
    EXPECT_FALSE(p.x == 1 && p.y == -1 && p.z == 1) << i;
    EXPECT_FALSE(p.x == -1 && p.y == 1 && p.z == -1) << i;
    // Pushed away from the light: the corner plus 100 times its offset from the light.
    const Vector3 far = contour[i].farPosition;
    EXPECT_FLOAT_EQ(far.x, p.x + 100 * (p.x - 5));
    EXPECT_FLOAT_EQ(far.z, p.z + 100 * (p.z - 9));
  }
}

// A one-sided square facing +z: its border is a silhouette from above, nothing from below; the
// diagonal the two faces share is neither.
TEST_F(ShadowVolumeTest, OpenMeshEdgeIsASilhouetteExactlyWhenItsFaceTurnsToTheLight) {
  Light& light = load(sceneFloor(1), {0.5f, 0.25f, 3});
  ASSERT_TRUE(loaded);
  Light::ShadowCaster& caster = light._shadowCasters.at(0);
  ASSERT_EQ(caster.edges.size(), 5u);
  EXPECT_EQ(std::count_if(caster.edges.begin(), caster.edges.end(),
                          [](const ShadowEdge& edge) { return isZero(edge.secondNormal); }),
            4);
  light.updateShadows();
  ASSERT_EQ(caster.volume.contours().size(), 1u);
  EXPECT_EQ(caster.volume.contours()[0].size(), 4u);

  light._position = {0.5f, 0.25f, -3};
  light.updateShadows();
  EXPECT_TRUE(caster.volume.contours().empty());
}

TEST_F(ShadowVolumeTest, VolumeIsRebuiltOnlyWhenTheLightMovesRelativeToTheCaster) {
  Light& light = load(sceneCube(2), {5, -7, 9});
  ASSERT_TRUE(loaded);
  Light::ShadowCaster& caster = light._shadowCasters.at(0);
  light.updateShadows();
  ASSERT_EQ(caster.volume.contours().size(), 1u);
  // An emptied volume that stays empty was not rebuilt.
  auto rebuilt = [&] {
    caster.volume.clear();
    light.updateShadows();
    return !caster.volume.contours().empty();
  };
  EXPECT_FALSE(rebuilt());
  // Caster and light moved together: the same place relative to each other.
  Node& box = *scene->getNodeByHandle(2);
  box._position = {3, 0, 0};
  box._localDirty = true;
  box.updateWorld();
  light._position = {8, -7, 9};
  EXPECT_FALSE(rebuilt());
  light._position = {8, -7, 9.5f};
  EXPECT_TRUE(rebuilt());
  box._position = {3, 1, 0};
  box._localDirty = true;
  box.updateWorld();
  EXPECT_TRUE(rebuilt());
}

// Near points along the x axis; the contours as lists of their x.
std::vector<std::vector<float>> chained(const std::vector<std::pair<float, float>>& edges) {
  ShadowVolume volume;
  for (auto [a, b] : edges)
    volume.addEdge({a, 0, 0}, {b, 0, 0}, {0, 0, 1}, {0, 0, 1});
  std::vector<std::vector<float>> contours;
  for (const ShadowVolume::Contour& contour : volume.contours()) {
    contours.emplace_back();
    for (const ShadowVolume::Point& point : contour)
      contours.back().push_back(point.nearPosition.x);
  }
  return contours;
}

TEST_F(ShadowVolumeTest, EdgesExtendCloseAndJoinContours) {
  using C = std::vector<std::vector<float>>;
  EXPECT_EQ(chained({{1, 2}, {5, 6}}), (C{{1, 2}, {5, 6}}));
  // One end met: the other point goes beside it.
  EXPECT_EQ(chained({{1, 2}, {2, 3}}), (C{{1, 2, 3}}));
  EXPECT_EQ(chained({{1, 2}, {1, 0}}), (C{{0, 1, 2}}));
  EXPECT_EQ(chained({{1, 2}, {3, 2}}), (C{{1, 2, 3}}));
  EXPECT_EQ(chained({{1, 2}, {0, 1}}), (C{{0, 1, 2}}));
  // Both ends of one contour: closed, nothing added.
  EXPECT_EQ(chained({{1, 2}, {2, 3}, {3, 1}}), (C{{1, 2, 3}}));
  EXPECT_THAT(logText(), HasSubstr("Closed contour"));
  // Two contours joined with A and B side by side, in each combination of their ends.
  EXPECT_EQ(chained({{1, 2}, {5, 6}, {1, 5}}), (C{{2, 1, 5, 6}}));
  EXPECT_EQ(chained({{1, 2}, {5, 6}, {1, 6}}), (C{{5, 6, 1, 2}}));
  EXPECT_EQ(chained({{1, 2}, {5, 6}, {2, 6}}), (C{{5, 6, 2, 1}}));
  EXPECT_EQ(chained({{1, 2}, {5, 6}, {2, 5}}), (C{{1, 2, 5, 6}}));
  // A point that meets the ends of two contours is reported; the later contour takes it.
  EXPECT_EQ(chained({{0, 1}, {5, 1.018f}, {1.009f, 7}}), (C{{0, 1}, {5, 1.018f, 7}}));
  EXPECT_EQ(chained({{0, 1}, {5, 1.018f}, {7, 1.009f}}), (C{{0, 1}, {5, 1.018f, 7}}));
  const std::vector<std::string> reports = presenter.diagnoses();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_THAT(reports[0], HasSubstr("cs0 == NONE"));
  EXPECT_THAT(reports[1], HasSubstr("cs1 == NONE"));
  EXPECT_THAT(reports[1], HasSubstr("Problem when computing shadow volume"));
}

TEST_F(ShadowVolumeTest, CasterThatIsNoShapeIsFatal) {
  load(sceneCube(2), {5, -7, 9}, 4);  // the camera
  EXPECT_FALSE(loaded);
  EXPECT_THAT(presenter.errors(),
              ElementsAre(HasSubstr("Safe cast failed : could not cast from class vesk::Node to "
                                    "class vesk::Shape"),
                          HasSubstr("Only Shape node can project shadow")));
}

// The sides of a ring of 11 points, pushed outwards in the plane z = 0.5 (identity transforms:
// the ring is seen as it is given), inverting the stencil; then white wherever it is not zero.
std::vector<std::uint32_t> stencilledRing(gfx::Device& device, gfx::VertexBuffer& buffer) {
  using gfx::RenderState;
  ShadowVolume ring;
  constexpr int kPoints = 11;
  auto at = [](int i) {
    const float angle = 2 * std::numbers::pi_v<float> * static_cast<float>(i % kPoints) / kPoints;
    return Vector3{0.3f * std::cos(angle), 0.3f * std::sin(angle), 0.5f};
  };
  for (int i = 0; i < kPoints; ++i) {
    const Vector3 a = at(i), b = at(i + 1);
    ring.addEdge(a, b, {2 * a.x, 2 * a.y, 0}, {2 * b.x, 2 * b.y, 0});
  }
  EXPECT_EQ(ring.contours().at(0).size(), static_cast<std::size_t>(kPoints));

  EXPECT_TRUE(
      device.clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER | gfx::CLEAR_STENCIL, 0xFF000000, 1, 0));
  EXPECT_TRUE(device.beginScene());
  for (auto [state, value] :
       {std::pair{RenderState::Lighting, 0u},
        {RenderState::ZEnable, 0u},
        {RenderState::CullMode, static_cast<std::uint32_t>(gfx::Cull::None)},
        {RenderState::ColorWriteEnable, 0u},
        {RenderState::StencilEnable, 1u},
        {RenderState::StencilFunc, static_cast<std::uint32_t>(gfx::Compare::Always)},
        {RenderState::StencilPass, static_cast<std::uint32_t>(gfx::StencilOp::Invert)}}) {
    EXPECT_TRUE(device.setRenderState(state, value));
  }
  EXPECT_TRUE(device.setVertexFormat(gfx::FVF_XYZ));
  EXPECT_TRUE(ring.draw(device, buffer));
  for (auto [state, value] :
       {std::pair{RenderState::ColorWriteEnable, 1u},
        {RenderState::StencilPass, static_cast<std::uint32_t>(gfx::StencilOp::Keep)},
        {RenderState::StencilFunc, static_cast<std::uint32_t>(gfx::Compare::NotEqual)}}) {
    EXPECT_TRUE(device.setRenderState(state, value));
  }
  struct WhiteVertex {
    Vector3 position;
    Argb colour = 0xFFFFFFFF;
  };
  const WhiteVertex quad[4] = {{{-1, -1, 0.5f}}, {{-1, 1, 0.5f}}, {{1, -1, 0.5f}}, {{1, 1, 0.5f}}};
  EXPECT_TRUE(device.setVertexFormat(gfx::FVF_XYZ | gfx::FVF_DIFFUSE));
  EXPECT_TRUE(device.drawPrimitiveUP(gfx::Primitive::TriangleStrip, 2, quad, sizeof(WhiteVertex)));
  EXPECT_TRUE(device.endScene());
  return readBackBuffer(device);
}

TEST_F(ShadowVolumeTest, ContourLongerThanTheBufferIsDrawnInPiecesOverTheSamePixels) {
  const std::uint32_t usage = gfx::USAGE_WRITE_ONLY | gfx::USAGE_DYNAMIC;
  // 12 pairs of the closed strip: one piece, or four of at most 4 pairs.
  auto whole = device->createVertexBuffer(12 * 24, usage, gfx::FVF_XYZ, gfx::Pool::Default);
  auto small = device->createVertexBuffer(4 * 24, usage, gfx::FVF_XYZ, gfx::Pool::Default);
  ASSERT_TRUE(whole && small);
  const std::vector<std::uint32_t> inOne = stencilledRing(*device, *whole);
  const std::vector<std::uint32_t> inPieces = stencilledRing(*device, *small);
  ASSERT_EQ(inOne.size(), std::size_t{kWidth} * kHeight);
  // The ring is white (stencilled once), its middle and the corners black.
  EXPECT_EQ(inOne[32 * kWidth + 32 + 18], 0xFFFFFFFFu);
  EXPECT_EQ(inOne[32 * kWidth + 32], 0xFF000000u);
  EXPECT_EQ(inOne[1 * kWidth + 1], 0xFF000000u);
  EXPECT_THAT(inPieces, ElementsAreArray(inOne));
}

}  // namespace
}  // namespace vesk::test
