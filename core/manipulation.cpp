#include "core/manipulation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/matrix4.h"
#include "core/mesh.h"
#include "core/move_elements.h"
#include "core/scene_object.h"

namespace torvane {
namespace {

// Float factors of the angle extraction (radians to degrees).
constexpr float kRadiansToDegrees = 57.29578f;

template <typename Fn>
bool ForEachSelected(Document& doc, Fn&& fn) {
  bool any = false;
  for (const auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    if (fn(*object)) any = true;
  }
  return any;
}

float IntoFullTurn(float degrees) {
  if (degrees < 0.0f) return degrees + 360.0f;
  if (degrees > 360.0f) return degrees - 360.0f;
  return degrees;
}

}  // namespace

bool BeyondDragThreshold(int pressX, int pressY, int x, int y) {
  return std::abs(x - pressX) > kDragThresholdPixels || std::abs(y - pressY) > kDragThresholdPixels;
}

Vec3 ApplyAxisLocks(const Vec3& delta, const std::array<bool, 3>& locked) {
  return {locked[0] ? 0.0f : delta.x, locked[1] ? 0.0f : delta.y, locked[2] ? 0.0f : delta.z};
}

bool AllAxesLocked(const Document& doc) {
  return doc.axisLock[0] && doc.axisLock[1] && doc.axisLock[2];
}

bool MoveSelection(Document& doc, const Vec3& delta) {
  const bool objectMode = doc.selectionMode == kSelectionModeObject;
  return ForEachSelected(doc, [&](SceneObject& object) {
    // An object selected by its elements alone (the cap a 2D outline's
    // extrusion leaves selected) moves those elements in object mode too.
    const bool elementsOnly =
        !object.selectionRecords.empty() &&
        std::none_of(object.selectionRecords.begin(), object.selectionRecords.end(),
                     [](const SelectionRecord& r) { return r.elementType == kSelectObject; });
    if (objectMode && !elementsOnly) {
      // A drag changes the transform only: the object's render arrays stay.
      MarkTransformChanged(object.mesh);
      object.mesh.position = object.mesh.position - delta;
      UpdateWorldMatrix(object);
    } else {
      MoveElements(object, delta);
    }
    return true;
  });
}

float DragScaleFactor(int lastY, int y) {
  return static_cast<float>(lastY - y) * kDragScalePerPixel + 1.0f;
}

float WheelScaleFactor(int delta) {
  return static_cast<float>(delta) * kWheelScalePerUnit + 1.0f;
}

bool ScaleSelection(Document& doc, float factor) {
  return ForEachSelected(doc, [&](SceneObject& object) {
    const Vec3 scaled = object.mesh.scale * factor;
    if (!IsAllowedScale(scaled)) return false;
    MarkTransformChanged(object.mesh);
    object.mesh.scale = scaled;
    UpdateWorldMatrix(object);
    return true;
  });
}

Vec3 DragRotationIncrements(const Vec3& d, const std::array<bool, 3>& locked) {
  return ApplyAxisLocks({d.z - d.y, d.x + d.z, d.x - d.y}, locked);
}

Vec3 ComposeRotation(const Vec3& angles, const Vec3& increments) {
  const Matrix4 r = Multiply(RotationMatrix(angles), RotationMatrix(increments));
  const float sine = std::fmax(-1.0f, std::fmin(1.0f, -r(0, 2)));
  return {IntoFullTurn(std::atan2(r(1, 2), r(2, 2)) * kRadiansToDegrees),
          IntoFullTurn(std::asin(sine) * kRadiansToDegrees),
          IntoFullTurn(std::atan2(r(0, 1), r(0, 0)) * kRadiansToDegrees)};
}

bool RotateSelectionByDrag(Document& doc, const Vec3& increments) {
  return ForEachSelected(doc, [&](SceneObject& object) {
    // Composed angles are already within 0 to 360.
    MarkTransformChanged(object.mesh);
    object.mesh.rotation = ComposeRotation(object.mesh.rotation, increments);
    UpdateWorldMatrix(object);
    return true;
  });
}

Vec3 Lock2DMoveDelta(const Vec3& delta, int view, const std::array<bool, 3>& locked) {
  Vec3 d = ApplyAxisLocks(delta, locked);
  if (view == 2) d.x = 0.0f;
  if (view == 3) d.y = 0.0f;
  if (view == 1) d.z = 0.0f;
  return d;
}

bool RotateSelection2D(Document& doc, int lastX, int lastY, int x, int y) {
  const float aboutX = k2DRotationXPerPixel * static_cast<float>(lastY - y);
  const float aboutY = k2DRotationYPerPixel * static_cast<float>(lastX - x);
  return ForEachSelected(doc, [&](SceneObject& object) {
    MarkTransformChanged(object.mesh);
    object.mesh.rotation.x -= aboutX;
    object.mesh.rotation.y -= aboutY;
    UpdateWorldMatrix(object);
    return true;
  });
}

bool RotateSelection(Document& doc, FixedRotation rotation) {
  doc.manipulateMode = kManipulateRotateFixed;
  return ForEachSelected(doc, [&](SceneObject& object) {
    Mesh& mesh = object.mesh;
    // Stored as given: fixed rotations do not wrap at 360.
    if (rotation.axis == 0) mesh.rotation.x += rotation.degrees;
    if (rotation.axis == 1) mesh.rotation.y += rotation.degrees;
    if (rotation.axis == 2) mesh.rotation.z += rotation.degrees;
    MarkTransformChanged(mesh);
    UpdateWorldMatrix(object);
    return true;
  });
}

bool ToggleAxisLock(Document& doc, int axis) {
  bool& locked = doc.axisLock[static_cast<size_t>(axis)];
  locked = !locked;
  return locked;
}

}  // namespace torvane
