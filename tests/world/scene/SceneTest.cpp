// Scenes written by the scene writer, loaded and drawn on a real device: what the camera sees,
// sorted transparency, a mirror floor, the drawing events, handles, removing a node, refusals
// and the memory a scene gives back.
#include <cstring>
#include <string>
#include <utility>

#include "authoring/SceneExamples.h"
#include "events/Event.h"
#include "world/material/PicturePrefetch.h"
#include "world/material/ResourceCache.h"
#include "world/material/Texture.h"
#include "world/scene/Camera.h"
#include "world/scene/Scene.h"
#include "world/scene/SceneDeviceTest.h"
#include "world/scene/Shape.h"

namespace vesk::test {
namespace {

using gfx::RenderState;

std::uint32_t word(auto value) {
  return static_cast<std::uint32_t>(value);
}
int red(std::uint32_t pixel) {
  return pixel >> 16 & 0xFF;
}
int blue(std::uint32_t pixel) {
  return pixel & 0xFF;
}

class SceneTest : public SceneDeviceTest {
 protected:
  void SetUp() override {
    SceneDeviceTest::SetUp();
    cache = make<ResourceCache>(here());
  }
  void TearDown() override {
    cache.reset();
    clearQuitRequest();
    SceneDeviceTest::TearDown();
  }

  Owned<Scene> load(const std::vector<std::uint8_t>& bytes, bool expectLoaded = true) {
    auto scene = make<Scene>(here());
    BinaryInput in = input(bytes);
    EXPECT_EQ(scene->load(in), expectLoaded) << testing::PrintToString(presenter.errors());
    return scene;
  }
  Owned<Scene> load(const SceneFile& file) {
    SceneResult written = writeScene(file);
    EXPECT_TRUE(written) << written.error;
    return load(written.bytes);
  }

  // One frame through the scene's first camera, under the states the renderer keeps.
  std::vector<std::uint32_t> draw(Scene& scene) {
    EXPECT_TRUE(device->setRenderState(RenderState::ZEnable, 1));
    EXPECT_TRUE(device->setRenderState(RenderState::Lighting, 1));
    EXPECT_TRUE(device->setRenderState(RenderState::AlphaBlendEnable, 1));
    EXPECT_TRUE(device->setRenderState(RenderState::SrcBlend, word(gfx::Blend::SrcAlpha)));
    EXPECT_TRUE(device->setRenderState(RenderState::DestBlend, word(gfx::Blend::InvSrcAlpha)));
    EXPECT_TRUE(device->clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER | gfx::CLEAR_STENCIL,
                              0xFF000000, 1, 0));
    EXPECT_TRUE(device->beginScene());
    scene.render(drawContext, scene.cameras().at(0), 0);
    EXPECT_TRUE(device->endScene());
    return readBackBuffer(*device);
  }
  static std::uint32_t at(const std::vector<std::uint32_t>& pixels, int x, int y) {
    return pixels.at(static_cast<std::size_t>(y) * kWidth + x);
  }

  Owned<ResourceCache> cache;
};

TEST_F(SceneTest, LitCubeIsSeenThroughItsCameraInPlaceAndColour) {
  auto scene = load(sceneLitCube("ville"));
  const auto pixels = draw(*scene);
  // The front face (lit at an angle: about half of full red) spans columns 24 to 40.
  const std::uint32_t centre = at(pixels, 32, 32);
  EXPECT_GT(red(centre), 80) << colorText(centre);
  EXPECT_LT(pixels[32 * kWidth + 32] & 0xFFFF, 0x0808u) << colorText(centre);
  for (int x : {25, 39})
    EXPECT_GT(red(at(pixels, x, 32)), 80) << x;
  for (int x : {20, 44})
    EXPECT_EQ(at(pixels, x, 32), 0xFF000000u) << x;
  EXPECT_EQ(at(pixels, 32, 20), 0xFF000000u);
  // The light slots are given back.
  EXPECT_TRUE(device->lightEnable(1, false));
}

// An opaque blue cube behind a half-transparent white one, in either order of the materials
// and the nodes: the white one is drawn last, over the blue.
TEST_F(SceneTest, HalfTransparentMaterialIsDrawnOverTheOpaqueOneWhateverTheFileOrder) {
  std::uint32_t seen[2] = {};
  for (int order = 0; order < 2; ++order) {
    SceneFile file = sceneLitCube("glass", {0, 0, 1});
    file.materials.push_back(sceneColourMaterial({1, 1, 1}, 0.5f));
    SceneNode glass = sceneShapeNode("Glass", 5, sceneCube(1), 1);
    glass.position = {0, -4, 0};
    auto& nodes = file.root.children;
    nodes.insert(order == 0 ? nodes.begin() : nodes.end(), glass);
    if (order == 1) {
      std::swap(file.materials[0], file.materials[1]);
      for (SceneNode& node : nodes) {
        if (auto* shape = std::get_if<SceneShape>(&node.record)) shape->material ^= 1;
      }
    }
    auto scene = load(file);
    seen[order] = at(draw(*scene), 32, 32);
    EXPECT_EQ(device->renderState(RenderState::ZWriteEnable), 1u);
  }
  EXPECT_TRUE(colorNear(seen[0], seen[1])) << colorText(seen[0]) << colorText(seen[1]);
  // The blue of the cube behind shows through the white.
  EXPECT_GT(red(seen[0]), 10) << colorText(seen[0]);
  EXPECT_GT(blue(seen[0]), red(seen[0]) + 20) << colorText(seen[0]);
}

// A red cube standing on a half-transparent blue floor, seen from the height of its middle:
// below the cube the floor shows the cube's reflection.
TEST_F(SceneTest, MirrorFloorReflectsTheCube) {
  SceneFile file = sceneLitCube("hall");
  file.root.children[0].position = {0, 0, 1};
  file.root.children[2] = sceneCameraLookingAt("Camera", 4, {0, -10, 1}, {0, 0, 1});
  file.materials.push_back(sceneColourMaterial({0, 0, 1}, 0.5f));
  file.root.children.push_back(sceneShapeNode("Floor", 6, sceneFloor(10), 1));
  auto scene = load(file);
  const std::uint32_t plain = at(draw(*scene), 32, 48);
  EXPECT_LT(red(plain), 8) << colorText(plain);
  EXPECT_GT(blue(plain), 30) << colorText(plain);

  scene->getNodeByHandle(6)->processEvent(Event("hall.Floor", kEventMirrorOn));
  const auto pixels = draw(*scene);
  EXPECT_GT(red(at(pixels, 32, 48)), 30) << colorText(at(pixels, 32, 48));
  EXPECT_GT(blue(at(pixels, 32, 48)), 30) << colorText(at(pixels, 32, 48));
  EXPECT_GT(red(at(pixels, 32, 32)), 80);  // the cube itself
  EXPECT_EQ(device->renderState(RenderState::ClipPlaneEnable), 0u);
  EXPECT_EQ(device->renderState(RenderState::CullMode), word(gfx::Cull::CounterClockwise));

  scene->getNodeByHandle(6)->processEvent(Event("hall.Floor", kEventMirrorOff));
  EXPECT_TRUE(colorNear(at(draw(*scene), 32, 48), plain));
}

TEST_F(SceneTest, NodeHiddenByItsEventDisappearsAndComesBack) {
  auto scene = load(sceneLitCube("ville"));
  Event("ville.Cube", kEventHide).send();
  EXPECT_EQ(at(draw(*scene), 32, 32), 0xFF000000u);
  Event("ville.Cube", kEventShow).send();
  EXPECT_GT(red(at(draw(*scene), 32, 32)), 80);
  // A wireframe pass is put on and dropped again.
  auto& cube = static_cast<Shape&>(*scene->getNodeByHandle(2));
  Event wireframe("ville.Cube", kEventAddWireframe);
  for (float value : {1.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f})
    wireframe.addFloat(value);
  wireframe.send();
  EXPECT_EQ(cube.extraPassCount(), 1u);
  draw(*scene);
  Event("ville.Cube", kEventClearPasses).send();
  EXPECT_EQ(cube.extraPassCount(), 0u);
}

TEST_F(SceneTest, HandlesAndMaterialIdsAreCheckedWithTheirTexts) {
  auto scene = load(sceneLitCube("ville"));
  EXPECT_EQ(scene->getName(), "ville");
  EXPECT_EQ(scene->getNodeByHandle(1), scene.get());
  EXPECT_EQ(scene->getNodeByHandle(2)->getName(), "ville.Cube");
  EXPECT_EQ(scene->getNodeByHandle(99), nullptr);
  ASSERT_EQ(presenter.diagnoses().size(), 1u);
  EXPECT_NE(
      presenter.diagnoses()[0].find("The node with the handle 99 was not found in the scene ville"),
      std::string::npos);
  // One material, then the mirror shader, created disabled.
  ASSERT_EQ(scene->shaderCount(), 2u);
  EXPECT_FALSE(scene->mirrorShader()->enabled());
  EXPECT_EQ(scene->getShader(2), nullptr);
  EXPECT_EQ(presenter.errors(), std::vector<std::string>{"Material id incorrect"});

  // A shape whose material is past the table joins no shader, and the load fails.
  clearQuitRequest();
  SceneFile file = sceneLitCube("bad");
  std::get<SceneShape>(file.root.children[0].record).material = 7;
  auto bad = load(writeSceneUnchecked(file), false);
  EXPECT_EQ(static_cast<Shape*>(bad->getNodeByHandle(2))->shader(), nullptr);
  EXPECT_EQ(presenter.errors().size(), 2u);
}

TEST_F(SceneTest, DrawingWithoutACameraOrALightIsReported) {
  auto scene = load(sceneLitCube("ville"));
  scene->render(drawContext, nullptr, 0);
  EXPECT_EQ(presenter.errors(), std::vector<std::string>{"No active camera in the scene"});

  clearQuitRequest();
  SceneFile dark = sceneLitCube("dark");
  std::erase_if(dark.root.children, [](const SceneNode& node) {
    return std::holds_alternative<SceneLight>(node.record);
  });
  auto unlit = load(dark);
  draw(*unlit);
  ASSERT_EQ(presenter.diagnoses().size(), 1u);
  EXPECT_NE(presenter.diagnoses()[0].find("No light in the scene dark"), std::string::npos)
      << presenter.diagnoses()[0];
}

TEST_F(SceneTest, BadFilesStopWithTheirErrors) {
  const std::vector<std::uint8_t> good = writeScene(sceneLitCube("ville")).bytes;
  auto refused = [&](std::vector<std::uint8_t> bytes, const std::string& text) {
    presenter.clear();
    clearQuitRequest();
    load(bytes, false);
    ASSERT_FALSE(presenter.errors().empty()) << text;
    EXPECT_NE(presenter.errors().back().find(text), std::string::npos) << presenter.errors().back();
  };
  for (std::size_t size = 0; size < good.size(); size += 11)
    refused({good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)}, "is corrupt");
  auto patched = [&](std::size_t offset, std::uint32_t value) {
    std::vector<std::uint8_t> bytes = good;
    for (int i = 0; i < 4; ++i)
      bytes[offset + i] = static_cast<std::uint8_t>(value >> 8 * i);
    return bytes;
  };
  refused(patched(0, 0x01000000), "Incorrect objects file version");
  refused(patched(8, 0x7FFFFFFF), "is corrupt");  // a material count past the file
}

TEST_F(SceneTest, AnEmitterWithoutClassesLoads) {
  SceneFile sparks = sceneLitCube("sparks");
  SceneNode particles = sceneShapeNode("Particles", 9, sceneCube(1), 0);
  particles.record = SceneParticles{};
  sparks.root.children.push_back(particles);
  EXPECT_NE(load(sparks)->getNodeByHandle(9), nullptr);
}

TEST_F(SceneTest, MaterialIdOutOfPlaceIsLoggedAndKeptInPlace) {
  std::vector<std::uint8_t> bytes = writeScene(sceneLitCube("ville")).bytes;
  bytes[12] = 5;  // the first material's id
  auto scene = load(bytes);
  EXPECT_NE(logText().find("Material list loading: general failure"), std::string::npos);
  EXPECT_EQ(static_cast<Shape*>(scene->getNodeByHandle(2))->shader(), scene->getShader(0));
}

TEST_F(SceneTest, PictureRequestsListEachPictureOnceInLoadingOrder) {
  SceneFile file = sceneLitCube("cube");
  auto map = [](const char* name) { return SceneTexture{false, name, false, 0, 0, 1}; };
  SceneMaterial first, second;
  first.diffuseMaps = {map("b.bmp")};
  second.diffuseMaps = {map("a.bmp"), map("b.bmp")};
  file.materials = {file.materials[0], first, second, first};  // the bank answers b.bmp again
  SceneResult written = writeScene(file);
  ASSERT_TRUE(written) << written.error;
  auto requests = [](std::vector<std::uint8_t> bytes) {
    Bytes data = allocateBytes(bytes.size());
    std::memcpy(data.get(), bytes.data(), bytes.size());
    return Scene::pictureRequests(std::move(data), bytes.size());
  };
  EXPECT_EQ(requests(written.bytes), (std::vector<PictureRequest>{{"b.bmp", false, VK_DIFFUSE},
                                                                  {"a.bmp", false, VK_DIFFUSE},
                                                                  {"b.bmp", false, VK_LIGHTMAP}}));
  // A file the loader would refuse lists what it would load before stopping, quietly.
  std::vector<std::uint8_t> cut(written.bytes.begin(), written.bytes.begin() + 200);
  EXPECT_EQ(requests(cut), (std::vector<PictureRequest>{{"b.bmp", false, VK_DIFFUSE}}));
  written.bytes[0] ^= 1;  // another version
  EXPECT_TRUE(requests(written.bytes).empty());
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(SceneTest, UpdateMovesNodesOnlyOnceStarted) {
  auto scene = load(sceneLitCube("ville"));
  Node& cube = *scene->getNodeByHandle(2);
  cube._position = {3, 0, 0};
  cube._localDirty = true;
  scene->update();
  EXPECT_EQ(cube._worldMatrix.m[3][0], 0);
  EXPECT_EQ(scene->processEvent(Event("ville", kEventStartScene)), VK_EVENT_PROCESSED);
  scene->update();
  EXPECT_EQ(cube._worldMatrix.m[3][0], 3);
}

// A removed shape is no longer drawn nor found; the caller destroys it, and the scene does not
// destroy it again.
TEST_F(SceneTest, RemovedNodeLeavesTheSceneAndIsTheCallersToDestroy) {
  const std::size_t objects = theMemory().recordCount(Registry::Objects);
  const std::size_t usage = theMemory().currentUsage();
  auto scene = load(sceneLitCube("ville"));
  auto& cube = static_cast<Shape&>(*scene->getNodeByHandle(2));
  Shader* material = cube.shader();
  cube.processEvent(Event("ville.Cube", kEventMirrorOn));  // listed by the mirror shader too
  Owned<Node> removed = scene->removeNode(cube);
  ASSERT_EQ(removed.get(), &cube);
  EXPECT_EQ(scene->_handles.count(2), 0u);
  EXPECT_EQ(cube.parent(), nullptr);
  EXPECT_EQ(scene->children().size(), 2u);
  EXPECT_TRUE(material->nodes().empty());
  EXPECT_TRUE(scene->mirrorShader()->nodes().empty());
  // What mirror on switched, back as it was: only the removal keeps the cube from being drawn.
  material->setEnabled(true);
  scene->mirrorShader()->setEnabled(false);
  EXPECT_EQ(at(draw(*scene), 32, 32), 0xFF000000u);
  // The scene itself stays entered.
  EXPECT_EQ(scene->removeNode(*scene), nullptr);
  EXPECT_EQ(scene->_handles.count(1), 1u);

  removed.reset();
  EXPECT_EQ(EventTarget::find("ville.Cube"), nullptr);
  scene.reset();
  EXPECT_EQ(theMemory().recordCount(Registry::Objects), objects);
  EXPECT_EQ(theMemory().currentUsage(), usage);
}

TEST_F(SceneTest, DestroyedSceneGivesBackEverything) {
  const std::size_t objects = theMemory().recordCount(Registry::Objects);
  const std::size_t blocks = theMemory().recordCount(Registry::Blocks);
  const std::size_t usage = theMemory().currentUsage();
  auto scene = load(sceneLitCube("ville"));
  const std::uint32_t bank = scene->resourceBank();
  EXPECT_EQ(cache->meshCount(bank), 1u);
  draw(*scene);
  scene.reset();
  EXPECT_EQ(cache->meshCount(bank), 0u);
  EXPECT_EQ(theMemory().recordCount(Registry::Objects), objects);
  EXPECT_EQ(theMemory().recordCount(Registry::Blocks), blocks);
  EXPECT_EQ(theMemory().currentUsage(), usage);
  EXPECT_EQ(EventTarget::find("ville.Cube"), nullptr);
}

}  // namespace
}  // namespace vesk::test
