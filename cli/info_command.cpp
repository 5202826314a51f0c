// torvane-cli info FILE... [--json]: opens each file as the program's Open
// does and prints its file type, every object's id, name, vertex and
// triangle counts and world bounds, and the totals; with --json one JSON
// object per file and line. Exit status: 2 when any file failed, 1 on
// Ctrl-C, else 0.
#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/open_model.h"
#include "core/mesh.h"
#include "formats/model_file.h"

namespace torvane {
namespace {

struct ObjectSummary {
  uint32_t id = 0;
  std::string name;
  uint32_t vertices = 0;
  uint32_t triangles = 0;
  Vec3 min;
  Vec3 max;
};

// The object-space box's eight corners through the world matrix.
BoundingBox WorldBounds(SceneObject& object) {
  const BoundingBox box = MeshBounds(object.mesh);
  BoundingBox world{{FLT_MAX, FLT_MAX, FLT_MAX}, {-FLT_MAX, -FLT_MAX, -FLT_MAX}};
  for (int corner = 0; corner < 8; ++corner) {
    const Vec3 p{corner & 1 ? box.max.x : box.min.x, corner & 2 ? box.max.y : box.min.y,
                 corner & 4 ? box.max.z : box.min.z};
    const Vec3 q = TransformPoint(p, object.worldMatrix);
    world.min = {std::min(world.min.x, q.x), std::min(world.min.y, q.y),
                 std::min(world.min.z, q.z)};
    world.max = {std::max(world.max.x, q.x), std::max(world.max.y, q.y),
                 std::max(world.max.z, q.z)};
  }
  return world;
}

std::vector<ObjectSummary> SummariseObjects(Document& document) {
  std::vector<ObjectSummary> objects;
  for (auto& object : document.objects) {
    if (!object || !IsLive(*object)) continue;
    ObjectSummary summary;
    summary.id = object->id;
    summary.name =
        object->mesh.name.empty() ? object->metadata.GetOr("ObjectName", "") : object->mesh.name;
    summary.vertices = object->mesh.vertexCount;
    summary.triangles = TriangleCount(object->mesh);
    const BoundingBox bounds = WorldBounds(*object);
    summary.min = bounds.min;
    summary.max = bounds.max;
    objects.push_back(summary);
  }
  return objects;
}

std::string JsonVec3(const Vec3& v) {
  return "[" + JsonNumber(v.x) + ", " + JsonNumber(v.y) + ", " + JsonNumber(v.z) + "]";
}

std::string TextVec3(const Vec3& v) {
  char text[96];
  std::snprintf(text, sizeof(text), "(%.9g, %.9g, %.9g)", v.x, v.y, v.z);
  return text;
}

void PrintJson(const std::string& path, const OpenOutcome& outcome,
               const std::vector<ObjectSummary>& objects, const std::string& message) {
  uint64_t vertices = 0, triangles = 0;
  std::string line =
      "{\"file\": " + JsonString(path) + ", \"result\": " + std::to_string(int(outcome.result)) +
      ", \"fileType\": " + std::to_string(outcome.fileType) +
      ", \"description\": " + JsonString(FormatDescription(outcome.fileType)) + ", \"objects\": [";
  for (size_t i = 0; i < objects.size(); ++i) {
    const ObjectSummary& o = objects[i];
    vertices += o.vertices;
    triangles += o.triangles;
    line += (i ? ", " : "");
    line += "{\"id\": " + std::to_string(o.id) + ", \"name\": " + JsonString(o.name) +
            ", \"vertices\": " + std::to_string(o.vertices) +
            ", \"triangles\": " + std::to_string(o.triangles) + ", \"min\": " + JsonVec3(o.min) +
            ", \"max\": " + JsonVec3(o.max) + "}";
  }
  line += "], \"vertices\": " + std::to_string(vertices) +
          ", \"triangles\": " + std::to_string(triangles);
  if (!message.empty()) line += ", \"message\": " + JsonString(message);
  line += "}\n";
  std::fputs(line.c_str(), stdout);
}

void PrintText(const std::string& path, const OpenOutcome& outcome,
               const std::vector<ObjectSummary>& objects) {
  uint64_t vertices = 0, triangles = 0;
  std::printf("%s\n  File type: %d %s\n", path.c_str(), outcome.fileType,
              FormatDescription(outcome.fileType).c_str());
  for (const ObjectSummary& o : objects) {
    vertices += o.vertices;
    triangles += o.triangles;
    std::printf("  Object %u \"%s\": %u vertices, %u triangles, bounds %s - %s\n", o.id,
                o.name.c_str(), o.vertices, o.triangles, TextVec3(o.min).c_str(),
                TextVec3(o.max).c_str());
  }
  std::printf("  Total: %zu object%s, %llu vertices, %llu triangles\n", objects.size(),
              objects.size() == 1 ? "" : "s", static_cast<unsigned long long>(vertices),
              static_cast<unsigned long long>(triangles));
}

}  // namespace

int RunInfo(std::span<const std::string> args, TerminalProgress& progress) {
  const CliCommand& self = *FindCliCommand("info");
  bool json = false;
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError(self, "unknown option '" + arg + "'");
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) return UsageError(self, "no file given");

  int exitCode = kExitSuccess;
  for (const std::string& path : files) {
    Document document;
    const OpenOutcome outcome = OpenModel(path, progress, document);
    progress.Clear();
    if (outcome.result == kCancelled) {
      std::fprintf(stderr, "Cancelled\n");
      return kExitCancelled;
    }
    const std::string message = OpenMessage(outcome, path);
    const std::vector<ObjectSummary> objects = SummariseObjects(document);
    if (json) {
      PrintJson(path, outcome, objects, message);
    } else if (outcome.result == kLoaded) {
      PrintText(path, outcome, objects);
    }
    std::fflush(stdout);
    if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
    if (OpenExitCode(outcome) != kExitSuccess) exitCode = kExitFailure;
  }
  return exitCode;
}

}  // namespace torvane
