// The drawables of the views. RenderObject is a triangle list with its own
// vertex buffer (position, normal, colour, texture sets, tightly packed in
// that order), its world matrix (scale x rotation x extra x translation, or an
// explicit world), its material and every piece of draw state (cull, fill,
// blend, depth, stencil), all applied in one place, DrawWithState. LineObject
// is a coloured line list drawn over the meshes (no depth test unless kept).
//
// Vertex buffers are created in the shared context group, so every view
// draws from the same buffers; the per-context vertex array comes with the
// frame.
#pragma once

#include <QOpenGLFunctions_3_3_Core>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/colour32.h"
#include "core/matrix4.h"

namespace torvane {

class RenderDevice;
struct Camera;

// Numbers follow the classic cull and fill codes.
enum class CullMode : uint32_t { kNone = 1, kClockwise = 2, kCounterClockwise = 3 };
enum class FillMode : uint32_t { kWireframe = 2, kSolid = 3 };
enum class BlendFactor : uint32_t {
  kZero = 1,
  kOne = 2,
  kSourceColour = 3,
  kInverseSourceColour = 4,
  kSourceAlpha = 5,
  kInverseSourceAlpha = 6,
  kDestinationAlpha = 7,
  kInverseDestinationAlpha = 8,
  kDestinationColour = 9,
  kInverseDestinationColour = 10,
};
enum class CompareFunction : uint32_t {
  kNever = 1,
  kLess = 2,
  kEqual = 3,
  kLessEqual = 4,
  kGreater = 5,
  kNotEqual = 6,
  kGreaterEqual = 7,
  kAlways = 8,
};
enum class StencilOperation : uint32_t {
  kKeep = 1,
  kZero = 2,
  kReplace = 3,
  kIncrementClamp = 4,
  kDecrementClamp = 5,
  kInvert = 6,
  kIncrement = 7,
  kDecrement = 8,
};

struct StencilState {
  bool enabled = false;
  uint32_t mask = 0xFFFFFFFFu;
  uint32_t reference = 0;
  uint32_t writeMask = 0xFFFFFFFFu;
  CompareFunction function = CompareFunction::kAlways;
  StencilOperation pass = StencilOperation::kKeep;
  StencilOperation fail = StencilOperation::kKeep;
  StencilOperation depthFail = StencilOperation::kKeep;
};

struct Material {
  ColourF diffuse{0, 0, 0, 0};
  ColourF ambient{1, 1, 1, 1};
  ColourF specular{0, 0, 0, 0};
  ColourF emissive{0, 0, 0, 0};
  float power = 0.0f;
};

// What one view's frame draws with: the context's functions and vertex
// array, the shared device, and the camera in the view's mode.
struct FrameContext {
  QOpenGLFunctions_3_3_Core* gl = nullptr;
  RenderDevice* device = nullptr;
  Camera* camera = nullptr;
  GLuint vertexArray = 0;
  int view = 0;
};

// Optional source arrays, one entry per vertex; the caller keeps them alive
// until BuildVertexBuffer has run.
struct VertexSource {
  const float* positions = nullptr;     // 3 floats a vertex
  const float* normals = nullptr;       // 3 floats a vertex
  const Colour32* colours = nullptr;    // ARGB
  std::vector<const float*> texCoords;  // per set: u, v a vertex
  uint32_t vertexCount = 0;
};

// Which arrays a vertex buffer interleaves after the position, in this order:
// normal (3 floats), colour (ARGB), texture sets (u, v each).
struct VertexLayout {
  bool normals = false;
  bool colours = false;
  uint32_t texSets = 0;
  constexpr uint32_t Stride() const {
    return 12 + (normals ? 12 : 0) + (colours ? 4 : 0) + 8 * texSets;
  }
};

class RenderObject {
 public:
  RenderObject() = default;
  virtual ~RenderObject();
  RenderObject(const RenderObject&) = delete;
  RenderObject& operator=(const RenderObject&) = delete;

  VertexSource source;
  GLenum primitiveType = GL_TRIANGLES;
  Matrix4 scale;
  Matrix4 rotation;
  Matrix4 translation;
  Matrix4 extra;
  bool useExtra = false;
  StencilState stencil;
  Material material;
  FillMode fill = FillMode::kSolid;
  CullMode cull = CullMode::kCounterClockwise;
  bool lit = true;
  bool alphaBlend = false;
  BlendFactor sourceBlend = BlendFactor::kSourceAlpha;
  BlendFactor destinationBlend = BlendFactor::kInverseSourceAlpha;
  bool colourMasked = false;  // depth written, colour not
  bool depthTest = true;
  // Lighting constants the mesh draw sets before each pass.
  float eyePosition[4] = {0, 0, 0, 0};
  float forward[4] = {0, 0, 1, 0};
  float data[4] = {0, 0, 0, 0};  // specular intensity, flip normals
  // Back-facing pixels lit with flipped normals in the same pass (lit
  // program only; used with cull none to draw both sides at once).
  bool flipBackFaces = false;

  void SetExplicitWorld(const Matrix4& world);
  void ResetExplicitWorld();  // identity
  Matrix4 World() const;

  // (Re)creates the vertex buffer from `source`; false leaves the object
  // without a buffer (it is then not drawn).
  bool BuildVertexBuffer(QOpenGLFunctions_3_3_Core& gl);
  // (Re)creates the vertex buffer with `vertexCount` vertices of `layout`,
  // written by `fill` into the mapped buffer (Stride() x vertexCount bytes).
  // False (no buffer) when the memory guard or OpenGL refuses the size.
  bool BuildVertexBuffer(QOpenGLFunctions_3_3_Core& gl, const VertexLayout& layout,
                         uint32_t vertexCount, const std::function<void(unsigned char*)>& fill);
  bool HasVertexBuffer() const { return buffer_ != 0; }
  uint32_t BufferedVertexCount() const { return bufferedVertices_; }
  uint32_t PrimitiveCount() const { return bufferedVertices_ / 3; }
  void ReleaseVertexBuffer(QOpenGLFunctions_3_3_Core& gl);
  // After the context group was lost: the names mean nothing any more.
  void ForgetVertexBuffer() { buffer_ = 0, bufferedVertices_ = 0; }

  // Applies every piece of state, binds the shaders and constants, draws
  // through Draw and restores the defaults.
  void DrawWithState(FrameContext& frame, uint32_t primitiveCount);

 protected:
  virtual void Draw(FrameContext& frame, uint32_t primitiveCount);

 private:
  GLuint buffer_ = 0;
  uint32_t bufferedVertices_ = 0;
  bool hasNormals_ = false;
  bool hasColours_ = false;
  uint32_t texSets_ = 0;
  uint32_t stride_ = 12;
  bool explicitWorldSet_ = false;
  Matrix4 explicitWorld_;
};

class LineObject {
 public:
  LineObject() = default;
  ~LineObject();
  LineObject(const LineObject&) = delete;
  LineObject& operator=(const LineObject&) = delete;

  bool explicitWorldSet = false;
  Matrix4 explicitWorld;
  bool keepCulling = false;
  bool keepDepthTest = false;
  bool enabled = true;
  ColourF plainColour{1, 1, 1, 1};  // used when the lines carry no colours

  // Replaces the lines (two points a line; colours optional, one a point).
  void SetLines(std::vector<float> positions, std::vector<Colour32> colours);
  void Clear() { SetLines({}, {}); }
  const std::vector<float>& positions() const { return positions_; }
  uint32_t LineCount() const { return static_cast<uint32_t>(positions_.size() / 6); }

  // Draws the first `lineCount` lines (all with the default).
  void Draw(FrameContext& frame, uint32_t lineCount = 0xFFFFFFFFu);
  void ForgetVertexBuffer() { buffer_ = 0, uploaded_ = false; }

 private:
  bool Upload(QOpenGLFunctions_3_3_Core& gl);

  std::vector<float> positions_;
  std::vector<Colour32> colours_;
  GLuint buffer_ = 0;
  bool uploaded_ = false;
};

}  // namespace torvane
