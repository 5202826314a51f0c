// Axis, handedness, transform and normal conversions of an ImportedModel.
#include "formats/model_transforms.h"

#include <cmath>
#include <utility>

#include "core/matrix4.h"

namespace torvane {
namespace {

constexpr uint32_t kBakePollEvery = 1000;
constexpr uint32_t kNormalsPollEvery = 500;

// The vector equality of transforms: every component differs by less than
// 2^-23.
bool NearlyEqual(const Vec3& a, const Vec3& b) {
  return std::fabs(a.x - b.x) < kPositionTolerance && std::fabs(a.y - b.y) < kPositionTolerance &&
         std::fabs(a.z - b.z) < kPositionTolerance;
}

bool IsIdentity(const ImportedMesh& mesh) {
  return NearlyEqual(mesh.scale, Vec3{1.0f, 1.0f, 1.0f}) && NearlyEqual(mesh.rotation, Vec3{}) &&
         NearlyEqual(mesh.position, Vec3{});
}

void ToggleWinding(ImportedModel& model) {
  model.winding = model.winding == kWindingFirst ? kWindingSecond : kWindingFirst;
}

}  // namespace

void ConvertUpAxis(ImportedModel& model) {
  if (model.upAxis != kUpAxisZ) return;
  model.upAxis = kUpAxisY;
  const float angle = 270.0f * kDegreesToRadians;
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  for (ImportedMesh& mesh : model.meshes) {
    mesh.rotation.x += 270.0f;
    if (mesh.rotation.x > 360.0f) mesh.rotation.x -= 360.0f;
    const Vec3 t = mesh.position;
    mesh.position = {t.x, t.y * c - t.z * s, t.y * s + t.z * c};
  }
}

void SwapCornerOrder(ImportedModel& model) {
  for (ImportedMesh& mesh : model.meshes) {
    const size_t corners = mesh.indices.length();
    if (corners < 3) continue;
    uint32_t* indices = mesh.indices.MutableData();
    for (size_t k = 0; k + 2 < corners; k += 3)
      std::swap(indices[k + 1], indices[k + 2]);
  }
}

void ConvertHandedness(ImportedModel& model) {
  // Mirroring first: a mirror turns every triangle over, and the winding
  // test below then turns them back, so that files whose triangles face
  // outwards (STL, PLY, 3MF) keep facing outwards here too.
  if (model.handedness == kHandednessMirroredX) {
    model.handedness = kHandednessProgram;
    for (ImportedMesh& mesh : model.meshes) {
      const size_t count = mesh.positions.length();
      Vec3* positions = mesh.positions.MutableData();
      for (size_t i = 0; i < count; ++i)
        positions[i].x = -positions[i].x;
      mesh.position.x = -mesh.position.x;
    }
    ToggleWinding(model);
  }
  if (model.handedness == kHandednessProgram && model.winding == kWindingSecond) {
    SwapCornerOrder(model);
    ToggleWinding(model);
  }
}

LoadResult BakeModelTransforms(ImportedModel& model, ProgressMonitor& monitor) {
  for (ImportedMesh& mesh : model.meshes) {
    if (IsIdentity(mesh)) continue;
    const Matrix4 matrix = TransformMatrix(mesh.scale, mesh.rotation, mesh.position);
    const size_t count = mesh.positions.length();
    Vec3* positions = mesh.positions.MutableData();
    for (size_t i = 0; i < count; ++i) {
      if (i % kBakePollEvery == 0 && monitor.IsCancelled()) return kCancelled;
      positions[i] = TransformPoint(positions[i], matrix);
    }
    if (model.keepNormals) {
      // Normals are directions: they turn and scale with the mesh but do not
      // move with it, and stay unit length.
      const size_t normalCount = mesh.normals.length();
      Vec3* normals = mesh.normals.MutableData();
      for (size_t i = 0; i < normalCount; ++i) {
        if (i % kBakePollEvery == 0 && monitor.IsCancelled()) return kCancelled;
        Vec3 n = TransformDirection(normals[i], matrix);
        const float length = Length(n);
        if (length > 0.0f) n = n * (1.0f / length);
        normals[i] = n;
      }
    }
    mesh.scale = {1.0f, 1.0f, 1.0f};
    mesh.rotation = {};
    mesh.position = {};
  }
  return kLoaded;
}

LoadResult RecomputeModelNormals(ImportedModel& model, ProgressMonitor& monitor) {
  for (ImportedMesh& mesh : model.meshes) {
    const size_t corners = mesh.indices.length();
    if (mesh.normals.length() != corners && !mesh.normals.ResizeDiscard(corners)) {
      model.failureReason = kFailureNormalsMemory;
      return kFailed;
    }
    if (corners == 0) continue;
    const uint32_t* indices = mesh.indices.data();
    const Vec3* positions = mesh.positions.data();
    const uint32_t positionCount = mesh.positions.length();
    Vec3* normals = mesh.normals.MutableData();
    uint32_t sincePoll = 0;
    for (size_t k = 0; k + 2 < corners; k += 3) {
      if ((sincePoll += 3) >= kNormalsPollEvery) {
        if (monitor.IsCancelled()) return kCancelled;
        sincePoll = 0;
      }
      const uint32_t a = indices[k], b = indices[k + 1], c = indices[k + 2];
      // Indices outside the positions are refused later by the conversion
      // into objects; here they only must not be read.
      const Vec3 n = (a < positionCount && b < positionCount && c < positionCount)
                         ? FaceNormal(positions[a], positions[b], positions[c])
                         : Vec3{};
      normals[k] = normals[k + 1] = normals[k + 2] = n;
    }
  }
  return kLoaded;
}

}  // namespace torvane
