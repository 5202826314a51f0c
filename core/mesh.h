// Mesh: the geometry of one scene object. An indexed triangle mesh in floats
// whose normals and colours live on the triangle corners, plus a transform
// (scale, rotation in degrees, position) held apart from the vertex data until
// BakeTransform folds it in.
//
// Inputs: positions and triangles appended by generators, readers and editing
// operations. Outputs: the vertex and corner buffers, object-space bounds
// (cached by extreme-vertex index), and the three render arrays the renderer
// draws. Every edit sets the four change flags; copies share their buffers
// copy-on-write, so a history snapshot of an unchanged mesh costs nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/colour32.h"
#include "core/grow_array.h"
#include "core/matrix4.h"
#include "core/mesh_corner.h"
#include "core/vec3.h"

namespace torvane {

inline constexpr Colour32 kDefaultObjectColour = 0xDCDCDCDCu;
inline constexpr float kMinimumScale = 0.005f;
// Appending a vertex reuses an equal position among this many newest vertices.
inline constexpr uint32_t kVertexLookBack = 100;
// Bounds reported for a mesh without vertices.
inline constexpr float kEmptyBoundsMin = 1e6f;
inline constexpr float kEmptyBoundsMax = -1e6f;

// What the renderer draws for one mesh: one entry per corner (3 floats of
// position, 3 of normal, one colour) and the lighting material. Device
// resources stay with the renderer.
struct MeshRenderData {
  std::vector<float> positions;
  std::vector<float> normals;
  std::vector<Colour32> colours;
  ColourF diffuse;
  ColourF ambient;
  ColourF specular;
  ColourF emissive;
};

// A process-wide number never given out twice.
uint64_t NextMeshSerial();

struct Mesh {
  bool unsavedChange = false;
  bool unautosavedChange = false;
  bool unrecordedChange = false;
  bool renderStale = true;
  GrowArray<Vec3> positions;      // length is a buffer length, never below vertexCount
  GrowArray<MeshCorner> corners;  // length never below cornerCount
  uint32_t vertexCount = 0;
  uint32_t cornerCount = 0;  // triangles = cornerCount / 3
  std::string name;          // UTF-8
  Colour32 lastSetColour = 0;
  bool lastSetColourValid = false;
  Colour32 materialDiffuse = 0;
  Colour32 materialSpecular = 0;
  Colour32 materialAmbient = 0;
  bool hasMaterial = false;
  ColourF renderAmbient;
  ColourF renderDiffuse;
  ColourF renderSpecular;
  Colour32 colour = kDefaultObjectColour;
  bool painted = false;
  MeshRenderData render;  // derived; never copied
  uint32_t boundsIndex[6] = {kDeadIndex, kDeadIndex, kDeadIndex,
                             kDeadIndex, kDeadIndex, kDeadIndex};
  float boundsValue[6] = {0, 0, 0, 0, 0, 0};  // min x, max x, min y, max y, min z, max z
  Vec3 nudge;
  Vec3 scale{1.0f, 1.0f, 1.0f};
  Vec3 rotation;  // degrees about X, Y, Z
  Vec3 position;
  // Identifies this mesh to the renderer's caches: a new number whenever a
  // mesh is made or assigned, so a cache entry left by a freed mesh never
  // passes for a new mesh that happens to get the same address.
  uint64_t serial = NextMeshSerial();

  Mesh() = default;
  // Copies everything but the render arrays (which start empty; renderStale
  // keeps the source's value). The buffers are taken only when the source has
  // both vertices and corners; otherwise both counts become 0.
  Mesh(const Mesh& other);
  Mesh& operator=(const Mesh& other);
  // As the copy, but the buffers are taken over; the source is left with no
  // buffers and zero counts.
  Mesh(Mesh&& other) noexcept;
  Mesh& operator=(Mesh&& other) noexcept;
  ~Mesh() = default;
};

inline uint32_t TriangleCount(const Mesh& mesh) {
  return mesh.cornerCount / 3;
}

// Sets all four change flags.
void MarkChanged(Mesh& mesh);
// A change of the transform by a drag only: the three change flags, not
// renderStale (the render arrays hold object-space corners, so a drag that
// moves, turns or scales an object redraws without rebuilding or uploading
// them).
void MarkTransformChanged(Mesh& mesh);
// Forgets the cached bounds; the next MeshBounds call recomputes them.
void InvalidateBounds(Mesh& mesh);

// Index of p: an equal position among the newest 100 vertices, or a new
// vertex. 0xFFFFFFFF when the buffer cannot grow; the mesh is then left with
// no vertices and no triangles.
uint32_t AppendVertex(Mesh& mesh, const Vec3& p);

// Appends triangle (p0, p1, p2) with its face normal and `colour` on all three
// corners. False when memory runs out (the mesh is then emptied of corners).
bool AppendTriangle(Mesh& mesh, const Vec3& p0, const Vec3& p1, const Vec3& p2, Colour32 colour);

// Appends a triangle whose corners take vertex index and colour from the
// existing corners a, b and c, with the face normal of their positions.
// False when a corner is out of range or dead, or when memory runs out.
bool AppendTriangleFromCorners(Mesh& mesh, uint32_t a, uint32_t b, uint32_t c);

// Colour of corner k (0xFFFFFFFF and out-of-range corners are ignored).
// False when the corners are shared with a copy that cannot be made (the
// mesh is then unchanged); the same holds for every writer below that
// answers a flag.
bool SetCornerColour(Mesh& mesh, uint32_t k, Colour32 colour);
// Every corner gets `colour`.
bool RecolourAllCorners(Mesh& mesh, Colour32 colour);
// The object colour from float channels; also remembered as lastSetColour.
void SetColour(Mesh& mesh, float r, float g, float b, float a);

// The transform setters mark the mesh changed (all four flags).
void SetPosition(Mesh& mesh, const Vec3& p);
// Ignored unless every component is at least 0.005.
void SetScale(Mesh& mesh, const Vec3& s);
// Each angle is reduced by fmod(angle, 360), keeping its sign.
void SetRotation(Mesh& mesh, const Vec3& degrees);
// Every component at least 0.005.
bool IsAllowedScale(const Vec3& s);

// The scale-rotate-translate matrix of the mesh transform.
Matrix4 MeshTransformMatrix(const Mesh& mesh);

// Folds the transform into the positions and resets it to identity; an
// identity transform changes nothing (and marks nothing). Normals stay.
bool BakeTransform(Mesh& mesh);

// Bakes, then moves the origin to the centre of the bounding box without
// moving the object, and gives every live triangle its face normal. Does
// nothing on a mesh without triangles.
bool ResetOriginToCentre(Mesh& mesh);

struct BoundingBox {
  Vec3 min;
  Vec3 max;
};

// Object-space bounds of the vertices, cached by extreme-vertex index. An
// empty mesh reports min 1e6 and max -1e6 (and is never cached).
BoundingBox MeshBounds(Mesh& mesh);
// min + (max - min) x 0.5; the bounds themselves through `bounds` if given.
Vec3 MeshCentre(Mesh& mesh, BoundingBox* bounds = nullptr);

// Fills the render arrays from the corners (dead corners keep zero entries).
// An empty mesh gets empty arrays. Does not touch renderStale: the renderer
// clears it once its device buffers are up to date.
void BuildRenderArrays(Mesh& mesh);
// Material of the render block from the render colours when hasMaterial,
// otherwise all four (0, 0, 0, 1). Only when render arrays exist.
void ApplyMaterial(Mesh& mesh);

// Both buffers and counts to 0, painted 0, bounds invalid; marks changed.
void ClearMesh(Mesh& mesh);
// Buffers resized to exactly the counts; a failed resize clears the mesh.
void TrimMesh(Mesh& mesh);

}  // namespace torvane
