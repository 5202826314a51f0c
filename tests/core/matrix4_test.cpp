#include "core/matrix4.h"

#include <gtest/gtest.h>

#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using testing::ExpectNear;

TEST(Matrix4, RightHandedTurnsInXYZOrderThenScaleTurnMove) {
  const struct {
    Vec3 angles, point, turned;
  } kTurns[] = {{{90, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                {{0, 90, 0}, {0, 0, 1}, {1, 0, 0}},
                {{0, 0, 90}, {1, 0, 0}, {0, 1, 0}},
                {{90, 0, 90}, {0, 1, 0}, {0, 0, 1}}};  // X first: then on the Z axis
  for (const auto& t : kTurns)
    ExpectNear(TransformPoint(t.point, RotationMatrix(t.angles)), t.turned, 1e-5f);
  ExpectNear(TransformDirection({1, 0, 0}, TransformMatrix({2, 1, 1}, {0, 0, 90}, {10, 20, 30})),
             {0, 2, 0}, 1e-5f);
  Matrix4 inv;
  const Matrix4 m = TransformMatrix({2, 3, 4}, {10, 20, 30}, {1, 2, 3});
  ASSERT_TRUE(Invert(m, &inv));
  ExpectNear(TransformPoint(TransformPoint({5, -6, 7}, m), inv), {5, -6, 7}, 1e-5f);
  inv.m[0] = 42;
  EXPECT_FALSE(Invert(TransformMatrix({1, 0, 1}, {0, 0, 0}, {0, 0, 0}), &inv));
  EXPECT_EQ(inv.m[0], 42.0f) << "a singular matrix leaves the result alone";
}

}  // namespace
}  // namespace torvane
