// The matrix helpers and the node transform: local and world matrices, dirty flags, clones.
#include <gtest/gtest.h>

#include <cmath>

#include "events/EventTarget.h"
#include "world/scene/NodeRecords.h"

namespace vesk::test {
namespace {

constexpr float kHalfSqrt2 = 0.70710678f;

void expectNear(const Vector3& actual, const Vector3& expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-5f);
  EXPECT_NEAR(actual.y, expected.y, 1e-5f);
  EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

TEST(MatrixMathTest, QuaternionQuarterTurnsMovePointsAsWritten) {
  // One quarter turn about each axis exercises a different row of the formula.
  expectNear(transformPoint({1, 0, 0}, rotationMatrix({kHalfSqrt2, 0, 0, kHalfSqrt2})), {0, 1, 0});
  expectNear(transformPoint({0, 1, 0}, rotationMatrix({kHalfSqrt2, kHalfSqrt2, 0, 0})), {0, 0, 1});
  expectNear(transformPoint({0, 0, 1}, rotationMatrix({kHalfSqrt2, 0, kHalfSqrt2, 0})), {1, 0, 0});
}

TEST(MatrixMathTest, AffineInverseUndoesScaleRotationAndTranslation) {
  Matrix scale;
  scale.m[0][0] = 2, scale.m[1][1] = 3, scale.m[2][2] = 4;
  const Matrix matrix =
      scale * rotationMatrix({0.5f, 0.5f, -0.5f, 0.5f}) * translationMatrix(5, -6, 7);
  std::optional<Matrix> inverse = affineInverse(matrix);
  ASSERT_TRUE(inverse);
  const Matrix product = *inverse * matrix;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column)
      EXPECT_NEAR(product.m[row][column], row == column ? 1 : 0, 1e-5f) << row << column;
  }
  scale.m[1][1] = 0;
  EXPECT_FALSE(affineInverse(scale));
}

TEST(NodeTransformTest, LoadedTransformGivesTheLocalMatrix) {
  RecordingPresenter presenter;
  Record record;
  record.body("Box", 4, {1, 2, 3}, {}, {2, 2, 2});
  BinaryInput in = record.input();
  Group group(nullptr);
  ASSERT_TRUE(group.load(in));
  group.updateWorld();
  Matrix expected;
  expected.m[0][0] = expected.m[1][1] = expected.m[2][2] = 2;
  expected.m[3][0] = 1, expected.m[3][1] = 2, expected.m[3][2] = 3;
  EXPECT_EQ(group._localMatrix, expected);
  EXPECT_EQ(group._handle, 4);

  // The file stores x, y, z, w.
  Record turned;
  turned.i32(6).bytes += "Turned";
  turned.i32(5).f32(0).f32(0).f32(0).f32(0.6f).f32(0).f32(0).f32(0.8f);
  turned.f32(1).f32(1).f32(1).i32(0);
  BinaryInput turnedIn = turned.input();
  ASSERT_TRUE(group.load(turnedIn));
  EXPECT_EQ(group._rotation, (Quaternion{0.8f, 0.6f, 0, 0}));
}

TEST(NodeTransformTest, WorldFollowsTheParentButNeverTheScene) {
  StandInScene scene;
  scene.root->_position = {100, 0, 0};  // the scene's own transform never reaches its nodes
  auto group = make<Group>(here(), &scene);
  auto child = make<Group>(here(), &scene);
  group->_position = {10, 0, 0};
  child->_position = {1, 0, 0};
  Node& parent = *group;
  Node& node = *child;
  group->appendChild(std::move(child));
  scene.root->appendChild(std::move(group));
  scene.root->children()[0]->updateWorld();
  EXPECT_EQ(parent._worldMatrix.m[3][0], 10);
  EXPECT_EQ(node._worldMatrix.m[3][0], 11);

  // Only the parent is dirty; the child's world is recomputed all the same.
  parent._position.x = 20;
  parent._localDirty = true;
  parent.updateWorld();
  EXPECT_EQ(node._worldMatrix.m[3][0], 21);
}

TEST(NodeTransformTest, RotationMatrixIsRebuiltOnlyBehindItsFlag) {
  Group node(nullptr);
  node.updateWorld();
  EXPECT_FALSE(node._localDirty);
  EXPECT_FALSE(node._rotationDirty);

  node._rotation = {kHalfSqrt2, 0, 0, kHalfSqrt2};
  node._position = {0, 5, 0};
  node._localDirty = true;  // a position change only: the cached rotation stays
  node.updateWorld();
  EXPECT_EQ(node._localMatrix.m[0][0], 1);
  EXPECT_EQ(node._localMatrix.m[3][1], 5);

  node._localDirty = node._rotationDirty = true;
  node.updateWorld();
  expectNear(transformPoint({1, 0, 0}, node._localMatrix), {0, 6, 0});
}

TEST(NodeTransformTest, CloneIsAnIndependentUnlistedCopyThatSharesChildren) {
  RecordingPresenter presenter;
  Camera camera(nullptr);
  camera.setName("ville.Camera01");
  camera._fov = 0.5f;
  camera._position = {1, 2, 3};
  camera.appendChild(make<Group>(here(), nullptr));
  Owned<Node> copy = camera.clone();
  auto* clone = dynamic_cast<Camera*>(copy.get());
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(clone->_fov, 0.5f);
  EXPECT_EQ(clone->getName(), "ville.Camera01");
  EXPECT_EQ(EventTarget::find("ville.Camera01"), &camera);
  EXPECT_EQ(clone->children(), camera.children());

  clone->_position.x = 9;
  EXPECT_EQ(camera._position.x, 1);
  copy.reset();  // the shared child stays with the original
  EXPECT_EQ(camera.children()[0]->parent(), &camera);
}

}  // namespace
}  // namespace vesk::test
