// The STL vertex merge: the hashed window must answer exactly what a plain
// backwards scan of the newest 10000 unique positions answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "formats/stl/stl_vertex_window.h"

namespace torvane {
namespace {

// The rule written out as plainly as possible.
std::vector<uint32_t> PlainMerge(const std::vector<Vec3>& vertices, std::vector<Vec3>& unique) {
  std::vector<uint32_t> indices;
  for (const Vec3& v : vertices) {
    const size_t start = unique.size() > kStlLookBack ? unique.size() - kStlLookBack : 0;
    uint32_t found = 0xFFFFFFFFu;
    for (size_t j = unique.size(); j-- > start;) {
      if (std::fabs(unique[j].x - v.x) < 1.1920929e-07f &&
          std::fabs(unique[j].y - v.y) < 1.1920929e-07f &&
          std::fabs(unique[j].z - v.z) < 1.1920929e-07f) {
        found = static_cast<uint32_t>(j);
        break;
      }
    }
    if (found == 0xFFFFFFFFu) {
      found = static_cast<uint32_t>(unique.size());
      unique.push_back(v);
    }
    indices.push_back(found);
  }
  return indices;
}

std::vector<uint32_t> WindowMerge(const std::vector<Vec3>& vertices, std::vector<Vec3>& unique) {
  unique.assign(vertices.size(), Vec3{});
  StlVertexWindow window(unique.data());
  std::vector<uint32_t> indices;
  for (const Vec3& v : vertices)
    indices.push_back(window.FindOrAppend(v));
  unique.resize(window.count());
  return indices;
}

void ExpectSameMerge(const std::vector<Vec3>& vertices, const char* what) {
  std::vector<Vec3> plainUnique, windowUnique;
  const std::vector<uint32_t> plain = PlainMerge(vertices, plainUnique);
  const std::vector<uint32_t> fast = WindowMerge(vertices, windowUnique);
  ASSERT_EQ(plainUnique.size(), windowUnique.size()) << what;
  ASSERT_EQ(plain, fast) << what;
  for (size_t i = 0; i < plainUnique.size(); ++i) {
    ASSERT_EQ(std::memcmp(&plainUnique[i], &windowUnique[i], sizeof(Vec3)), 0) << what;
  }
}

// A component nudged by whole float steps or by amounts right at the
// tolerance, so that many pairs sit exactly on the edge of the rule.
float Jitter(float value, std::mt19937& random) {
  constexpr float t = 1.1920929e-07f;
  const float nudged[] = {value + t,
                          value - t,
                          std::nextafter(value + t, INFINITY),
                          std::nextafter(value - t, -INFINITY),
                          std::nextafter(value, INFINITY),
                          std::nextafter(std::nextafter(value, -INFINITY), -INFINITY),
                          value + t * 0.5f,
                          value};
  return nudged[random() % 8];
}

TEST(StlVertexWindow, MatchesPlainScanOnJitteredMeshes) {
  std::mt19937 random(20240611);
  // Base points at several scales: tiny values where float steps are far
  // below the tolerance, values near 1 and 2 where a step equals it, large
  // values where only identical components are equal, signed zeros.
  const float scales[] = {1e-6f, 0.5f, 1.0f, 2.0f, 1000.0f, 3e6f};
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::vector<Vec3> pool;
  for (int i = 0; i < 16000; ++i) {
    const float s = scales[random() % 6];
    pool.push_back({unit(random) * s, unit(random) * s, unit(random) * s});
  }
  pool[5] = {-0.0f, 0.0f, -0.0f};
  pool[6] = {0.0f, -0.0f, 0.0f};
  pool[7] = {1.0f, 1.0f, 1.0f};
  // Vertices walk through the pool and reach back up to about 11000 base
  // points, so repeats land on both sides of the window's edge while the
  // window slides.
  std::vector<Vec3> vertices;
  for (int i = 0; i < 26000; ++i) {
    const int newest = std::min<int>(i * 16000 / 26000, 15999);
    const int back =
        (random() % 3 == 0) ? static_cast<int>(random() % 11000) : static_cast<int>(random() % 40);
    Vec3 v = pool[std::max(0, newest - back)];
    // One component in five of three is nudged: x, y or z.
    if (const unsigned axis = random() % 5; axis < 3) (&v.x)[axis] = Jitter((&v.x)[axis], random);
    vertices.push_back(v);
  }
  std::vector<Vec3> unique;
  WindowMerge(vertices, unique);
  EXPECT_GT(unique.size(), 12000u);  // the window did slide
  ExpectSameMerge(vertices, "jittered walk");
}

TEST(StlVertexWindow, MatchesPlainScanAtTheWindowEdge) {
  // Vertex 0 reappears after exactly 9999, 10000 and 10001 other unique
  // positions: the first two find it, the last does not.
  for (int gap : {9998, 9999, 10000, 10001}) {
    std::vector<Vec3> vertices{{0.25f, 0.5f, 0.75f}};
    for (int i = 0; i < gap; ++i)
      vertices.push_back({static_cast<float>(i) + 10.0f, 0.0f, 0.0f});
    vertices.push_back({0.25f, 0.5f, 0.75f});
    ExpectSameMerge(vertices, "window edge");
    std::vector<Vec3> unique;
    const std::vector<uint32_t> indices = WindowMerge(vertices, unique);
    EXPECT_EQ(indices.back() == 0, gap < 10000) << gap;
  }
  // Long runs of repeats far apart, plus non-finite values that never merge.
  std::vector<Vec3> vertices;
  for (int i = 0; i < 21000; ++i) {
    const float f = static_cast<float>(i % 10003);
    vertices.push_back({f * 0.001f, -f, f * f});
    if (i % 997 == 0) vertices.push_back({NAN, 0.0f, 0.0f});
    if (i % 1009 == 0) vertices.push_back({INFINITY, 1.0f, 2.0f});
  }
  ExpectSameMerge(vertices, "repeats and non-finite");
}

TEST(StlVertexWindow, PicksTheNewestOfSeveralEqualPositions) {
  // b and c both equal a probe between them but not each other.
  const float t = 1.1920929e-07f;
  const Vec3 b{0.1f, 0.1f, 0.1f};
  const Vec3 c{0.1f + 1.5f * t, 0.1f, 0.1f};
  const Vec3 probe{0.1f + 0.75f * t, 0.1f, 0.1f};
  std::vector<Vec3> unique(3);
  StlVertexWindow window(unique.data());
  EXPECT_EQ(window.FindOrAppend(b), 0u);
  EXPECT_EQ(window.FindOrAppend(c), 1u);
  EXPECT_EQ(window.FindOrAppend(probe), 1u);
  ExpectSameMerge({b, c, probe}, "newest wins");
}

}  // namespace
}  // namespace torvane
