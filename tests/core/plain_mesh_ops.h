// Straightforward pairwise versions of duplicate removal and split into
// parts, kept for the tests only: the fast versions in core/ must give
// exactly their results. Quadratic (or worse); use on small meshes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <numeric>
#include <vector>

#include "core/mesh.h"
#include "core/scene_object.h"

namespace torvane::plain {

inline constexpr uint32_t kDead = 0xFFFFFFFFu;

// Compares every vertex with every representative of lower index.
inline int RemoveDuplicateVertices(Mesh& mesh, uint64_t& total) {
  const uint32_t c = std::min(mesh.cornerCount, mesh.corners.length());
  if (c == 0) return 0;
  const uint32_t n = std::min(mesh.vertexCount, mesh.positions.length());
  const Vec3* p = mesh.positions.data();
  std::vector<uint32_t> map(n);
  std::iota(map.begin(), map.end(), 0u);
  uint64_t duplicates = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (map[i] != i) continue;
    for (uint32_t j = i + 1; j < n; ++j) {
      if (map[j] == j && PositionsEqual(p[j], p[i])) {
        map[j] = i;
        ++duplicates;
      }
    }
  }
  if (duplicates == 0) return 0;
  std::vector<uint32_t> newIndex(n, kDead);
  std::vector<Vec3> newPositions;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t r = map[i];
    if (newIndex[r] == kDead) {
      newIndex[r] = uint32_t(newPositions.size());
      newPositions.push_back(p[r]);
    }
  }
  GrowArray<MeshCorner> corners;
  corners.ResizeDiscard(c);
  for (uint32_t k = 0; k < c; ++k) {
    MeshCorner corner = mesh.corners.data()[k];
    if (corner.vertexIndex != kDead && corner.vertexIndex < n) {
      corner.vertexIndex = newIndex[map[corner.vertexIndex]];
    }
    corners.MutableData()[k] = corner;
  }
  GrowArray<Vec3> positions;
  positions.ResizeDiscard(newPositions.size());
  for (size_t i = 0; i < newPositions.size(); ++i)
    positions.MutableData()[i] = newPositions[i];
  mesh.positions = std::move(positions);
  mesh.corners = std::move(corners);
  mesh.vertexCount = uint32_t(newPositions.size());
  mesh.cornerCount = c;
  TrimMesh(mesh);
  total += duplicates;
  return 0;
}

// Compares every triangle with every later one still unmarked.
inline int RemoveDuplicateTriangles(Mesh& mesh, uint64_t& total) {
  const uint32_t c = std::min(mesh.cornerCount, mesh.corners.length());
  if (c == 0) return 0;
  const MeshCorner* k = mesh.corners.data();
  std::vector<uint32_t> mark(c);
  std::iota(mark.begin(), mark.end(), 0u);
  uint64_t count = 0;
  for (uint32_t t = 0; t + 2 < c; t += 3) {
    if (mark[t] != t) continue;
    const uint32_t a = k[t].vertexIndex, b = k[t + 1].vertexIndex, e = k[t + 2].vertexIndex;
    for (uint32_t u = t + 3; u + 2 < c; u += 3) {
      if (mark[u] != u) continue;
      const uint32_t x = k[u].vertexIndex, y = k[u + 1].vertexIndex, z = k[u + 2].vertexIndex;
      if ((a == x && b == y && e == z) || (a == y && b == z && e == x) ||
          (a == z && b == x && e == y)) {
        mark[u] = mark[u + 1] = mark[u + 2] = kDead;
        ++count;
      }
    }
  }
  if (count == 0) return 0;
  std::vector<MeshCorner> kept;
  for (uint32_t j = 0; j < c; ++j) {
    if (mark[j] != kDead) kept.push_back(k[j]);
  }
  GrowArray<MeshCorner> corners;
  corners.ResizeDiscard(kept.size());
  for (size_t j = 0; j < kept.size(); ++j)
    corners.MutableData()[j] = kept[j];
  mesh.corners = std::move(corners);
  mesh.cornerCount = uint32_t(kept.size());
  TrimMesh(mesh);
  total += count;
  return 0;
}

// The corner-label walk: 0 unvisited, 1 reached, 2 in the part being
// collected, 3 moved into an earlier part. Returns the parts head first.
inline std::vector<std::unique_ptr<SceneObject>> SplitIntoParts(const SceneObject& object) {
  std::vector<std::unique_ptr<SceneObject>> parts;
  const Mesh& mesh = object.mesh;
  const uint32_t c = std::min(mesh.cornerCount, mesh.corners.length()) / 3 * 3;
  if (c == 0) return parts;
  const uint32_t n = std::min(mesh.vertexCount, mesh.positions.length());
  const MeshCorner* k = mesh.corners.data();
  const uint32_t triangles = c / 3;
  std::vector<uint32_t> label(c, 0);
  auto dead = [&](uint32_t t) {
    return k[3 * t].vertexIndex >= n || k[3 * t + 1].vertexIndex >= n ||
           k[3 * t + 2].vertexIndex >= n;
  };
  auto anyLabel = [&](uint32_t t, uint32_t value) {
    return label[3 * t] == value || label[3 * t + 1] == value || label[3 * t + 2] == value;
  };
  auto shares = [&](uint32_t t, uint32_t u) {
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        if (k[3 * t + i].vertexIndex == k[3 * u + j].vertexIndex) return true;
    return false;
  };
  auto reach = [&](uint32_t u) {
    for (int i = 0; i < 3; ++i)
      if (label[3 * u + i] == 0) label[3 * u + i] = 1;
  };
  for (;;) {
    uint32_t seed = kDead;
    for (uint32_t t = 0; t < triangles; ++t) {
      if (!anyLabel(t, 0)) continue;
      for (int i = 0; i < 3; ++i)
        if (label[3 * t + i] == 0) label[3 * t + i] = 2;
      if (dead(t)) continue;
      seed = t;
      break;
    }
    if (seed != kDead) {
      for (uint32_t u = 0; u < triangles; ++u) {
        if (anyLabel(u, 0) && !dead(u) && shares(seed, u)) reach(u);
      }
      bool changed = true;
      while (changed) {
        changed = false;
        for (uint32_t t = 1; t < triangles; ++t) {
          if (!anyLabel(t, 1)) continue;
          label[3 * t] = label[3 * t + 1] = label[3 * t + 2] = 2;
          changed = true;
          if (dead(t)) continue;
          for (uint32_t u = 1; u < triangles; ++u) {
            if (anyLabel(u, 0) && !dead(u) && shares(t, u)) reach(u);
          }
        }
      }
    }
    std::vector<MeshCorner> corners;
    for (uint32_t j = 0; j < c; ++j) {
      if (label[j] != 2) continue;
      corners.push_back(k[j]);
      label[j] = 3;
    }
    if (corners.empty()) break;
    std::vector<Vec3> positions;
    std::vector<bool> renumbered(corners.size(), false);
    for (size_t i = 0; i < corners.size(); ++i) {
      if (renumbered[i]) continue;
      const uint32_t old = corners[i].vertexIndex;
      if (old >= n) {
        corners[i].vertexIndex = kDead;
        renumbered[i] = true;
        continue;
      }
      const uint32_t index = uint32_t(positions.size());
      positions.push_back(mesh.positions.data()[old]);
      for (size_t j = i; j < corners.size(); ++j) {
        if (!renumbered[j] && corners[j].vertexIndex == old) {
          corners[j].vertexIndex = index;
          renumbered[j] = true;
        }
      }
    }
    if (positions.empty()) break;
    auto part = std::make_unique<SceneObject>();
    Mesh& m = part->mesh;
    m.positions.ResizeDiscard(positions.size());
    for (size_t i = 0; i < positions.size(); ++i)
      m.positions.MutableData()[i] = positions[i];
    m.corners.ResizeDiscard(corners.size());
    for (size_t i = 0; i < corners.size(); ++i)
      m.corners.MutableData()[i] = corners[i];
    m.vertexCount = uint32_t(positions.size());
    m.cornerCount = uint32_t(corners.size());
    SetScale(m, mesh.scale);
    SetRotation(m, mesh.rotation);
    SetPosition(m, mesh.position);
    UpdateWorldMatrix(*part);
    parts.insert(parts.begin(), std::move(part));
  }
  return parts;
}

}  // namespace torvane::plain
