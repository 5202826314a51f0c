#include "render/render_object.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLVersionFunctionsFactory>
#include <cstring>

#include "core/grow_array.h"
#include "render/camera.h"
#include "render/render_device.h"

namespace torvane {
namespace {

constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kNormalAttribute = 1;
constexpr GLuint kColourAttribute = 2;
constexpr GLuint kTexCoordAttribute = 3;

GLenum BlendToGl(BlendFactor f) {
  switch (f) {
    case BlendFactor::kZero:
      return GL_ZERO;
    case BlendFactor::kOne:
      return GL_ONE;
    case BlendFactor::kSourceColour:
      return GL_SRC_COLOR;
    case BlendFactor::kInverseSourceColour:
      return GL_ONE_MINUS_SRC_COLOR;
    case BlendFactor::kSourceAlpha:
      return GL_SRC_ALPHA;
    case BlendFactor::kInverseSourceAlpha:
      return GL_ONE_MINUS_SRC_ALPHA;
    case BlendFactor::kDestinationAlpha:
      return GL_DST_ALPHA;
    case BlendFactor::kInverseDestinationAlpha:
      return GL_ONE_MINUS_DST_ALPHA;
    case BlendFactor::kDestinationColour:
      return GL_DST_COLOR;
    case BlendFactor::kInverseDestinationColour:
      return GL_ONE_MINUS_DST_COLOR;
  }
  return GL_ONE;
}

GLenum CompareToGl(CompareFunction f) {
  static constexpr GLenum kTable[] = {GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                      GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
  uint32_t i = static_cast<uint32_t>(f);
  return i >= 1 && i <= 8 ? kTable[i - 1] : GL_ALWAYS;
}

GLenum StencilOpToGl(StencilOperation op) {
  static constexpr GLenum kTable[] = {GL_KEEP, GL_ZERO,   GL_REPLACE,   GL_INCR,
                                      GL_DECR, GL_INVERT, GL_INCR_WRAP, GL_DECR_WRAP};
  uint32_t i = static_cast<uint32_t>(op);
  return i >= 1 && i <= 8 ? kTable[i - 1] : GL_KEEP;
}

// Cull codes name the winding that is dropped; front faces are the ones that
// appear clockwise on screen.
void ApplyCull(QOpenGLFunctions_3_3_Core& gl, CullMode mode) {
  gl.glFrontFace(GL_CW);
  if (mode == CullMode::kNone) {
    gl.glDisable(GL_CULL_FACE);
    return;
  }
  gl.glEnable(GL_CULL_FACE);
  gl.glCullFace(mode == CullMode::kCounterClockwise ? GL_BACK : GL_FRONT);
}

void UploadMatrix(QOpenGLFunctions_3_3_Core& gl, GLint location, const Matrix4& m) {
  // Row-major row-vector data read as column-major: M * v in GLSL is v x M.
  if (location >= 0) gl.glUniformMatrix4fv(location, 1, GL_FALSE, m.m.data());
}

void UploadVector(QOpenGLFunctions_3_3_Core& gl, GLint location, const float v[4]) {
  if (location >= 0) gl.glUniform4fv(location, 1, v);
}

// Constant vertex attributes (for arrays an object does not have) come from
// the context's common function table.
QOpenGLFunctions& Attrib(QOpenGLFunctions_3_3_Core&) {
  return *QOpenGLContext::currentContext()->functions();
}

QOpenGLFunctions_3_3_Core* CurrentFunctions() {
  QOpenGLContext* context = QOpenGLContext::currentContext();
  if (!context) return nullptr;
  return QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context);
}

bool UploadBytes(QOpenGLFunctions_3_3_Core& gl, GLuint buffer, size_t bytes,
                 void (*fill)(void* dst, const void* ctx), const void* ctx) {
  gl.glBindBuffer(GL_ARRAY_BUFFER, buffer);
  // Clear stale errors (bounded: a lost context may keep reporting one).
  for (int i = 0; i < 16 && gl.glGetError() != GL_NO_ERROR; ++i) {
  }
  gl.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STATIC_DRAW);
  if (gl.glGetError() != GL_NO_ERROR) return false;
  void* dst = gl.glMapBufferRange(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes),
                                  GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT);
  if (!dst) return false;
  fill(dst, ctx);
  return gl.glUnmapBuffer(GL_ARRAY_BUFFER) == GL_TRUE;
}

}  // namespace

RenderObject::~RenderObject() {
  if (buffer_ == 0) return;
  if (QOpenGLFunctions_3_3_Core* gl = CurrentFunctions()) gl->glDeleteBuffers(1, &buffer_);
}

void RenderObject::SetExplicitWorld(const Matrix4& world) {
  explicitWorldSet_ = true;
  explicitWorld_ = world;
}

void RenderObject::ResetExplicitWorld() {
  explicitWorldSet_ = true;
  explicitWorld_ = Matrix4{};
}

Matrix4 RenderObject::World() const {
  if (explicitWorldSet_) return explicitWorld_;
  Matrix4 world = Multiply(scale, rotation);
  if (useExtra) world = Multiply(world, extra);
  return Multiply(world, translation);
}

void RenderObject::ReleaseVertexBuffer(QOpenGLFunctions_3_3_Core& gl) {
  if (buffer_ != 0) gl.glDeleteBuffers(1, &buffer_);
  buffer_ = 0;
  bufferedVertices_ = 0;
}

bool RenderObject::BuildVertexBuffer(QOpenGLFunctions_3_3_Core& gl) {
  const VertexSource& s = source;
  if (!s.positions || s.vertexCount == 0) {
    ReleaseVertexBuffer(gl);
    return false;
  }
  VertexLayout layout;
  layout.normals = s.normals != nullptr;
  layout.colours = s.colours != nullptr;
  layout.texSets = static_cast<uint32_t>(s.texCoords.size());
  return BuildVertexBuffer(gl, layout, s.vertexCount, [&s, &layout](unsigned char* out) {
    for (uint32_t i = 0; i < s.vertexCount; ++i) {
      std::memcpy(out, s.positions + size_t{i} * 3, 12);
      out += 12;
      if (layout.normals) {
        std::memcpy(out, s.normals + size_t{i} * 3, 12);
        out += 12;
      }
      if (layout.colours) {
        std::memcpy(out, s.colours + i, 4);
        out += 4;
      }
      for (const float* set : s.texCoords) {
        float uv[2] = {set[size_t{i} * 2], -set[size_t{i} * 2 + 1]};  // v is stored negated
        std::memcpy(out, uv, 8);
        out += 8;
      }
    }
  });
}

bool RenderObject::BuildVertexBuffer(QOpenGLFunctions_3_3_Core& gl, const VertexLayout& layout,
                                     uint32_t vertexCount,
                                     const std::function<void(unsigned char*)>& fill) {
  ReleaseVertexBuffer(gl);
  if (vertexCount == 0) return false;
  hasNormals_ = layout.normals;
  hasColours_ = layout.colours;
  texSets_ = layout.texSets;
  stride_ = layout.Stride();
  size_t bytes = size_t{stride_} * vertexCount;
  // The buffer lives in system memory on software renderers: the same guard
  // as every large allocation of the program.
  if (!MemoryGuardAllows(bytes)) return false;

  gl.glGenBuffers(1, &buffer_);
  if (buffer_ == 0) return false;
  auto write = [](void* dst, const void* ctx) {
    (*static_cast<const std::function<void(unsigned char*)>*>(ctx))(
        static_cast<unsigned char*>(dst));
  };
  if (!UploadBytes(gl, buffer_, bytes, write, &fill)) {
    gl.glBindBuffer(GL_ARRAY_BUFFER, 0);
    ReleaseVertexBuffer(gl);
    return false;
  }
  gl.glBindBuffer(GL_ARRAY_BUFFER, 0);
  bufferedVertices_ = vertexCount;
  return true;
}

void RenderObject::DrawWithState(FrameContext& frame, uint32_t primitiveCount) {
  QOpenGLFunctions_3_3_Core& gl = *frame.gl;
  if (buffer_ == 0 || primitiveCount == 0) return;
  Camera& camera = *frame.camera;
  ApplyCamera(camera);

  // 1. World.
  Matrix4 world = World();

  // 3. Blending, depth and culling.
  if (alphaBlend) {
    gl.glEnable(GL_BLEND);
    gl.glBlendEquation(GL_FUNC_ADD);
    gl.glBlendFunc(BlendToGl(sourceBlend), BlendToGl(destinationBlend));
  } else {
    gl.glDisable(GL_BLEND);
  }
  if (depthTest) {
    gl.glEnable(GL_DEPTH_TEST);
  } else {
    gl.glDisable(GL_DEPTH_TEST);
  }
  ApplyCull(gl, cull);

  // 4. Shaders and their constants.
  const ProgramHandles& program = frame.device->MeshProgram();
  gl.glUseProgram(program.program);
  UploadMatrix(gl, program.wvp, Multiply(Multiply(world, camera.view), camera.projection));
  Matrix4 inverse;
  UploadMatrix(gl, program.world,
               Invert(world, &inverse) ? Transposed(inverse) : Transposed(world));
  float power[4] = {material.power, 0, 0, 0};
  UploadVector(gl, program.power, power);
  UploadVector(gl, program.eyePosition, eyePosition);
  UploadVector(gl, program.forward, forward);
  float noLighting[4] = {0, data[1], 0, 0};
  UploadVector(gl, program.data, lit ? data : noLighting);
  if (program.flipBackFaces >= 0) gl.glUniform1i(program.flipBackFaces, flipBackFaces ? 1 : 0);

  // 5. Vertex layout, fill, stencil, depth writes, colour mask.
  gl.glBindVertexArray(frame.vertexArray);
  gl.glBindBuffer(GL_ARRAY_BUFFER, buffer_);
  const auto stride = static_cast<GLsizei>(stride_);
  size_t offset = 0;
  gl.glEnableVertexAttribArray(kPositionAttribute);
  gl.glVertexAttribPointer(kPositionAttribute, 3, GL_FLOAT, GL_FALSE, stride,
                           reinterpret_cast<const void*>(offset));
  offset += 12;
  if (hasNormals_) {
    gl.glEnableVertexAttribArray(kNormalAttribute);
    gl.glVertexAttribPointer(kNormalAttribute, 3, GL_FLOAT, GL_FALSE, stride,
                             reinterpret_cast<const void*>(offset));
    offset += 12;
  } else {
    gl.glDisableVertexAttribArray(kNormalAttribute);
    Attrib(gl).glVertexAttrib3f(kNormalAttribute, 0.0f, 0.0f, 0.0f);
  }
  if (hasColours_) {
    gl.glEnableVertexAttribArray(kColourAttribute);
    gl.glVertexAttribPointer(kColourAttribute, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                             reinterpret_cast<const void*>(offset));
    offset += 4;
  } else {
    // Without vertex colours the material's diffuse colour is drawn.
    gl.glDisableVertexAttribArray(kColourAttribute);
    Attrib(gl).glVertexAttrib4f(kColourAttribute, material.diffuse.r, material.diffuse.g,
                                material.diffuse.b, material.diffuse.a);
  }
  if (texSets_ > 0) {
    gl.glEnableVertexAttribArray(kTexCoordAttribute);
    gl.glVertexAttribPointer(kTexCoordAttribute, 2, GL_FLOAT, GL_FALSE, stride,
                             reinterpret_cast<const void*>(offset));
  } else {
    gl.glDisableVertexAttribArray(kTexCoordAttribute);
    Attrib(gl).glVertexAttrib2f(kTexCoordAttribute, 0.0f, 0.0f);
  }
  gl.glPolygonMode(GL_FRONT_AND_BACK, fill == FillMode::kWireframe ? GL_LINE : GL_FILL);
  if (stencil.enabled) {
    gl.glEnable(GL_STENCIL_TEST);
    gl.glStencilFunc(CompareToGl(stencil.function), static_cast<GLint>(stencil.reference),
                     stencil.mask);
    gl.glStencilMask(stencil.writeMask);
    gl.glStencilOp(StencilOpToGl(stencil.fail), StencilOpToGl(stencil.depthFail),
                   StencilOpToGl(stencil.pass));
  }
  gl.glDepthMask(GL_TRUE);
  if (colourMasked) {
    gl.glEnable(GL_BLEND);
    gl.glBlendFunc(GL_ZERO, GL_ONE);
  }

  // 6. Draw.
  Draw(frame, primitiveCount);

  // 7. Back to the defaults.
  ApplyCull(gl, CullMode::kCounterClockwise);
  gl.glDisable(GL_STENCIL_TEST);
  gl.glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  gl.glUseProgram(0);
  gl.glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void RenderObject::Draw(FrameContext& frame, uint32_t primitiveCount) {
  uint32_t perPrimitive = primitiveType == GL_LINES ? 2 : primitiveType == GL_POINTS ? 1 : 3;
  uint64_t vertices = uint64_t{primitiveCount} * perPrimitive;
  if (vertices > bufferedVertices_) vertices = bufferedVertices_;
  frame.gl->glDrawArrays(primitiveType, 0, static_cast<GLsizei>(vertices));
}

LineObject::~LineObject() {
  if (buffer_ == 0) return;
  if (QOpenGLFunctions_3_3_Core* gl = CurrentFunctions()) gl->glDeleteBuffers(1, &buffer_);
}

void LineObject::SetLines(std::vector<float> positions, std::vector<Colour32> colours) {
  positions_ = std::move(positions);
  colours_ = std::move(colours);
  if (colours_.size() * 3 != positions_.size()) colours_.clear();
  uploaded_ = false;
}

bool LineObject::Upload(QOpenGLFunctions_3_3_Core& gl) {
  if (buffer_ == 0) gl.glGenBuffers(1, &buffer_);
  if (buffer_ == 0) return false;
  size_t points = positions_.size() / 3;
  size_t stride = colours_.empty() ? 12 : 16;
  auto fill = [](void* dst, const void* ctx) {
    const LineObject& self = *static_cast<const LineObject*>(ctx);
    auto* out = static_cast<unsigned char*>(dst);
    size_t count = self.positions_.size() / 3;
    for (size_t i = 0; i < count; ++i) {
      std::memcpy(out, self.positions_.data() + i * 3, 12);
      out += 12;
      if (!self.colours_.empty()) {
        std::memcpy(out, self.colours_.data() + i, 4);
        out += 4;
      }
    }
  };
  uploaded_ = UploadBytes(gl, buffer_, points * stride, fill, this);
  gl.glBindBuffer(GL_ARRAY_BUFFER, 0);
  return uploaded_;
}

void LineObject::Draw(FrameContext& frame, uint32_t lineCount) {
  if (!enabled || positions_.size() < 6) return;
  QOpenGLFunctions_3_3_Core& gl = *frame.gl;
  if (!uploaded_ && !Upload(gl)) return;
  if (lineCount > LineCount()) lineCount = LineCount();
  Camera& camera = *frame.camera;
  ApplyCamera(camera);
  Matrix4 world = explicitWorldSet ? explicitWorld : Matrix4{};

  gl.glDisable(GL_BLEND);
  ApplyCull(gl, keepCulling ? CullMode::kCounterClockwise : CullMode::kNone);
  if (keepDepthTest) {
    gl.glEnable(GL_DEPTH_TEST);
  } else {
    gl.glDisable(GL_DEPTH_TEST);
  }
  const ProgramHandles& program = frame.device->LineProgram();
  gl.glUseProgram(program.program);
  UploadMatrix(gl, program.wvp, Multiply(Multiply(world, camera.view), camera.projection));

  gl.glBindVertexArray(frame.vertexArray);
  gl.glBindBuffer(GL_ARRAY_BUFFER, buffer_);
  GLsizei stride = colours_.empty() ? 12 : 16;
  gl.glEnableVertexAttribArray(kPositionAttribute);
  gl.glVertexAttribPointer(kPositionAttribute, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
  gl.glDisableVertexAttribArray(kNormalAttribute);
  gl.glDisableVertexAttribArray(kTexCoordAttribute);
  if (!colours_.empty()) {
    gl.glEnableVertexAttribArray(kColourAttribute);
    gl.glVertexAttribPointer(kColourAttribute, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                             reinterpret_cast<const void*>(size_t{12}));
  } else {
    gl.glDisableVertexAttribArray(kColourAttribute);
    Attrib(gl).glVertexAttrib4f(kColourAttribute, plainColour.r, plainColour.g, plainColour.b,
                                plainColour.a);
  }
  gl.glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(lineCount * 2));

  ApplyCull(gl, CullMode::kCounterClockwise);
  gl.glEnable(GL_DEPTH_TEST);
  gl.glUseProgram(0);
  gl.glBindBuffer(GL_ARRAY_BUFFER, 0);
}

}  // namespace torvane
