// torvane-cli's editing subcommands run as scripts use them: split a file
// holding two boxes, group the parts again, subdivide, clean, and the
// answers to a bad operation name. Results are read back with info --json.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Result {
  int exitCode = -1;
  std::string out;
};

class EditCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("torvane_edit_cli_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  Result Run(const std::string& args) const {
    const std::string outFile = Path("stdout.txt");
    const std::string command = std::string(TORVANE_BINARY_DIR "/cli/torvane-cli ") + args + " >" +
                                outFile + " 2>" + Path("stderr.txt");
    Result r;
    const int status = std::system(command.c_str());
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(outFile);
    std::stringstream text;
    text << in.rdbuf();
    r.out = text.str();
    return r;
  }

  // Two unit boxes apart, as a text STL whose facets repeat their corners.
  std::string WriteTwoBoxes() const {
    const std::string path = Path("boxes.stl");
    std::ofstream out(path);
    out << "solid boxes\n";
    const int faces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                              {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
    for (float dx : {0.0f, 3.0f}) {
      const float v[8][3] = {{dx, 0, 0}, {dx + 1, 0, 0}, {dx + 1, 1, 0}, {dx, 1, 0},
                             {dx, 0, 1}, {dx + 1, 0, 1}, {dx + 1, 1, 1}, {dx, 1, 1}};
      for (const auto& f : faces) {
        out << " facet normal 0 0 0\n  outer loop\n";
        for (int i : f)
          out << "   vertex " << v[i][0] << ' ' << v[i][1] << ' ' << v[i][2] << "\n";
        out << "  endloop\n endfacet\n";
      }
    }
    out << "endsolid boxes\n";
    return path;
  }

  fs::path dir_;
};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(EditCommands, SplitGroupSubdivideAndCleanRoundTrip) {
  const std::string boxes = WriteTwoBoxes();
  const std::string parts = Path("parts.tvx");
  Result split = Run("split " + boxes + " " + parts);
  ASSERT_EQ(split.exitCode, 0);
  EXPECT_EQ(split.out, "The selected objects have been split into 2.\n");
  Result info = Run("info --json " + parts);
  EXPECT_TRUE(Contains(info.out, "\"vertices\": 8, \"triangles\": 12")) << info.out;
  EXPECT_TRUE(Contains(info.out, "\"vertices\": 16, \"triangles\": 24")) << info.out;

  const std::string grouped = Path("grouped.tvx");
  Result group = Run("group " + parts + " " + grouped);
  ASSERT_EQ(group.exitCode, 0);
  EXPECT_EQ(group.out, "The 2 selected objects have been combined into a single object.\n");

  const std::string divided = Path("divided.tvx");
  ASSERT_EQ(Run("subdivide 3 " + grouped + " " + divided).exitCode, 0);
  EXPECT_TRUE(Contains(Run("info --json " + divided).out, "\"vertices\": 40, \"triangles\": 72"));

  Result clean = Run("clean " + divided + " " + Path("clean.tvx"));
  ASSERT_EQ(clean.exitCode, 0);
  EXPECT_EQ(clean.out,
            "There were no duplicated vertices to remove from the selected objects.\n"
            "There were no duplicated triangles to remove from the selected objects.\n");

  for (const char* op : {"normals invert", "normals recalculate", "winding", "origin center",
                         "origin reset", "origin grid", "subdivide 4"}) {
    EXPECT_EQ(Run(std::string(op) + " " + grouped + " " + Path("out.stl")).exitCode, 0) << op;
  }
  EXPECT_EQ(Run("normals flip " + grouped + " " + Path("x.stl")).exitCode, 2);
  EXPECT_EQ(Run("subdivide 5 " + grouped + " " + Path("x.stl")).exitCode, 2);
  EXPECT_EQ(Run("origin " + grouped + " " + Path("x.stl")).exitCode, 2);
  EXPECT_EQ(Run("split " + boxes).exitCode, 2);
  EXPECT_FALSE(fs::exists(Path("x.stl")));
}

}  // namespace
