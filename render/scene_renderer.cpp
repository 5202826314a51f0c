#include "render/scene_renderer.h"

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

void DrawMesh(FrameContext& frame, SceneObject& object, const ViewOptions& options) {
  RenderObject* drawable = frame.device->PrepareMesh(object.mesh, *frame.gl);
  if (!drawable) return;
  const Camera& camera = *frame.camera;
  drawable->SetExplicitWorld(MeshTransformMatrix(object.mesh));
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

  auto pass = [&](CullMode cull, float flip) {
    drawable->cull = cull;
    drawable->data[0] = intensity;
    drawable->data[1] = flip;
    drawable->data[2] = 0.0f;
    drawable->data[3] = 0.0f;
    drawable->DrawWithState(frame, triangles);
  };
  switch (options.cullingMode) {
    case 0:
      pass(CullMode::kNone, 0.0f);
      break;
    case 2:
      // Back faces first, lit from their own side, then the front faces.
      pass(CullMode::kClockwise, 1.0f);
      pass(CullMode::kCounterClockwise, 0.0f);
      break;
    default:
      pass(CullMode::kCounterClockwise, 0.0f);
      break;
  }
}

bool ValidVertex(const Mesh& mesh, uint32_t index) {
  return index < mesh.vertexCount;
}

void DrawHighlights(FrameContext& frame, SceneObject& object, const ViewOptions& options,
                    OverlayDrawables& overlays) {
  Mesh& mesh = object.mesh;
  if (object.selectionRecords.empty() || mesh.vertexCount == 0) return;
  const Vec3* positions = mesh.positions.data();
  Matrix4 world = MeshTransformMatrix(mesh);
  Camera& camera = *frame.camera;

  overlays.trianglePositions.clear();
  overlays.triangleNormals.clear();
  std::vector<float> edgePoints;
  std::vector<float> markerPoints;
  for (const SelectionRecord& record : object.selectionRecords) {
    const auto& i = record.indices;
    if (record.elementType == kSelectFace || record.elementType == kSelectTriangle) {
      if (!ValidVertex(mesh, i[0]) || !ValidVertex(mesh, i[1]) || !ValidVertex(mesh, i[2])) {
        continue;
      }
      Vec3 n = FaceNormal(positions[i[0]], positions[i[1]], positions[i[2]]);
      for (int k = 0; k < 3; ++k) {
        PushPoint(overlays.trianglePositions, positions[i[k]]);
        PushPoint(overlays.triangleNormals, n);
      }
    } else if (record.elementType == kSelectEdge) {
      if (!ValidVertex(mesh, i[0]) || !ValidVertex(mesh, i[1])) continue;
      PushPoint(edgePoints, positions[i[0]]);
      PushPoint(edgePoints, positions[i[1]]);
    } else if (record.elementType == kSelectVertex) {
      if (!ValidVertex(mesh, i[0])) continue;
      Vec3 p = TransformPoint(positions[i[0]], world);
      float size = camera.state.orthographic
                       ? kVertexMarkerPixels * camera.state.orthoScale * camera.state.zoom
                       : kVertexMarkerPerspective * Length(p - camera.state.eye);
      for (int axis = 0; axis < 3; ++axis) {
        Vec3 d;
        (axis == 0 ? d.x : axis == 1 ? d.y : d.z) = size;
        PushPoint(markerPoints, p - d);
        PushPoint(markerPoints, p + d);
      }
    }
  }

  if (!overlays.trianglePositions.empty()) {
    RenderObject& tri = overlays.triangles;
    tri.source = {};
    tri.source.positions = overlays.trianglePositions.data();
    tri.source.normals = overlays.triangleNormals.data();
    tri.source.vertexCount = static_cast<uint32_t>(overlays.trianglePositions.size() / 3);
    if (tri.BuildVertexBuffer(*frame.gl)) {
      tri.SetExplicitWorld(world);
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
  if (!edgePoints.empty()) {
    LineObject& edges = overlays.edges;
    edges.SetLines(std::move(edgePoints), {});
    edges.plainColour = kHighlightBright;
    edges.explicitWorldSet = true;
    for (const Vec3& offset : {kEdgeOffsetA, kEdgeOffsetB}) {
      edges.explicitWorld = TransformMatrix(mesh.scale, mesh.rotation, mesh.position + offset);
      edges.Draw(frame);
    }
  }
  if (!markerPoints.empty()) {
    LineObject& markers = overlays.vertices;
    markers.SetLines(std::move(markerPoints), {});
    markers.plainColour = kHighlightBright;
    markers.explicitWorldSet = false;
    markers.Draw(frame);
  }
}

void DrawBoundingBox(FrameContext& frame, SceneObject& object, OverlayDrawables& overlays) {
  BoundingBox box = MeshBounds(object.mesh);
  if (box.min.x > box.max.x) return;
  Matrix4 world = MeshTransformMatrix(object.mesh);
  Vec3 corners[8];
  for (int c = 0; c < 8; ++c) {
    Vec3 p{(c & 1) ? box.max.x : box.min.x, (c & 2) ? box.max.y : box.min.y,
           (c & 4) ? box.max.z : box.min.z};
    corners[c] = TransformPoint(p, world);
  }
  std::vector<float> points;
  for (int c = 0; c < 8; ++c) {
    for (int bit : {1, 2, 4}) {
      if (c & bit) continue;
      PushPoint(points, corners[c]);
      PushPoint(points, corners[c | bit]);
    }
  }
  std::vector<Colour32> colours(points.size() / 3, kBoundingBoxColour);
  overlays.boundingBox.SetLines(std::move(points), std::move(colours));
  overlays.boundingBox.Draw(frame);
}

void DrawOutlines(FrameContext& frame, SceneObject& object, OverlayDrawables& overlays) {
  std::vector<float> points;
  std::vector<Colour32> colours;
  auto add = [&](const OutlineSegment& segment) {
    PushPoint(points, segment.start);
    PushPoint(points, segment.end);
    Colour32 c = ToColour32(segment.colour);
    colours.push_back(c);
    colours.push_back(c);
  };
  for (const OutlineShape& shape : object.outlineShapes) {
    for (const OutlineSegment& segment : shape.segments)
      add(segment);
  }
  for (const OutlineSegment& slot : object.lineSlots) {
    if (slot.inUse) add(slot);
  }
  if (points.empty()) return;
  overlays.outlines.SetLines(std::move(points), std::move(colours));
  overlays.outlines.Draw(frame);
}

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

void DrawScene(FrameContext& frame, Document& doc, const ViewOptions& options,
               OverlayDrawables& overlays) {
  frame.device->PruneMeshes(doc, *frame.gl);
  DrawGrid(frame, options);
  for (const auto& owned : doc.objects) {
    if (!owned || !IsLive(*owned)) continue;
    SceneObject& object = *owned;
    bool hasTriangles = TriangleCount(object.mesh) > 0;
    if (!hasTriangles && object.outlineShapes.empty()) continue;
    if (hasTriangles) DrawMesh(frame, object, options);
    DrawHighlights(frame, object, options, overlays);
    if (object.showBoundingBox) {
      DrawBoundingBox(frame, object, overlays);
    } else {
      DrawOutlines(frame, object, overlays);
    }
  }
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
