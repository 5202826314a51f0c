// The vertex data the views draw a mesh with: one vertex per triangle corner,
// interleaved as position (3 floats), normal (3 floats) and colour (ARGB),
// 28 bytes a corner, written straight into the mapped vertex buffer. The
// values are those of the mesh's render arrays (BuildRenderArrays): a dead
// corner, or one whose vertex index lies past the vertices, is all zeros.
// Large meshes are written by several threads, each its own run of corners.
//
// Inputs: the mesh's positions and corners. Outputs: bytes in the caller's
// buffer; the lighting material of the mesh.
#pragma once

#include <cstddef>
#include <cstdint>

#include "render/render_object.h"

namespace torvane {

struct Mesh;

inline constexpr uint32_t kCornerVertexStride = 28;
// Below this many corners one thread writes everything.
inline constexpr uint32_t kParallelFillCorners = 1u << 16;

// Corners the renderer draws: cornerCount, or fewer when the corner buffer
// is shorter.
uint32_t DrawableCornerCount(const Mesh& mesh);

// Writes corners [first, last) to `out` (the bytes of corner `first`).
void FillCornerVertices(const Mesh& mesh, uint32_t first, uint32_t last, unsigned char* out);

// Writes all DrawableCornerCount corners to `out` with up to `threads`
// threads (0: one per processor, at most 8).
void FillMeshVertices(const Mesh& mesh, unsigned char* out, unsigned threads = 0);

// The material of the mesh: its render colours when it has a material (the
// ambient colour also as emissive), otherwise (0, 0, 0, 1) throughout.
Material MeshMaterial(const Mesh& mesh);

}  // namespace torvane
