// Shapes and comparisons shared by the core tests: an indexed cube (8
// vertices, 12 triangles), the same cube as a triangle soup (36 vertices), a
// row of separate triangles, objects added and selected as a command finds
// them, a cancelling progress monitor, an exact comparison of two meshes'
// arrays (bit for bit, so that -0 and +0 or two NaNs count as written), a
// near comparison of vectors, a scoped available-memory figure and a
// listener recording document notifications.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/document.h"
#include "core/mesh.h"
#include "core/null_progress.h"
#include "platform/available_memory.h"

namespace torvane::testing {

// Cube from `lo` to `hi`, outward counter-clockwise triangles.
inline Mesh MakeIndexedCube(Vec3 lo = {0, 0, 0}, Vec3 hi = {1, 1, 1},
                            Colour32 colour = 0xFF808080u) {
  const Vec3 v[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z},
                     {lo.x, hi.y, lo.z}, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z},
                     {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
  const uint32_t faces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                                 {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
  Mesh m;
  m.positions.ResizeDiscard(8);
  for (int i = 0; i < 8; ++i)
    m.positions.MutableData()[i] = v[i];
  m.vertexCount = 8;
  m.corners.ResizeDiscard(36);
  for (int t = 0; t < 12; ++t) {
    const Vec3 n = FaceNormal(v[faces[t][0]], v[faces[t][1]], v[faces[t][2]]);
    for (int i = 0; i < 3; ++i)
      m.corners.MutableData()[t * 3 + i] = MeshCorner{faces[t][i], n, colour};
  }
  m.cornerCount = 36;
  return m;
}

// The indexed cube under the short name the tables use.
inline Mesh Cube(Vec3 lo = {0, 0, 0}, Vec3 hi = {1, 1, 1}) {
  return MakeIndexedCube(lo, hi);
}

// Positions and corner indices as given; corner k carries colour 0xFF00000k.
inline Mesh MeshOf(const std::vector<Vec3>& points, const std::vector<uint32_t>& indices) {
  Mesh m;
  m.positions.ResizeDiscard(points.size());
  for (size_t i = 0; i < points.size(); ++i)
    m.positions.MutableData()[i] = points[i];
  m.vertexCount = uint32_t(points.size());
  m.corners.ResizeDiscard(indices.size());
  for (size_t k = 0; k < indices.size(); ++k)
    m.corners.MutableData()[k] = MeshCorner{indices[k], {0, 0, 1}, 0xFF000000u | uint32_t(k)};
  m.cornerCount = uint32_t(indices.size());
  return m;
}

// The indexed cube with its own vertex for every corner.
inline Mesh SoupCube(Vec3 lo = {0, 0, 0}, Vec3 hi = {1, 1, 1}) {
  const Mesh cube = MakeIndexedCube(lo, hi);
  std::vector<Vec3> points;
  std::vector<uint32_t> indices;
  for (uint32_t k = 0; k < 36; ++k) {
    points.push_back(cube.positions[cube.corners[k].vertexIndex]);
    indices.push_back(k);
  }
  return MeshOf(points, indices);
}

// Directed edges of the live triangles used other than exactly once each
// way (0 for a closed surface without cracks or T-junctions whose triangles
// agree on their winding), or (`unpaired`) more often than their reverse: 0
// when closed, though a few edges may be shared by four triangles.
inline size_t OpenEdgeCount(const Mesh& m, bool unpaired = false) {
  std::map<std::pair<uint32_t, uint32_t>, int> uses;
  for (uint32_t k = 0; k + 2 < m.cornerCount; k += 3) {
    const MeshCorner* t = m.corners.data() + k;
    for (int e = 0; e < 3 && !IsDeadCorner(t[0]) && !IsDeadCorner(t[1]) && !IsDeadCorner(t[2]); ++e)
      ++uses[{t[e].vertexIndex, t[(e + 1) % 3].vertexIndex}];
  }
  size_t open = 0;
  for (const auto& [edge, n] : uses) {
    auto reverse = uses.find({edge.second, edge.first});
    const int back = reverse == uses.end() ? 0 : reverse->second;
    open += unpaired ? back < n : (n != 1 || back != 1);
  }
  return open;
}

inline ::testing::AssertionResult IsClosed(const Mesh& mesh) {
  if (const size_t open = OpenEdgeCount(mesh))
    return ::testing::AssertionFailure() << open << " open";
  return ::testing::AssertionSuccess();
}

// Enclosed volume (divergence theorem, in double) of the live triangles in
// object space.
inline double MeshVolume(const Mesh& m) {
  double volume = 0;
  for (uint32_t k = 0; k + 2 < m.cornerCount; k += 3) {
    if (IsDeadCorner(m.corners[k])) continue;
    const Vec3 a = m.positions[m.corners[k].vertexIndex];
    const Vec3 b = m.positions[m.corners[k + 1].vertexIndex];
    const Vec3 c = m.positions[m.corners[k + 2].vertexIndex];
    volume += (double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) -
               double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
               double(a.z) * (double(b.x) * c.y - double(b.y) * c.x)) /
              6.0;
  }
  return volume;
}

// `count` triangles side by side along x from `x`, sharing no vertex.
inline Mesh SeparateTriangles(int count, float x = 0, float z = 0) {
  Mesh m;
  for (int i = 0; i < count; ++i) {
    const float f = x + float(i);
    AppendTriangle(m, {f, 0, z}, {f + 1, 0, z}, {f, 1, z}, 0xFF808080u);
  }
  return m;
}

// An object as an import or a command leaves it: changed since the last record.
inline SceneObject ChangedObject(Mesh mesh, const std::string& name = {}) {
  SceneObject o;
  o.mesh = std::move(mesh);
  o.mesh.name = name;
  MarkChanged(o.mesh);
  return o;
}

// Selects the object `id` as a click does: flags and selection list.
inline SceneObject& SelectById(Document& doc, uint32_t id) {
  SceneObject& o = *FindObject(doc, id);
  SelectObject(o);
  AddToSelection(doc, id);
  return o;
}

inline uint32_t AddSelectedMesh(Document& doc, Mesh mesh, const std::string& name = {}) {
  const uint32_t id = AddObjectCopy(doc, ChangedObject(std::move(mesh), name));
  SelectById(doc, id);
  return id;
}

// Answers "cancelled" from the `after`-th question on, asked from any thread;
// keeps the texts shown.
class CancelAfter : public NullProgress {
 public:
  explicit CancelAfter(int after) : left_(after) {}
  bool IsCancelled() override { return left_-- <= 0; }
  void SetText(const std::string& text, int line) override {
    (line == 0 ? heading : detail) = text;
    texts.push_back(text);
  }
  std::string heading, detail;
  std::vector<std::string> texts;  // every text shown, in order

 private:
  std::atomic<int> left_;
};

inline void ExpectNear(const Vec3& a, const Vec3& b, float tolerance = 1e-4f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

// The available-memory figure pinned for one scope.
struct MemoryOverride {
  explicit MemoryOverride(uint64_t bytes) { SetAvailableMemoryOverride(bytes); }
  ~MemoryOverride() { SetAvailableMemoryOverride(std::nullopt); }
};

struct RecordingListener : DocumentListener {
  std::vector<uint32_t> codes;
  void OnDocumentNotify(uint32_t code, uintptr_t, intptr_t) override { codes.push_back(code); }
};

inline bool SameBits(const void* a, const void* b, size_t bytes) {
  return std::memcmp(a, b, bytes) == 0;
}

// Counts, then every live position and corner, compared bit for bit.
inline void ExpectSameGeometry(const Mesh& a, const Mesh& b, const std::string& what) {
  ASSERT_EQ(a.vertexCount, b.vertexCount) << what;
  ASSERT_EQ(a.cornerCount, b.cornerCount) << what;
  for (uint32_t i = 0; i < a.vertexCount; ++i) {
    ASSERT_TRUE(SameBits(&a.positions.data()[i], &b.positions.data()[i], sizeof(Vec3)))
        << what << ": position " << i;
  }
  for (uint32_t k = 0; k < a.cornerCount; ++k) {
    const MeshCorner& x = a.corners.data()[k];
    const MeshCorner& y = b.corners.data()[k];
    ASSERT_EQ(x.vertexIndex, y.vertexIndex) << what << ": corner " << k;
    ASSERT_TRUE(SameBits(&x.normal, &y.normal, sizeof(Vec3))) << what << ": normal " << k;
    ASSERT_EQ(x.colour, y.colour) << what << ": colour " << k;
  }
}

}  // namespace torvane::testing
