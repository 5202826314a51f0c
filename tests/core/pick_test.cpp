// Picking: the ray-triangle rule with its two solve branches and its
// four-lane twin, nearest hits across objects and ties, the world box of
// rotated objects, the selected object shortcut, edge and vertex capture
// passes scaled by the object, the surface in front of an element, the
// worker split giving the one-worker answer for every worker count, and
// cancellation. Then the selection step of a click: deselecting on empty
// space and keeping the selection with a modifier, re-clicking the selected
// object, toggling elements (also an edge hit from its other triangle),
// faces as their triangles, and the history entry each hitting click
// records so that one Undo reverses a click and the move that follows it.
#include "core/pick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "core/gather_face.h"
#include "core/history.h"
#include "core/move_elements.h"
#include "core/pick_triangles4.h"
#include "core/select_at.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using namespace testing;

uint32_t AddMesh(Document& doc, const Mesh& mesh) {
  return AddObjectCopy(doc, ChangedObject(mesh));
}

PickRequest Ray(uint32_t kind, Vec3 start, Vec3 end) {
  PickRequest r;
  r.kind = kind;
  r.rayStart = start;
  r.rayEnd = end;
  return r;
}

// A ray straight down -z through (x, y) from z = 10.
PickRequest Down(uint32_t kind, float x, float y) {
  return Ray(kind, {x, y, 10}, {x, y, -10});
}

// `count` random triangles in a 10-unit cube, every fourth sharing an edge
// with the one before, a few dead.
Mesh RandomMesh(uint32_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> coordinate(-5.0f, 5.0f), small(-1.0f, 1.0f);
  Mesh m;
  Vec3 p[3];
  for (uint32_t t = 0; t < count; ++t) {
    const Vec3 c{coordinate(random), coordinate(random), coordinate(random)};
    for (Vec3& corner : p)
      corner = c + Vec3{small(random), small(random), small(random)};
    if (t % 4 == 3) {
      p[0] = m.positions[m.corners[(t - 1) * 3 + 2].vertexIndex];
      p[1] = m.positions[m.corners[(t - 1) * 3 + 1].vertexIndex];
    }
    AppendTriangle(m, p[0], p[1], p[2], 0xFF808080u);
  }
  for (uint32_t t = 7; t < count; t += 97)
    m.corners.MutableData()[t * 3 + 1].vertexIndex = kDeadIndex;
  return m;
}

// The scalar rule, and the four-lane test answering every ray bit for bit
// as the scalar rule does, at three scales, with the triangle in all four
// lanes (both windings, two rotations).
TEST(PickRay, TriangleRuleItsTwoSolveBranchesAndTheFourLaneTwin) {
  const Vec3 down{0, 0, -1}, a{0, 0, 1}, b{1, 0, 1}, c{0, 1, 1};
  const struct {
    const char* what;
    Vec3 start, direction, a, b, c;
    bool hit;
  } kRays[] = {
      {"inside", {0.25f, 0.25f, 5}, down, a, b, c, true},
      {"outside", {0.8f, 0.8f, 5}, down, a, b, c, false},
      {"behind the start", {0.2f, 0.2f, 0}, down, a, b, c, false},
      {"parallel", {0, 0, 5}, {1, 0, 0}, a, b, c, false},
      {"degenerate", {0, 0, 5}, down, a, {1, 1, 1}, {2, 2, 1}, false},
      {"other winding: never culled", {0.25f, 0.25f, 5}, down, a, c, b, true},
      // Corner C: beta = 1 is outside in the usual branch, and inside when
      // B - A has no x component and x gives beta alone.
      {"corner, usual branch", {0, 1, 5}, down, a, b, c, false},
      {"corner, x branch", {1, 0, 5}, down, a, c, b, true},
      {"edge", {0.5f, 0, 5}, down, a, b, c, true},
      // Along the plane: the denominator just above and below the epsilon.
      {"grazing", {-3.75f, 0.25f, 1.0000008f}, {1, 0, -2e-7f}, a, b, c, true},
      {"grazing below the epsilon", {-3.75f, 0.25f, 1.0000002f}, {1, 0, -5e-8f}, a, b, c, false},
      // The projection drops the normal's largest axis: a steep triangle
      // facing mostly +x, and one tied on all three axes.
      {"steep", {5, 0.2f, 0.2f}, {-1, 0, 0}, {1, 0, 0}, {1.2f, 1, 0}, {1.1f, 0, 1}, true},
      {"tied axes", {0.3f, 0.3f, 5}, down, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, true},
  };
  double t = 0;
  Vec3 p;
  for (const auto& r : kRays) {
    EXPECT_EQ(IntersectRayTriangle(r.start, r.direction, r.a, r.b, r.c, &t, &p), r.hit) << r.what;
    for (float scale : {1e-3f, 1.0f, 1e4f}) {
      const Vec3 s = r.start * scale, x = r.a * scale, y = r.b * scale, z = r.c * scale;
      const Vec3 corners[13] = {x, y, z, y, z, x, x, z, y, z, y, x, {}};  // a spare for the loads
      TriangleQuad quad;
      for (int k = 0; k < 4; ++k) {
        quad.a[k] = &corners[3 * k];
        quad.b[k] = &corners[3 * k + 1];
        quad.c[k] = &corners[3 * k + 2];
      }
      QuadHits lanes;
      const unsigned mask = IntersectRayTriangles4(s, r.direction, quad, &lanes);
      for (int k = 0; k < 4; ++k) {
        const bool hit =
            IntersectRayTriangle(s, r.direction, *quad.a[k], *quad.b[k], *quad.c[k], &t, &p);
        const float scalar[4] = {float(t), p.x, p.y, p.z};
        const float lane[4] = {lanes.t[k], lanes.px[k], lanes.py[k], lanes.pz[k]};
        EXPECT_TRUE(hit == ((mask >> k) & 1) && (!hit || SameBits(scalar, lane, sizeof scalar)))
            << r.what << " at " << scale << ", lane " << k;
      }
    }
  }
  // Distance along the normalised direction and the point.
  ASSERT_TRUE(IntersectRayTriangle({0.25f, 0.25f, 5}, down, a, b, c, &t, &p));
  EXPECT_TRUE(t == 4.0 && p.z == 1.0f);
  ASSERT_TRUE(IntersectRayTriangle({5, 0.2f, 0.2f}, {-1, 0, 0}, {1, 0, 0}, {1.2f, 1, 0},
                                   {1.1f, 0, 1}, &t, &p));
  EXPECT_NEAR(p.x, 1.0f + 0.2f * 0.2f + 0.1f * 0.2f, 1e-5f);
}

TEST(PickRay, BoxAndCaptureVolumes) {
  double t = 0;
  EXPECT_TRUE(IntersectRayBox({0, 0, 0}, {0, 0, -1}, {-1, -1, -1}, {1, 1, 1}, &t));
  EXPECT_DOUBLE_EQ(t, 0.0) << "a start inside the box enters at once";
  // A vertex's cube: entered at its top face.
  EXPECT_TRUE(IntersectRayCapture({0.01f, 0.01f, 10}, {0, 0, -1}, {0, 0, 0}, {0, 0, 0}, 0.015, &t));
  EXPECT_NEAR(t, 10 - 0.015, 1e-6);
  // A diagonal edge: the middle of the segment is covered, while a point
  // inside the box around both end cubes but off the segment is not.
  const Vec3 p{0, 0, 0}, q{1, 1, 0};
  EXPECT_TRUE(IntersectRayCapture({0.5f, 0.51f, 10}, {0, 0, -1}, p, q, 0.015, &t));
  EXPECT_NEAR(t, 10 - 0.015, 1e-6);
  EXPECT_FALSE(IntersectRayCapture({0.5f, 0.9f, 10}, {0, 0, -1}, p, q, 0.015, &t));
  // The end cubes belong to the edge's volume.
  EXPECT_TRUE(IntersectRayCapture({1.01f, 1.01f, 10}, {0, 0, -1}, p, q, 0.015, &t));
  // Seen along the edge, the volume is the cube's square.
  EXPECT_TRUE(IntersectRayCapture({-5, -5, 0.01f}, {0.70710678f, 0.70710678f, 0}, p, q, 0.015, &t));
  EXPECT_FALSE(
      IntersectRayCapture({-5, -5, 0.02f}, {0.70710678f, 0.70710678f, 0}, p, q, 0.015, &t));
}

TEST(PickScene, NearestObjectTiesMissesAndDeadObjects) {
  Document doc;
  const uint32_t far = AddMesh(doc, Cube({0, 0, 0}, {1, 1, 1}));
  const uint32_t near = AddMesh(doc, Cube({0, 0, 2}, {1, 1, 3}));
  const uint32_t twin = AddMesh(doc, Cube({0, 0, 2}, {1, 1, 3}));
  PickSettings settings;

  PickRequest r = Down(kPickTriangle, 0.25f, 0.5f);
  ASSERT_TRUE(PickScene(doc, r, settings));
  EXPECT_EQ(r.hitObjectId, near) << "nearest wins; the equal twin after it keeps the earlier";
  // At one of the two top triangles.
  EXPECT_TRUE(r.distance == 7.0 && r.hitPoint.z == 3.0f && r.hitVertices[0] >= 4);

  // Deleting the two near cubes lets the ray reach the far one.
  FindObject(doc, near)->id = kNoObjectId;
  FindObject(doc, twin)->id = kNoObjectId;
  r = Down(kPickObject, 0.25f, 0.5f);
  ASSERT_TRUE(PickScene(doc, r, settings));
  EXPECT_TRUE(r.hitObjectId == far && r.distance == 9.0);

  // A miss resets every result field, also after an earlier hit.
  r = Down(kPickTriangle, 3, 3);
  r.hit = true;
  r.hitObjectId = 7;
  EXPECT_FALSE(PickScene(doc, r, settings));
  EXPECT_TRUE(!r.hit && r.hitObjectId == kNoObjectId && r.hitCorners[0] == kDeadIndex);
}

TEST(PickObject, TransformBoxShortcutAndUnpickableObjects) {
  PickSettings settings;
  // A 10-unit cube turned 45 degrees about y and moved: its side edges now
  // reach 7.07 from the position along x and z. The two extreme corners
  // alone, turned, would span a box flat in z that a ray along x misses.
  SceneObject cube;
  cube.id = 1;
  cube.mesh = Cube({-5, -5, -5}, {5, 5, 5});
  SetRotation(cube.mesh, {0, 45, 0});
  SetPosition(cube.mesh, {100, 0, 0});
  PickRequest r = Ray(kPickTriangle, {120, 0, 6.5f}, {80, 0, 6.5f});
  ASSERT_TRUE(PickObject(cube, r, settings));
  EXPECT_NEAR(r.distance, 20 - (5 * std::sqrt(2.0) - 6.5), 1e-3);
  r = Ray(kPickTriangle, {120, 0, 7.2f}, {80, 0, 7.2f});
  EXPECT_FALSE(PickObject(cube, r, settings));

  // A farther hit than the request's distance leaves the request alone.
  r = Down(kPickTriangle, 100, 0);  // the top edge at z = 7.07
  r.distance = 2.0;
  EXPECT_TRUE(!PickObject(cube, r, settings) && !r.hit);

  // A selected object in object mode is hit anywhere in its box, at its
  // position; a triangle pick still needs the surface.
  SceneObject slope;
  slope.id = 2;
  AppendTriangle(slope.mesh, {0, 0, 0}, {4, 0, 4}, {0, 4, 0}, 0xFF808080u);
  SetPosition(slope.mesh, {1, 1, 1});
  r = Down(kPickObject, 4.5f, 4.5f);
  EXPECT_FALSE(PickObject(slope, r, settings));
  slope.selected = true;
  ASSERT_TRUE(PickObject(slope, r, settings));
  EXPECT_TRUE(r.hitPoint.x == 1.0f && r.hitObjectId == 2);
  EXPECT_NEAR(r.distance, 5.0, 1e-4) << "where the ray enters the box";
  r = Down(kPickTriangle, 4.5f, 4.5f);
  EXPECT_FALSE(PickObject(slope, r, settings));

  // Objects without triangles and outline objects are never hit.
  SceneObject outline, empty;
  outline.mesh = Cube();
  outline.outlineShapes.emplace_back();
  r = Down(kPickObject, 0.5f, 0.5f);
  EXPECT_FALSE(PickObject(outline, r, settings) || PickObject(empty, r, settings));
  // A zero-length ray hits nothing.
  r = Ray(kPickObject, {0.5f, 0.5f, 5}, {0.5f, 0.5f, 5});
  EXPECT_FALSE(PickObject(cube, r, settings));
}

TEST(PickObject, EdgeAndVertexPassesGrowWithTheObjectScale) {
  PickSettings settings;
  SceneObject cube;
  cube.id = 1;
  cube.mesh = Cube();  // vertex 6 is (1, 1, 1)

  // Beside the corner by 0.01, 0.02, 0.03: found by the first, second and
  // third pass (cubes of 0.015, 0.025, 0.035) at that cube's top face; by
  // 0.04 nothing is found after three passes. The capture size follows the
  // z scale: doubled, 0.02 beside is caught by the first pass with a 0.03
  // cube around the vertex, now at z = 2.
  const struct {
    float at, zScale;
    double capture;  // 0: no hit
  } kPasses[] = {
      {1.01f, 1, 0.015}, {1.02f, 1, 0.025}, {1.03f, 1, 0.035}, {1.04f, 1, 0}, {1.02f, 2, 0.03}};
  PickRequest r;
  for (const auto& pass : kPasses) {
    SetScale(cube.mesh, {1, 1, pass.zScale});
    r = Down(kPickVertex, pass.at, pass.at);
    ASSERT_EQ(PickObject(cube, r, settings), pass.capture != 0) << pass.at;
    if (pass.capture == 0) continue;
    EXPECT_EQ(r.hitVertices[0], 6u) << pass.at;
    EXPECT_NEAR(r.distance, 10 - pass.zScale - pass.capture, 1e-5) << pass.at;
  }
  SetScale(cube.mesh, {1, 1, 1});

  // Edges: beside the edge x = 1, y = 1 (vertices 2 and 6, or the top
  // face's edge 5-6): the two vertex indices and no third.
  r = Down(kPickEdge, 1.02f, 1.02f);
  ASSERT_TRUE(PickObject(cube, r, settings));
  EXPECT_TRUE(r.hitVertices[2] == kDeadIndex && (r.hitVertices[0] == 6u || r.hitVertices[1] == 6u));
  EXPECT_NEAR(r.distance, 9 - 0.025, 1e-5);
}

TEST(PickObject, SurfaceInFrontOfTheElementHidesItWhileCulling) {
  // A large triangle at z = 1 over a small one at z = 0: looking down at the
  // small one's corner, the large one is in front of it.
  SceneObject o;
  o.id = 1;
  AppendTriangle(o.mesh, {-5, -5, 1}, {5, -5, 1}, {0, 5, 1}, 0xFF808080u);
  AppendTriangle(o.mesh, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0xFF808080u);
  PickSettings culling;
  PickRequest r = Down(kPickVertex, 0, 0);
  EXPECT_TRUE(!PickObject(o, r, culling) && !r.hit);

  PickSettings noCulling;
  noCulling.culling = false;
  r = Down(kPickVertex, 0, 0);
  ASSERT_TRUE(PickObject(o, r, noCulling));
  // The small triangle's corner at the surface's distance.
  EXPECT_TRUE(r.surface && r.distance == 9.0 && r.hitVertices[0] == 3 && r.hitCorners[0] == 3);

  // An edge lying on the surface it belongs to is not hidden by it.
  r = Down(kPickEdge, 0, -5);
  ASSERT_TRUE(PickObject(o, r, culling));
  EXPECT_TRUE(!r.surface && r.hitVertices[0] == 0u && r.hitVertices[1] == 1u);

  // A dead triangle neither hides the element nor is hit itself.
  o.mesh.corners.MutableData()[1].vertexIndex = kDeadIndex;
  r = Down(kPickVertex, 0, 0);
  EXPECT_TRUE(PickObject(o, r, culling) && r.hitVertices[0] == 3);
  r = Down(kPickTriangle, 0.25f, 0.25f);
  EXPECT_TRUE(PickObject(o, r, culling) && r.hitCorners[0] == 3);
}

TEST(PickWorkers, SplitRangesCountsAndTies) {
  PickSettings settings;
  settings.workerCount = 40;
  EXPECT_EQ(PickWorkerCount(999, settings), 1u) << "small meshes are picked on one thread";
  EXPECT_EQ(PickWorkerCount(1000, settings), 16u);
  // Equal distances: within a worker the first triangle wins, across
  // workers the later worker.
  SceneObject o;
  o.id = 1;
  for (int t = 0; t < 2000; ++t) {
    const float x = t == 0 || t == 1999 ? 0.0f : 10.0f + float(t);
    AppendTriangle(o.mesh, {x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}, 0xFF808080u);
  }
  for (unsigned workers : {1u, 2u}) {
    settings.workerCount = workers;
    PickRequest r = Down(kPickTriangle, 0.25f, 0.25f);
    EXPECT_TRUE(PickObject(o, r, settings) && r.hitCorners[0] == (workers == 1 ? 0 : 1999 * 3));
  }
}

// Each worker keeps its own nearest hit, surface and capture pass: merged,
// they must give the single scan's answer for every kind and worker count.
TEST(PickWorkers, EveryWorkerCountFindsWhatOneWorkerFinds) {
  SceneObject o;
  o.id = 3;
  o.mesh = RandomMesh(4000, 11);
  SetRotation(o.mesh, {20, 30, 40});
  SetScale(o.mesh, {1.5f, 0.8f, 1.2f});
  SetPosition(o.mesh, {1, -2, 3});
  std::mt19937 random(5);
  std::uniform_real_distribution<float> spread(-6.0f, 6.0f);
  int hits = 0, surfaces = 0, misses = 0;
  for (int ray = 0; ray < 40; ++ray) {
    const Vec3 start{spread(random), spread(random), 40};
    const Vec3 end{spread(random), spread(random), -40};
    for (uint32_t kind : {kPickTriangle, kPickEdge, kPickVertex}) {
      PickSettings settings;
      settings.culling = false;
      settings.workerCount = 1;
      PickRequest one = Ray(kind, start, end);
      const bool hit = PickObject(o, one, settings);
      ++(hit ? hits : misses);
      surfaces += one.surface;
      for (unsigned workers : {2u, 3u, 16u}) {
        SCOPED_TRACE(::testing::Message() << ray << " kind " << kind << " workers " << workers);
        settings.workerCount = workers;
        PickRequest r = Ray(kind, start, end);
        ASSERT_EQ(PickObject(o, r, settings), hit);
        EXPECT_TRUE(r.distance == one.distance && r.hitCorners == one.hitCorners);
        EXPECT_TRUE(r.hitVertices == one.hitVertices && r.surface == one.surface);
      }
    }
  }
  EXPECT_GT(hits, 30) << "the rays must actually meet the mesh";
  EXPECT_GT(surfaces, 0);
  EXPECT_GT(misses, 0);
}

TEST(PickWorkers, CancelledPickHitsNothing) {
  Document doc;
  AddMesh(doc, RandomMesh(3000, 3));
  AddMesh(doc, RandomMesh(500, 4));
  // The scene walk asks before each object; a threaded pick asks at the
  // start of every parallel step (vertices, then each pass over the
  // triangles) and then every 5 ms. Whichever question answers "cancelled",
  // nothing is hit.
  for (uint32_t kind : {kPickTriangle, kPickEdge}) {
    for (int answers = 0; answers <= 3; ++answers) {
      CancelAfter progress(answers);
      PickSettings settings;
      settings.progress = &progress;
      settings.workerCount = 2;
      PickRequest r = Down(kind, 0, 0);
      EXPECT_FALSE(PickScene(doc, r, settings)) << answers;
      EXPECT_TRUE(r.cancelled && !r.hit && r.hitObjectId == kNoObjectId) << answers;
    }
  }
}

// Two unit cubes side by side along x (ids 1 and 2), nothing recorded yet.
void TwoCubes(Document& doc) {
  for (float x : {0.0f, 3.0f})
    AddObjectCopy(doc, ChangedObject(Cube({x, 0, 0}, {x + 1, 1, 1})));
  ClearRecordedFlags(doc);
}

// Picks straight down at (x, y) in `kind` and applies the click.
ClickResult Click(Document& doc, uint32_t kind, float x, float y, bool keep = false) {
  PickRequest r = Down(kind, x, y);
  PickScene(doc, r, PickSettings{});
  return ApplyPickToSelection(doc, r, keep);
}

SceneObject& Object(Document& doc, uint32_t id) {
  return *FindObject(doc, id);
}

TEST(SelectAt, ObjectClicksEmptySpaceAndModifiers) {
  Document doc;
  TwoCubes(doc);
  ClickResult c = Click(doc, kPickObject, 0.5f, 0.5f);
  EXPECT_TRUE(c.hit && c.changed && doc.forceRecord);
  EXPECT_TRUE(Object(doc, 1).primarySelected && Object(doc, 1).showBoundingBox &&
              doc.selection == std::vector<uint32_t>{1});

  // The only selected object again: nothing changes (a drag may follow), but
  // the click still records.
  const size_t entries = doc.undoStack.size();
  c = Click(doc, kPickObject, 0.5f, 0.5f);
  EXPECT_TRUE(c.hit && !c.changed);
  EXPECT_EQ(Object(doc, 1).selectionRecords.size(), 1u) << "no second whole-object record";
  EXPECT_EQ(doc.undoStack.size(), entries + 1);

  // Another object replaces the selection; with a modifier it adds to it.
  Click(doc, kPickObject, 3.5f, 0.5f);
  EXPECT_TRUE(!Object(doc, 1).selected && Object(doc, 1).selectionRecords.empty());
  Click(doc, kPickObject, 0.5f, 0.5f, true);
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{2, 1}));
  // Shift on an object that is already selected keeps one record.
  Click(doc, kPickObject, 0.5f, 0.5f, true);
  EXPECT_EQ(Object(doc, 1).selectionRecords.size(), 1u);

  // A cancelled pick is no click on empty space.
  PickRequest cancelled;
  cancelled.cancelled = true;
  ApplyPickToSelection(doc, cancelled, false);
  EXPECT_EQ(SelectedCount(doc), 2u);

  // Empty space with a modifier keeps everything; without, deselects.
  c = Click(doc, kPickObject, 10, 10, true);
  EXPECT_TRUE(!c.hit && SelectedCount(doc) == 2);
  c = Click(doc, kPickObject, 10, 10);
  EXPECT_TRUE(!c.hit && c.changed && doc.selection.empty());
  // Undo brings the selection back.
  ASSERT_TRUE(Undo(doc).changed);
  EXPECT_EQ(SelectedCount(doc), 2u);

  // Identify changes nothing and records nothing.
  const size_t before = doc.undoStack.size();
  c = Click(doc, kPickIdentify, 3.5f, 0.5f);
  EXPECT_TRUE(c.hit && !c.changed && doc.undoStack.size() == before);
}

TEST(SelectAt, ElementClicksToggleAndFacesGatherTheirTriangles) {
  Document doc;
  TwoCubes(doc);
  // A triangle of the top face; the second click on it deselects it and,
  // with nothing left, the object.
  Click(doc, kPickTriangle, 0.25f, 0.75f);
  SceneObject& cube = Object(doc, 1);
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  const SelectionRecord first = cube.selectionRecords.front();
  EXPECT_TRUE(first.elementType == kSelectTriangle && first.distance == 9.0 &&
              !cube.showBoundingBox);
  EXPECT_EQ(cube.mesh.corners.data()[first.indices[3]].vertexIndex, first.indices[0]);
  ClickResult c = Click(doc, kPickTriangle, 0.25f, 0.75f);
  EXPECT_TRUE(c.changed && cube.selectionRecords.empty() && !cube.selected &&
              doc.selection.empty());

  // With a modifier, the other top triangle joins and a second click on it
  // removes just that one; without, a click replaces the selection.
  Click(doc, kPickTriangle, 0.25f, 0.75f);
  Click(doc, kPickTriangle, 0.75f, 0.25f, true);
  EXPECT_EQ(cube.selectionRecords.size(), 2u);
  Click(doc, kPickTriangle, 0.75f, 0.25f, true);
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  EXPECT_TRUE(cube.selectionRecords.front().indices[3] == first.indices[3] && cube.selected);
  Click(doc, kPickTriangle, 0.75f, 0.25f);
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  EXPECT_NE(cube.selectionRecords.front().indices[3], first.indices[3]);

  // Face mode: the top face is its two triangles; a second click removes
  // both.
  Click(doc, kPickFace, 0.25f, 0.75f);
  ASSERT_EQ(cube.selectionRecords.size(), 2u);
  for (const SelectionRecord& r : cube.selectionRecords)  // triangles of the top face's vertices
    EXPECT_TRUE(r.elementType == kSelectTriangle &&
                std::min({r.indices[0], r.indices[1], r.indices[2]}) >= 4);
  Click(doc, kPickFace, 0.75f, 0.25f, true);
  EXPECT_TRUE(cube.selectionRecords.empty());

  // Edge mode: the top face's diagonal (vertices 4 and 6) belongs to both
  // top triangles, which name it in opposite order; a click on either side
  // of it is the same edge.
  Click(doc, kPickEdge, 0.505f, 0.5f);
  ASSERT_TRUE(cube.selectionRecords.size() == 1 &&
              cube.selectionRecords.front().elementType == kSelectEdge);
  SelectionRecord reversed = cube.selectionRecords.front();
  std::swap(reversed.indices[0], reversed.indices[1]);
  EXPECT_TRUE(SameElement(reversed, cube.selectionRecords.front()));
  Click(doc, kPickEdge, 0.495f, 0.5f, true);
  EXPECT_TRUE(cube.selectionRecords.empty());

  // Vertex mode.
  Click(doc, kPickVertex, 1.01f, 1.01f);
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  EXPECT_TRUE(cube.selectionRecords.front().elementType == kSelectVertex &&
              cube.selectionRecords.front().indices[0] == 6);
}

TEST(SelectAt, GatherFaceFollowsSharedEdgesWithEqualNormals) {
  Mesh cube = Cube();
  EXPECT_EQ(GatherFace(cube, 2), (std::vector<uint32_t>{2, 3})) << "the picked triangle first";
  // A 4 x 4 flat grid is one face of 32 triangles; a grid beside it in the
  // same plane but sharing only a corner vertex is not part of it.
  Mesh grid;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const Vec3 a{float(x), float(y), 0}, b{float(x + 1), float(y), 0},
          c{float(x + 1), float(y + 1), 0}, d{float(x), float(y + 1), 0};
      AppendTriangle(grid, a, b, c, 0xFF808080u);
      AppendTriangle(grid, a, c, d, 0xFF808080u);
    }
  }
  AppendTriangle(grid, {4, 4, 0}, {5, 4, 0}, {5, 5, 0}, 0xFF808080u);
  EXPECT_EQ(GatherFace(grid, 5).size(), 32u);
  // A triangle tilted out of the plane stops the walk; a dead triangle is
  // no face.
  grid.positions.MutableData()[0].z = 0.5f;
  MeshCorner* corners = grid.corners.MutableData();
  corners[0].normal = FaceNormal(grid.positions.data()[corners[0].vertexIndex],
                                 grid.positions.data()[corners[1].vertexIndex],
                                 grid.positions.data()[corners[2].vertexIndex]);
  EXPECT_EQ(GatherFace(grid, 5).size(), 31u);
  corners[9].vertexIndex = kDeadIndex;
  EXPECT_TRUE(GatherFace(grid, 3).empty() && GatherFace(grid, 999).empty());
}

TEST(SelectAt, OneUndoReversesAClickAndTheMoveAfterIt) {
  Document doc;
  TwoCubes(doc);
  Click(doc, kPickObject, 0.5f, 0.5f);
  MoveElements(Object(doc, 1), {-2, 0, 0});
  Undo(doc);
  EXPECT_FLOAT_EQ(Object(doc, 1).mesh.position.x, 0.0f);
  EXPECT_FALSE(Object(doc, 1).selected) << "the state before the click";

  // Straight after an Undo nothing is pending, yet the click still records,
  // so the next Undo reverses only this click and move.
  Click(doc, kPickObject, 3.5f, 0.5f);
  MoveElements(Object(doc, 2), {0, -1, 0});
  Undo(doc);
  EXPECT_FLOAT_EQ(Object(doc, 2).mesh.position.y, 0.0f);
  EXPECT_FLOAT_EQ(Object(doc, 1).mesh.position.x, 0.0f);

  // An element click marks the move cache stale, so a move after a new pick
  // moves the new element.
  Click(doc, kPickVertex, 1.01f, 1.01f);
  MoveElements(Object(doc, 1), {0, 0, -1});
  EXPECT_FLOAT_EQ(Object(doc, 1).mesh.positions.data()[6].z, 2.0f);
  Click(doc, kPickVertex, -0.01f, -0.01f);
  EXPECT_TRUE(Object(doc, 1).moveCacheStale);
  MoveElements(Object(doc, 1), {0, 0, -1});
  EXPECT_FLOAT_EQ(Object(doc, 1).mesh.positions.data()[4].z, 2.0f);
  EXPECT_FLOAT_EQ(Object(doc, 1).mesh.positions.data()[6].z, 2.0f);
}

}  // namespace
}  // namespace torvane
