#include "render/scene_renderer.h"

#include <algorithm>
#include <cstring>

#include "core/document.h"
#include "core/mesh.h"
#include "render/camera.h"
#include "render/grid.h"
#include "render/render_device.h"

namespace torvane {
namespace {

constexpr float kMeshPower = 20.0f;
// Edge highlights are drawn twice, shifted a little each way, so that they
// stay visible on the surface they lie in.
constexpr Vec3 kEdgeOffsetA{0.001f, 0.0001f, 0.0001f};
constexpr Vec3 kEdgeOffsetB{-0.0001f, -0.0001f, -0.0001f};
constexpr float kVertexMarkerPerspective = 0.012f;  // of the eye distance to the vertex
constexpr float kVertexMarkerPixels = 5.0f;

Colour32 ToColour32(const ColourF& c) {
  return MakeColour32(c.r, c.g, c.b, c.a);
}

void PushPoint(std::vector<float>& out, const Vec3& p) {
  out.insert(out.end(), {p.x, p.y, p.z});
}

void DrawGrid(FrameContext& frame, const ViewOptions& options) {
  RenderDevice& device = *frame.device;
  if (frame.view == kPerspectiveView) {
    if (options.gridShown) {
      for (int plane = 0; plane < 3; ++plane)
        device.GridLines(0, plane).Draw(frame);
    }
    device.GridLines(0, 3).Draw(frame);
    return;
  }
  if (options.gridShown) device.GridLines(1, PlaneOfView(frame.view)).Draw(frame);
  device.GridLines(1, 3).Draw(frame);
}

void DrawMesh(FrameContext& frame, RenderObject& mesh, const Matrix4& world,
              const ViewOptions& options) {
  RenderObject* drawable = &mesh;
  const Camera& camera = *frame.camera;
  drawable->SetExplicitWorld(world);
  drawable->fill = options.wireframe ? FillMode::kWireframe : FillMode::kSolid;
  drawable->material.power = kMeshPower;
  const Vec3& eye = camera.state.eye;
  const Vec3& forward = camera.state.forward;
  float eyePosition[4] = {eye.x, eye.y, eye.z, 0.0f};
  float forwardVector[4] = {forward.x, forward.y, forward.z, 0.0f};
  std::copy(eyePosition, eyePosition + 4, drawable->eyePosition);
  std::copy(forwardVector, forwardVector + 4, drawable->forward);
  float intensity = options.specular && !camera.state.orthographic ? 1.0f : 0.0f;
  uint32_t triangles = drawable->PrimitiveCount();

  auto pass = [&](CullMode cull, float flip, bool flipBackFaces = false) {
    drawable->cull = cull;
    drawable->flipBackFaces = flipBackFaces;
    drawable->data[0] = intensity;
    drawable->data[1] = flip;
    drawable->data[2] = 0.0f;
    drawable->data[3] = 0.0f;
    drawable->DrawWithState(frame, triangles);
    ++frame.device->stats().meshPasses;
  };
  switch (options.cullingMode) {
    case 0:
      pass(CullMode::kNone, 0.0f);
      break;
    case 2:
      if (UsesOneDoubleSidedPass(options, frame.device->FlipsBackFacesInOnePass())) {
        // Both sides at once: each triangle goes through the vertex stage
        // once instead of twice, and back-facing pixels are lit with the
        // flipped normal exactly as the back-face pass lights them.
        pass(CullMode::kNone, 0.0f, true);
      } else {
        // Back faces first, lit from their own side, then the front faces.
        pass(CullMode::kClockwise, 1.0f);
        pass(CullMode::kCounterClockwise, 0.0f);
      }
      break;
    default:
      pass(CullMode::kCounterClockwise, 0.0f);
      break;
  }
}

bool ValidVertex(const Mesh& mesh, uint32_t index) {
  return index < mesh.vertexCount;
}

// The picked triangles, edges and vertex markers of one object.
void GatherHighlights(const Camera& camera, ObjectFrame& out) {
  SceneObject& object = *out.object;
  Mesh& mesh = object.mesh;
  if (object.selectionRecords.empty() || mesh.vertexCount == 0) return;
  const Vec3* positions = mesh.positions.data();
  for (const SelectionRecord& record : object.selectionRecords) {
    const auto& i = record.indices;
    if (record.elementType == kSelectFace || record.elementType == kSelectTriangle) {
      if (!ValidVertex(mesh, i[0]) || !ValidVertex(mesh, i[1]) || !ValidVertex(mesh, i[2])) {
        continue;
      }
      Vec3 n = FaceNormal(positions[i[0]], positions[i[1]], positions[i[2]]);
      for (int k = 0; k < 3; ++k) {
        PushPoint(out.trianglePositions, positions[i[k]]);
        PushPoint(out.triangleNormals, n);
      }
    } else if (record.elementType == kSelectEdge) {
      if (!ValidVertex(mesh, i[0]) || !ValidVertex(mesh, i[1])) continue;
      PushPoint(out.edgePoints, positions[i[0]]);
      PushPoint(out.edgePoints, positions[i[1]]);
    } else if (record.elementType == kSelectVertex) {
      if (!ValidVertex(mesh, i[0])) continue;
      Vec3 p = TransformPoint(positions[i[0]], out.world);
      float size = camera.state.orthographic
                       ? kVertexMarkerPixels * camera.state.orthoScale * camera.state.zoom
                       : kVertexMarkerPerspective * Length(p - camera.state.eye);
      for (int axis = 0; axis < 3; ++axis) {
        Vec3 d;
        (axis == 0 ? d.x : axis == 1 ? d.y : d.z) = size;
        PushPoint(out.markerPoints, p - d);
        PushPoint(out.markerPoints, p + d);
      }
    }
  }
  if (!out.edgePoints.empty()) {
    out.edgeWorlds[0] = TransformMatrix(mesh.scale, mesh.rotation, mesh.position + kEdgeOffsetA);
    out.edgeWorlds[1] = TransformMatrix(mesh.scale, mesh.rotation, mesh.position + kEdgeOffsetB);
  }
}

void GatherBoundingBox(ObjectFrame& out) {
  BoundingBox box = MeshBounds(out.object->mesh);
  if (box.min.x > box.max.x) return;
  Vec3 corners[8];
  for (int c = 0; c < 8; ++c) {
    Vec3 p{(c & 1) ? box.max.x : box.min.x, (c & 2) ? box.max.y : box.min.y,
           (c & 4) ? box.max.z : box.min.z};
    corners[c] = TransformPoint(p, out.world);
  }
  for (int c = 0; c < 8; ++c) {
    for (int bit : {1, 2, 4}) {
      if (c & bit) continue;
      PushPoint(out.linePoints, corners[c]);
      PushPoint(out.linePoints, corners[c | bit]);
    }
  }
  out.lineColours.assign(out.linePoints.size() / 3, kBoundingBoxColour);
}

void GatherOutlines(ObjectFrame& out) {
  const SceneObject& object = *out.object;
  auto add = [&](const OutlineSegment& segment) {
    PushPoint(out.linePoints, segment.start);
    PushPoint(out.linePoints, segment.end);
    Colour32 c = ToColour32(segment.colour);
    out.lineColours.push_back(c);
    out.lineColours.push_back(c);
  };
  // The slots show the outline (and the shape being dragged); slots freed by
  // a history step or a deselection show the outline as its slots would,
  // its first 50 segments.
  bool slotsInUse = false;
  for (const OutlineSegment& slot : object.lineSlots) {
    if (!slot.inUse) continue;
    add(slot);
    slotsInUse = true;
  }
  if (slotsInUse) return;
  size_t shown = 0;
  for (const OutlineShape& shape : object.outlineShapes) {
    for (const OutlineSegment& segment : shape.segments) {
      if (shown++ == kLineSlotCount) return;
      add(segment);
    }
  }
}

bool HasLinesInUse(const SceneObject& object) {
  return std::any_of(object.lineSlots.begin(), object.lineSlots.end(),
                     [](const OutlineSegment& slot) { return slot.inUse; });
}

void DrawHighlights(FrameContext& frame, const ObjectFrame& item, const ViewOptions& options,
                    OverlayDrawables& overlays) {
  Camera& camera = *frame.camera;
  if (!item.trianglePositions.empty()) {
    RenderObject& tri = overlays.triangles;
    tri.source = {};
    tri.source.positions = item.trianglePositions.data();
    tri.source.normals = item.triangleNormals.data();
    tri.source.vertexCount = static_cast<uint32_t>(item.trianglePositions.size() / 3);
    if (tri.BuildVertexBuffer(*frame.gl)) {
      tri.SetExplicitWorld(item.world);
      tri.material.diffuse = kHighlightDark;
      tri.material.ambient = kHighlightDark;
      tri.material.power = kMeshPower;
      tri.cull = CullMode::kNone;
      tri.fill = options.wireframe ? FillMode::kWireframe : FillMode::kSolid;
      const Vec3& eye = camera.state.eye;
      const Vec3& forward = camera.state.forward;
      float eyePosition[4] = {eye.x, eye.y, eye.z, 0.0f};
      float forwardVector[4] = {forward.x, forward.y, forward.z, 0.0f};
      std::copy(eyePosition, eyePosition + 4, tri.eyePosition);
      std::copy(forwardVector, forwardVector + 4, tri.forward);
      tri.data[0] = options.specular && !camera.state.orthographic ? 1.0f : 0.0f;
      tri.data[1] = 0.0f;
      tri.DrawWithState(frame, tri.PrimitiveCount());
    }
  }
  if (!item.edgePoints.empty()) {
    LineObject& edges = overlays.edges;
    edges.SetLines(item.edgePoints, {});
    edges.plainColour = kHighlightBright;
    edges.explicitWorldSet = true;
    for (const Matrix4& world : item.edgeWorlds) {
      edges.explicitWorld = world;
      edges.Draw(frame);
    }
  }
  if (!item.markerPoints.empty()) {
    LineObject& markers = overlays.vertices;
    markers.SetLines(item.markerPoints, {});
    markers.plainColour = kHighlightBright;
    markers.explicitWorldSet = false;
    markers.Draw(frame);
  }
}

// 64-bit digest, eight bytes at a step (not for adversaries: the keys of
// frame images only).
struct Digest {
  uint64_t value = 0x9E3779B97F4A7C15ull;

  void Mix(uint64_t word) {
    value ^= word + 0x9E3779B97F4A7C15ull + (value << 6) + (value >> 2);
    value *= 0xFF51AFD7ED558CCDull;
    value ^= value >> 33;
  }
  void Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    Mix(size);
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      uint64_t word;
      std::memcpy(&word, p + i, 8);
      Mix(word);
    }
    uint64_t tail = 0;
    if (i < size) std::memcpy(&tail, p + i, size - i);
    Mix(tail);
  }
  template <class T>
  void Vector(const std::vector<T>& v) {
    Bytes(v.data(), v.size() * sizeof(T));
  }
  void Float(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    Mix(bits);
  }
  void Point(const Vec3& p) {
    Float(p.x);
    Float(p.y);
    Float(p.z);
  }
  void Matrix(const Matrix4& m) { Bytes(m.m.data(), m.m.size() * sizeof(float)); }
  void Colour(const ColourF& c) {
    Float(c.r);
    Float(c.g);
    Float(c.b);
    Float(c.a);
  }
};

}  // namespace

void BeginViewFrame(FrameContext& frame, int pixelWidth, int pixelHeight) {
  QOpenGLFunctions_3_3_Core& gl = *frame.gl;
  gl.glViewport(0, 0, pixelWidth, pixelHeight);
  ColourF clear = ColourToFloats(kClearColour);
  gl.glClearColor(clear.r, clear.g, clear.b, clear.a);
  gl.glClearDepth(1.0);
  gl.glClearStencil(0);
  gl.glDepthMask(GL_TRUE);
  gl.glStencilMask(0xFFFFFFFFu);
  gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  gl.glDisable(GL_SCISSOR_TEST);
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  gl.glEnable(GL_DEPTH_TEST);
  gl.glDepthFunc(GL_LEQUAL);  // a highlight drawn on its own triangle passes
  gl.glEnable(GL_MULTISAMPLE);
  ++frame.device->stats().frames;
}

void GatherScene(FrameContext& frame, Document& doc, const ViewOptions&, SceneFrame& scene) {
  frame.device->PruneMeshes(doc, *frame.gl);
  scene.count = 0;
  for (const auto& owned : doc.objects) {
    if (!owned || !IsLive(*owned)) continue;
    SceneObject& object = *owned;
    bool hasTriangles = TriangleCount(object.mesh) > 0;
    if (!hasTriangles && object.outlineShapes.empty() && !HasLinesInUse(object)) continue;
    if (scene.count == scene.objects.size()) scene.objects.emplace_back();
    ObjectFrame& item = scene.objects[scene.count++];
    item.object = &object;
    item.world = MeshTransformMatrix(object.mesh);
    item.mesh = hasTriangles ? frame.device->PrepareMesh(object.mesh, *frame.gl) : nullptr;
    item.trianglePositions.clear();
    item.triangleNormals.clear();
    item.edgePoints.clear();
    item.markerPoints.clear();
    item.linePoints.clear();
    item.lineColours.clear();
    GatherHighlights(*frame.camera, item);
    item.boundingBox = object.showBoundingBox;
    if (item.boundingBox) {
      GatherBoundingBox(item);
    } else {
      GatherOutlines(item);
    }
  }
  scene.freeLinePoints.clear();
  scene.freeLineColours.clear();
  for (const OutlineSegment& line : doc.freeLines) {
    PushPoint(scene.freeLinePoints, line.start);
    PushPoint(scene.freeLinePoints, line.end);
    const Colour32 c = ToColour32(line.colour);
    scene.freeLineColours.insert(scene.freeLineColours.end(), {c, c});
  }
}

void DrawGatheredScene(FrameContext& frame, const ViewOptions& options, const SceneFrame& scene,
                       OverlayDrawables& overlays) {
  DrawGrid(frame, options);
  for (size_t i = 0; i < scene.count; ++i) {
    const ObjectFrame& item = scene.objects[i];
    if (item.mesh) DrawMesh(frame, *item.mesh, item.world, options);
    DrawHighlights(frame, item, options, overlays);
    if (item.linePoints.empty()) continue;
    LineObject& lines = item.boundingBox ? overlays.boundingBox : overlays.outlines;
    lines.SetLines(item.linePoints, item.lineColours);
    lines.Draw(frame);
  }
  if (!scene.freeLinePoints.empty()) {
    overlays.outlines.SetLines(scene.freeLinePoints, scene.freeLineColours);
    overlays.outlines.Draw(frame);
  }
}

void DrawScene(FrameContext& frame, Document& doc, const ViewOptions& options,
               OverlayDrawables& overlays) {
  SceneFrame scene;
  GatherScene(frame, doc, options, scene);
  DrawGatheredScene(frame, options, scene, overlays);
}

// Every option changes the picture: one added to ViewOptions belongs in the
// key below too.
static_assert(sizeof(ViewOptions) == sizeof(int) + 4, "ViewOptions changed: update SceneKey");

uint64_t SceneKey(const FrameContext& frame, const ViewOptions& options, const SceneFrame& scene,
                  int pixelWidth, int pixelHeight) {
  Digest d;
  d.Mix(static_cast<uint64_t>(frame.view));
  d.Mix(static_cast<uint32_t>(pixelWidth));
  d.Mix(static_cast<uint32_t>(pixelHeight));
  d.Mix(frame.device->ContentGeneration());
  const Camera& camera = *frame.camera;
  d.Matrix(camera.view);
  d.Matrix(camera.projection);
  const CameraState& state = camera.state;
  d.Point(state.eye);
  d.Point(state.forward);
  d.Float(state.orthoScale);
  d.Float(state.zoom);
  d.Mix(state.orthographic ? 1 : 0);
  d.Mix(static_cast<uint32_t>(options.cullingMode));
  d.Mix((options.wireframe ? 1u : 0u) | (options.specular ? 2u : 0u) |
        (options.gridShown ? 4u : 0u));
  d.Mix(scene.count);
  d.Vector(scene.freeLinePoints);
  d.Vector(scene.freeLineColours);
  for (size_t i = 0; i < scene.count; ++i) {
    const ObjectFrame& item = scene.objects[i];
    d.Mix(reinterpret_cast<uintptr_t>(item.mesh));
    if (item.mesh) {
      d.Mix(item.mesh->BufferedVertexCount());
      d.Colour(item.mesh->material.diffuse);
    }
    d.Matrix(item.world);
    d.Vector(item.trianglePositions);
    d.Vector(item.triangleNormals);
    d.Vector(item.edgePoints);
    if (!item.edgePoints.empty()) {
      d.Matrix(item.edgeWorlds[0]);
      d.Matrix(item.edgeWorlds[1]);
    }
    d.Vector(item.markerPoints);
    d.Vector(item.linePoints);
    d.Vector(item.lineColours);
    d.Mix(item.boundingBox ? 1 : 0);
  }
  return d.value;
}

void DrawAxisIndicator(FrameContext& frame, int highlighted, OverlayDrawables& overlays) {
  AxisIndicator indicator = BuildAxisIndicator(*frame.camera, highlighted);
  overlays.axisIndicator.SetLines(std::move(indicator.lines.positions),
                                  std::move(indicator.lines.colours));
  Camera* viewCamera = frame.camera;
  frame.camera = &indicator.camera;
  overlays.axisIndicator.Draw(frame);
  frame.camera = viewCamera;
}

void EndViewFrame(FrameContext& frame) {
  QOpenGLFunctions_3_3_Core& gl = *frame.gl;
  // The frame is opaque whatever alpha the lighting left behind, so the
  // window shows exactly the colours drawn.
  gl.glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
  gl.glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  gl.glClear(GL_COLOR_BUFFER_BIT);
  gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  gl.glBindVertexArray(0);
  gl.glBindBuffer(GL_ARRAY_BUFFER, 0);
  gl.glUseProgram(0);
  gl.glDisable(GL_DEPTH_TEST);
  gl.glDisable(GL_CULL_FACE);
  gl.glDisable(GL_STENCIL_TEST);
  gl.glDisable(GL_BLEND);
  gl.glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  gl.glFrontFace(GL_CCW);
  gl.glDepthFunc(GL_LESS);
}

}  // namespace torvane
