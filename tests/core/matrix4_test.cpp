#include "core/matrix4.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

void ExpectNear(const Vec3& a, const Vec3& b) {
  EXPECT_NEAR(a.x, b.x, 1e-5f);
  EXPECT_NEAR(a.y, b.y, 1e-5f);
  EXPECT_NEAR(a.z, b.z, 1e-5f);
}

TEST(Matrix4, TransformScalesThenRotatesXYZThenTranslates) {
  // Right-handed quarter turns: about X, (0, 1, 0) goes to (0, 0, 1).
  ExpectNear(TransformPoint({0, 1, 0}, RotationMatrix({90, 0, 0})), {0, 0, 1});
  // About Y, (0, 0, 1) goes to (1, 0, 0); about Z, (1, 0, 0) goes to (0, 1, 0).
  ExpectNear(TransformPoint({0, 0, 1}, RotationMatrix({0, 90, 0})), {1, 0, 0});
  ExpectNear(TransformPoint({1, 0, 0}, RotationMatrix({0, 0, 90})), {0, 1, 0});
  // X first, then Z: (0, 1, 0) -> (0, 0, 1) about X, unchanged about Z.
  ExpectNear(TransformPoint({0, 1, 0}, RotationMatrix({90, 0, 90})), {0, 0, 1});
  Matrix4 m = TransformMatrix({2, 1, 1}, {0, 0, 90}, {10, 20, 30});
  ExpectNear(TransformPoint({1, 0, 0}, m), {10, 22, 30});
  EXPECT_FLOAT_EQ(m.m[12], 10.0f);
  EXPECT_FLOAT_EQ(m.m[14], 30.0f);
  ExpectNear(TransformDirection({1, 0, 0}, m), {0, 2, 0});
}

TEST(Matrix4, InverseUndoesTransformAndRefusesSingular) {
  Matrix4 m = TransformMatrix({2, 3, 4}, {10, 20, 30}, {1, 2, 3});
  Matrix4 inv;
  ASSERT_TRUE(Invert(m, &inv));
  ExpectNear(TransformPoint(TransformPoint({5, -6, 7}, m), inv), {5, -6, 7});
  Matrix4 flat = TransformMatrix({1, 0, 1}, {0, 0, 0}, {0, 0, 0});
  Matrix4 untouched;
  untouched.m[0] = 42;
  EXPECT_FALSE(Invert(flat, &untouched));
  EXPECT_EQ(untouched.m[0], 42.0f);
}

}  // namespace
}  // namespace torvane
