// torvane-cli outline VIEW SHAPE NUMBERS... CONVERSION OUT: draws one 2D
// outline through the same drawing steps a 2D view takes from the mouse
// (press, drag, press; a press per point for a line chain), converts it by
// Extrude (the cap then moved DEPTH units along the extrusion direction, as
// a move drag of the selected cap does) or by slices, and saves OUT as Save
// As does. Exit status: 0 written, 1 on Ctrl-C, 2 on a bad argument or a
// failure.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/open_model.h"
#include "formats/file_types.h"
#include "formats/model_file.h"
#include "solid/outline.h"
#include "solid/outline_solids.h"

namespace torvane {
namespace {

std::optional<float> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value) || std::fabs(value) > 1e30)
    return std::nullopt;
  return static_cast<float>(value);
}

int ParseView(const std::string& name) {
  if (name == "front") return kPlaneFront;
  if (name == "right") return kPlaneRight;
  if (name == "top") return kPlaneTop;
  return 0;
}

// A point of the view's plane from its two coordinates (front x y, right
// y z, top x z).
Vec3 PlanePoint(int view, float first, float second) {
  switch (view) {
    case kPlaneRight:
      return {0.0f, first, second};
    case kPlaneTop:
      return {first, 0.0f, second};
    default:
      return {first, second, 0.0f};
  }
}

bool CanWrite(int32_t fileType) {
  return fileType != kFileTypeUnknown && fileType != kFileTypeStep && fileType != kFileTypeFbx;
}

}  // namespace

int RunOutline(std::span<const std::string> args, TerminalProgress& progress) {
  const CliCommand& self = *FindCliCommand("outline");
  if (args.size() < 2) return UsageError(self, "missing argument");
  const int view = ParseView(args[0]);
  if (view == 0) return UsageError(self, "unknown view '" + args[0] + "'");
  const std::string& shape = args[1];
  uint32_t mode = kDrawNone;
  size_t wanted = 0;
  if (shape == "circle") {
    mode = kDrawCircle;
    wanted = 3;
  } else if (shape == "ellipse") {
    mode = kDrawEllipse;
    wanted = 4;
  } else if (shape == "rectangle") {
    mode = kDrawRectangle;
    wanted = 4;
  } else if (shape == "line") {
    mode = kDrawLine;
  } else {
    return UsageError(self, "unknown shape '" + shape + "'");
  }

  size_t i = 2;
  std::vector<float> numbers;
  for (; i < args.size() && args[i] != "extrude" && args[i] != "slices"; ++i) {
    const std::optional<float> value = ParseNumber(args[i]);
    if (!value) return UsageError(self, "not a number: '" + args[i] + "'");
    numbers.push_back(*value);
  }
  if (mode == kDrawLine) {
    if (numbers.size() % 2 != 0 || numbers.size() < 6)
      return UsageError(self, "a line needs three points or more, two numbers each");
  } else if (numbers.size() != wanted) {
    return UsageError(self, shape + " takes " + std::to_string(wanted) + " numbers");
  }
  if (i + 3 != args.size()) return UsageError(self, "expected CONVERSION and OUT after the shape");
  const std::string& conversion = args[i];
  const std::string& parameter = args[i + 1];
  const std::string& out = args[i + 2];
  std::optional<float> depth;
  std::optional<SliceDirection> slices;
  if (conversion == "extrude") {
    depth = ParseNumber(parameter);
    if (!depth || !(*depth > 0.0f)) return UsageError(self, "DEPTH must be a positive number");
  } else if (parameter == "horizontal") {
    slices = SliceDirection::kHorizontal;
  } else if (parameter == "vertical") {
    slices = SliceDirection::kVertical;
  } else {
    return UsageError(self, "slices are 'horizontal' or 'vertical'");
  }
  if (!CanWrite(DetectFormat(out).fileType)) {
    std::fprintf(stderr, "torvane-cli outline: no format to save '%s' in\n", out.c_str());
    return kExitFailure;
  }

  Document document;
  SetDrawMode(document, mode);
  std::vector<Vec3> points;
  if (mode == kDrawCircle) {
    const Vec3 centre = PlanePoint(view, numbers[0], numbers[1]);
    const Vec3 along = PlanePoint(view, numbers[2], 0.0f);
    points = {centre, centre + along};
  } else {
    for (size_t k = 0; k + 1 < numbers.size(); k += 2)
      points.push_back(PlanePoint(view, numbers[k], numbers[k + 1]));
  }
  for (size_t k = 0; k < points.size(); ++k) {
    if (k > 0) DragToDraw(document, view, points[k]);
    if (PressToDraw(document, view, points[k]) == DrawPress::kFailed) {
      std::fprintf(stderr, "torvane-cli outline: Not enough memory to complete the operation\n");
      return kExitFailure;
    }
  }
  SetDrawMode(document, kDrawNone);

  const uint32_t drawn = FirstObjectWithOutlines(document);
  const CommandOutcome converted =
      depth ? ExtrudeOutlineCommand(document) : FormBySlicesCommand(document, *slices);
  if (converted.status != kStatusDone || !converted.changed) {
    std::fprintf(stderr, "%s\n",
                 converted.errorText.empty() ? "torvane-cli outline: nothing was converted"
                                             : converted.errorText.c_str());
    return kExitFailure;
  }
  if (depth) {
    if (SceneObject* object = FindObject(document, drawn)) MoveCapAlongExtrusion(*object, *depth);
  }
  return SaveForCommand(document, out, progress, "outline");
}

}  // namespace torvane
