#include "render/frame_image.h"

#include "render/render_device.h"
#include "render/render_object.h"

namespace torvane {
namespace {

void ClearErrors(QOpenGLFunctions_3_3_Core& gl) {
  for (int i = 0; i < 16 && gl.glGetError() != GL_NO_ERROR; ++i) {
  }
}

// (Re)creates the texture and its framebuffer at the image's size.
bool MakeTarget(QOpenGLFunctions_3_3_Core& gl, FrameImage& image, int width, int height) {
  if (image.texture != 0 && image.width == width && image.height == height) return true;
  ReleaseFrameImage(gl, image);
  gl.glGenTextures(1, &image.texture);
  gl.glBindTexture(GL_TEXTURE_2D, image.texture);
  gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  gl.glBindTexture(GL_TEXTURE_2D, 0);
  gl.glGenFramebuffers(1, &image.framebuffer);
  gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, image.framebuffer);
  gl.glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, image.texture,
                            0);
  bool complete = gl.glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  image.width = width;
  image.height = height;
  return complete;
}

}  // namespace

bool KeepFrameImage(FrameContext& frame, FrameImage& image, GLuint source, int width, int height,
                    uint64_t key) {
  QOpenGLFunctions_3_3_Core& gl = *frame.gl;
  image.valid = false;
  if (width <= 0 || height <= 0 || frame.device->ImageProgram().program == 0) return false;
  ClearErrors(gl);
  bool made = MakeTarget(gl, image, width, height);
  if (made) {
    gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
    gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, image.framebuffer);
    gl.glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  }
  gl.glBindFramebuffer(GL_FRAMEBUFFER, source);
  image.valid = made && gl.glGetError() == GL_NO_ERROR;
  image.key = key;
  return image.valid;
}

bool RestoreFrameImage(FrameContext& frame, const FrameImage& image) {
  QOpenGLFunctions_3_3_Core& gl = *frame.gl;
  const ProgramHandles& program = frame.device->ImageProgram();
  if (program.program == 0 || !image.valid) return false;
  gl.glDisable(GL_DEPTH_TEST);
  gl.glDisable(GL_BLEND);
  gl.glDisable(GL_CULL_FACE);
  gl.glDisable(GL_STENCIL_TEST);
  gl.glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  gl.glUseProgram(program.program);
  gl.glActiveTexture(GL_TEXTURE0);
  gl.glBindTexture(GL_TEXTURE_2D, image.texture);
  gl.glBindVertexArray(frame.vertexArray);
  for (GLuint attribute = 0; attribute < 4; ++attribute)
    gl.glDisableVertexAttribArray(attribute);
  gl.glDrawArrays(GL_TRIANGLES, 0, 3);
  gl.glBindTexture(GL_TEXTURE_2D, 0);
  gl.glUseProgram(0);
  gl.glEnable(GL_DEPTH_TEST);
  return true;
}

void ReleaseFrameImage(QOpenGLFunctions_3_3_Core& gl, FrameImage& image) {
  if (image.framebuffer != 0) gl.glDeleteFramebuffers(1, &image.framebuffer);
  if (image.texture != 0) gl.glDeleteTextures(1, &image.texture);
  image = FrameImage{};
}

}  // namespace torvane
