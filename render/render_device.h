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
};

struct RenderStats {
  uint64_t arrayBuilds = 0;    // BuildRenderArrays calls
  uint64_t bufferUploads = 0;  // mesh vertex buffers (re)created
  uint64_t frames = 0;         // view frames drawn
};

class RenderDevice {
 public:
  static RenderDevice& Instance();

  // Builds the programs once per context group. False when not even the
  // line and plain programs could be built (nothing can be drawn then).
  bool EnsurePrograms(QOpenGLFunctions_3_3_Core& gl);
  // True when the lit shaders are in use (false: plain fallback).
  bool HasLightingShaders() const { return mesh_.program != 0; }
  const ProgramHandles& MeshProgram() const { return mesh_.program ? mesh_ : plain_; }
  const ProgramHandles& LineProgram() const { return line_; }

  // The mesh's drawable with its buffer brought up to date: render arrays and
  // buffer are rebuilt only when renderStale is set (which is then cleared).
  // Null when the mesh has no triangles or no buffer could be made.
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

  // Makes the lit shaders fail to build, so the fallback path can be tested.
  static void SetLightingShaderFailureForTesting(bool fail);

 private:
  RenderDevice() = default;

  struct MeshEntry {
    std::unique_ptr<RenderObject> object;
    uint32_t cornerCount = 0;
  };

  bool programsTried_ = false;
  bool fallbackReported_ = false;
  ProgramHandles mesh_;
  ProgramHandles plain_;
  ProgramHandles line_;
  std::unordered_map<const Mesh*, MeshEntry> meshes_;
  std::unique_ptr<LineObject> grids_[2][4];
  RenderStats stats_;
};

}  // namespace torvane
