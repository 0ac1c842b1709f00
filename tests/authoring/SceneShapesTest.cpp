// The modelling helpers: face counts, the winding the loader expects, and normals flat where
// the solid is cut and smooth where it is round.
#include "authoring/SceneShapes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vesk {
namespace {

SceneVector corner(const SceneMesh& mesh, std::uint32_t index) {
  return mesh.vertices.at(index).position;
}

// Every face's (a - b) × (c - b) agrees with its corners' normals, and every normal is unit
// length and points away from `centre` (the meshes tested are convex about it).
void expectOutwardAndConsistent(const SceneMesh& mesh, SceneVector centre) {
  ASSERT_TRUE(mesh.hasNormals);
  for (const auto& face : mesh.faces) {
    const SceneVector a = corner(mesh, face[0]), b = corner(mesh, face[1]),
                      c = corner(mesh, face[2]);
    const SceneVector u{a.x - b.x, a.y - b.y, a.z - b.z}, v{c.x - b.x, c.y - b.y, c.z - b.z};
    const SceneVector n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    for (auto index : face) {
      const SceneVertex& vertex = mesh.vertices[index];
      const SceneVector m = vertex.normal;
      EXPECT_NEAR(m.x * m.x + m.y * m.y + m.z * m.z, 1, 1e-4);
      EXPECT_GT(n.x * m.x + n.y * m.y + n.z * m.z, 0);
      const SceneVector out{vertex.position.x - centre.x, vertex.position.y - centre.y,
                            vertex.position.z - centre.z};
      EXPECT_GT(out.x * m.x + out.y * m.y + out.z * m.z, 0);
    }
  }
}

TEST(SceneShapes, BevelledBoxHasFlatFacesBevelsAndCorners) {
  const SceneMesh box = sceneBevelledBox({4, 2, 1}, 0.1f);
  EXPECT_EQ(box.faces.size(), 6u * 2 + 12 * 2 + 8);
  EXPECT_EQ(box.vertices.size(), 6u * 4 + 12 * 4 + 8 * 3);  // nothing shared across a crease
  EXPECT_EQ(box.channels, 1u);
  expectOutwardAndConsistent(box, {0, 0, 0});
  int top = 0;
  for (const SceneVertex& v : box.vertices) {
    EXPECT_LE(std::fabs(v.position.x), 2.0001f);
    EXPECT_LE(std::fabs(v.position.z), 0.5001f);
    if (v.normal.z > 0.999f) {
      ++top;
      EXPECT_FLOAT_EQ(v.position.z, 0.5f);
      EXPECT_NEAR(std::fabs(v.position.x), 1.9f, 1e-5);  // inset by the bevel
    }
  }
  EXPECT_EQ(top, 4);
}

TEST(SceneShapes, LatheIsRoundAroundAndFlatAcrossCreases) {
  const SceneMesh cylinder = sceneCylinder(1, 2, 16);
  // The two caps close at the axis (16 faces each, the collapsed halves dropped), the side
  // has two faces per segment.
  EXPECT_EQ(cylinder.faces.size(), 16u + 32 + 16);
  expectOutwardAndConsistent(cylinder, {0, 0, 1});
  for (const SceneVertex& v : cylinder.vertices) {
    const bool onCap = v.position.z == 0 || v.position.z == 2;
    if (std::fabs(v.normal.z) > 0.5f) {
      EXPECT_TRUE(onCap);
      EXPECT_FLOAT_EQ(std::fabs(v.normal.z), 1);
    } else {
      // Side normals are radial: the mean of the faces on both sides, not either one.
      EXPECT_FLOAT_EQ(v.normal.z, 0);
      EXPECT_NEAR(v.normal.x, v.position.x, 1e-4);
      EXPECT_NEAR(v.normal.y, v.position.y, 1e-4);
    }
  }
  // u wraps around once: the seam holds both 0 and 1.
  float lowest = 1, highest = 0;
  for (const SceneVertex& v : cylinder.vertices) {
    lowest = std::min(lowest, v.uv[0][0]);
    highest = std::max(highest, v.uv[0][0]);
  }
  EXPECT_FLOAT_EQ(lowest, 0);
  EXPECT_FLOAT_EQ(highest, 1);
}

TEST(SceneShapes, SphereNormalsPointFromTheCentre) {
  const SceneMesh sphere = sceneSphere(2, 12, 8);
  expectOutwardAndConsistent(sphere, {0, 0, 0});
  for (const SceneVertex& v : sphere.vertices) {
    EXPECT_NEAR(v.normal.x, v.position.x / 2, 0.08);
    EXPECT_NEAR(v.normal.z, v.position.z / 2, 0.08);
  }
  // Inside out, seen from within: the faces and the normals both turn to the centre.
  SceneMesh dome = sphere;
  sceneFlip(dome);
  for (SceneVertex& v : dome.vertices)
    v.position = {-v.position.x, -v.position.y, -v.position.z};
  // Mirrored through the centre (which turns the winding's sense back but not the normals),
  // it is a sound sphere again.
  expectOutwardAndConsistent(dome, {0, 0, 0});
}

TEST(SceneShapes, TransformsCarryNormalsAndMergeOffsetsFaces) {
  SceneMesh box = sceneBevelledBox({1, 1, 1}, 0);
  const auto count = box.vertices.size();
  sceneRotate(box, {0, 0, 1}, std::acos(-1.0f) / 2);  // +x turns to +y
  sceneScale(box, {1, 1, 4});
  sceneTranslate(box, {5, 0, 0});
  expectOutwardAndConsistent(box, {5, 0, 0});
  SceneMesh both = sceneExtrusion({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 1);
  expectOutwardAndConsistent(both, {0.5f, 0.5f, 0.5f});
  const auto before = both.vertices.size();
  sceneMerge(both, box);
  EXPECT_EQ(both.vertices.size(), before + count);
  EXPECT_EQ(both.faces.back()[0] >= before, true);
  const SceneRotation q = sceneAxisRotation({0, 0, 2}, std::acos(-1.0f));
  EXPECT_NEAR(q.z, 1, 1e-6);
  EXPECT_NEAR(q.w, 0, 1e-6);
}

}  // namespace
}  // namespace vesk
