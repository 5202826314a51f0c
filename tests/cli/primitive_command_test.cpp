// torvane-cli primitive: each shape saved and read back with its counts and
// size; unknown shapes and missing arguments are usage errors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/open_model.h"
#include "core/null_progress.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;

int RunTool(std::vector<std::string> args) {
  return RunCli(args);
}

TEST(CliPrimitive, SavesEachShapeReadyToOpen) {
  const fs::path dir =
      fs::temp_directory_path() / ("torvane_primitive_" + std::to_string(getpid()));
  fs::create_directories(dir);
  struct Expected {
    const char* shape;
    uint32_t triangles;
    float maxX;
  };
  for (const Expected& e : {Expected{"cube", 12, 5.0f}, Expected{"sphere", 480, 5.0f},
                            Expected{"icosahedron", 20, 4.472f}, Expected{"torus", 800, 5.0f}}) {
    const std::string out = (dir / (std::string(e.shape) + ".tvx")).string();
    ASSERT_EQ(RunTool({"primitive", e.shape, out}), kExitSuccess) << e.shape;
    Document doc;
    NullProgress progress;
    const OpenOutcome opened = OpenModel(out, progress, doc);
    ASSERT_EQ(opened.result, kLoaded) << e.shape;
    ASSERT_EQ(doc.objects.size(), 1u) << e.shape;
    Mesh& mesh = doc.objects[0]->mesh;
    EXPECT_EQ(TriangleCount(mesh), e.triangles) << e.shape;
    EXPECT_NEAR(MeshBounds(mesh).max.x, e.maxX, 0.05f) << e.shape;
  }
  fs::remove_all(dir);

  EXPECT_EQ(RunTool({"primitive", "cone", "x.stl"}), kExitFailure);
  EXPECT_EQ(RunTool({"primitive", "cube"}), kExitFailure);
  EXPECT_EQ(RunTool({"primitive", "cube", "x.unknown"}), kExitFailure);
}

}  // namespace
}  // namespace torvane
