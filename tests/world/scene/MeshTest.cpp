// Meshes loaded from records the scene writer wrote: normals, buffers, centre, bad records,
// and a mesh too large for 16-bit indices drawn where it belongs.
#include "world/scene/Mesh.h"

#include <gmock/gmock.h>

#include "world/scene/SceneDeviceTest.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class MeshTest : public SceneDeviceTest {};

SceneVertex at(float x, float y, float z) {
  return SceneVertex{{x, y, z}, {}, {}};
}

void expectNear(const Vector3& actual, const Vector3& expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-6f);
  EXPECT_NEAR(actual.y, expected.y, 1e-6f);
  EXPECT_NEAR(actual.z, expected.z, 1e-6f);
}

TEST_F(MeshTest, FaceWithoutNormalsGivesItsVerticesTheUnitFaceNormal) {
  // (Pa - Pb) × (Pc - Pb) = (-2, 0, 0) × (-2, 3, 0) points to -z; the other order to +z.
  SceneMesh record{0, false, {at(0, 0, 0), at(2, 0, 0), at(0, 3, 0)}, {{0, 1, 2}}};
  BinaryInput in = input(meshRecord(record));
  Mesh mesh;
  ASSERT_TRUE(mesh.load(in));
  for (const MeshVertex& vertex : mesh.vertices())
    expectNear(vertex.normal, {0, 0, -1});
  // The buffer holds the computed normals too.
  EXPECT_EQ(contents<MeshVertex>(*mesh.vertexBuffer())[2].normal.z, -1);
}

TEST_F(MeshTest, DegenerateFaceCountsWithoutContributing) {
  SceneMesh record{
      0, false, {at(0, 0, 0), at(2, 0, 0), at(0, 3, 0), at(0, 0, 0)}, {{0, 1, 2}, {0, 3, 3}}};
  BinaryInput in = input(meshRecord(record));
  Mesh mesh;
  ASSERT_TRUE(mesh.load(in));
  expectNear(mesh.vertices()[0].normal, {0, 0, -0.5f});
  expectNear(mesh.vertices()[1].normal, {0, 0, -1});
}

TEST_F(MeshTest, BuffersHoldTheRecordAndTheCentreIsTheMeanPosition) {
  SceneMesh record{2, true, {}, {{0, 1, 2}, {2, 1, 3}}};
  for (int i = 0; i < 4; ++i) {
    const auto f = static_cast<float>(i);
    record.vertices.push_back({{f, 10 + f, -f}, {{{f, 0.5f}, {0.25f, f}}}, {0, f, 1}});
  }
  BinaryInput in = input(meshRecord(record));
  Mesh mesh;
  ASSERT_TRUE(mesh.load(in));
  EXPECT_EQ(mesh.channelCount(), 2u);
  EXPECT_EQ(in.position(), in.size());

  const std::vector<MeshVertex> vertices = contents<MeshVertex>(*mesh.vertexBuffer());
  ASSERT_EQ(vertices.size(), 4u);
  const MeshVertex& last = vertices[3];
  EXPECT_EQ(last.position, (Vector3{3, 13, -3}));
  EXPECT_EQ(last.normal, (Vector3{0, 3, 1}));  // the file's, not computed
  EXPECT_THAT(last.uv[0], ElementsAre(3, 0.5f));
  EXPECT_THAT(last.uv[1], ElementsAre(0.25f, 3));
  EXPECT_EQ(mesh.indexBuffer()->format(), gfx::Format::Index16);
  EXPECT_THAT(contents<std::uint16_t>(*mesh.indexBuffer()), ElementsAre(0, 1, 2, 2, 1, 3));
  EXPECT_EQ(mesh.centre(), (Vector3{1.5f, 11.5f, -1.5f}));
}

TEST_F(MeshTest, TruncatedRecordIsCorrupt) {
  std::vector<std::uint8_t> bytes =
      meshRecord({0, false, {at(0, 0, 0), at(1, 0, 0), at(0, 1, 0)}, {{0, 1, 2}}});
  bytes.pop_back();
  BinaryInput in = input(bytes);
  Mesh mesh;
  EXPECT_FALSE(mesh.load(in));
  EXPECT_THAT(presenter.errors(), ElementsAre("Error : file test.pod is corrupt or truncated"));
  EXPECT_EQ(mesh.vertexBuffer(), nullptr);
}

TEST_F(MeshTest, CountLargerThanTheFileIsRefusedBeforeAnythingIsAllocated) {
  // Two million vertices in a record of a few bytes: 80 MB if it were believed.
  std::vector<std::uint8_t> bytes = meshRecord({0, true, {at(0, 0, 0)}, {}});
  bytes[0] = 0x80, bytes[1] = 0x84, bytes[2] = 0x1E;
  BinaryInput in = input(bytes);
  const std::size_t peak = theMemory().maximumUsage();
  Mesh mesh;
  EXPECT_FALSE(mesh.load(in));
  EXPECT_LT(theMemory().maximumUsage(), peak + 1000000);
  EXPECT_THAT(presenter.errors(), ElementsAre("Error : file test.pod is corrupt or truncated"));
  EXPECT_EQ(mesh.vertexCount(), 0u);
}

TEST_F(MeshTest, FaceNamingAMissingVertexIsCorrupt) {
  BinaryInput in =
      input(meshRecord({0, false, {at(0, 0, 0), at(1, 0, 0), at(0, 1, 0)}, {{0, 1, 3}}}));
  Mesh mesh;
  EXPECT_FALSE(mesh.load(in));
  EXPECT_THAT(presenter.errors(), ElementsAre("Error : file test.pod is corrupt or truncated"));
}

TEST_F(MeshTest, ChannelIdsOutOfOrderAreRefused) {
  std::vector<std::uint8_t> bytes = meshRecord({2, false, {at(0, 0, 0)}, {}});
  bytes[12] = 2, bytes[16] = 1;  // the ids follow the three counts
  BinaryInput in = input(bytes);
  Mesh mesh;
  EXPECT_FALSE(mesh.load(in));
  EXPECT_THAT(presenter.errors(),
              ElementsAre("Texture channel incorrect : only channels 1 and 2 are currently "
                          "supported"));
}

TEST_F(MeshTest, VertexPositionPastTheLastIsAnAssertion) {
  BinaryInput in =
      input(meshRecord({0, false, {at(0, 0, 0), at(1, 2, 3), at(0, 1, 0)}, {{0, 1, 2}}}));
  Mesh mesh;
  ASSERT_TRUE(mesh.load(in));
  EXPECT_EQ(mesh.vertexPosition(1), (Vector3{1, 2, 3}));
  EXPECT_TRUE(presenter.diagnoses().empty());
  EXPECT_EQ(mesh.vertexPosition(3), Vector3{});
  ASSERT_EQ(presenter.diagnoses().size(), 1u);
  EXPECT_THAT(presenter.diagnoses()[0], HasSubstr("error in indice"));
}

TEST_F(MeshTest, MeshBeyond16BitIndicesDrawsEveryTriangleInPlace) {
  // Faces: 0-1-2 over the top left; the last three over the top right, which wrapped indices
  // would make 4471-4472-4473 over the bottom left; 5-6-70005 over the bottom right, its
  // corners 70000 vertices apart.
  SceneMesh record;
  record.vertices.assign(70010, at(0, 0, 0.5f));
  auto triangle = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c, Vector3 pa, Vector3 pb,
                      Vector3 pc) {
    record.vertices[a] = at(pa.x, pa.y, 0.5f), record.vertices[b] = at(pb.x, pb.y, 0.5f);
    record.vertices[c] = at(pc.x, pc.y, 0.5f);
  };
  triangle(0, 1, 2, {-1, 1, 0}, {-0.2f, 1, 0}, {-1, 0.2f, 0});
  triangle(4471, 4472, 4473, {-1, -0.2f, 0}, {-1, -1, 0}, {-0.2f, -1, 0});
  triangle(70007, 70008, 70009, {0, 1, 0}, {1, 1, 0}, {1, 0, 0});
  triangle(5, 6, 70005, {1, -1, 0}, {1, -0.2f, 0}, {0.2f, -1, 0});
  record.faces = {{0, 1, 2}, {70007, 70008, 70009}, {5, 6, 70005}};
  BinaryInput in = input(meshRecord(record));
  Mesh mesh;
  ASSERT_TRUE(mesh.load(in));
  EXPECT_THAT(logText(), HasSubstr("Too many vertices in mesh object"));
  EXPECT_EQ(mesh.indexBuffer()->format(), gfx::Format::Index32);
  EXPECT_EQ(mesh.index(8), 70005u);

  ASSERT_TRUE(device->setRenderState(gfx::RenderState::Lighting, 0));
  ASSERT_TRUE(device->setRenderState(gfx::RenderState::CullMode,
                                     static_cast<std::uint32_t>(gfx::Cull::None)));
  ASSERT_TRUE(device->clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0, 1, 0));
  ASSERT_TRUE(device->beginScene());
  mesh.draw();
  ASSERT_TRUE(device->endScene());
  EXPECT_TRUE(presenter.errors().empty());
  const std::vector<std::uint32_t> pixels = readBackBuffer(*device);
  ASSERT_EQ(pixels.size(), std::size_t{kWidth} * kHeight);
  auto pixel = [&](std::uint32_t x, std::uint32_t y) { return pixels[y * kWidth + x]; };
  EXPECT_TRUE(colorNear(pixel(56, 8), 0xFFFFFFFF)) << colorText(pixel(56, 8));    // top right
  EXPECT_TRUE(colorNear(pixel(4, 4), 0xFFFFFFFF)) << colorText(pixel(4, 4));      // top left
  EXPECT_TRUE(colorNear(pixel(4, 60), 0)) << colorText(pixel(4, 60));             // bottom left
  EXPECT_TRUE(colorNear(pixel(48, 60), 0xFFFFFFFF)) << colorText(pixel(48, 60));  // bottom right
}

}  // namespace
}  // namespace vesk::test
