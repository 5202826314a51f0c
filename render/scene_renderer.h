// One view's frame of the scene: the grid, every live object (mesh, then its
// selection overlays, then its outline lines) and, in the perspective view,
// the axis indicator. The camera must already be in the view's mode with the
// view's viewport.
//
// Inputs: the document, the display options and the view's reusable overlay
// drawables. Output: GL drawing into the current framebuffer.
#pragma once

#include "core/colour32.h"
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
  std::vector<float> trianglePositions;
  std::vector<float> triangleNormals;
  LineObject edges;
  LineObject vertices;
  LineObject boundingBox;
  LineObject outlines;
  LineObject axisIndicator;
};

// Clears to the background colour and resets the depth and stencil buffers.
void BeginViewFrame(FrameContext& frame, int pixelWidth, int pixelHeight);

// Draws the grid and all objects of `doc` into the current frame.
void DrawScene(FrameContext& frame, Document& doc, const ViewOptions& options,
               OverlayDrawables& overlays);

// The perspective view's axis indicator (`highlighted` 0..2 or -1).
void DrawAxisIndicator(FrameContext& frame, int highlighted, OverlayDrawables& overlays);

// Leaves the GL state as text painting expects it.
void EndViewFrame(FrameContext& frame);

}  // namespace torvane
