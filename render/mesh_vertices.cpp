#include "render/mesh_vertices.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "core/mesh.h"

namespace torvane {
namespace {

constexpr unsigned kMaximumFillThreads = 8;

}  // namespace

uint32_t DrawableCornerCount(const Mesh& mesh) {
  return std::min(mesh.cornerCount, mesh.corners.length());
}

void FillCornerVertices(const Mesh& mesh, uint32_t first, uint32_t last, unsigned char* out) {
  const MeshCorner* corners = mesh.corners.data();
  const Vec3* positions = mesh.positions.data();
  // A vertex index is readable below both the count and the buffer length.
  const uint32_t readable = std::min(mesh.vertexCount, mesh.positions.length());
  for (uint32_t k = first; k < last; ++k, out += kCornerVertexStride) {
    const MeshCorner& c = corners[k];
    if (c.vertexIndex >= readable) {
      std::memset(out, 0, kCornerVertexStride);
      continue;
    }
    const Vec3& p = positions[c.vertexIndex];
    const float values[6] = {p.x, p.y, p.z, c.normal.x, c.normal.y, c.normal.z};
    std::memcpy(out, values, sizeof values);
    std::memcpy(out + sizeof values, &c.colour, sizeof c.colour);
  }
}

void FillMeshVertices(const Mesh& mesh, unsigned char* out, unsigned threads) {
  const uint32_t n = DrawableCornerCount(mesh);
  if (threads == 0)
    threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaximumFillThreads);
  if (n < kParallelFillCorners || threads <= 1) {
    FillCornerVertices(mesh, 0, n, out);
    return;
  }
  // Runs of whole triangles, the last one taking the remainder.
  const uint32_t run = n / 3 / threads * 3;
  std::vector<std::thread> workers;
  workers.reserve(threads - 1);
  for (unsigned t = 1; t < threads; ++t) {
    uint32_t first = run * t;
    uint32_t last = t + 1 == threads ? n : first + run;
    unsigned char* at = out + size_t{first} * kCornerVertexStride;
    try {
      workers.emplace_back(FillCornerVertices, std::cref(mesh), first, last, at);
    } catch (const std::system_error&) {
      // No thread to be had: this run is written here instead.
      FillCornerVertices(mesh, first, last, at);
    }
  }
  FillCornerVertices(mesh, 0, run, out);
  for (std::thread& worker : workers)
    worker.join();
}

Material MeshMaterial(const Mesh& mesh) {
  Material material;
  if (mesh.hasMaterial) {
    material.diffuse = mesh.renderDiffuse;
    material.ambient = mesh.renderAmbient;
    material.specular = mesh.renderSpecular;
    material.emissive = mesh.renderAmbient;
  } else {
    material.diffuse = material.ambient = material.specular = material.emissive =
        ColourF{0.0f, 0.0f, 0.0f, 1.0f};
  }
  return material;
}

}  // namespace torvane
