#include "render/render_device.h"

#include <QFile>
#include <cstdio>
#include <string>
#include <unordered_set>

#include "core/document.h"
#include "core/mesh.h"
#include "render/frame_timing.h"
#include "render/mesh_vertices.h"

// The shader resources live in the static render library; make sure they
// are registered before the first lookup.
static void InitShaderResources() {
  Q_INIT_RESOURCE(torvane_render_shaders);
}

namespace torvane {
namespace {

// A mesh's vertex buffer holds position, normal and colour per corner, as
// FillMeshVertices writes them.
constexpr VertexLayout kMeshLayout{true, true, 0};
static_assert(kMeshLayout.Stride() == kCornerVertexStride);

bool g_failLightingShaders = false;

std::string ReadShaderSource(const char* name) {
  QFile file(QStringLiteral(":/shaders/") + QString::fromLatin1(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

GLuint CompileStage(QOpenGLFunctions_3_3_Core& gl, GLenum stage, const std::string& source,
                    std::string* log) {
  if (source.empty()) {
    *log = "shader source missing";
    return 0;
  }
  GLuint shader = gl.glCreateShader(stage);
  const char* text = source.c_str();
  gl.glShaderSource(shader, 1, &text, nullptr);
  gl.glCompileShader(shader);
  GLint ok = GL_FALSE;
  gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    char buffer[1024] = {};
    gl.glGetShaderInfoLog(shader, sizeof buffer - 1, nullptr, buffer);
    *log = buffer;
    gl.glDeleteShader(shader);
    return 0;
  }
  return shader;
}

ProgramHandles BuildProgram(QOpenGLFunctions_3_3_Core& gl, const char* vertexName,
                            const char* fragmentName, std::string* log) {
  ProgramHandles handles;
  GLuint vs = CompileStage(gl, GL_VERTEX_SHADER, ReadShaderSource(vertexName), log);
  if (!vs) return handles;
  GLuint fs = CompileStage(gl, GL_FRAGMENT_SHADER, ReadShaderSource(fragmentName), log);
  if (!fs) {
    gl.glDeleteShader(vs);
    return handles;
  }
  GLuint program = gl.glCreateProgram();
  gl.glAttachShader(program, vs);
  gl.glAttachShader(program, fs);
  gl.glLinkProgram(program);
  gl.glDeleteShader(vs);
  gl.glDeleteShader(fs);
  GLint ok = GL_FALSE;
  gl.glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    char buffer[1024] = {};
    gl.glGetProgramInfoLog(program, sizeof buffer - 1, nullptr, buffer);
    *log = buffer;
    gl.glDeleteProgram(program);
    return handles;
  }
  handles.program = program;
  handles.wvp = gl.glGetUniformLocation(program, "gmatWVP");
  handles.world = gl.glGetUniformLocation(program, "gmatWorld");
  handles.power = gl.glGetUniformLocation(program, "gf4Power");
  handles.eyePosition = gl.glGetUniformLocation(program, "gf4EyePos");
  handles.forward = gl.glGetUniformLocation(program, "gf4Forward");
  handles.data = gl.glGetUniformLocation(program, "gf4Data");
  handles.flipBackFaces = gl.glGetUniformLocation(program, "gbFlipBackFaces");
  return handles;
}

}  // namespace

RenderDevice& RenderDevice::Instance() {
  // Never destroyed: its GL names belong to contexts that are gone by the
  // time static objects are torn down.
  static RenderDevice* device = new RenderDevice();
  return *device;
}

void RenderDevice::SetLightingShaderFailureForTesting(bool fail) {
  g_failLightingShaders = fail;
  RenderDevice& device = Instance();
  // Rebuild the programs on the next frame with the new rule.
  device.programsTried_ = false;
  device.fallbackReported_ = false;
  device.mesh_ = {};
  device.plain_ = {};
  device.line_ = {};
  device.image_ = {};
}

bool RenderDevice::EnsurePrograms(QOpenGLFunctions_3_3_Core& gl) {
  if (!programsTried_) {
    programsTried_ = true;
    ++contentGeneration_;
    InitShaderResources();
    std::string log;
    if (g_failLightingShaders) {
      log = "disabled for testing";
    } else {
      mesh_ = BuildProgram(gl, "mesh.vert", "mesh.frag", &log);
    }
    std::string plainLog;
    plain_ = BuildProgram(gl, "plain.vert", "plain.frag", &plainLog);
    std::string lineLog;
    line_ = BuildProgram(gl, "line.vert", "line.frag", &lineLog);
    std::string imageLog;
    image_ = BuildProgram(gl, "image.vert", "image.frag", &imageLog);
    if (!mesh_.program && !fallbackReported_) {
      fallbackReported_ = true;
      std::fprintf(stderr,
                   "Torvane: the lighting shaders could not be built (%s); meshes are drawn "
                   "with plain shading.\n",
                   log.c_str());
    }
    if (!line_.program || !plain_.program) {
      std::fprintf(stderr, "Torvane: the basic shaders could not be built (%s%s).\n",
                   plainLog.c_str(), lineLog.c_str());
    }
  }
  return line_.program != 0 && MeshProgram().program != 0;
}

RenderObject* RenderDevice::PrepareMesh(Mesh& mesh, QOpenGLFunctions_3_3_Core& gl) {
  if (mesh.cornerCount / 3 == 0) return nullptr;
  MeshEntry& entry = meshes_[&mesh];
  if (!entry.object) entry.object = std::make_unique<RenderObject>();
  if (entry.serial != mesh.serial) {
    // A different mesh at this address (the old one was freed): its buffer
    // holds someone else's corners.
    entry.serial = mesh.serial;
    mesh.renderStale = true;
  }
  RenderObject& object = *entry.object;
  if (mesh.renderStale || entry.cornerCount != mesh.cornerCount) {
    // The per-corner arrays go straight into the buffer, interleaved, in one
    // write (several threads for a large mesh) instead of being gathered into
    // separate arrays first and interleaved again.
    const bool timing = FrameTimingEnabled();
    const auto start = std::chrono::steady_clock::now();
    ++stats_.arrayBuilds;
    object.source = {};
    object.material = MeshMaterial(mesh);
    const uint32_t corners = DrawableCornerCount(mesh);
    double fillMs = 0.0;
    bool built = object.BuildVertexBuffer(gl, kMeshLayout, corners, [&](unsigned char* out) {
      const auto fillStart = std::chrono::steady_clock::now();
      FillMeshVertices(mesh, out);
      if (timing) fillMs = MillisecondsSince(fillStart);
    });
    if (built) ++stats_.bufferUploads;
    if (timing) {
      // Building is writing the corners; uploading is everything around it.
      CurrentFrameTimes().buildMs += fillMs;
      CurrentFrameTimes().uploadMs += MillisecondsSince(start) - fillMs;
    }
    entry.cornerCount = mesh.cornerCount;
    ++contentGeneration_;
    mesh.renderStale = false;
  }
  return object.HasVertexBuffer() ? &object : nullptr;
}

void RenderDevice::PruneMeshes(const Document& doc, QOpenGLFunctions_3_3_Core& gl) {
  if (meshes_.empty()) return;
  std::unordered_set<const Mesh*> live;
  for (const auto& object : doc.objects) {
    if (object) live.insert(&object->mesh);
  }
  for (auto it = meshes_.begin(); it != meshes_.end();) {
    if (live.count(it->first) == 0) {
      it->second.object->ReleaseVertexBuffer(gl);
      it = meshes_.erase(it);
      ++contentGeneration_;
    } else {
      ++it;
    }
  }
}

LineObject& RenderDevice::GridLines(int set, int part) {
  set = set == 0 ? 0 : 1;
  part = part < 0 || part > 3 ? 3 : part;
  if (!grids_[set][0]) {
    GridSet grid = set == 0 ? BuildQuadrantGrid() : BuildCentredGrid();
    for (int i = 0; i < 4; ++i) {
      LineList& lines = i < 3 ? grid.planes[i] : grid.axes;
      grids_[set][i] = std::make_unique<LineObject>();
      grids_[set][i]->SetLines(std::move(lines.positions), std::move(lines.colours));
    }
  }
  return *grids_[set][part];
}

void RenderDevice::ForgetAll() {
  ++contentGeneration_;
  programsTried_ = false;
  image_ = {};
  mesh_ = {};
  plain_ = {};
  line_ = {};
  for (auto& [mesh, entry] : meshes_)
    entry.object->ForgetVertexBuffer();
  meshes_.clear();
  for (auto& set : grids_) {
    for (auto& part : set) {
      if (part) part->ForgetVertexBuffer();
    }
  }
}

}  // namespace torvane
