// The STL vertex merge: the hashed window answers what a backwards scan of
// the newest 10000 unique positions answers, checked against known answers
// on the inputs that are hard for grid cells: pairs on either side of a
// cell edge, the tolerance itself, negative and large components,
// non-finite values, long chains in one cell and the window's edge.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "formats/stl/stl_vertex_window.h"

namespace torvane {
namespace {

// `v` moved by `n` steps of the float grid.
float Step(float v, int n) {
  for (; n > 0; --n)
    v = std::nextafter(v, INFINITY);
  for (; n < 0; ++n)
    v = std::nextafter(v, -INFINITY);
  return v;
}

// The unique index of each vertex.
std::vector<uint32_t> Merge(const std::vector<Vec3>& vertices) {
  std::vector<Vec3> unique(vertices.size());
  StlVertexWindow window(unique.data());
  std::vector<uint32_t> indices;
  for (const Vec3& v : vertices)
    indices.push_back(window.FindOrAppend(v));
  return indices;
}

// Where a key of width 2^-14, shifted by 0.3183..., changes: near 4.2e-5,
// near 0.25 (steps of 2^-25 there) and just below zero.
const float kEdgeSmall = float((1 - 0.3183098861837907) / 16384);
const float kEdgeQuarter = float((4097 - 0.3183098861837907) / 16384);
const float kEdgeNegative = float(-0.3183098861837907 / 16384);

TEST(StlVertexWindow, PairsMergeExactlyWhenEveryComponentIsWithinTheTolerance) {
  const float big = 1048576.0f;  // 2^20: from here on only identical values are equal
  // The first pair is exactly 2^-23 apart.
  const std::tuple<float, float, bool> kPairs[] = {
      {1.0f, Step(1.0f, 1), false},
      {1.0f, Step(1.0f, -1), true},
      {1.0f, Step(1.0f, -2), false},
      {Step(kEdgeSmall, -1), Step(kEdgeSmall, 1), true},
      {Step(kEdgeQuarter, -1), Step(kEdgeQuarter, 2), true},
      {Step(kEdgeQuarter, -2), Step(kEdgeQuarter, 2), false},
      {Step(kEdgeNegative, -1), Step(kEdgeNegative, 1), true},
      {-0.0f, 0.0f, true},
      {big, big, true},
      {big, Step(big, 1), false},
      {Step(big, -1), big, false},
      {-3e6f, -3e6f, true},
      {NAN, NAN, false},
      {INFINITY, INFINITY, false}};
  for (const auto& [first, second, merged] : kPairs) {
    for (int axis = 0; axis < 3; ++axis) {
      SCOPED_TRACE(testing::Message() << first << " " << second << " axis " << axis);
      Vec3 a{0.5f, 0.5f, 0.5f}, b = a;
      (&a.x)[axis] = first;
      (&b.x)[axis] = second;
      EXPECT_EQ(Merge({a, b}), (std::vector<uint32_t>{0, merged ? 0u : 1u}));
    }
  }
  // Two positions on either side of a cell edge, not equal to each other,
  // both equal to a probe between them: the newer wins whichever cell it is in.
  const Vec3 low{Step(kEdgeQuarter, -2), 0, 0}, high{Step(kEdgeQuarter, 2), 0, 0},
      probe{kEdgeQuarter, 0, 0};
  EXPECT_EQ(Merge({low, high, probe}), (std::vector<uint32_t>{0, 1, 1}));
  EXPECT_EQ(Merge({high, low, probe}), (std::vector<uint32_t>{0, 1, 1}));
  // Many positions in one cell, found again newest first down one chain.
  std::vector<Vec3> cluster;
  std::vector<uint32_t> want;
  for (uint32_t k = 0; k < 400; ++k) {
    cluster.push_back({Step(kEdgeQuarter, 8 * int(k % 200)), 0, 0});
    want.push_back(k % 200);
  }
  EXPECT_EQ(Merge(cluster), want);
}

// A first vertex that is never repeated puts the window's oldest position
// at index 1 once it is full.
TEST(StlVertexWindow, OnlyTheNewest10000UniquePositionsAreSearched) {
  const Vec3 first{-1, -1, -1};
  // Vertex 1 reappears after 9998 ... 10001 other unique positions.
  for (int gap : {9998, 9999, 10000, 10001}) {
    std::vector<Vec3> vertices{first, {0.25f, 0.5f, 0.75f}};
    for (int i = 0; i < gap; ++i)
      vertices.push_back({static_cast<float>(i) + 10.0f, 0.0f, 0.0f});
    vertices.push_back({0.25f, 0.5f, 0.75f});
    EXPECT_EQ(Merge(vertices).back(), gap < 10000 ? 1u : uint32_t(gap + 2)) << gap;
  }
  // Repeating runs far longer than the ring of links: a period of 10000
  // always finds its previous copy, one of 10001 never does.
  for (uint32_t period : {10000u, 10001u}) {
    std::vector<Vec3> vertices{first};
    for (uint32_t i = 0; i < 40000; ++i) {
      const float f = static_cast<float>(i % period);
      vertices.push_back({f * 0.001f, -f, f * f});
    }
    const std::vector<uint32_t> indices = Merge(vertices);
    for (uint32_t i = 0; i < 40000; ++i)
      ASSERT_EQ(indices[i + 1], 1 + (period == 10000 ? i % period : i)) << period << " " << i;
  }
}

}  // namespace
}  // namespace torvane
