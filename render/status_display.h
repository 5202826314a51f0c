// The status display: before each frame the main window shows the selected
// object's position, rotation or scale (by manipulation mode), or the
// selection point of an element move, or nothing.
//
// Input: the document (selection mode, selection, manipulation mode) and the
// element selection point when element moves have one. Output: the text and
// tooltip to show (both empty with nothing to show).
#pragma once

#include <optional>
#include <string>

#include "core/vec3.h"

namespace torvane {

struct Document;

enum class StatusKind { kNone, kPosition, kRotation, kScale };

struct StatusDisplay {
  std::string text;
  std::string tooltip;
};

StatusDisplay FormatStatus(StatusKind kind, const Vec3& values);

// What the document asks to show. `selectionPoint` is the point element
// moves carry along, when there is one.
StatusDisplay StatusForDocument(const Document& doc,
                                const std::optional<Vec3>& selectionPoint = std::nullopt);

}  // namespace torvane
