// torvane-cli as scripts use it: the built binary run on files the test
// writes, its exit codes, messages and exact JSON lines, the editing,
// boolean and outline subcommands and the primitives read back; plus the
// JSON text helpers and Ctrl-C cancellation in process.
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>

#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/open_model.h"
#include "cli/terminal_progress.h"
#include "formats/format_test_support.h"

#ifdef TORVANE_TEST_ASSIMP
#include <assimp/Exporter.hpp>

#include "formats/fbx_scene_support.h"
#endif

namespace torvane {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

struct RunOutput {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// The words of a command line without quoting (the test paths hold no spaces).
Args Words(const std::string& line) {
  std::istringstream in(line);
  return Args(std::istream_iterator<std::string>(in), {});
}

// The first "min" and "max" of a JSON line, rounded to thousandths.
std::string Bounds(const std::string& line) {
  std::string out;
  for (const char* key : {"\"min\": [", "\"max\": ["}) {
    const size_t at = line.find(key);
    if (at == std::string::npos) return "none";
    char* p = const_cast<char*>(line.c_str() + at + std::strlen(key));
    for (int i = 0; i < 3; ++i, ++p)
      out += FormatText(" %.3f", std::round(std::strtod(p, &p) * 1000) / 1000 + 0.0);
  }
  return out;
}

class CliTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return folder_.File(name); }

  // Runs torvane-cli with `args` (each quoted for the shell), stdout and
  // stderr caught in files.
  RunOutput Run(const Args& args) const {
    std::string line = TORVANE_BINARY_DIR "/cli/torvane-cli";
    for (const std::string& arg : args) {
      line += " '";
      for (char c : arg)
        line += c == '\'' ? std::string("'\\''") : std::string(1, c);
      line += "'";
    }
    const int status = std::system((line + " >" + PathOf("out") + " 2>" + PathOf("err")).c_str());
    if (status == -1 || !WIFEXITED(status)) return {};
    return {WEXITSTATUS(status), test::ReadFile(PathOf("out")), test::ReadFile(PathOf("err"))};
  }
  RunOutput Run(const std::string& line) const { return Run(Words(line)); }
  std::string InfoJson(const std::string& path) const { return Run({"info", "--json", path}).out; }

  // A binary STL of axis-aligned boxes, each {low x, y, z, high x, y, z}:
  // the first `facets` facets of each box.
  std::string WriteBoxStl(const std::string& name, const std::vector<std::array<float, 6>>& boxes,
                          int facets = 12) const {
    const int faces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                              {3, 6, 2}, {3, 7, 6}, {0, 4, 7}, {0, 7, 3}, {1, 2, 6}, {1, 6, 5}};
    std::vector<StlFacet> records;
    for (const auto& box : boxes) {
      Vec3 p[8];
      for (int i = 0; i < 8; ++i)
        p[i] = {box[(i == 1 || i == 2 || i == 5 || i == 6) ? 3 : 0],
                box[(i == 2 || i == 3 || i == 6 || i == 7) ? 4 : 1], box[i >= 4 ? 5 : 2]};
      for (int f = 0; f < facets; ++f)
        records.push_back(test::MakeFacet(p[faces[f][0]], p[faces[f][1]], p[faces[f][2]]));
    }
    test::WriteFile(PathOf(name), test::BinaryStl("", records));
    return PathOf(name);
  }

  // Opens the file into `doc`, which stays empty when it does not open.
  static void Open(const std::string& path, Document& doc) {
    NullProgress progress;
    if (OpenModel(path, progress, doc).result != kLoaded) doc.objects.clear();
  }
  static uint32_t TrianglesIn(const std::string& path) {
    Document doc;
    Open(path, doc);
    uint32_t total = 0;
    for (const auto& object : doc.objects)
      total += TriangleCount(object->mesh);
    return total;
  }

  test::TempFolder folder_;
};

TEST_F(CliTest, HelpAndUsage) {
  // The line, the exit code and a text on stdout for help, on stderr for usage.
  const std::tuple<const char*, int, const char*> kCases[] = {
      {"--help", 0, "convert"},
      {"info --help", 0, "usage: torvane-cli info"},
      {"", 2, "usage:"},
      {"frobnicate x.stl", 2, "unknown command"},
      {"info", 2, "usage: torvane-cli info"},
      {"convert a.stl", 2, "usage: torvane-cli convert"},
  };
  for (const auto& [line, exitCode, text] : kCases) {
    SCOPED_TRACE(line);
    const RunOutput run = Run(line);
    EXPECT_EQ(run.exitCode, exitCode);
    EXPECT_NE((exitCode == 0 ? run.out : run.err).find(text), std::string::npos)
        << run.out << run.err;
  }
  for (const char* args :
       {"", "side circle 0 0 1 extrude 1 x.stl", "front square 0 0 1 1 extrude 1 x.stl",
        "front circle 0 0 extrude 1 x.stl", "front line 0 0 1 1 extrude 1 x.stl",
        "front line 0 0 1 1 2 extrude 1 x.stl", "front rectangle 0 0 1 1 extrude 0 x.stl",
        "front rectangle 0 0 1 1 slices diagonal x.stl", "front rectangle 0 0 1 1 slices vertical",
        "front rectangle 0 0 1 1 slices vertical x.stl y.stl"}) {
    const RunOutput run = Run("outline " + std::string(args));
    EXPECT_EQ(run.exitCode, 2) << args;
    EXPECT_NE(run.err.find("usage: torvane-cli outline"), std::string::npos) << args;
  }
}

TEST_F(CliTest, InfoAndConvertDescribeAndKeepEachFileAndReportFailuresWithTheProgramsMessages) {
  const std::string box = WriteBoxStl("box.stl", {{0, 0, 0, 1, 2, 3}});
  const std::string missing = PathOf("missing \"file\".stl");
  const RunOutput run = Run({"info", "--json", box, missing});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("There has been an error opening the file:\n\n" + missing),
            std::string::npos)
      << run.err;
  const std::string first = run.out.substr(0, run.out.find('\n') + 1);
  EXPECT_EQ(first.substr(0, first.find("\"min\"")),
            "{\"file\": \"" + box +
                "\", \"result\": 0, \"fileType\": 3, \"description\": \"STL Stereo Lithography "
                "(Binary)\", \"objects\": [{\"id\": 1, \"name\": \"\", \"vertices\": 8, "
                "\"triangles\": 12, ");
  EXPECT_EQ(first.substr(first.find("}]")), "}], \"vertices\": 8, \"triangles\": 12}\n");
  // STL is Z-up and mirrored: a file point (x, y, z) lands at (-x, z, -y).
  EXPECT_EQ(Bounds(first), " -1.000 0.000 -2.000 0.000 3.000 0.000");
  const std::string escaped = PathOf("missing \\\"file\\\".stl");
  EXPECT_EQ(run.out.substr(first.size()),
            "{\"file\": \"" + escaped +
                "\", \"result\": 2, \"fileType\": 3, \"description\": \"STL Stereo Lithography "
                "(Binary)\", \"objects\": [], \"vertices\": 0, \"triangles\": 0, \"message\": "
                "\"There has been an error opening the file:\\n\\n" +
                escaped + "\"}\n");

  const RunOutput fine = Run({"info", box});
  EXPECT_EQ(fine.exitCode, 0) << fine.err;
  EXPECT_NE(fine.out.find("12 triangles"), std::string::npos) << fine.out;

  // Fewer than four triangles make no object; an unknown extension no model.
  const RunOutput small = Run({"info", WriteBoxStl("small.stl", {{0, 0, 0, 1, 1, 1}}, 3)});
  EXPECT_EQ(small.exitCode, 2);
  EXPECT_NE(small.err.find("The opened file doesn't contain any model meshes."), std::string::npos)
      << small.err;
  const RunOutput unknown = Run({"info", WriteBoxStl("box.xyz", {{0, 0, 0, 1, 1, 1}})});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find("There has been an error opening the file:"), std::string::npos);

  // Convert keeps the objects as info shows them and writes nothing when it
  // fails.
  const std::string tvx = PathOf("part.tvx");
  const RunOutput convert = Run({"convert", box, tvx});
  ASSERT_EQ(convert.exitCode, 0) << convert.err;
  const std::string before = InfoJson(box), after = InfoJson(tvx);
  EXPECT_NE(after.find("\"fileType\": 0,"), std::string::npos) << after;
  EXPECT_EQ(after.substr(after.find("\"objects\"")), before.substr(before.find("\"objects\"")));
  // No writer for the name, or nothing to read: nothing is written.
  EXPECT_EQ(Run({"convert", box, PathOf("out.fbx")}).exitCode, 2);
  const RunOutput none = Run({"convert", PathOf("none.stl"), PathOf("out.tvx")});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_NE(none.err.find("There has been an error opening the file:"), std::string::npos);
  EXPECT_FALSE(fs::exists(PathOf("out.fbx")) || fs::exists(PathOf("out.tvx")));
}

TEST_F(CliTest, EditCommandsSplitGroupSubdivideAndClean) {
  const std::string boxes = WriteBoxStl("boxes.stl", {{0, 0, 0, 1, 1, 1}, {3, 0, 0, 4, 1, 1}});
  const std::string parts = PathOf("parts.tvx"), grouped = PathOf("grouped.tvx"),
                    divided = PathOf("divided.tvx");
  const std::pair<Args, std::string> kSteps[] = {
      {{"split", boxes, parts}, "The selected objects have been split into 2.\n"},
      {{"group", parts, grouped},
       "The 2 selected objects have been combined into a single object.\n"},
      {{"subdivide", "3", grouped, divided}, ""},
      {{"clean", divided, PathOf("clean.tvx")},
       "There were no duplicated vertices to remove from the selected objects.\n"
       "There were no duplicated triangles to remove from the selected objects.\n"},
  };
  for (const auto& [args, out] : kSteps) {
    const RunOutput run = Run(args);
    ASSERT_EQ(run.exitCode, 0) << args[0] << run.err;
    EXPECT_EQ(run.out, out) << args[0];
  }
  EXPECT_NE(InfoJson(parts).find("\"vertices\": 8, \"triangles\": 12"), std::string::npos);
  EXPECT_NE(InfoJson(divided).find("\"vertices\": 40, \"triangles\": 72"), std::string::npos);

  for (const char* fine : {"normals invert", "normals recalculate", "winding", "origin center",
                           "origin reset", "origin grid", "subdivide 4"})
    EXPECT_EQ(Run(std::string(fine) + " " + grouped + " " + PathOf("out.stl")).exitCode, 0) << fine;
  for (const char* bad : {"normals flip", "subdivide 5", "origin"})
    EXPECT_EQ(Run(std::string(bad) + " " + grouped + " " + PathOf("x.stl")).exitCode, 2) << bad;
  EXPECT_EQ(Run({"split", boxes}).exitCode, 2);
  EXPECT_FALSE(fs::exists(PathOf("x.stl")));
}

TEST_F(CliTest, BooleanCombinesTheObjectsOfEveryInputInOrder) {
  const std::string a = WriteBoxStl("a.stl", {{0, 0, 0, 2, 2, 2}});
  const std::string b = WriteBoxStl("b.stl", {{1, 1, 1, 3, 3, 3}});
  const std::string far = WriteBoxStl("far.stl", {{5, 5, 5, 6, 6, 6}});
  // One input holding two objects works as two inputs do.
  const std::string both = PathOf("both.tvx"), out = PathOf("out.tvx"), x = PathOf("x.stl");
  ASSERT_EQ(Run({"split", WriteBoxStl("two.stl", {{0, 0, 0, 2, 2, 2}, {1, 1, 1, 3, 3, 3}}), both})
                .exitCode,
            0);
  const std::string kUnion = "Union: The 2 selected objects were combined into 1";
  // The operands, the notice and the bounds of the saved result.
  const std::tuple<std::string, std::string, const char*> kCases[] = {
      {"union " + a + " " + b, kUnion, " -3.000 0.000 -3.000 0.000 3.000 0.000"},
      {"union " + both, kUnion, " -3.000 0.000 -3.000 0.000 3.000 0.000"},
      {"subtract " + b + " " + a,
       "Subtract: The target object has had the other selected objects taken away from it",
       " -3.000 1.000 -3.000 -1.000 3.000 -1.000"},
  };
  for (const auto& [args, notice, bounds] : kCases) {
    SCOPED_TRACE(notice);
    const RunOutput run = Run("boolean " + args + " " + out);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, notice + "\n");
    const std::string info = InfoJson(out);
    EXPECT_EQ(info.find("{\"id\": "), info.rfind("{\"id\": ")) << "one object only";
    EXPECT_EQ(Bounds(info), bounds);
  }
  EXPECT_EQ(Run("boolean intersect " + a + " " + far + " " + PathOf("none.stl")).out,
            "Intersection: There was no common intersection of the 2 selected objects\n");
  for (const std::string& bad : {"union " + x, "xor " + a + " " + b + " " + x,
                                 "union " + a + " " + PathOf("m.stl") + " " + x})
    EXPECT_EQ(Run("boolean " + bad).exitCode, 2) << bad;
  EXPECT_FALSE(fs::exists(x));
}

// (The shapes themselves are the primitive generators' tests.)
TEST_F(CliTest, PrimitiveSavesEachShapeReadyToOpen) {
  const std::string cube = PathOf("cube.tvx"), both = PathOf("cube+torus.tvx");
  ASSERT_EQ(RunCli(Args{"primitive", "cube", cube}), kExitSuccess);
  EXPECT_EQ(TrianglesIn(cube), 12u);
  // Added to an opened file: its objects come first and stay as they were.
  ASSERT_EQ(RunCli(Args{"primitive", "torus", cube, both}), kExitSuccess);
  Document doc;
  Open(both, doc);
  ASSERT_EQ(doc.objects.size(), 2u);
  EXPECT_EQ(TriangleCount(doc.objects[0]->mesh), 12u);
  EXPECT_NEAR(MeshBounds(doc.objects[0]->mesh).max.x, 5.0f, 0.05f);
  EXPECT_EQ(TriangleCount(doc.objects[1]->mesh), 800u);
  const std::string x = PathOf("x.stl");
  for (const std::string& bad :
       {"cone " + x, std::string("cube"), "cube " + PathOf("x.unknown"),
        "cube " + PathOf("none.stl") + " " + x, "cube " + cube + " " + x + " " + PathOf("y.stl")})
    EXPECT_EQ(RunCli(Words("primitive " + bad)), kExitFailure) << bad;
  EXPECT_FALSE(fs::exists(x));
}

TEST_F(CliTest, OutlineSavesEveryShapeAndConversion) {
  const std::pair<const char*, uint32_t> kCases[] = {
      // 24 + 24 face triangles and 52 wall triangles.
      {"front circle 0 0 5 extrude 2", 100},
      {"right rectangle 0 0 3 2 extrude 1", 12},
      // Two rings stitched (50) and capped (2 x 23).
      {"front rectangle 0 0 8 2 slices vertical", 96},
      // Three legs of the U: three capped cylinders.
      {"front line 0 0 6 0 6 4 4 4 4 1 2 1 2 4 0 4 slices vertical", 288},
  };
  for (const auto& [args, triangles] : kCases) {
    SCOPED_TRACE(args);
    ASSERT_EQ(Run("outline " + std::string(args) + " " + PathOf("solid.stl")).exitCode, 0);
    EXPECT_EQ(TrianglesIn(PathOf("solid.stl")), triangles);
  }
  ASSERT_EQ(Run("outline top circle 1 1 5 slices horizontal " + PathOf("sphere.stl")).exitCode, 0);
  EXPECT_EQ(TrianglesIn(PathOf("sphere.stl")) % 25, 0u);
}

#ifdef TORVANE_TEST_ASSIMP
// An FBX file (assimp's text FBX exporter: an octahedron moved by its node)
// opens through the converter beside torvane-cli and converts to other
// formats. (No FBX is ever written: the convert test.)
TEST_F(CliTest, FbxOpensThroughTheConverterAndConverts) {
  const std::unique_ptr<aiScene> scene = fbx_test::MakeScene(
      {fbx_test::kOctahedron}, {aiMatrix4x4(), {}, {{fbx_test::Translate(5, 0, 0), {0}, {}}}});
  const std::string fbx = PathOf("octahedron.fbx");
  Assimp::Exporter exporter;
  ASSERT_EQ(exporter.Export(scene.get(), "fbxa", fbx), aiReturn_SUCCESS)
      << exporter.GetErrorString();
  const std::string info = InfoJson(fbx);
  EXPECT_NE(info.find("\"result\": 0, \"fileType\": 8,"), std::string::npos) << info;
  EXPECT_NE(info.find("\"triangles\": 8}"), std::string::npos) << info;
  EXPECT_EQ(Bounds(info), " 3.000 -2.000 -2.000 7.000 2.000 2.000");
  const std::string stl = PathOf("octahedron.stl");
  const RunOutput convert = Run({"convert", fbx, stl});
  ASSERT_EQ(convert.exitCode, 0) << convert.err;
  EXPECT_EQ(TrianglesIn(stl), 8u);

  // (What the converter cannot read fails the open: the FBX import tests.)
}
#endif

TEST(CliJson, StringsAndNumbersStayValid) {
  const std::pair<std::string, std::string> kStrings[] = {
      {"a\"b\\c\n\t", "\"a\\\"b\\\\c\\n\\t\""},
      {"\x1f", "\"\\u001f\""},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x99\x82",
       "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x99\x82\""},
      // Broken and overlong sequences become U+FFFD, one per byte.
      {"\xc3", "\"\\ufffd\""},
      {"\xc0\xaf", "\"\\ufffd\\ufffd\""},
      {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
  };
  for (const auto& [text, json] : kStrings)
    EXPECT_EQ(JsonString(text), json);
  EXPECT_EQ(JsonNumber(NAN), "null");
  EXPECT_EQ(JsonNumber(-INFINITY), "null");
  EXPECT_EQ(JsonNumber(0.5), "0.5");
  const float awkward = 0.1f + 1e-7f;
  EXPECT_EQ(std::strtof(JsonNumber(awkward).c_str(), nullptr), awkward);
}

TEST(CliCancel, CtrlCCancelsTheOpen) {
  test::TempFolder folder;
  const std::string path = folder.File("cancel.tvx");
  ImportedModel model;
  model.meshes.emplace_back().positions.ResizeDiscard(3);
  test::WriteFile(path, test::Written(WriteTvx, model, "cancel.tvx"));
  TerminalProgress progress;
  InstallCancelHandler();
  SetCancelRequested(false);
  EXPECT_FALSE(progress.IsCancelled());
  ::raise(SIGINT);
  EXPECT_TRUE(progress.IsCancelled());
  EXPECT_EQ(progress.Sleep(10000), kWaitCancelled);
  Document document;
  const OpenOutcome outcome = OpenModel(path, progress, document);
  EXPECT_EQ(outcome.result, kCancelled);
  EXPECT_EQ(OpenExitCode(outcome), 1);
  EXPECT_TRUE(OpenMessage(outcome, path).empty());
  SetCancelRequested(false);
}

}  // namespace
}  // namespace torvane
