// The primitive commands: building a shape from its unit table, the sphere's
// split step, adding and selecting the new object.
#include "core/primitives.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/history.h"
#include "core/null_progress.h"
#include "core/primitive_tables.h"
#include "core/split_group.h"

namespace torvane {
namespace {

constexpr ColourF kPrimitiveRenderColour{0.8627451f, 0.8627451f, 0.8627451f, 1.0f};

const PrimitiveTable* UnitTable(PrimitiveShape shape) {
  switch (shape) {
    case PrimitiveShape::kCube:
      return UnitCubeTable();
    case PrimitiveShape::kSphere:
      return UnitSphereTable();
    case PrimitiveShape::kIcosahedron:
      return UnitIcosahedronTable();
    case PrimitiveShape::kTorus:
      return UnitTorusTable();
  }
  return nullptr;
}

float WorkingScale(PrimitiveShape shape) {
  switch (shape) {
    case PrimitiveShape::kCube:
      return kCubeScale;
    case PrimitiveShape::kSphere:
      return kSphereScale;
    case PrimitiveShape::kIcosahedron:
      return kIcosahedronScale;
    case PrimitiveShape::kTorus:
      return kTorusScale;
  }
  return 1.0f;
}

// Fills the mesh from the table: every position, every listed triangle with
// its face normal, and dead corners for the rest of the corner buffer.
// `colour` goes straight into the corners when `writeColour` is set. On a
// failed allocation the mesh is left empty.
void FillFromTable(const PrimitiveTable* table, Colour32 colour, bool writeColour, Mesh& mesh) {
  if (!table) return;
  const uint32_t vertexCount = static_cast<uint32_t>(table->positions.size());
  if (!mesh.positions.ResizeDiscard(vertexCount)) {
    mesh.vertexCount = 0;
    return;
  }
  if (!mesh.corners.ResizeDiscard(table->cornerCapacity)) {
    mesh.positions.Free();
    mesh.vertexCount = 0;
    mesh.cornerCount = 0;
    return;
  }
  Vec3* p = mesh.positions.MutableData();
  MeshCorner* corners = mesh.corners.MutableData();
  if (!p || !corners) {
    mesh.positions.Free();
    mesh.corners.Free();
    mesh.vertexCount = 0;
    mesh.cornerCount = 0;
    return;
  }
  std::copy(table->positions.begin(), table->positions.end(), p);
  const std::vector<uint32_t>& indices = table->cornerIndices;
  for (size_t k = 0; k + 2 < indices.size(); k += 3) {
    const Vec3 normal = FaceNormal(p[indices[k]], p[indices[k + 1]], p[indices[k + 2]]);
    for (size_t c = k; c < k + 3; ++c) {
      corners[c].vertexIndex = indices[c];
      corners[c].normal = normal;
      if (writeColour) corners[c].colour = colour;
    }
  }
  mesh.vertexCount = vertexCount;
  mesh.cornerCount = table->cornerCapacity;
}

// The sphere's generator leaves dead corners at the end of its buffer; taking
// the shape apart into its connected parts drops them and renumbers the
// vertices in order of first use. The geometry of the larger of the two end
// parts of the list (there is only one) becomes the object's; its colours
// and flags stay. The mesh is emptied when the split runs out of memory.
void KeepLargerEndPart(SceneObject& object) {
  ObjectList parts;
  size_t partsCount = 0;
  NullProgress never;
  if (SplitIntoParts(object, never, parts, partsCount) != kStatusDone || parts.empty() ||
      !parts.front() || !parts.back()) {
    ClearMesh(object.mesh);
    return;
  }
  Mesh& first = parts.front()->mesh;
  Mesh& last = parts.back()->mesh;
  Mesh& part = TriangleCount(first) > TriangleCount(last) ? first : last;
  Mesh& mesh = object.mesh;
  mesh.positions = std::move(part.positions);
  mesh.corners = std::move(part.corners);
  mesh.vertexCount = part.vertexCount;
  mesh.cornerCount = part.cornerCount;
  InvalidateBounds(mesh);
  MarkChanged(mesh);
}

}  // namespace

const char* PrimitiveName(PrimitiveShape shape) {
  switch (shape) {
    case PrimitiveShape::kCube:
      return "Cube";
    case PrimitiveShape::kSphere:
      return "Sphere";
    case PrimitiveShape::kIcosahedron:
      return "Icosahedron";
    case PrimitiveShape::kTorus:
      return "Torus";
  }
  return "";
}

std::string PrimitiveCommandName(PrimitiveShape shape) {
  return std::string("Add ") + PrimitiveName(shape);
}

std::string PrimitiveOutOfMemoryText(PrimitiveShape shape) {
  return std::string("Torvane is unable to create the ") + PrimitiveName(shape) +
         " object due to there not being enough memory for the operation.";
}

void BuildPrimitive(PrimitiveShape shape, Colour32 colour, SceneObject& object) {
  Mesh mesh;
  mesh.colour = colour;
  // The cube's corners take the colour as they are written and stay
  // unpainted; the other shapes are painted over afterwards.
  const bool cube = shape == PrimitiveShape::kCube;
  FillFromTable(UnitTable(shape), colour, cube, mesh);
  if (!cube) RecolourAllCorners(mesh, colour);
  mesh.renderAmbient = kPrimitiveRenderColour;
  mesh.renderDiffuse = kPrimitiveRenderColour;
  mesh.renderSpecular = kPrimitiveRenderColour;
  MarkChanged(mesh);
  const float scale = WorkingScale(shape);
  SetScale(mesh, Vec3{scale, scale, scale});
  BakeTransform(mesh);
  // The render arrays are left to the renderer: renderStale is set, and a
  // mesh copy never carries them into the document anyway.
  object.mesh = std::move(mesh);
  if (shape == PrimitiveShape::kSphere) KeepLargerEndPart(object);
}

CommandOutcome AddPrimitiveObject(Document& doc, PrimitiveShape shape, const SceneObject& object) {
  CommandOutcome outcome;
  const uint32_t id = TriangleCount(object.mesh) > 0 ? AddObjectCopy(doc, object) : kNoObjectId;
  SceneObject* added = FindObject(doc, id);
  if (!added) {
    outcome.status = kStatusFailed;
    outcome.errorText = PrimitiveOutOfMemoryText(shape);
    return outcome;
  }
  SelectObject(*added);
  MarkBoundingBox(*added);
  AddToSelection(doc, id);
  doc.forceRecord = true;
  Notify(doc, kNotifyObjectAdded);
  outcome.changed = true;
  return outcome;
}

CommandOutcome AddPrimitive(Document& doc, PrimitiveShape shape, const ColourF& colour) {
  doc.forceRecord = true;
  RecordHistory(doc);
  SceneObject object;
  BuildPrimitive(shape, MakeColour32(colour.r, colour.g, colour.b, colour.a), object);
  return AddPrimitiveObject(doc, shape, object);
}

}  // namespace torvane
