// Split, group and duplicate: the component walk gives exactly the parts of
// a plain fixed-point walk (order, corners, first-use vertex numbering, dead
// triangles travelling with the next part), group and split round trip, the
// renumbering of the document after a split, the status texts, and a
// cancelled split leaving the document as it was.
#include "core/split_group.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "core/copy_buffer.h"
#include "core/history.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using testing::AddSelectedMesh;
using testing::CancelAfter;
using testing::ChangedObject;
using testing::ExpectSameGeometry;
using testing::MakeIndexedCube;

// Triangles over `vertices` vertices in `groups` index ranges (so several
// parts), with dead corners, removed triangles and indices past the end.
SceneObject RandomObject(std::mt19937& rng, uint32_t vertices, uint32_t triangles,
                         uint32_t groups) {
  SceneObject o;
  Mesh& m = o.mesh;
  m.positions.ResizeDiscard(vertices);
  for (uint32_t i = 0; i < vertices; ++i)
    m.positions.MutableData()[i] = {float(rng() % 100), float(i), float(rng() % 7) * 0.5f};
  m.vertexCount = vertices;
  m.corners.ResizeDiscard(size_t{triangles} * 3);
  const uint32_t span = std::max<uint32_t>(1, vertices / groups);
  for (uint32_t t = 0; t < triangles; ++t) {
    const uint32_t base = (rng() % groups) * span;
    for (int i = 0; i < 3; ++i) {
      uint32_t v = std::min(vertices - 1, base + uint32_t(rng() % span));
      if (rng() % 40 == 0) v = kDeadIndex;
      if (rng() % 200 == 0) v = vertices + 3;  // never valid
      m.corners.MutableData()[t * 3 + i] = MeshCorner{v, {0, float(t), 1}, 0xFF000000u | t};
    }
    if (rng() % 25 == 0) {
      for (int i = 0; i < 3; ++i)
        m.corners.MutableData()[t * 3 + i].vertexIndex = kDeadIndex;
    }
  }
  m.cornerCount = triangles * 3;
  SetScale(m, {2, 1, 1});
  SetRotation(m, {0, 30, 0});
  SetPosition(m, {1, 2, 3});
  UpdateWorldMatrix(o);
  return o;
}

// The parts as a plain fixed-point walk: the triangles joined through shared
// vertex indices to the first live one left, with the dead triangles before
// it; corners in their order, vertices numbered by first use. Head first.
ObjectList PlainSplitIntoParts(const SceneObject& object) {
  const Mesh& mesh = object.mesh;
  const uint32_t triangles = std::min(mesh.cornerCount, mesh.corners.length()) / 3;
  const uint32_t n = std::min(mesh.vertexCount, mesh.positions.length());
  const MeshCorner* k = mesh.corners.data();
  auto dead = [&](uint32_t t) {
    return std::max({k[3 * t].vertexIndex, k[3 * t + 1].vertexIndex, k[3 * t + 2].vertexIndex}) >=
           n;
  };
  auto shares = [&](uint32_t t, uint32_t u) {
    for (int i = 0; i < 9; ++i)
      if (k[3 * t + i / 3].vertexIndex == k[3 * u + i % 3].vertexIndex) return true;
    return false;
  };
  ObjectList parts;
  std::vector<bool> taken(triangles, false);
  for (;;) {
    std::vector<bool> in(triangles, false);
    uint32_t seed = 0;
    for (; seed < triangles && (taken[seed] || dead(seed)); ++seed)
      in[seed] = !taken[seed];
    if (seed < triangles) in[seed] = true;
    for (bool grew = seed < triangles; grew;) {
      grew = false;
      for (uint32_t t = 0; t < triangles; ++t)
        for (uint32_t u = 0; in[t] && !dead(t) && u < triangles; ++u)
          if (!in[u] && !taken[u] && !dead(u) && shares(t, u)) in[u] = grew = true;
    }
    std::map<uint32_t, uint32_t> number;
    std::vector<Vec3> positions;
    std::vector<MeshCorner> corners;
    for (uint32_t t = 0; t < triangles; ++t) {
      if (!in[t]) continue;
      taken[t] = true;
      for (int i = 0; i < 3; ++i) {
        MeshCorner c = k[3 * t + i];
        if (c.vertexIndex < n) {
          const auto [at, added] = number.try_emplace(c.vertexIndex, uint32_t(positions.size()));
          if (added) positions.push_back(mesh.positions.data()[c.vertexIndex]);
          c.vertexIndex = at->second;
        } else {
          c.vertexIndex = kDeadIndex;
        }
        corners.push_back(c);
      }
    }
    if (positions.empty()) return parts;
    auto part = std::make_unique<SceneObject>();
    Mesh& m = part->mesh;
    m.positions.ResizeDiscard(positions.size());
    std::copy(positions.begin(), positions.end(), m.positions.MutableData());
    m.corners.ResizeDiscard(corners.size());
    std::copy(corners.begin(), corners.end(), m.corners.MutableData());
    m.vertexCount = uint32_t(positions.size());
    m.cornerCount = uint32_t(corners.size());
    SetScale(m, mesh.scale);
    SetRotation(m, mesh.rotation);
    SetPosition(m, mesh.position);
    UpdateWorldMatrix(*part);
    parts.insert(parts.begin(), std::move(part));
  }
}

void ExpectSameParts(const ObjectList& fast, const ObjectList& plainParts,
                     const std::string& what) {
  ASSERT_EQ(fast.size(), plainParts.size()) << what;
  for (size_t i = 0; i < fast.size(); ++i) {
    const std::string part = what + ", part " + std::to_string(i);
    ExpectSameGeometry(fast[i]->mesh, plainParts[i]->mesh, part);
    EXPECT_EQ(fast[i]->mesh.scale.x, plainParts[i]->mesh.scale.x) << part;
    EXPECT_EQ(fast[i]->mesh.rotation.y, plainParts[i]->mesh.rotation.y) << part;
    EXPECT_EQ(fast[i]->mesh.position.z, plainParts[i]->mesh.position.z) << part;
    EXPECT_EQ(fast[i]->worldMatrix.m, plainParts[i]->worldMatrix.m) << part;
    EXPECT_EQ(fast[i]->mesh.colour, kDefaultObjectColour) << part;
    EXPECT_EQ(fast[i]->id, kNoObjectId) << part;
  }
}

TEST(SplitIntoParts, MatchesTheCornerLabelWalk) {
  std::mt19937 rng(11);
  for (int round = 0; round < 80; ++round) {
    const uint32_t vertices = 3 + rng() % 120;
    const uint32_t triangles = 1 + rng() % 150;
    const uint32_t groups = 1 + rng() % 12;
    const SceneObject object = RandomObject(rng, vertices, triangles, groups);
    ObjectList fast;
    size_t count = 7;
    NullProgress progress;
    ASSERT_EQ(SplitIntoParts(object, progress, fast, count), kStatusDone);
    EXPECT_EQ(count, 7 + fast.size());
    ExpectSameParts(fast, PlainSplitIntoParts(object), "round " + std::to_string(round));
  }
}

TEST(SplitObjects, GroupThenSplitGivesBackTheCubesAndRenumbersTheDocument) {
  Document doc;
  const uint32_t first = AddSelectedMesh(doc, MakeIndexedCube({0, 0, 0}, {2, 2, 2}), "A");
  AddSelectedMesh(doc, MakeIndexedCube({5, 0, 0}, {6, 1, 1}), "B");
  CommandOutcome grouped = GroupObjectsCommand(doc);
  EXPECT_EQ(grouped.statusText, "The 2 selected objects have been combined into a single object.");
  ASSERT_EQ(doc.objects.size(), 1u);
  EXPECT_EQ(doc.objects[0]->mesh.name, "A");
  EXPECT_EQ(doc.objects[0]->mesh.position.x, 3.0f) << "origin at the centre of the group's bounds";
  EXPECT_EQ(doc.selection, std::vector<uint32_t>{first});

  CommandOutcome split = SplitObjectsCommand(doc, *std::make_unique<NullProgress>());
  EXPECT_EQ(split.statusText, "The selected objects have been split into 2.");
  ASSERT_EQ(doc.objects.size(), 2u);
  // The part found last comes first: the small cube, then the big one, each
  // about its own centre and without the group's name.
  EXPECT_EQ(doc.objects[1]->id, 2u);
  EXPECT_EQ(doc.objects[0]->mesh.position.x, 5.5f);
  EXPECT_EQ(doc.objects[1]->mesh.position.x, 1.0f);
  EXPECT_EQ(MeshBounds(doc.objects[0]->mesh).min.x, -0.5f);
  EXPECT_TRUE(doc.objects[1]->mesh.name.empty() && doc.selection.empty());
  Undo(doc);
  Undo(doc);
  EXPECT_EQ(doc.objects.size(), 2u) << "both steps undone";
}

TEST(SplitObjects, RenumbersEverythingAndKeepsDeadObjectsDead) {
  Document doc;
  for (int i = 0; i < 4; ++i)
    AddObjectCopy(doc, ChangedObject(MakeIndexedCube({float(i), 0, 0}, {float(i) + 0.5f, 1, 1})));
  // Object 1 is deleted (dead), object 3 gets split.
  doc.objects[0]->id = kNoObjectId;
  ClearMesh(doc.objects[0]->mesh);
  Mesh two = MakeIndexedCube();
  Mesh other = MakeIndexedCube({3, 3, 3}, {4, 4, 4});
  AppendMesh(two, other);  // two cubes apart by vertex index
  doc.objects[2]->mesh = two;
  testing::SelectById(doc, 3);
  doc.outlineObjectId = 4;

  size_t parts = 0;
  NullProgress progress;
  ASSERT_EQ(SplitSelectedObjects(doc, progress, parts), kStatusDone);
  EXPECT_EQ(parts, 2u);
  ASSERT_EQ(doc.objects.size(), 5u);
  const uint32_t expected[5] = {kNoObjectId, 1, 2, 3, 4};
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(doc.objects[i]->id, expected[i]) << i;
  EXPECT_EQ(doc.objectCount, 4u);
  EXPECT_EQ(doc.outlineObjectId, 2u) << "the outline object was renumbered from 4 to 2";

  // One connected object: no new objects, but a new id all the same.
  testing::SelectById(doc, 1);
  CommandOutcome single = SplitObjectsCommand(doc, progress);
  EXPECT_EQ(single.statusText, "There were no new objects split out of the selected objects.");
  EXPECT_EQ(doc.objects.back()->id, 4u);
}

TEST(SplitObjects, TouchingPiecesStayApartAndACancelLeavesTheDocumentAlone) {
  // Two triangles meeting at an equal position through different vertices.
  SceneObject touching;
  AppendTriangle(touching.mesh, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0xFF0000FFu);
  AppendVertex(touching.mesh, {9, 9, 9});
  Mesh& m = touching.mesh;
  for (int i = 0; i < 100; ++i)
    AppendVertex(m, {float(i) + 20, 0, 0});  // push the shared point out of the look-back
  AppendTriangle(m, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}, 0xFF0000FFu);
  ObjectList parts;
  size_t count = 0;
  NullProgress progress;
  ASSERT_EQ(SplitIntoParts(touching, progress, parts, count), kStatusDone);
  EXPECT_EQ(count, 2u);

  Document doc;
  AddSelectedMesh(doc, MakeIndexedCube());
  std::mt19937 rng(5);
  SceneObject big = RandomObject(rng, 3000, 5000, 40);
  const uint32_t bigId = AddObjectCopy(doc, big);
  testing::SelectById(doc, bigId);
  for (int after : {0, 1, 2}) {
    CancelAfter cancel(after);
    CommandOutcome outcome = SplitObjectsCommand(doc, cancel);
    EXPECT_EQ(outcome.status, kStatusCancelled) << after;
    ASSERT_EQ(doc.objects.size(), 2u);
    EXPECT_EQ(doc.selection.size(), 2u);
    ExpectSameGeometry(doc.objects[1]->mesh, big.mesh, "after cancel");
  }
}

TEST(GroupObjects, NeedsTwoObjectsAndTakesTheFirstNonEmptyName) {
  Document doc;
  AddSelectedMesh(doc, MakeIndexedCube());
  EXPECT_FALSE(GroupObjectsCommand(doc).changed);
  EXPECT_FALSE(CanUndo(doc)) << "nothing happened, nothing recorded";

  Document named;
  AddSelectedMesh(named, MakeIndexedCube());
  AddObjectCopy(named, ChangedObject(MakeIndexedCube(), "not selected"));
  AddSelectedMesh(named, MakeIndexedCube({2, 0, 0}, {3, 1, 1}), "B");
  AddSelectedMesh(named, MakeIndexedCube({4, 0, 0}, {5, 1, 1}), "C");
  CommandOutcome outcome = GroupObjects(named);
  EXPECT_EQ(outcome.statusText, "The 3 selected objects have been combined into a single object.");
  EXPECT_EQ(named.objects[0]->mesh.name, "B");
  EXPECT_EQ(named.objectCount, 2u);

  // Dead corners of an absorbed object stay dead; transforms are baked.
  Mesh target = MakeIndexedCube();
  Mesh source = MakeIndexedCube();
  source.corners.MutableData()[0].vertexIndex = kDeadIndex;
  SetPosition(source, {10, 0, 0});
  ASSERT_TRUE(AppendMesh(target, source));
  EXPECT_EQ(target.corners.data()[36].vertexIndex, kDeadIndex);
  EXPECT_EQ(target.corners.data()[37].vertexIndex, 8u + 2u);
  EXPECT_EQ(target.positions.data()[9].x, 11.0f);
}

TEST(DuplicateObjects, PastesACopyBesideEachSelectedObject) {
  Document doc;
  const uint32_t id = AddSelectedMesh(doc, MakeIndexedCube({0, 0, 0}, {1, 1, 10}));
  CommandOutcome outcome = DuplicateObjectsCommand(doc);
  ASSERT_TRUE(outcome.changed);
  EXPECT_EQ(doc.objects[1]->mesh.position.z, 10.0f);
  EXPECT_FALSE(FindObject(doc, id)->selected);
  EXPECT_EQ(doc.selection, std::vector<uint32_t>{doc.objects[1]->id});
}

}  // namespace
}  // namespace torvane
