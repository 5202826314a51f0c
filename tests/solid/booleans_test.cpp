// Union, Intersection and Subtract over a document: operand order, quick
// paths, notices, cancellation, memory, undo, and the geometry of the
// results (volume and closedness).
#include <gtest/gtest.h>

#include <cmath>

#include "core/history.h"
#include "solid_test_support.h"

namespace torvane {
namespace {

using namespace testing;

constexpr BooleanKind kKinds[3] = {BooleanKind::kUnion, BooleanKind::kIntersection,
                                   BooleanKind::kSubtract};

size_t LiveCount(const Document& doc) {
  size_t n = 0;
  for (const auto& o : doc.objects)
    n += (o && IsLive(*o)) ? 1 : 0;
  return n;
}

// The one object left by the boolean of `meshes` (nullptr: none or several).
const SceneObject* Combine(Document& doc, BooleanKind kind, const std::vector<Mesh>& meshes) {
  AddSelected(doc, meshes);
  EXPECT_EQ(BooleanCommand(doc, kind, QuietRunner()).status, kStatusDone);
  return OnlyLiveObject(doc);
}

TEST(Booleans, ResultsAreClosedAndRightInVolume) {
  const Mesh sphere = Sphere(5, {}, 32, 16);
  const double vs = MeshVolume(sphere);
  ASSERT_GT(vs, 0);
  // Moved and scaled by its transform, not its vertices: (1..3)^3 in the world.
  Mesh moved = Cube();
  moved.scale = {2, 2, 2};
  moved.position = {1, 1, 1};
  const struct {
    const char* what;
    Mesh a, b;
    double volumes[3];  // union, intersection, subtract; < 0: no object is left
    double tolerance;   // relative
  } cases[] = {
      {"overlapping", Cube({}, {2, 2, 2}), Cube({1, 1, 1}, {3, 3, 3}), {15, 1, 7}, 1e-5},
      // Touching along a face: the coplanar faces must cancel, not double.
      {"touching", Cube(), Cube({1, 0, 0}, {2, 1, 1}), {2, -1, 1}, 1e-5},
      // Four faces of each lie in the same planes.
      {"shared planes", Cube({}, {2, 2, 2}), Cube({1, 0, 0}, {3, 2, 2}), {12, 4, 4}, 1e-5},
      // The sphere is symmetric in the coordinate planes: one octant each.
      {"sphere", sphere, Cube({}, {10, 10, 10}), {1000 + vs * 7 / 8, vs / 8, vs * 7 / 8}, 1e-4},
      {"transformed operand", Cube({}, {2, 2, 2}), moved, {15, 1, 7}, 1e-4},
  };
  for (const auto& c : cases) {
    for (int k = 0; k < 3; ++k) {
      SCOPED_TRACE(::testing::Message() << c.what << ", kind " << k);
      Document doc;
      const SceneObject* result = Combine(doc, kKinds[k], {c.a, c.b});
      if (c.volumes[k] < 0) {
        EXPECT_EQ(LiveCount(doc), 0u);
        continue;
      }
      ASSERT_NE(result, nullptr);
      EXPECT_NEAR(MeshVolume(result->mesh), c.volumes[k], c.volumes[k] * c.tolerance);
      EXPECT_EQ(OpenEdgeCount(result->mesh), 0u);
      EXPECT_TRUE(result->mesh.scale.x == 1 && result->mesh.position.x == 0) << "baked";
    }
  }
}

TEST(Booleans, OverlappingSpheresAgreeWithEachOtherAndTheLensFormula) {
  const float r = 10;
  const Vec3 offset{5, 3, 2};
  const Mesh a = Sphere(r, {}, 48, 24), b = Sphere(r, offset, 48, 24);
  double volume[3] = {};
  for (int k = 0; k < 3; ++k) {
    Document doc;
    const SceneObject* result = Combine(doc, kKinds[k], {a, b});
    ASSERT_NE(result, nullptr);
    // Closed; where the spheres meet at grazing angles the kernel's
    // tolerance can leave a fold of surface over a crack, so a handful of
    // edges out of tens of thousands are shared by four triangles.
    EXPECT_EQ(OpenEdgeCount(result->mesh, true), 0u) << k;
    EXPECT_LE(OpenEdgeCount(result->mesh), 16u) << k;
    volume[k] = MeshVolume(result->mesh);
  }
  const double va = MeshVolume(a), vb = MeshVolume(b);
  EXPECT_NEAR(volume[0] + volume[1], va + vb, va * 1e-4);
  EXPECT_NEAR(volume[2], va - volume[1], va * 1e-4);
  const double d = std::sqrt(double(Dot(offset, offset)));
  const double lens = M_PI * (4 * r + d) * (2 * r - d) * (2 * r - d) / 12;
  EXPECT_NEAR(volume[1], lens, lens * 0.02);
}

TEST(Booleans, SubtractTakesTheOthersFromTheFirstSelected) {
  Document doc;
  // Scene order C, A, B; selected A, B, C.
  const auto c = AddSelected(doc, {Cube({0, 0, 3}, {4, 4, 4})});
  const auto ab = AddSelected(doc, {Cube({}, {4, 4, 4}), Cube({}, {1, 4, 4})});
  DeselectAll(doc);
  for (uint32_t id : {ab[0], ab[1], c[0]}) {
    SelectObject(*FindObject(doc, id));
    AddToSelection(doc, id);
  }
  doc.forceRecord = true;  // as the commands that added them leave it
  const CommandOutcome outcome = BooleanCommand(doc, BooleanKind::kSubtract, QuietRunner());
  EXPECT_EQ(outcome.statusText,
            "Subtract: The target object has had the other selected objects taken away from it");
  const SceneObject* result = OnlyLiveObject(doc);
  ASSERT_NE(result, nullptr);
  EXPECT_NEAR(MeshVolume(result->mesh), 64 - 16 - 12, 1e-3);
  EXPECT_TRUE(result->selected && doc.selection == std::vector<uint32_t>{result->id});
  // One Undo brings the three operands back.
  ASSERT_TRUE(Undo(doc).changed);
  EXPECT_EQ(LiveCount(doc), 3u);
}

// Boxes that do not meet take the quick paths (the kernel never builds a
// tree); outcomes without a solid add no object.
TEST(Booleans, QuickPathsAndEmptyOutcomes) {
  const Mesh near1 = Cube(), near2 = Cube({0.5f, 0.5f, 0.5f}, {2, 2, 2});
  const Mesh far = Cube({5, 5, 5}, {6, 6, 6});
  const BooleanKind kU = BooleanKind::kUnion, kI = BooleanKind::kIntersection,
                    kS = BooleanKind::kSubtract;
  const std::string none = "Intersection: There was no common intersection of the ";
  const std::string taken =
      "Subtract: The target object has had the other selected objects taken away from it";
  const struct {
    BooleanKind kind;
    std::vector<Mesh> meshes;
    uint32_t triangles;  // of the one object left; 0: none left
    std::string notice;
    bool quick;
  } cases[] = {
      // clang-format off
      {kU, {near1, far}, 24, "Union: The 2 selected objects were combined into 1", true},
      {kI, {near1, far}, 0, none + "2 selected objects", true},
      // The third misses the other two.
      {kI, {near1, near2, far}, 0, none + "3 selected objects", false},
      {kS, {near1, far}, 12, taken, true},
      // Overlapping by less than the kernel's tolerance: no solid in common.
      {kI, {near1, Cube({0.9995f, 0, 0}, {2, 1, 1})}, 0, none + "2 selected objects", false},
      // The second takes everything; the third never becomes the result.
      {kS, {near2, Cube({}, {4, 4, 4}), far}, 0, "Subtract: There is nothing left of the target "
       "object after the other selected objects were taken away from it", false},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.notice);
    Document doc;
    AddSelected(doc, c.meshes);
    std::vector<std::string> texts;
    auto runner = [&](const std::string&, const std::function<int(ProgressMonitor&)>& step) {
      CancelAfter recorder(1 << 30);
      const int status = step(recorder);
      texts.insert(texts.end(), recorder.texts.begin(), recorder.texts.end());
      return status;
    };
    EXPECT_EQ(BooleanCommand(doc, c.kind, runner).statusText, c.notice);
    const SceneObject* result = OnlyLiveObject(doc);
    EXPECT_EQ(result ? TriangleCount(result->mesh) : 0u, c.triangles);
    EXPECT_EQ(LiveCount(doc), c.triangles ? 1u : 0u);
    EXPECT_TRUE(!c.quick || std::count(texts.begin(), texts.end(), "Build first tree") == 0);
  }
  // One operand: nothing to do.
  Document doc;
  AddSelected(doc, {near1});
  const CommandOutcome outcome = BooleanCommand(doc, BooleanKind::kUnion, QuietRunner());
  EXPECT_TRUE(!outcome.changed && outcome.statusText.empty() && LiveCount(doc) == 1);
}

TEST(Booleans, CancelOrMemoryShortageLeavesTheSceneAsItWas) {
  for (bool memory : {false, true}) {
    SCOPED_TRACE(memory ? "memory" : "cancel");
    Document doc;
    AddSelected(
        doc, {Cube({}, {2, 2, 2}), Cube({1, 1, 1}, {3, 3, 3}), Cube({1.5f, 0, 0}, {2.5f, 1, 1})});
    const std::vector<uint32_t> before = doc.selection;
    int step = 0;
    // The second step runs cancelled or below the kernel's memory floor.
    auto runner = [&](const std::string& title, const std::function<int(ProgressMonitor&)>& body) {
      EXPECT_EQ(title, "Union");
      CancelAfter monitor(++step < 2 || memory ? 1 << 30 : 0);
      std::optional<MemoryOverride> low;
      if (step == 2 && memory) low.emplace(kCsgMemoryFloor - 1);
      return body(monitor);
    };
    const CommandOutcome outcome = BooleanCommand(doc, BooleanKind::kUnion, runner);
    EXPECT_EQ(step, 2);
    EXPECT_EQ(outcome.status, memory ? kStatusFailed : kStatusCancelled);
    EXPECT_EQ(outcome.errorText,
              memory ? "Union: Not enough memory to complete the operation" : "");
    EXPECT_TRUE(!(outcome.changed || CanUndo(doc)) && LiveCount(doc) == 3u);
    EXPECT_EQ(doc.selection, before);
  }
}

}  // namespace
}  // namespace torvane
