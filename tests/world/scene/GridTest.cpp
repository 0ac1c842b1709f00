// Grids: built on a quad, loaded from a grid record, and their heights.
#include "world/scene/Grid.h"

#include <gmock/gmock.h>

#include "world/scene/SceneDeviceTest.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class GridTest : public SceneDeviceTest {};

TEST_F(GridTest, BuildStopsOneCellShortOfTheFarCorners) {
  // U has length 64, so W = 128 gives a gradient scale of 2.
  Grid grid(128, 4);
  ASSERT_TRUE(grid.build({0, 0, 0}, {64, 0, 0}, {0, 8, 0}));
  EXPECT_EQ(grid.gradientScaleX(), 2);
  EXPECT_EQ(grid.gradientScaleY(), 0.5f);

  const std::vector<MeshVertex> vertices = contents<MeshVertex>(*grid.vertexBuffer());
  ASSERT_EQ(vertices.size(), 128u * 4u);
  const MeshVertex& last = vertices.back();
  EXPECT_EQ(last.position, (Vector3{63.5f, 6, 0}));
  EXPECT_EQ(last.normal, (Vector3{0, 0, 1}));
  EXPECT_THAT(last.uv[0], ElementsAre(127.0f / 128, 0.75f));

  const std::vector<std::uint16_t> indices = contents<std::uint16_t>(*grid.indexBuffer());
  ASSERT_EQ(indices.size(), 127u * 3u * 6u);
  EXPECT_THAT(std::vector(indices.begin(), indices.begin() + 6),
              ElementsAre(0, 128, 1, 1, 128, 129));
}

TEST_F(GridTest, GridBeyond16BitIndicesNamesItsLastVertex) {
  Grid grid(300, 300);
  ASSERT_TRUE(grid.build({0, 0, 0}, {300, 0, 0}, {0, 300, 0}));
  ASSERT_EQ(grid.indexBuffer()->format(), gfx::Format::Index32);
  const std::vector<std::uint32_t> indices = contents<std::uint32_t>(*grid.indexBuffer());
  ASSERT_EQ(indices.size(), 299u * 299u * 6u);
  EXPECT_EQ(indices.back(), 300u * 300u - 1);
}

TEST_F(GridTest, HeightsMoveInteriorVerticesOnly) {
  Grid grid(3, 3);
  ASSERT_TRUE(grid.build({0, 0, 0}, {3, 0, 0}, {0, 3, 0}));
  // Centre height 5; the slope across it is 2 per side along x.
  const std::vector<float> heights = {0, 0, 0, 1, 5, 3, 0, 0, 0};
  ASSERT_TRUE(grid.setHeights(heights));
  const std::vector<MeshVertex> vertices = contents<MeshVertex>(*grid.vertexBuffer());
  EXPECT_EQ(vertices[4].position, (Vector3{1, 1, 5}));
  const float size = std::sqrt(4.0f + 1.0f);  // (-(3 - 1) × 1, 0, 1)
  EXPECT_FLOAT_EQ(vertices[4].normal.x, -2 / size);
  EXPECT_FLOAT_EQ(vertices[4].normal.z, 1 / size);
  EXPECT_EQ(vertices[3].position, (Vector3{0, 1, 0}));  // a border keeps its place
  EXPECT_EQ(vertices[3].normal, (Vector3{0, 0, 1}));
}

TEST_F(GridTest, TwoRowsStayFlat) {
  Grid grid(4, 2);
  ASSERT_TRUE(grid.build({0, 0, 0}, {4, 0, 0}, {0, 2, 0}));
  ASSERT_TRUE(grid.setHeights(std::vector<float>(8, 7.0f)));
  for (const MeshVertex& vertex : contents<MeshVertex>(*grid.vertexBuffer()))
    EXPECT_EQ(vertex.position.z, 0);
}

TEST_F(GridTest, LoadTakesTheQuadsAxesAndBuildsInThem) {
  // A quad standing in the x-z plane: its second edge runs along z.
  SceneMesh record;
  for (SceneVector corner : {SceneVector{0, 0, 0}, {4, 0, 0}, {0, 0, 2}, {4, 0, 2}})
    record.vertices.push_back({corner, {}, {}});
  record.faces = {{0, 1, 2}, {2, 1, 3}};
  BinaryInput in = input(meshRecord(record));
  Grid grid(8, 4);
  ASSERT_TRUE(grid.load(in));
  EXPECT_EQ(in.position(), in.size());
  EXPECT_EQ(grid.centre(), (Vector3{2, 0, 1}));
  EXPECT_EQ(grid.basis().m[1][2], 1);   // second axis: z
  EXPECT_EQ(grid.basis().m[2][1], -1);  // x × z
  EXPECT_EQ(grid.gradientScaleX(), 2);
  EXPECT_EQ(grid.gradientScaleY(), 2);
  EXPECT_THAT(logText(), HasSubstr("4 0 2"));
  // Built in the basis frame: the far row lies along y, flat in z.
  EXPECT_EQ(contents<MeshVertex>(*grid.vertexBuffer()).back().position, (Vector3{3.5f, 1.5f, 0}));
}

TEST_F(GridTest, RecordOfMoreThanOneQuadIsAnAssertion) {
  SceneMesh record;
  record.vertices.assign(5, SceneVertex{});
  record.vertices[1].position = {1, 0, 0}, record.vertices[2].position = {0, 1, 0};
  record.faces = {{0, 1, 2}, {2, 1, 3}};
  BinaryInput in = input(meshRecord(record));
  Grid grid(2, 2);
  EXPECT_TRUE(grid.load(in));
  EXPECT_EQ(in.position(), in.size());  // read as the counts say
  ASSERT_EQ(presenter.diagnoses().size(), 1u);
  EXPECT_THAT(presenter.diagnoses()[0], HasSubstr("Too many vertices in grid object"));
}

}  // namespace
}  // namespace vesk::test
