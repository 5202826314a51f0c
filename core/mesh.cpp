// Mesh operations: appending, recolouring, transform setters and baking,
// bounds with their cache, the render arrays, clearing and trimming.
#include "core/mesh.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <utility>

namespace torvane {
namespace {

// Copies everything a mesh copy carries except the two buffers and counts.
void CopyMeshAttributes(const Mesh& from, Mesh& to) {
  to.unsavedChange = from.unsavedChange;
  to.unautosavedChange = from.unautosavedChange;
  to.unrecordedChange = from.unrecordedChange;
  to.renderStale = from.renderStale;
  to.name = from.name;
  to.lastSetColour = from.lastSetColour;
  to.lastSetColourValid = from.lastSetColourValid;
  to.materialDiffuse = from.materialDiffuse;
  to.materialSpecular = from.materialSpecular;
  to.materialAmbient = from.materialAmbient;
  to.hasMaterial = from.hasMaterial;
  to.renderAmbient = from.renderAmbient;
  to.renderDiffuse = from.renderDiffuse;
  to.renderSpecular = from.renderSpecular;
  to.colour = from.colour;
  to.painted = from.painted;
  std::copy(std::begin(from.boundsIndex), std::end(from.boundsIndex), std::begin(to.boundsIndex));
  std::copy(std::begin(from.boundsValue), std::end(from.boundsValue), std::begin(to.boundsValue));
  to.nudge = from.nudge;
  to.scale = from.scale;
  to.rotation = from.rotation;
  to.position = from.position;
  to.render = MeshRenderData{};
}

bool IsIdentityTransform(const Mesh& mesh) {
  return PositionsEqual(mesh.scale, Vec3{1.0f, 1.0f, 1.0f}) &&
         PositionsEqual(mesh.rotation, Vec3{}) && PositionsEqual(mesh.position, Vec3{});
}

// Room for three more corners; false (cornerCount 0) when the buffer cannot
// grow.
bool ReserveTriangle(Mesh& mesh) {
  if (size_t{mesh.cornerCount} + 3 <= mesh.corners.length()) return true;
  size_t target = 18;
  if (mesh.cornerCount > 0) {
    target = std::max<size_t>(size_t{mesh.cornerCount} + mesh.cornerCount / 2,
                              size_t{mesh.cornerCount} + 3);
  }
  if (!mesh.corners.ResizeKeep(target)) {
    mesh.cornerCount = 0;
    return false;
  }
  return true;
}

// A vertex index that can be read: in range of the count and the buffer.
bool IsReadableVertex(const Mesh& mesh, uint32_t index) {
  return index < mesh.vertexCount && index < mesh.positions.length();
}

template <class T>
bool AssignGuarded(std::vector<T>& v, size_t count) {
  if (!MemoryGuardAllows(count * sizeof(T))) return false;
  try {
    v.assign(count, T{});
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

Mesh::Mesh(const Mesh& other) {
  *this = other;
}

uint64_t NextMeshSerial() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

Mesh& Mesh::operator=(const Mesh& other) {
  if (this == &other) return *this;
  serial = NextMeshSerial();
  CopyMeshAttributes(other, *this);
  if (other.vertexCount > 0 && other.cornerCount > 0) {
    positions = other.positions;
    corners = other.corners;
    vertexCount = other.vertexCount;
    cornerCount = other.cornerCount;
  } else {
    positions.Free();
    corners.Free();
    vertexCount = 0;
    cornerCount = 0;
  }
  return *this;
}

Mesh::Mesh(Mesh&& other) noexcept {
  *this = std::move(other);
}

Mesh& Mesh::operator=(Mesh&& other) noexcept {
  if (this == &other) return *this;
  serial = NextMeshSerial();
  // Strings cannot throw when moved; the rest are plain values.
  std::string movedName = std::move(other.name);
  other.name.clear();
  CopyMeshAttributes(other, *this);
  name = std::move(movedName);
  if (other.vertexCount > 0 && other.cornerCount > 0) {
    positions = std::move(other.positions);
    corners = std::move(other.corners);
    vertexCount = other.vertexCount;
    cornerCount = other.cornerCount;
  } else {
    positions.Free();
    corners.Free();
    vertexCount = 0;
    cornerCount = 0;
  }
  other.positions.Free();
  other.corners.Free();
  other.vertexCount = 0;
  other.cornerCount = 0;
  InvalidateBounds(other);
  return *this;
}

void MarkChanged(Mesh& mesh) {
  MarkTransformChanged(mesh);
  mesh.renderStale = true;
}

void MarkTransformChanged(Mesh& mesh) {
  mesh.unsavedChange = true;
  mesh.unautosavedChange = true;
  mesh.unrecordedChange = true;
}

void InvalidateBounds(Mesh& mesh) {
  std::fill(std::begin(mesh.boundsIndex), std::end(mesh.boundsIndex), kDeadIndex);
}

uint32_t AppendVertex(Mesh& mesh, const Vec3& p) {
  const uint32_t count = std::min(mesh.vertexCount, mesh.positions.length());
  if (count > 0) {
    const Vec3* data = mesh.positions.data();
    const uint32_t stop = count > kVertexLookBack ? count - kVertexLookBack : 0;
    for (uint32_t i = count; i > stop; --i) {
      if (PositionsEqual(data[i - 1], p)) return i - 1;
    }
  }
  if (mesh.vertexCount >= mesh.positions.length()) {
    size_t target = 18;
    if (mesh.vertexCount > 0) {
      target = std::max<size_t>(size_t{mesh.vertexCount} + mesh.vertexCount / 2,
                                size_t{mesh.vertexCount} + 1);
    }
    if (!mesh.positions.ResizeKeep(target)) {
      // The buffer is gone: the corners would otherwise point at positions
      // that no longer exist.
      mesh.positions.Free();
      mesh.vertexCount = 0;
      mesh.cornerCount = 0;
      InvalidateBounds(mesh);
      MarkChanged(mesh);
      return kDeadIndex;
    }
  }
  // Shared positions whose private copy cannot be made stay as they were.
  Vec3* data = mesh.positions.MutableData();
  if (!data) return kDeadIndex;
  const uint32_t index = mesh.vertexCount;
  data[index] = p;
  mesh.vertexCount = index + 1;
  MarkChanged(mesh);
  InvalidateBounds(mesh);
  return index;
}

bool AppendTriangle(Mesh& mesh, const Vec3& p0, const Vec3& p1, const Vec3& p2, Colour32 colour) {
  const Vec3 normal = FaceNormal(p0, p1, p2);
  if (!ReserveTriangle(mesh)) return false;
  // Both buffers are made private before anything is appended, so that a
  // copy that cannot be made leaves the mesh as it was.
  MeshCorner* corners = mesh.corners.MutableData();
  if (!corners || (mesh.positions.length() > 0 && !mesh.positions.MutableData())) return false;
  const uint32_t i0 = AppendVertex(mesh, p0);
  const uint32_t i1 = i0 == kDeadIndex ? kDeadIndex : AppendVertex(mesh, p1);
  const uint32_t i2 = i1 == kDeadIndex ? kDeadIndex : AppendVertex(mesh, p2);
  if (i2 == kDeadIndex) return false;  // the positions could not grow: emptied
  const uint32_t k = mesh.cornerCount;
  corners[k] = MeshCorner{i0, normal, colour};
  corners[k + 1] = MeshCorner{i1, normal, colour};
  corners[k + 2] = MeshCorner{i2, normal, colour};
  mesh.cornerCount = k + 3;
  MarkChanged(mesh);
  return true;
}

bool AppendTriangleFromCorners(Mesh& mesh, uint32_t a, uint32_t b, uint32_t c) {
  if (a >= mesh.cornerCount || b >= mesh.cornerCount || c >= mesh.cornerCount) return false;
  const MeshCorner ca = std::as_const(mesh.corners)[a];
  const MeshCorner cb = std::as_const(mesh.corners)[b];
  const MeshCorner cc = std::as_const(mesh.corners)[c];
  if (!IsReadableVertex(mesh, ca.vertexIndex) || !IsReadableVertex(mesh, cb.vertexIndex) ||
      !IsReadableVertex(mesh, cc.vertexIndex)) {
    return false;
  }
  const Vec3* p = mesh.positions.data();
  const Vec3 normal = FaceNormal(p[ca.vertexIndex], p[cb.vertexIndex], p[cc.vertexIndex]);
  if (!ReserveTriangle(mesh)) return false;
  MeshCorner* corners = mesh.corners.MutableData();
  if (!corners) return false;
  const uint32_t k = mesh.cornerCount;
  corners[k] = MeshCorner{ca.vertexIndex, normal, ca.colour};
  corners[k + 1] = MeshCorner{cb.vertexIndex, normal, cb.colour};
  corners[k + 2] = MeshCorner{cc.vertexIndex, normal, cc.colour};
  mesh.cornerCount = k + 3;
  MarkChanged(mesh);
  return true;
}

bool SetCornerColour(Mesh& mesh, uint32_t k, Colour32 colour) {
  if (k == kDeadIndex || k >= mesh.cornerCount) return true;
  MeshCorner* corners = mesh.corners.MutableData();
  if (!corners) return false;
  corners[k].colour = colour;
  mesh.painted = true;
  MarkChanged(mesh);
  return true;
}

bool RecolourAllCorners(Mesh& mesh, Colour32 colour) {
  const uint32_t n = std::min(mesh.cornerCount, mesh.corners.length());
  if (n > 0) {
    MeshCorner* corners = mesh.corners.MutableData();
    if (!corners) return false;
    for (uint32_t k = 0; k < n; ++k)
      corners[k].colour = colour;
  }
  mesh.painted = true;
  MarkChanged(mesh);
  return true;
}

void SetColour(Mesh& mesh, float r, float g, float b, float a) {
  mesh.colour = MakeColour32(r, g, b, a);
  mesh.lastSetColour = mesh.colour;
  mesh.lastSetColourValid = true;
}

void SetPosition(Mesh& mesh, const Vec3& p) {
  MarkChanged(mesh);
  mesh.position = p;
}

void SetScale(Mesh& mesh, const Vec3& s) {
  if (!IsAllowedScale(s)) return;
  MarkChanged(mesh);
  mesh.scale = s;
}

void SetRotation(Mesh& mesh, const Vec3& degrees) {
  MarkChanged(mesh);
  mesh.rotation = {std::fmod(degrees.x, 360.0f), std::fmod(degrees.y, 360.0f),
                   std::fmod(degrees.z, 360.0f)};
}

bool IsAllowedScale(const Vec3& s) {
  return s.x >= kMinimumScale && s.y >= kMinimumScale && s.z >= kMinimumScale;
}

Matrix4 MeshTransformMatrix(const Mesh& mesh) {
  return TransformMatrix(mesh.scale, mesh.rotation, mesh.position);
}

bool BakeTransform(Mesh& mesh) {
  if (IsIdentityTransform(mesh)) return true;
  const Matrix4 m = MeshTransformMatrix(mesh);
  const uint32_t n = mesh.positions.length();
  if (n > 0) {
    Vec3* p = mesh.positions.MutableData();
    if (!p) return false;
    for (uint32_t i = 0; i < n; ++i)
      p[i] = TransformPoint(p[i], m);
  }
  InvalidateBounds(mesh);
  SetScale(mesh, Vec3{1.0f, 1.0f, 1.0f});
  mesh.rotation = Vec3{};
  mesh.position = Vec3{};
  MarkChanged(mesh);
  return true;
}

bool ResetOriginToCentre(Mesh& mesh) {
  if (TriangleCount(mesh) == 0) return true;
  // Both buffers private first: after that neither the bake nor the move can
  // fail halfway.
  const uint32_t n = std::min(mesh.vertexCount, mesh.positions.length());
  Vec3* p = n > 0 ? mesh.positions.MutableData() : nullptr;
  MeshCorner* corners = mesh.corners.MutableData();
  if (!p || !corners) return false;
  BakeTransform(mesh);
  const Vec3 c = MeshCentre(mesh);
  SetPosition(mesh, c);
  for (uint32_t i = 0; i < n; ++i)
    p[i] = p[i] - c;
  InvalidateBounds(mesh);
  for (uint32_t k = 0; k + 2 < mesh.cornerCount; k += 3) {
    const uint32_t a = corners[k].vertexIndex;
    const uint32_t b = corners[k + 1].vertexIndex;
    const uint32_t d = corners[k + 2].vertexIndex;
    if (a >= n || b >= n || d >= n) continue;
    const Vec3 normal = FaceNormal(p[a], p[b], p[d]);
    corners[k].normal = normal;
    corners[k + 1].normal = normal;
    corners[k + 2].normal = normal;
  }
  MarkChanged(mesh);
  return true;
}

BoundingBox MeshBounds(Mesh& mesh) {
  const bool cached = std::none_of(std::begin(mesh.boundsIndex), std::end(mesh.boundsIndex),
                                   [](uint32_t i) { return i == kDeadIndex; });
  if (cached) {
    const float* v = mesh.boundsValue;
    return {{v[0], v[2], v[4]}, {v[1], v[3], v[5]}};
  }
  const uint32_t n = std::min(mesh.vertexCount, mesh.positions.length());
  if (n == 0) {
    return {{kEmptyBoundsMin, kEmptyBoundsMin, kEmptyBoundsMin},
            {kEmptyBoundsMax, kEmptyBoundsMax, kEmptyBoundsMax}};
  }
  // Start from the first vertex (not from +/-1e6) so that models larger than
  // a million units still get their true bounds.
  const Vec3* p = mesh.positions.data();
  float lo[3] = {p[0].x, p[0].y, p[0].z};
  float hi[3] = {p[0].x, p[0].y, p[0].z};
  uint32_t loIndex[3] = {0, 0, 0};
  uint32_t hiIndex[3] = {0, 0, 0};
  for (uint32_t i = 1; i < n; ++i) {
    const float c[3] = {p[i].x, p[i].y, p[i].z};
    for (int axis = 0; axis < 3; ++axis) {
      if (c[axis] < lo[axis]) {
        lo[axis] = c[axis];
        loIndex[axis] = i;
      }
      if (c[axis] > hi[axis]) {
        hi[axis] = c[axis];
        hiIndex[axis] = i;
      }
    }
  }
  for (int axis = 0; axis < 3; ++axis) {
    mesh.boundsValue[axis * 2] = lo[axis];
    mesh.boundsValue[axis * 2 + 1] = hi[axis];
    mesh.boundsIndex[axis * 2] = loIndex[axis];
    mesh.boundsIndex[axis * 2 + 1] = hiIndex[axis];
  }
  return {{lo[0], lo[1], lo[2]}, {hi[0], hi[1], hi[2]}};
}

Vec3 MeshCentre(Mesh& mesh, BoundingBox* bounds) {
  const BoundingBox box = MeshBounds(mesh);
  if (bounds) *bounds = box;
  return box.min + (box.max - box.min) * 0.5f;
}

void BuildRenderArrays(Mesh& mesh) {
  MeshRenderData& r = mesh.render;
  const uint32_t n = std::min(mesh.cornerCount, mesh.corners.length());
  if (n == 0) {
    // Nothing to draw; never leave the arrays of an earlier shape behind.
    r.positions.clear();
    r.normals.clear();
    r.colours.clear();
    return;
  }
  if (!AssignGuarded(r.positions, size_t{n} * 3) || !AssignGuarded(r.normals, size_t{n} * 3) ||
      !AssignGuarded(r.colours, n)) {
    r.positions = {};
    r.normals = {};
    r.colours = {};
    return;
  }
  const MeshCorner* corners = mesh.corners.data();
  const Vec3* p = mesh.positions.data();
  float* outP = r.positions.data();
  float* outN = r.normals.data();
  Colour32* outC = r.colours.data();
  for (uint32_t k = 0; k < n; ++k) {
    const MeshCorner& c = corners[k];
    // Dead corners (and any index past the vertices) keep their zero entries.
    if (!IsReadableVertex(mesh, c.vertexIndex)) continue;
    const Vec3& v = p[c.vertexIndex];
    outP[k * 3] = v.x;
    outP[k * 3 + 1] = v.y;
    outP[k * 3 + 2] = v.z;
    outN[k * 3] = c.normal.x;
    outN[k * 3 + 1] = c.normal.y;
    outN[k * 3 + 2] = c.normal.z;
    outC[k] = c.colour;
  }
}

void ApplyMaterial(Mesh& mesh) {
  MeshRenderData& r = mesh.render;
  if (mesh.cornerCount == 0 || r.positions.empty()) return;
  if (mesh.hasMaterial) {
    r.diffuse = mesh.renderDiffuse;
    r.ambient = mesh.renderAmbient;
    r.specular = mesh.renderSpecular;
    r.emissive = mesh.renderAmbient;
  } else {
    r.diffuse = r.ambient = r.specular = r.emissive = ColourF{0.0f, 0.0f, 0.0f, 1.0f};
  }
}

void ClearMesh(Mesh& mesh) {
  mesh.positions.ResizeKeep(0);
  mesh.corners.ResizeKeep(0);
  mesh.vertexCount = 0;
  mesh.cornerCount = 0;
  mesh.painted = false;
  InvalidateBounds(mesh);
  MarkChanged(mesh);
}

void TrimMesh(Mesh& mesh) {
  if (!mesh.positions.ResizeKeep(mesh.vertexCount) || !mesh.corners.ResizeKeep(mesh.cornerCount)) {
    ClearMesh(mesh);
    return;
  }
  MarkChanged(mesh);
  InvalidateBounds(mesh);
}

}  // namespace torvane
