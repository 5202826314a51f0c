// Shapes and measures shared by the solid tests: UV spheres, the enclosed
// volume of a mesh, the closedness checks, the area of a slice ring, and
// step runners for the boolean commands.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/mesh_ops.h"
#include "core/mesh_test_shapes.h"
#include "solid/booleans.h"
#include "solid/outline_solids.h"

namespace torvane::testing {

// UV sphere about the Y axis: `slices` around, `stacks` bands from pole to
// pole, outward counter-clockwise triangles (2 x slices x (stacks - 1)).
inline Mesh Sphere(float radius, Vec3 centre = {}, int slices = 32, int stacks = 16) {
  std::vector<Vec3> v;
  v.push_back({centre.x, centre.y + radius, centre.z});
  for (int i = 1; i < stacks; ++i) {
    const double phi = M_PI * i / stacks;
    for (int j = 0; j < slices; ++j) {
      const double theta = 2 * M_PI * j / slices;
      v.push_back({centre.x + float(radius * std::sin(phi) * std::cos(theta)),
                   centre.y + float(radius * std::cos(phi)),
                   centre.z + float(radius * std::sin(phi) * std::sin(theta))});
    }
  }
  v.push_back({centre.x, centre.y - radius, centre.z});
  const uint32_t bottom = static_cast<uint32_t>(v.size() - 1);
  std::vector<uint32_t> idx;
  auto ring = [&](int i, int j) { return uint32_t(1 + (i - 1) * slices + (j % slices)); };
  for (int j = 0; j < slices; ++j)
    idx.insert(idx.end(), {0, ring(1, j + 1), ring(1, j)});
  for (int i = 1; i < stacks - 1; ++i) {
    for (int j = 0; j < slices; ++j) {
      idx.insert(idx.end(), {ring(i, j), ring(i, j + 1), ring(i + 1, j + 1)});
      idx.insert(idx.end(), {ring(i, j), ring(i + 1, j + 1), ring(i + 1, j)});
    }
  }
  for (int j = 0; j < slices; ++j)
    idx.insert(idx.end(), {bottom, ring(stacks - 1, j), ring(stacks - 1, j + 1)});
  Mesh m = MeshOf(v, idx);
  RecalculateNormals(m);
  RecolourAllCorners(m, 0xFF808080u);
  return m;
}

inline SceneObject MakeObject(Mesh mesh) {
  SceneObject object;
  object.mesh = std::move(mesh);
  UpdateWorldMatrix(object);
  return object;
}

// Closed, consistently wound, and no triangle with two equal indices.
inline ::testing::AssertionResult IsClosedAndOriented(const Mesh& m) {
  for (uint32_t k = 0; k + 2 < m.cornerCount; k += 3) {
    const uint32_t a = m.corners[k].vertexIndex, b = m.corners[k + 1].vertexIndex,
                   c = m.corners[k + 2].vertexIndex;
    if (a == b || b == c || c == a) return ::testing::AssertionFailure() << "degenerate " << k / 3;
  }
  return IsClosed(m);
}

// The area of the 25-point ring of radius r.
inline double RingArea(double r) {
  return 0.5 * kRingPoints * r * r * std::sin(double(kRingAngleStep));
}

// Every step runs with the silent monitor (or the one given).
inline BooleanStepRunner QuietRunner(std::vector<std::string>* titles = nullptr) {
  return [titles](const std::string& title, const std::function<int(ProgressMonitor&)>& step) {
    if (titles) titles->push_back(title);
    NullProgress quiet;
    return step(quiet);
  };
}

// Adds each mesh as an object of `doc` and selects it, in the order given.
inline std::vector<uint32_t> AddSelected(Document& doc, std::vector<Mesh> meshes) {
  std::vector<uint32_t> ids;
  for (Mesh& mesh : meshes) {
    SceneObject object = MakeObject(std::move(mesh));
    const uint32_t id = AddObjectCopy(doc, object);
    SelectObject(*FindObject(doc, id));
    AddToSelection(doc, id);
    ids.push_back(id);
  }
  return ids;
}

inline const SceneObject* OnlyLiveObject(const Document& doc) {
  const SceneObject* found = nullptr;
  for (const auto& o : doc.objects) {
    if (!o || !IsLive(*o)) continue;
    if (found) return nullptr;
    found = o.get();
  }
  return found;
}

}  // namespace torvane::testing
