// "Group Objects": the first selected object in list order absorbs every
// later selected object. Both sides' transforms are folded into the
// vertices, the absorbed geometry is appended with its corners renumbered,
// and the group's origin moves to the centre of its bounds. The group keeps
// the first object's id; the others leave the document.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/history.h"
#include "core/split_group.h"

namespace torvane {
namespace {

// The transform BakeTransform would leave alone.
bool IsNearIdentity(const Mesh& mesh) {
  return PositionsEqual(mesh.scale, Vec3{1.0f, 1.0f, 1.0f}) &&
         PositionsEqual(mesh.rotation, Vec3{}) && PositionsEqual(mesh.position, Vec3{});
}

// Copies `count` positions of `mesh` to `out`, baked as BakeTransform would.
void CopyBaked(const Mesh& mesh, uint32_t count, Vec3* out) {
  const Vec3* p = mesh.positions.data();
  if (IsNearIdentity(mesh)) {
    std::copy(p, p + count, out);
    return;
  }
  const Matrix4 m = MeshTransformMatrix(mesh);
  for (uint32_t i = 0; i < count; ++i)
    out[i] = TransformPoint(p[i], m);
}

}  // namespace

bool AppendMesh(Mesh& target, const Mesh& source) {
  const uint32_t tv = std::min(target.vertexCount, target.positions.length());
  const uint32_t tc = std::min(target.cornerCount, target.corners.length());
  const uint32_t sv = std::min(source.vertexCount, source.positions.length());
  const uint32_t sc = std::min(source.cornerCount, source.corners.length());
  if (uint64_t{tv} + sv > UINT32_MAX || uint64_t{tc} + sc > UINT32_MAX) return false;
  // Both buffers are made aside first: if either cannot be had, neither mesh
  // has changed.
  GrowArray<Vec3> positions;
  GrowArray<MeshCorner> corners;
  if (!positions.ResizeDiscard(size_t{tv} + sv) || !corners.ResizeDiscard(size_t{tc} + sc)) {
    return false;
  }
  Vec3* outP = positions.MutableData();
  MeshCorner* outC = corners.MutableData();
  if (outP) {
    CopyBaked(target, tv, outP);
    CopyBaked(source, sv, outP + tv);
  }
  if (outC) {
    std::memcpy(static_cast<void*>(outC), target.corners.data(), size_t{tc} * sizeof(MeshCorner));
    const MeshCorner* from = source.corners.data();
    for (uint32_t k = 0; k < sc; ++k) {
      MeshCorner corner = from[k];
      // Dead corners stay dead rather than wrapping round to a live index.
      corner.vertexIndex = corner.vertexIndex < sv ? corner.vertexIndex + tv : kDeadIndex;
      outC[tc + k] = corner;
    }
  }
  if (!IsNearIdentity(target)) {
    SetScale(target, Vec3{1.0f, 1.0f, 1.0f});
    target.rotation = Vec3{};
    target.position = Vec3{};
  }
  target.positions = std::move(positions);
  target.corners = std::move(corners);
  target.vertexCount = tv + sv;
  target.cornerCount = tc + sc;
  if (target.name.empty()) target.name = source.name;
  // Corners painted in the source keep meaning their colours.
  target.painted = target.painted || source.painted;
  InvalidateBounds(target);
  MarkChanged(target);
  return true;
}

CommandOutcome GroupObjects(Document& doc) {
  CommandOutcome outcome;
  const uint32_t n = SelectedCount(doc);
  if (n < 2) return outcome;
  SceneObject* target = nullptr;
  bool allAppended = true;
  for (auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    if (!target) {
      target = object.get();
      continue;
    }
    // A source whose geometry cannot be appended stays in the document.
    if (!AppendMesh(target->mesh, object->mesh)) {
      allAppended = false;
      continue;
    }
    RemoveFromSelection(doc, object->id);
    if (doc.objectCount > 0) --doc.objectCount;
    object.reset();
  }
  doc.objects.erase(std::remove(doc.objects.begin(), doc.objects.end(), nullptr),
                    doc.objects.end());
  ResetOriginToCentre(target->mesh);
  UpdateWorldMatrix(*target);
  outcome.changed = true;
  if (!allAppended) {
    outcome.status = kStatusFailed;
    outcome.errorText = "Group Objects: Not enough memory to complete the operation";
    return outcome;
  }
  char text[96];
  std::snprintf(text, sizeof text,
                "The %u selected objects have been combined into a single object.", n);
  outcome.statusText = text;
  return outcome;
}

CommandOutcome GroupObjectsCommand(Document& doc) {
  if (SelectedCount(doc) < 2) return {};
  RecordHistory(doc);
  return GroupObjects(doc);
}

}  // namespace torvane
