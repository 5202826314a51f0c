// FrameImage: a view's drawn scene kept as an image, so that a frame in which
// nothing of the scene changed (the pointer moving over the axis indicator, a
// hint fading, the status text, the window uncovered) copies the image back
// instead of drawing every triangle again. On a software renderer a scene of
// millions of triangles costs a large part of a second per view; the copy
// costs a pass over the view's pixels, whatever the model.
//
// The image holds the scene only (grid, objects, overlays), keyed by
// SceneKey; the axis indicator and the labels are drawn over it each frame.
// Its depth is not kept: only drawing without depth test may follow a
// restored image.
#pragma once

#include <QOpenGLFunctions_3_3_Core>
#include <cstdint>

namespace torvane {

struct FrameContext;

struct FrameImage {
  GLuint framebuffer = 0;
  GLuint texture = 0;
  int width = 0;
  int height = 0;
  uint64_t key = 0;
  bool valid = false;
};

// True when the image holds the frame of `key` at this size.
inline bool FrameImageMatches(const FrameImage& image, uint64_t key, int width, int height) {
  return image.valid && image.key == key && image.width == width && image.height == height;
}

// Copies the colour of `source` (the view's framebuffer, multisampled or
// not) into the image under `key`, and binds `source` again. False (image
// invalid) when the copy could not be made.
bool KeepFrameImage(FrameContext& frame, FrameImage& image, GLuint source, int width, int height,
                    uint64_t key);

// Draws the image over the whole viewport of the current framebuffer. False
// when there is no image program (nothing is drawn then).
bool RestoreFrameImage(FrameContext& frame, const FrameImage& image);

// Deletes the GL objects (the image's context must be current).
void ReleaseFrameImage(QOpenGLFunctions_3_3_Core& gl, FrameImage& image);

}  // namespace torvane
