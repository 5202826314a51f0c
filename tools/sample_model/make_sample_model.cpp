// make_sample_model: writes the sample model Torvane opens at its first
// start, built with the program's own operations: primitive shapes, their
// transforms and colours, saved through the program's TVX writer.
//
//   make_sample_model OUT.tvx
//
// The scene: a slate plinth carrying an orange letter "T" and an upright
// teal ring holding a red ball, with a violet icosahedron at the front.
#include <cstdio>
#include <string>

#include "core/colour32.h"
#include "core/document.h"
#include "core/mesh.h"
#include "core/null_progress.h"
#include "core/primitives.h"
#include "core/scene_object.h"
#include "formats/imported_model.h"
#include "formats/model_file.h"

namespace {

using torvane::Document;
using torvane::PrimitiveShape;
using torvane::SceneObject;
using torvane::Vec3;

struct Part {
  PrimitiveShape shape;
  Vec3 scale;
  Vec3 rotation;  // degrees
  Vec3 position;
  float r, g, b;
  const char* name;
};

// Units: the cube's edge is 10, the sphere's and icosahedron's radius 5,
// the torus's outer radius 5; the grid squares are 1 unit wide.
constexpr Part kParts[] = {
    {PrimitiveShape::kCube,
     {3.0f, 0.2f, 1.6f},
     {0, 0, 0},
     {0, 1, 0},
     0.36f,
     0.42f,
     0.50f,
     "Plinth"},
    {PrimitiveShape::kCube,
     {0.6f, 1.6f, 0.6f},
     {0, 0, 0},
     {-7, 10, 0},
     0.95f,
     0.55f,
     0.10f,
     "T stem"},
    {PrimitiveShape::kCube,
     {1.8f, 0.5f, 0.6f},
     {0, 0, 0},
     {-7, 20.5f, 0},
     0.95f,
     0.55f,
     0.10f,
     "T bar"},
    {PrimitiveShape::kTorus, {1.2f, 1.2f, 1.2f}, {0, 0, 0}, {7, 8, 0}, 0.10f, 0.65f, 0.65f, "Ring"},
    {PrimitiveShape::kSphere,
     {0.45f, 0.45f, 0.45f},
     {0, 0, 0},
     {7, 8, 0},
     0.85f,
     0.15f,
     0.15f,
     "Ball"},
    {PrimitiveShape::kIcosahedron,
     {0.5f, 0.5f, 0.5f},
     {0, 30, 0},
     {4, 4.2f, -5.5f},
     0.55f,
     0.30f,
     0.80f,
     "Gem"},
};

bool AddPart(Document& doc, const Part& part) {
  SceneObject object;
  const torvane::Colour32 colour = torvane::MakeColour32(part.r, part.g, part.b, 1.0f);
  torvane::BuildPrimitive(part.shape, colour, object);
  if (torvane::TriangleCount(object.mesh) == 0) return false;
  torvane::SetColour(object.mesh, part.r, part.g, part.b, 1.0f);
  torvane::RecolourAllCorners(object.mesh, colour);
  torvane::SetScale(object.mesh, part.scale);
  torvane::SetRotation(object.mesh, part.rotation);
  torvane::SetPosition(object.mesh, part.position);
  object.mesh.name = part.name;
  torvane::UpdateWorldMatrix(object);
  return torvane::AddObjectCopy(doc, object) != torvane::kNoObjectId;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample_model OUT.tvx\n");
    return 2;
  }
  const std::string path = argv[1];
  Document doc;
  for (const Part& part : kParts) {
    if (!AddPart(doc, part)) {
      std::fprintf(stderr, "make_sample_model: could not build the %s\n", part.name);
      return 2;
    }
  }
  torvane::NullProgress quiet;
  torvane::ImportedModel model;
  if (torvane::ConvertDocumentToModel(doc, quiet, model, /*autosave=*/false) != 0 ||
      torvane::SaveModelFile(path, quiet, model) != 0) {
    std::fprintf(stderr, "make_sample_model: %s could not be written\n", path.c_str());
    return 2;
  }
  return 0;
}
