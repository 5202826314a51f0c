// torvane-cli outline: each shape and conversion written to a file that
// opens again with the triangle count the drawing implies, and bad
// arguments answered with the usage and exit status 2.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/open_model.h"
#include "core/mesh.h"
#include "core/null_progress.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;

class OutlineCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("torvane_outline_cli_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The exit status; stderr goes to err.txt.
  int Run(const std::string& args) const {
    const std::string command = std::string(TORVANE_BINARY_DIR "/cli/torvane-cli ") + args +
                                " > /dev/null 2> " + (dir_ / "err.txt").string();
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  uint32_t TrianglesIn(const std::string& name) const {
    Document doc;
    NullProgress progress;
    if (OpenModel((dir_ / name).string(), progress, doc).result != kLoaded) return 0;
    uint32_t total = 0;
    for (const auto& object : doc.objects)
      total += TriangleCount(object->mesh);
    return total;
  }

  std::string Out(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(OutlineCliTest, EveryShapeAndConversionSavesTheSolid) {
  struct Case {
    std::string args;
    uint32_t triangles;
  } cases[] = {
      // 24 + 24 face triangles and 52 wall triangles.
      {"front circle 0 0 5 extrude 2", 100},
      // 2 face triangles each side, 8 wall triangles.
      {"right rectangle 0 0 3 2 extrude 1", 12},
      {"top ellipse -2 -1 4 3 extrude 0.5", 100},
      // Two rings stitched (50) and capped (2 x 23).
      {"front rectangle 0 0 8 2 slices vertical", 96},
      // Three legs of the U: three capped cylinders.
      {"front line 0 0 6 0 6 4 4 4 4 1 2 1 2 4 0 4 slices vertical", 288},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string out = "solid" + std::to_string(n++) + ".stl";
    ASSERT_EQ(Run("outline " + c.args + " " + Out(out)), 0) << c.args;
    EXPECT_EQ(TrianglesIn(out), c.triangles) << c.args;
  }
  ASSERT_EQ(Run("outline top circle 1 1 5 slices horizontal " + Out("sphere.stl")), 0);
  EXPECT_EQ(TrianglesIn("sphere.stl") % 25, 0u);
}

TEST_F(OutlineCliTest, BadArgumentsShowTheUsageAndExit2) {
  const char* bad[] = {
      "outline",
      "outline side circle 0 0 1 extrude 1 x.stl",
      "outline front square 0 0 1 1 extrude 1 x.stl",
      "outline front circle 0 0 extrude 1 x.stl",
      "outline front circle 0 0 one extrude 1 x.stl",
      "outline front line 0 0 1 1 extrude 1 x.stl",
      "outline front line 0 0 1 1 2 extrude 1 x.stl",
      "outline front rectangle 0 0 1 1 extrude 0 x.stl",
      "outline front rectangle 0 0 1 1 extrude -2 x.stl",
      "outline front rectangle 0 0 1 1 slices diagonal x.stl",
      "outline front rectangle 0 0 1 1 slices vertical",
      "outline front rectangle 0 0 1 1 slices vertical x.stl y.stl",
  };
  for (const char* args : bad) {
    EXPECT_EQ(Run(std::string(args)), 2) << args;
  }
  Run("outline front circle 0 0 extrude 1 x.stl");
  std::string err;
  if (FILE* f = std::fopen((dir_ / "err.txt").c_str(), "r")) {
    char buffer[4096];
    err.assign(buffer, std::fread(buffer, 1, sizeof buffer, f));
    std::fclose(f);
  }
  EXPECT_NE(err.find("usage: torvane-cli outline"), std::string::npos) << err;
}

}  // namespace
}  // namespace torvane
