// The scene writer: its bytes read back with the engine's own reader, field by field; what it
// refuses; the example scenes.
#include "authoring/SceneWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>

#include "WrittenBytes.h"
#include "authoring/SceneExamples.h"
#include "support/TestSupport.h"

namespace vesk {
namespace {

std::vector<std::uint8_t> nodeBytes(const SceneNode& node) {
  std::vector<std::uint8_t> bytes;
  ByteOutput out(bytes);
  writeNode(out, node);
  return bytes;
}

// An empty node body: name "n", handle 9, identity transform, no children.
void expectEmptyBody(Reader& in) {
  EXPECT_EQ(in.text(), "n");
  EXPECT_EQ(in.i32(), 9);
  in.floats({0, 0, 0, 0, 0, 0, 1, 1, 1, 1});
  EXPECT_EQ(in.u32(), 0u);
  EXPECT_TRUE(in.atEnd());
}

SceneNode leaf(SceneNode::Record record) {
  SceneNode node;
  node.name = "n";
  node.handle = 9;
  node.record = std::move(record);
  return node;
}

TEST(SceneWriter, ATinySceneReadsBackFieldByField) {
  test::RecordingPresenter shown;
  SceneFile scene;
  scene.reserved = 77;
  SceneMaterial material;
  material.reserved = 5;
  material.diffuse = {0.1f, 0.2f, 0.3f};
  material.ambient = {0.4f, 0.5f, 0.6f};
  material.specular = {0.7f, 0.8f, 0.9f};
  material.specularLevel = 2;
  material.glossiness = 0.25f;
  material.opacity = 0.5f;
  material.selfIllumination = {1, 2, 3};
  material.diffuseMaps = {SceneTexture{true, "wall.png", true, 12.5f, 4, 2}};
  material.environmentMap = SceneTexture{false, "sky.jpg", false, 0, 0, 1};
  scene.materials = {material};
  scene.root.name = "ville";
  scene.root.handle = -3;
  scene.root.position = {1, 2, 3};
  scene.root.rotation = {0.5f, 0.25f, 0.125f, 0.75f};
  scene.root.scale = {4, 5, 6};
  SceneMesh mesh;
  mesh.channels = 2;
  mesh.hasNormals = true;
  mesh.vertices = {{{1, 2, 3}, {{{4, 5}, {6, 7}}}, {8, 9, 10}},
                   {{11, 12, 13}, {{{14, 15}, {16, 17}}}, {18, 19, 20}},
                   {{21, 22, 23}, {{{24, 25}, {26, 27}}}, {28, 29, 30}}};
  mesh.faces = {{2, 0, 1}};
  SceneNode shape = sceneShapeNode("Tri", 7, mesh, 0);
  shape.children.push_back(leaf(SceneBone{}));
  scene.root.children.push_back(shape);

  const SceneResult written = writeScene(scene);
  ASSERT_TRUE(written) << written.error;
  Reader in(written.bytes);
  in.ints({0x01100000, 77, 1, 0});  // version, reserved, one material, its id
  EXPECT_EQ(in.u8(), 5);
  in.floats({0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 2, 0.25f, 0.5f, 1, 2, 3});
  EXPECT_EQ(in.i32(), 1);  // diffuse maps
  in.flags({0, 1, 0, 1});  // transparency, environment, additive maps; colour key
  EXPECT_EQ(in.text(), "wall.png");
  EXPECT_EQ(in.u8(), 1);
  in.floats({12.5f});
  in.ints({4, 2});
  EXPECT_EQ(in.u8(), 0);
  EXPECT_EQ(in.text(), "sky.jpg");
  EXPECT_EQ(in.u8(), 0);
  in.floats({0});
  in.ints({0, 1});
  // The root: a body without type code or prefix, rotation x, y, z, w.
  EXPECT_EQ(in.text(), "ville");
  EXPECT_EQ(in.i32(), -3);
  in.floats({1, 2, 3, 0.5f, 0.25f, 0.125f, 0.75f, 4, 5, 6});
  in.ints({1, VK_NODE_SHAPE, 3, 1, 2, 1, 2});  // a shape: 3 vertices, 1 face, channels 1, 2
  EXPECT_EQ(in.u8(), 1);                       // normals
  for (float first : {1.f, 11.f, 21.f}) {
    for (float k = 0; k < 10; ++k)
      in.floats({first + k});
  }
  in.ints({2, 0, 1, 0});  // the face, the material id
  EXPECT_EQ(in.text(), "Tri");
  EXPECT_EQ(in.i32(), 7);
  in.floats({0, 0, 0, 0, 0, 0, 1, 1, 1, 1});
  in.ints({1, VK_NODE_BONE});  // no prefix
  expectEmptyBody(in);
  EXPECT_TRUE(shown.errors().empty());
}

TEST(SceneWriter, NodeRecordPrefixes) {
  test::RecordingPresenter shown;
  {
    Reader in(nodeBytes(
        leaf(SceneLight{{0.5f, 0.25f, 1}, {7, 8}, SceneLight::Attenuation{2, 3, 4, 50}})));
    in.floats({0.5f, 0.25f, 1});
    in.ints({2, 7, 8});
    EXPECT_EQ(in.u8(), 1);
    in.floats({2, 3, 4, 50});
    expectEmptyBody(in);
    Reader plain(nodeBytes(leaf(SceneLight{})));
    plain.floats({1, 1, 1});
    EXPECT_EQ(plain.u32(), 0u);
    EXPECT_EQ(plain.u8(), 0);  // nothing follows the flag
    expectEmptyBody(plain);
  }
  {
    Reader in(nodeBytes(leaf(SceneCamera{1, 2, 3, 4, 5})));
    in.floats({1, 2, 3, 4, 5});
    expectEmptyBody(in);
  }
  {
    Reader in(nodeBytes(leaf(SceneSprite{2.5f, 3})));
    in.floats({2.5f});
    EXPECT_EQ(in.i32(), 3);
    expectEmptyBody(in);
  }
  {
    SceneSkin skin;
    skin.mesh.vertices = {{{1, 2, 3}, {}, {}}, {{4, 5, 6}, {}, {}}};
    skin.mesh.faces = {{0, 1, 1}};
    skin.material = 1;
    skin.links = {{{4, {1, 2, 3}, 0.5f}, {5, {4, 5, 6}, 0.25f}}, {}};
    Reader in(nodeBytes(leaf(skin)));
    in.ints({2, 1, 0});     // 2 vertices, 1 face, no channels: no ids
    EXPECT_EQ(in.u8(), 0);  // no normals: positions only
    in.floats({1, 2, 3, 4, 5, 6});
    in.ints({0, 1, 1, 1, 2, 4});  // the face, the material id; vertex 0: 2 links, bone 4
    in.floats({1, 2, 3, 0.5f});
    EXPECT_EQ(in.i32(), 5);
    in.floats({4, 5, 6, 0.25f});
    EXPECT_EQ(in.u32(), 0u);  // links of vertex 1
    expectEmptyBody(in);
  }
  {
    SceneWater water{
        100, 50, 3, 4, 0.5f, 0.9f, {{{0, 0, 0}, {100, 0, 0}, {0, 50, 0}, {100, 50, 0}}}, 2};
    Reader in(nodeBytes(leaf(water)));
    in.floats({100, 50, 3, 4, 0.5f, 0.9f});
    in.ints({4, 2, 0});
    EXPECT_EQ(in.u8(), 0);
    in.floats({0, 0, 0, 100, 0, 0, 0, 50, 0, 100, 50, 0});
    in.ints({0, 1, 2, 2, 1, 3, 2});  // the faces, the material id
    expectEmptyBody(in);
  }
  {
    SceneParticles particles{1, 2, 3, 4, 5, {}};
    particles.classes.push_back({10, 2, 0.5f, leaf(SceneSprite{1.5f, 0})});
    Reader in(nodeBytes(leaf(particles)));
    in.floats({1, 2, 3, 4, 5});
    EXPECT_EQ(in.i32(), 1);
    in.floats({10, 2, 0.5f});  // rate, lifetime, mass
    EXPECT_EQ(in.i32(), VK_NODE_SPRITE);
    in.floats({1.5f});
    EXPECT_EQ(in.i32(), 0);
    EXPECT_EQ(in.text(), "n");  // the template's whole record, then the system's body
    EXPECT_EQ(in.i32(), 9);
    in.floats({0, 0, 0, 0, 0, 0, 1, 1, 1, 1});
    EXPECT_EQ(in.u32(), 0u);
    expectEmptyBody(in);
  }
  {
    Reader in(nodeBytes(leaf(SceneGroup{})));
    expectEmptyBody(in);
  }
  EXPECT_TRUE(shown.errors().empty());
}

TEST(SceneWriter, ScenesTheLoaderWouldRefuseAreRefused) {
  auto shape = [](SceneFile& s) -> SceneShape& {
    return std::get<SceneShape>(s.root.children[0].record);
  };
  auto texture = [] { return SceneTexture{false, "a.png", false, 0, 0, 1}; };
  const std::vector<std::pair<const char*, std::function<void(SceneFile&)>>> cases{
      {"65536 vertices", [&](SceneFile& s) { shape(s).mesh.vertices.resize(65536); }},
      {"3 channels", [&](SceneFile& s) { shape(s).mesh.channels = 3; }},
      {"no faces", [&](SceneFile& s) { shape(s).mesh.faces.clear(); }},
      {"an index past the vertices", [&](SceneFile& s) { shape(s).mesh.faces[0][1] = 24; }},
      {"material 1 of 1", [&](SceneFile& s) { shape(s).material = 1; }},
      {"material -1", [&](SceneFile& s) { shape(s).material = -1; }},
      {"a sprite's material",
       [](SceneFile& s) {
         s.root.children[1].children.push_back(leaf(SceneSprite{1, 4}));
       }},
      {"a root with a record", [](SceneFile& s) { s.root.record = SceneBone{}; }},
      {"a name with a zero byte",
       [](SceneFile& s) { s.root.children[2].name = std::string("a\0b", 3); }},
      {"three diffuse maps",
       [&](SceneFile& s) { s.materials[0].diffuseMaps.assign(3, texture()); }},
      {"two diffuse maps and a transparency map",
       [&](SceneFile& s) {
         s.materials[0].diffuseMaps.assign(2, texture());
         s.materials[0].transparencyMap = texture();
       }},
      {"a transparency map alone",
       [&](SceneFile& s) { s.materials[0].transparencyMap = texture(); }},
      {"three textures",
       [&](SceneFile& s) {
         s.materials[0].diffuseMaps.assign(2, texture());
         s.materials[0].environmentMap = texture();
       }},
      {"an animation of one frame",
       [&](SceneFile& s) {
         s.materials[0].diffuseMaps = {texture()};
         s.materials[0].diffuseMaps[0].animated = true;
         s.materials[0].diffuseMaps[0].frameCount = 1;
       }},
      {"frames without animation",
       [&](SceneFile& s) {
         s.materials[0].additiveEnvironmentMap = texture();
         s.materials[0].additiveEnvironmentMap->frameCount = 3;
       }},
      {"texture channel 3",
       [&](SceneFile& s) {
         s.materials[0].environmentMap = texture();
         s.materials[0].environmentMap->channel = 3;
       }},
      {"a shadow cast from a camera",
       [](SceneFile& s) { std::get<SceneLight>(s.root.children[1].record).shadowCasters = {4}; }},
      {"a skin linked to a missing handle",
       [&](SceneFile& s) {
         SceneSkin skin{shape(s).mesh, 0, {}};
         skin.links.resize(24);
         skin.links[3] = {{99, {}, 1}};
         s.root.children.push_back(leaf(skin));
       }},
      {"a skin without links for every vertex",
       [&](SceneFile& s) {
         s.root.children.push_back(leaf(SceneSkin{shape(s).mesh, 0, {}}));
       }},
      {"a water surface of width 0",
       [](SceneFile& s) {
         s.root.children.push_back(leaf(SceneWater{0, 1, 0, 1, 0, 1, {}, 0}));
       }},
      {"a particle of mass 0",
       [](SceneFile& s) {
         SceneParticles particles;
         particles.classes.push_back({1, 1, 0, leaf(SceneSprite{1, 0})});
         s.root.children.push_back(leaf(particles));
       }},
      {"a particle template's material",
       [](SceneFile& s) {
         SceneParticles particles;
         particles.classes.push_back({1, 1, 1, leaf(SceneSprite{1, 2})});
         s.root.children.push_back(leaf(particles));
       }},
  };
  for (const auto& [what, change] : cases) {
    SceneFile scene = sceneLitCube("ville");
    ASSERT_TRUE(writeScene(scene)) << what;
    change(scene);
    const SceneResult written = writeScene(scene);
    EXPECT_FALSE(written) << what;
    EXPECT_TRUE(written.bytes.empty()) << what;
  }
  // A light may cast shadows from the cube, and a skin follow any node of the tree.
  SceneFile scene = sceneLitCube("ville");
  std::get<SceneLight>(scene.root.children[1].record).shadowCasters = {2};
  SceneSkin skin{shape(scene).mesh, 0, {}};
  skin.links.assign(24, {{3, {}, 1}});
  scene.root.children.push_back(leaf(skin));
  EXPECT_TRUE(writeScene(scene)) << writeScene(scene).error;
  // Unchecked, the bytes say what the structs say.
  shape(scene).mesh.channels = 3;
  EXPECT_FALSE(writeScene(scene));
  EXPECT_FALSE(writeSceneUnchecked(scene).empty());
}

TEST(SceneWriter, SavingReplacesTheFileWholeOrNotAtAll) {
  test::TempDir dir;
  std::string error;
  const SceneFile scene = sceneLitCube("ville");
  ASSERT_TRUE(saveScene(dir / "a.pod", scene, error)) << error;
  const std::vector<std::uint8_t> bytes = writeScene(scene).bytes;
  EXPECT_EQ(test::readFile(dir / "a.pod"), std::string(bytes.begin(), bytes.end()));
  SceneFile bad = scene;
  bad.root.record = SceneBone{};
  EXPECT_FALSE(saveScene(dir / "a.pod", bad, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(test::readFile(dir / "a.pod").size(), bytes.size());
  EXPECT_FALSE(saveScene(dir / "missing/a.pod", scene, error));
  EXPECT_NE(error.find("missing"), std::string::npos) << error;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// The camera's view as the engine builds it: translation by -eye, diag(1, 1, -1), then the
// transpose of the matrix of the rotation taken as (-w, x, y, -z).
SceneVector viewOf(const SceneNode& camera, SceneVector p) {
  const SceneRotation& r = camera.rotation;
  const float w = -r.w, x = r.x, y = r.y, z = -r.z;
  const float m[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y)},
                         {2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x)},
                         {2 * (x * z + w * y), 2 * (y * z - w * x), 1 - 2 * (x * x + y * y)}};
  const float d[3] = {p.x - camera.position.x, p.y - camera.position.y, -(p.z - camera.position.z)};
  float v[3];
  for (int i = 0; i < 3; ++i)
    v[i] = d[0] * m[i][0] + d[1] * m[i][1] + d[2] * m[i][2];  // row vector × transpose
  return {v[0], v[1], v[2]};
}

TEST(SceneExamples, TheCameraLooksAtItsTargetWithZUp) {
  for (SceneVector eye : {SceneVector{0, -10, 0}, SceneVector{3, 4, 5}, SceneVector{-6, 2, -1}}) {
    const SceneNode camera = sceneCameraLookingAt("c", 1, eye, {1, 1, 1});
    const SceneVector ahead = viewOf(camera, {1, 1, 1});
    const float distance = std::hypot(eye.x - 1, eye.y - 1, eye.z - 1);
    EXPECT_NEAR(ahead.x, 0, 1e-5f);
    EXPECT_NEAR(ahead.y, 0, 1e-5f);
    EXPECT_NEAR(ahead.z, distance, 1e-4f);
    EXPECT_GT(viewOf(camera, {1, 1, 2}).y, 0.1f);  // world up is up on screen
  }
}

TEST(SceneExamples, CubeFacesPointOutAndItsNormalsAgree) {
  const SceneMesh cube = sceneCube(2);
  ASSERT_EQ(cube.vertices.size(), 24u);
  ASSERT_EQ(cube.faces.size(), 12u);
  for (const auto& face : cube.faces) {
    // The loader's face normal, (a - b) × (c - b), points away from the centre.
    const SceneVector a = cube.vertices[face[0]].position, b = cube.vertices[face[1]].position,
                      c = cube.vertices[face[2]].position, n = cube.vertices[face[0]].normal;
    const float u[3] = {a.x - b.x, a.y - b.y, a.z - b.z}, v[3] = {c.x - b.x, c.y - b.y, c.z - b.z};
    const SceneVector cross{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                            u[0] * v[1] - u[1] * v[0]};
    EXPECT_GT(cross.x * n.x + cross.y * n.y + cross.z * n.z, 0);
    EXPECT_EQ(a.x * n.x + a.y * n.y + a.z * n.z, 1);  // on the side the normal names
  }
  EXPECT_TRUE(writeScene(sceneLitCube("ville")));
}

}  // namespace
}  // namespace vesk
