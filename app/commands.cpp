// The forwarding table from main commands to edit commands, and the fixed
// rotations of both number spaces.
#include "app/commands.h"

namespace torvane {
namespace {

constexpr float kRotationSteps[4] = {45.0f, 90.0f, 180.0f, 270.0f};

}  // namespace

bool IsMenuRotation(CommandId command) {
  const int axis = (command - cmd::kRotateX45) / 10;
  const int step = (command - cmd::kRotateX45) % 10;
  return command >= cmd::kRotateX45 && axis <= 2 && step <= 3;
}

bool IsEditRotation(CommandId code) {
  return code >= edit::kFirstRotation && code <= edit::kLastRotation;
}

FixedRotation MenuRotation(CommandId command) {
  const int offset = command - cmd::kRotateX45;
  return {offset / 10, kRotationSteps[offset % 10]};
}

FixedRotation EditRotation(CommandId code) {
  const int offset = code - edit::kFirstRotation;
  return {offset % 3, kRotationSteps[offset / 3]};
}

CommandId EditCodeOfMenuRotation(CommandId command) {
  const int offset = command - cmd::kRotateX45;
  return static_cast<CommandId>(edit::kFirstRotation + (offset % 10) * 3 + offset / 10);
}

std::optional<CommandId> ForwardedEditCommand(CommandId command) {
  switch (command) {
    case cmd::kMoveObject:
      return edit::kMoveMode;
    case cmd::kRotateByDragging:
      return edit::kRotateMode;
    case cmd::kScaleObject:
      return edit::kScaleMode;
    case cmd::kApplyColour:
      return edit::kApplyColour;
    case cmd::kBooleanUnion:
      return edit::kUnion;
    case cmd::kBooleanIntersection:
      return edit::kIntersect;
    case cmd::kBooleanSubtract:
      return edit::kSubtract;
    default:
      break;
  }
  if (IsMenuRotation(command)) return EditCodeOfMenuRotation(command);
  return std::nullopt;
}

}  // namespace torvane
