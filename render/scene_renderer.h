// One view's frame of the scene: the grid, every live object (mesh, then its
// selection overlays, then its outline lines) and, in the perspective view,
// the axis indicator. The camera must already be in the view's mode with the
// view's viewport.
//
// A frame is gathered first (mesh buffers brought up to date, overlay
// geometry collected) and drawn second; the key of the gathered frame tells
// whether it would draw exactly what the view's kept image already shows.
//
// Inputs: the document, the display options and the view's reusable overlay
// drawables. Output: GL drawing into the current framebuffer.
#pragma once

#include <cstdint>
#include <vector>

#include "core/colour32.h"
#include "core/matrix4.h"
#include "render/axis_indicator.h"
#include "render/render_object.h"

namespace torvane {

struct Document;
struct SceneObject;

// How the views draw meshes and grids (the view settings).
struct ViewOptions {
  int cullingMode = 2;  // 0 cull nothing, 1 cull back faces, 2 double sided
  bool wireframe = false;
  bool specular = true;
  bool gridShown = true;
};

inline constexpr ColourF kHighlightBright{0.0f, 1.0f, 0.0f, 1.0f};
inline constexpr ColourF kHighlightDark{0.0f, 0.392f, 0.0f, 1.0f};
inline constexpr Colour32 kBoundingBoxColour = 0xFFFFFFFFu;
inline constexpr Colour32 kClearColour = 0xFF50505Au;

// Drawables rebuilt every frame for one view; kept to reuse their buffers.
struct OverlayDrawables {
  RenderObject triangles;
  LineObject edges;
  LineObject vertices;
  LineObject boundingBox;
  LineObject outlines;
  LineObject axisIndicator;
};

// What one object puts into a view's frame, gathered before anything is
// drawn: its mesh drawable and world, and the overlay geometry (picked
// triangles, picked edges with their two shifted worlds, vertex markers, and
// the bounding box or outline lines).
struct ObjectFrame {
  SceneObject* object = nullptr;
  RenderObject* mesh = nullptr;  // null: no triangles or no buffer
  Matrix4 world;
  std::vector<float> trianglePositions;
  std::vector<float> triangleNormals;
  std::vector<float> edgePoints;
  Matrix4 edgeWorlds[2];
  std::vector<float> markerPoints;
  std::vector<float> linePoints;
  std::vector<Colour32> lineColours;
  bool boundingBox = false;  // the lines are the bounding box (else outlines)
};

// One view's gathered scene; kept between frames to reuse the vectors.
struct SceneFrame {
  std::vector<ObjectFrame> objects;
  size_t count = 0;  // objects[0, count) belong to this frame
  // Lines apart from any object (the 2D selection rectangle).
  std::vector<float> freeLinePoints;
  std::vector<Colour32> freeLineColours;
};

// "Draw double sided" draws both sides in one pass when the program can flip
// back-face normals per pixel and the fill is solid. Wire frame keeps the two
// passes: there a front and a back triangle draw the very same edge pixels,
// and the front face's colour must win as it does when it is drawn last.
inline bool UsesOneDoubleSidedPass(const ViewOptions& options, bool programFlipsBackFaces) {
  return options.cullingMode == 2 && !options.wireframe && programFlipsBackFaces;
}

// Clears to the background colour and resets the depth and stencil buffers.
void BeginViewFrame(FrameContext& frame, int pixelWidth, int pixelHeight);

// Draws the grid and all objects of `doc` into the current frame.
void DrawScene(FrameContext& frame, Document& doc, const ViewOptions& options,
               OverlayDrawables& overlays);

// The two halves of DrawScene. GatherScene brings the mesh buffers up to
// date and collects everything the frame will draw; DrawGatheredScene draws
// it (the camera must not change in between).
void GatherScene(FrameContext& frame, Document& doc, const ViewOptions& options, SceneFrame& scene);
void DrawGatheredScene(FrameContext& frame, const ViewOptions& options, const SceneFrame& scene,
                       OverlayDrawables& overlays);

// A digest of everything a gathered frame draws: the view and its pixel
// size, the camera's matrices and lighting inputs, the options, the device's
// content generation, and each object's drawable, world and overlay
// geometry. Equal keys mean equal frames.
uint64_t SceneKey(const FrameContext& frame, const ViewOptions& options, const SceneFrame& scene,
                  int pixelWidth, int pixelHeight);

// The perspective view's axis indicator (`highlighted` 0..2 or -1).
void DrawAxisIndicator(FrameContext& frame, int highlighted, OverlayDrawables& overlays);

// Leaves the GL state as text painting expects it.
void EndViewFrame(FrameContext& frame);

}  // namespace torvane
