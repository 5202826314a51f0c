// Primitive shapes: "Add Cube", "Add Sphere", "Add Icosahedron", "Add Torus".
//
// Each command builds its shape around the origin in unit size (the tables of
// primitive_tables.h), scales it to working size and bakes the scale, adds it
// as a new object in the command's colour, selects it (keeping any earlier
// selection) and makes sure the step can be undone. Input: the document and
// the paint colour. Output: the new object, notification 2002, or the
// shape's out-of-memory message with the document unchanged apart from the
// history snapshot taken first.
#pragma once

#include <string>

#include "core/colour32.h"
#include "core/command_outcome.h"
#include "core/document.h"
#include "core/scene_object.h"

namespace torvane {

enum class PrimitiveShape { kCube, kSphere, kIcosahedron, kTorus };

// Working size: cube edge 10, sphere radius 5, icosahedron circumradius 5,
// torus ring radius 4 with tube radius 1.
inline constexpr float kCubeScale = 10.0f;
inline constexpr float kSphereScale = 5.0f;
inline constexpr float kIcosahedronScale = 5.0f;
inline constexpr float kTorusScale = 10.0f;

// "Cube", "Sphere", "Icosahedron", "Torus".
const char* PrimitiveName(PrimitiveShape shape);
// "Add Cube", ... (the title of the command's message box).
std::string PrimitiveCommandName(PrimitiveShape shape);
// "Torvane is unable to create the Cube object due to there not being enough
// memory for the operation." with the shape's name.
std::string PrimitiveOutOfMemoryText(PrimitiveShape shape);

// Builds the shape at working size into object's mesh (replacing it): corners
// in `colour`, outward face normals, render colours 0.8627451 grey, change
// flags set. The mesh is left without triangles when memory runs out.
void BuildPrimitive(PrimitiveShape shape, Colour32 colour, SceneObject& object);

// Adds a built shape to the document and selects it. Fails with the shape's
// out-of-memory message, adding nothing, when the shape has no triangle or
// cannot be added.
CommandOutcome AddPrimitiveObject(Document& doc, PrimitiveShape shape, const SceneObject& object);

// The whole command: a forced history record, BuildPrimitive in `colour`,
// AddPrimitiveObject.
CommandOutcome AddPrimitive(Document& doc, PrimitiveShape shape, const ColourF& colour);

}  // namespace torvane
