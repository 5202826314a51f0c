// RenderDevice: what all views share in the one OpenGL context group: the
// shader programs (the lit mesh pair, the plain fallback, the line pair), the
// vertex buffers of the document's meshes and of the grids, and counters of
// the work done (array builds, uploads, frames) for tests and figures.
//
// Mesh buffers are keyed by the Mesh they were built from and rebuilt only
// when its renderStale flag is set (or its corner count changed); buffers of
// meshes that left the document are released at the next frame.
#pragma once

#include <QOpenGLFunctions_3_3_Core>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "render/grid.h"
#include "render/render_object.h"

namespace torvane {

struct Document;
struct Mesh;

struct ProgramHandles {
  GLuint program = 0;
  GLint wvp = -1;
  GLint world = -1;
  GLint power = -1;
  GLint eyePosition = -1;
  GLint forward = -1;
  GLint data = -1;
  GLint flipBackFaces = -1;  // lit program only
};

struct RenderStats {
  uint64_t arrayBuilds = 0;       // per-corner vertex data built
  uint64_t bufferUploads = 0;     // mesh vertex buffers (re)created
  uint64_t frames = 0;            // view frames drawn
  uint64_t meshPasses = 0;        // mesh draw calls (a mesh takes one or two a frame)
  uint64_t sceneDraws = 0;        // frames whose scene was drawn in full
  uint64_t sceneImageReuses = 0;  // frames that copied the kept scene image back
};

class RenderDevice {
 public:
  static RenderDevice& Instance();

  // Builds the programs once per context group. False when not even the
  // line and plain programs could be built (nothing can be drawn then).
  bool EnsurePrograms(QOpenGLFunctions_3_3_Core& gl);
  // True when the lit shaders are in use (false: plain fallback).
  bool HasLightingShaders() const { return mesh_.program != 0; }
  // True when the mesh program can light back faces with flipped normals in
  // the same pass as the front faces (the lit shaders can; the plain
  // fallback lights per vertex and needs a pass of its own for them).
  bool FlipsBackFacesInOnePass() const { return mesh_.program != 0 && mesh_.flipBackFaces >= 0; }
  const ProgramHandles& MeshProgram() const { return mesh_.program ? mesh_ : plain_; }
  const ProgramHandles& LineProgram() const { return line_; }
  // Copies a kept frame image back (0 when it could not be built: frames are
  // then always drawn in full).
  const ProgramHandles& ImageProgram() const { return image_; }

  // The mesh's drawable with its buffer brought up to date: the per-corner
  // vertex data are rebuilt only when renderStale is set (which is then
  // cleared) or the corner count changed. Null when the mesh has no
  // triangles or no buffer could be made.
  RenderObject* PrepareMesh(Mesh& mesh, QOpenGLFunctions_3_3_Core& gl);
  // Releases the buffers of meshes no longer in `doc`.
  void PruneMeshes(const Document& doc, QOpenGLFunctions_3_3_Core& gl);
  size_t CachedMeshCount() const { return meshes_.size(); }

  // The uploaded lines of a grid set (0: quadrant set, 1: centred set):
  // planes 0..2 (GridPlane) and 3 for the axes.
  LineObject& GridLines(int set, int part);

  // The context group was lost: forget every GL name; programs and buffers
  // are made anew on the next frame.
  void ForgetAll();

  RenderStats& stats() { return stats_; }
  // Grows whenever a mesh buffer is rebuilt or released, or the programs
  // change: a view's earlier frame image is out of date once it has moved.
  uint64_t ContentGeneration() const { return contentGeneration_; }

  // Makes the lit shaders fail to build, so the fallback path can be tested.
  static void SetLightingShaderFailureForTesting(bool fail);

 private:
  RenderDevice() = default;

  struct MeshEntry {
    std::unique_ptr<RenderObject> object;
    uint32_t cornerCount = 0;
    uint64_t serial = 0;  // the mesh's serial when the buffer was built
  };

  bool programsTried_ = false;
  bool fallbackReported_ = false;
  ProgramHandles mesh_;
  ProgramHandles plain_;
  ProgramHandles line_;
  ProgramHandles image_;
  std::unordered_map<const Mesh*, MeshEntry> meshes_;
  std::unique_ptr<LineObject> grids_[2][4];
  RenderStats stats_;
  uint64_t contentGeneration_ = 1;
};

}  // namespace torvane
