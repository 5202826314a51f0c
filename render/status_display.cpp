#include "render/status_display.h"

#include <cstdio>

#include "core/document.h"

namespace torvane {
namespace {

std::string Printf(const char* format, const Vec3& v) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, static_cast<double>(v.x), static_cast<double>(v.y),
                static_cast<double>(v.z));
  return buffer;
}

}  // namespace

StatusDisplay FormatStatus(StatusKind kind, const Vec3& values) {
  switch (kind) {
    case StatusKind::kPosition:
      return {Printf("Position: [X: %.3f ][Y: %.3f ][Z: %.3f ]", values),
              "Selection point position"};
    case StatusKind::kRotation:
      return {Printf("Rotation: [X: %.3f ][Y: %.3f ][Z: %.3f ]", values),
              "Selected object rotation"};
    case StatusKind::kScale:
      return {Printf("Scale: %.3f", values), "Selected object scale"};
    case StatusKind::kNone:
      break;
  }
  return {};
}

StatusDisplay StatusForDocument(const Document& doc, const std::optional<Vec3>& selectionPoint) {
  if (doc.selectionMode == kSelectionModeObject) {
    if (SelectedCount(doc) != 1) return {};
    const SceneObject* selected = nullptr;
    for (const auto& object : doc.objects) {
      if (object && IsLive(*object) && object->selected) selected = object.get();
    }
    if (!selected) return {};
    const Mesh& mesh = selected->mesh;
    if (doc.manipulateMode == kManipulateScale) return FormatStatus(StatusKind::kScale, mesh.scale);
    if (doc.manipulateMode == kManipulateMove) {
      return FormatStatus(StatusKind::kPosition, mesh.position);
    }
    return FormatStatus(StatusKind::kRotation, mesh.rotation);
  }
  if (doc.manipulateMode == kManipulateMove && selectionPoint) {
    return FormatStatus(StatusKind::kPosition, *selectionPoint);
  }
  return {};
}

}  // namespace torvane
