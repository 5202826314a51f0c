// Split into parts: the connected parts of one object, each as a new object.
//
// Parts are the connected components of the triangles under "shares a
// vertex index", seeded in triangle order: part 1 holds the first live
// triangle, part 2 the first live triangle not in part 1, and so on. A
// triangle with a dead corner (or an index past the vertices) connects to
// nothing; it goes with the first part whose seed comes after it. The ones
// after the last seed form a last part when any of their corners is live,
// and are dropped otherwise. Within a part the triangles keep
// their corner order and the vertices are numbered in order of first use.
//
// The components are found by a breadth-first walk over a vertex-to-triangle
// table, so the whole split is linear in the size of the mesh.
#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <utility>

#include "core/split_group.h"

namespace torvane {
namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;
constexpr uint32_t kCheckEvery = 1000;

std::string FoundText(size_t ordinal) {
  if (ordinal == 1) return "Found 1 part";
  char text[48];
  std::snprintf(text, sizeof text, "Found %zu parts", ordinal);
  return text;
}

// A triangle whose three corners name existing vertices.
bool IsLiveTriangle(const MeshCorner* t, uint32_t vertices) {
  return t[0].vertexIndex < vertices && t[1].vertexIndex < vertices && t[2].vertexIndex < vertices;
}

// The triangles around each vertex: triangles of vertex v are
// list[start[v] .. start[v + 1]).
struct VertexTriangles {
  GrowArray<uint32_t> start;
  GrowArray<uint32_t> list;
};

bool BuildVertexTriangles(const MeshCorner* corners, uint32_t triangles, uint32_t vertices,
                          VertexTriangles& out) {
  if (!out.start.ResizeDiscard(size_t{vertices} + 1)) return false;
  uint32_t* start = out.start.MutableData();
  uint64_t entries = 0;
  for (uint32_t t = 0; t < triangles; ++t) {
    const MeshCorner* c = corners + size_t{t} * 3;
    if (!IsLiveTriangle(c, vertices)) continue;
    for (int i = 0; i < 3; ++i)
      ++start[c[i].vertexIndex + 1];
    entries += 3;
  }
  if (entries > UINT32_MAX || !out.list.ResizeDiscard(entries)) return false;
  for (uint32_t v = 0; v < vertices; ++v)
    start[v + 1] += start[v];
  uint32_t* list = out.list.MutableData();
  // Filled through a moving cursor per vertex, then the starts are restored.
  for (uint32_t t = 0; t < triangles; ++t) {
    const MeshCorner* c = corners + size_t{t} * 3;
    if (!IsLiveTriangle(c, vertices)) continue;
    for (int i = 0; i < 3; ++i)
      list[start[c[i].vertexIndex]++] = t;
  }
  for (uint32_t v = vertices; v > 0; --v)
    start[v] = start[v - 1];
  start[0] = 0;
  return true;
}

// A new object holding the given triangles of `source` (in the given order),
// with its vertices numbered in order of first use. `remap` holds kNone for
// every source vertex on entry and on return. Null when memory runs out.
std::unique_ptr<SceneObject> BuildPart(const SceneObject& source, const uint32_t* triangles,
                                       uint32_t count, uint32_t* remap) {
  const Mesh& from = source.mesh;
  const uint32_t vertices = std::min(from.vertexCount, from.positions.length());
  const MeshCorner* corners = from.corners.data();
  const Vec3* positions = from.positions.data();

  uint32_t used = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const MeshCorner* c = corners + size_t{triangles[i]} * 3;
    for (int j = 0; j < 3; ++j) {
      const uint32_t v = c[j].vertexIndex;
      if (v < vertices && remap[v] == kNone) remap[v] = used++;
    }
  }
  std::unique_ptr<SceneObject> part(new (std::nothrow) SceneObject);
  Mesh* mesh = part ? &part->mesh : nullptr;
  const bool allocated =
      mesh && mesh->positions.ResizeDiscard(used) && mesh->corners.ResizeDiscard(size_t{count} * 3);
  if (allocated) {
    Vec3* outP = used > 0 ? mesh->positions.MutableData() : nullptr;
    MeshCorner* outC = count > 0 ? mesh->corners.MutableData() : nullptr;
    for (uint32_t i = 0; i < count; ++i) {
      const MeshCorner* c = corners + size_t{triangles[i]} * 3;
      for (int j = 0; j < 3; ++j) {
        MeshCorner corner = c[j];
        if (corner.vertexIndex < vertices) {
          outP[remap[corner.vertexIndex]] = positions[corner.vertexIndex];
          corner.vertexIndex = remap[corner.vertexIndex];
        } else {
          corner.vertexIndex = kDeadIndex;
        }
        outC[size_t{i} * 3 + j] = corner;
      }
    }
  }
  for (uint32_t i = 0; i < count; ++i) {
    const MeshCorner* c = corners + size_t{triangles[i]} * 3;
    for (int j = 0; j < 3; ++j) {
      if (c[j].vertexIndex < vertices) remap[c[j].vertexIndex] = kNone;
    }
  }
  if (!allocated) return nullptr;

  mesh->vertexCount = used;
  mesh->cornerCount = count * 3;
  part->worldMatrix = source.worldMatrix;
  SetScale(*mesh, from.scale);
  UpdateWorldMatrix(*part);
  SetRotation(*mesh, from.rotation);
  UpdateWorldMatrix(*part);
  SetPosition(*mesh, from.position);
  UpdateWorldMatrix(*part);
  TrimMesh(*mesh);
  return part;
}

}  // namespace

int SplitIntoParts(const SceneObject& object, ProgressMonitor& monitor, ObjectList& parts,
                   size_t& partsCount) {
  const Mesh& mesh = object.mesh;
  const uint32_t triangles = std::min(mesh.cornerCount, mesh.corners.length()) / 3;
  if (triangles == 0) return kStatusDone;
  const uint32_t vertices = std::min(mesh.vertexCount, mesh.positions.length());
  const MeshCorner* corners = mesh.corners.data();

  // partOf[t]: the part ordinal (from 0) of triangle t, kNone while unvisited.
  GrowArray<uint32_t> partOfArray, queueArray, seedArray, remapArray;
  VertexTriangles around;
  if (!partOfArray.ResizeDiscard(triangles) || !queueArray.ResizeDiscard(triangles) ||
      !seedArray.ResizeDiscard(triangles) || !remapArray.ResizeDiscard(vertices) ||
      !BuildVertexTriangles(corners, triangles, vertices, around)) {
    return kStatusFailed;
  }
  uint32_t* partOf = partOfArray.MutableData();
  uint32_t* queue = queueArray.MutableData();
  uint32_t* seeds = seedArray.MutableData();
  uint32_t* remap = vertices > 0 ? remapArray.MutableData() : nullptr;
  std::fill(partOf, partOf + triangles, kNone);
  std::fill(remap, remap + vertices, kNone);
  const uint32_t* start = around.start.data();
  const uint32_t* list = around.list.data();

  // Components, in order of their lowest triangle.
  uint32_t partTotal = 0;
  uint64_t visited = 0;
  for (uint32_t seed = 0; seed < triangles; ++seed) {
    if (partOf[seed] != kNone || !IsLiveTriangle(corners + size_t{seed} * 3, vertices)) continue;
    const uint32_t p = partTotal++;
    seeds[p] = seed;
    partOf[seed] = p;
    uint32_t head = 0, tail = 0;
    queue[tail++] = seed;
    while (head < tail) {
      if (++visited % kCheckEvery == 0 && monitor.IsCancelled()) return kStatusCancelled;
      const MeshCorner* c = corners + size_t{queue[head++]} * 3;
      for (int i = 0; i < 3; ++i) {
        const uint32_t v = c[i].vertexIndex;
        for (uint32_t e = start[v]; e < start[v + 1]; ++e) {
          const uint32_t t = list[e];
          if (partOf[t] == kNone) {
            partOf[t] = p;
            queue[tail++] = t;
          }
        }
      }
    }
  }
  // Triangles with a dead corner go with the first part seeded after them.
  // Those after the last seed make a last part of their own when one of
  // their corners still names a vertex, and are dropped otherwise.
  bool trailingPart = false;
  for (uint32_t t = 0, p = 0; t < triangles; ++t) {
    const MeshCorner* c = corners + size_t{t} * 3;
    if (IsLiveTriangle(c, vertices)) continue;
    while (p < partTotal && seeds[p] < t)
      ++p;
    partOf[t] = p;
    if (p == partTotal) {
      trailingPart = trailingPart || c[0].vertexIndex < vertices || c[1].vertexIndex < vertices ||
                     c[2].vertexIndex < vertices;
    }
  }
  if (trailingPart) {
    ++partTotal;
  } else {
    for (uint32_t t = 0; t < triangles; ++t) {
      if (partOf[t] == partTotal) partOf[t] = kNone;
    }
  }

  // Each part's triangles in corner order: a counting sort by part, reusing
  // the queue for the sorted triangles and the seeds for the part starts.
  GrowArray<uint32_t> firstArray;
  if (!firstArray.ResizeDiscard(size_t{partTotal} + 1)) return kStatusFailed;
  uint32_t* first = firstArray.MutableData();
  for (uint32_t t = 0; t < triangles; ++t) {
    if (partOf[t] != kNone) ++first[partOf[t] + 1];
  }
  for (uint32_t p = 0; p < partTotal; ++p)
    first[p + 1] += first[p];
  std::copy(first, first + partTotal, seeds);
  for (uint32_t t = 0; t < triangles; ++t) {
    if (partOf[t] != kNone) queue[seeds[partOf[t]]++] = t;
  }

  ObjectList found;
  int result = kStatusDone;
  uint64_t copied = 0;
  for (uint32_t p = 0; p < partTotal; ++p) {
    monitor.SetText(FoundText(size_t{p} + 1), 1);
    const uint32_t count = first[p + 1] - first[p];
    copied += uint64_t{count} * 3;
    if (copied / kCheckEvery != (copied - uint64_t{count} * 3) / kCheckEvery &&
        monitor.IsCancelled()) {
      result = kStatusCancelled;
      break;
    }
    std::unique_ptr<SceneObject> part = BuildPart(object, queue + first[p], count, remap);
    if (!part) break;  // out of memory: the parts found so far stand
    try {
      found.push_back(std::move(part));
    } catch (const std::bad_alloc&) {
      break;
    }
  }
  // The list's head is its front: the part found last comes first.
  try {
    parts.insert(parts.begin(), std::make_move_iterator(found.rbegin()),
                 std::make_move_iterator(found.rend()));
  } catch (const std::bad_alloc&) {
    return kStatusFailed;
  }
  partsCount += found.size();
  return result;
}

}  // namespace torvane
