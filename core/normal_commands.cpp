// The three normal commands of the Tools menu: "Invert Normals",
// "Recalculate Normals" and "Reverse Winding Order". Each records one history
// step and changes every live selected object that holds no 2D outline (an
// outline object keeps its flat face as drawn), then answers the culling hint
// that tells the user how inward-facing triangles will look.
#include "core/history.h"
#include "core/mesh_ops.h"

namespace torvane {
namespace {

template <class Operation>
CommandOutcome RunNormalCommand(Document& doc, uint32_t cullingMode, const char* name,
                                Operation operation) {
  CommandOutcome outcome;
  if (!AnySelected(doc)) return outcome;
  RecordHistory(doc);
  for (auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    if (!object->outlineShapes.empty()) continue;
    if (!operation(object->mesh)) {
      SetOutOfMemory(outcome, name);
      return outcome;
    }
    outcome.changed = true;
  }
  outcome.statusText = CullingHint(cullingMode);
  return outcome;
}

}  // namespace

std::string CullingHint(uint32_t cullingMode) {
  switch (cullingMode) {
    case 0:
      return "Faces with their normals pointing inwards will appear black\n"
             "while in the 'Do not cull anything' Backface culling mode";
    case 2:
      return {};
    default:
      return "Faces with their normals pointing inwards will appear transparent\n"
             "while in the 'Cull backfaces' Backface culling mode";
  }
}

CommandOutcome InvertNormalsCommand(Document& doc, uint32_t cullingMode) {
  return RunNormalCommand(doc, cullingMode, "Invert Normals",
                          [](Mesh& mesh) { return InvertNormals(mesh); });
}

CommandOutcome RecalculateNormalsCommand(Document& doc, uint32_t cullingMode) {
  return RunNormalCommand(doc, cullingMode, "Recalculate Normals",
                          [](Mesh& mesh) { return RecalculateNormals(mesh); });
}

CommandOutcome ReverseWindingCommand(Document& doc, uint32_t cullingMode) {
  // Once the triangles are reversed the corners are private: the inversion
  // cannot fail after them.
  return RunNormalCommand(doc, cullingMode, "Reverse Winding Order", [](Mesh& mesh) {
    return ReverseAllTriangles(mesh) && InvertNormals(mesh);
  });
}

}  // namespace torvane
