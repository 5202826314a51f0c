// Moving the selection of one object by a drag step.
//
// Input: a scene object with its selection records and a delta in scene
// coordinates (the object moves by minus the delta). Output: the object's
// position when it is selected as a whole; otherwise the positions of the
// selected faces', triangles', edges' and vertices' vertices, moved in object
// space, with fresh face normals on every triangle that uses a moved vertex.
// The vertices and triangles concerned are cached on the object
// (moveVertices, moveTriangles) until moveCacheStale is set again, so each
// drag step only touches them. The renderer rebuilds the render arrays itself
// when it sees renderStale.
#pragma once

#include "core/scene_object.h"
#include "core/vec3.h"

namespace torvane {

void MoveElements(SceneObject& object, const Vec3& worldDelta);

// Refills moveVertices (each vertex of the element records once, in record
// order) and moveTriangles (the living triangles using one of them) and
// clears moveCacheStale.
void FillMoveCache(SceneObject& object);

}  // namespace torvane
