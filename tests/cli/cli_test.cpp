// torvane-cli as scripts use it: the built binary run on files the test
// writes, its exit codes, messages and JSON lines, the editing subcommands
// and the primitives read back; plus the JSON text helpers and Ctrl-C
// cancellation in process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/open_model.h"
#include "cli/terminal_progress.h"
#include "core/null_progress.h"
#include "formats/imported_model.h"
#include "formats/tvx/tvx.h"

#ifdef TORVANE_TEST_ASSIMP
#include <assimp/Exporter.hpp>

#include "formats/fbx_scene_support.h"
#endif

extern char** environ;

namespace torvane {
namespace {

namespace fs = std::filesystem;

// A parsed JSON value: enough of JSON to check the shape of the lines.
struct Json {
  enum Type { kNull, kBool, kNumber, kString, kArray, kObject } type = kNull;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  const Json& operator[](const std::string& key) const {
    static const Json missing;
    for (const auto& [k, v] : members)
      if (k == key) return v;
    return missing;
  }
};

// Refuses what a JSON reader refuses: control characters and unknown
// escapes in strings, missing separators, trailing text. A \u escape is kept
// as written.
class JsonParser {
 public:
  explicit JsonParser(const std::string& text) : s_(text) {}

  // False when the text is not exactly one JSON value.
  bool Parse(Json& out) { return Value(out) && Peek() == '\0' && i_ == s_.size(); }

 private:
  char Peek() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_])))
      ++i_;
    return i_ < s_.size() ? s_[i_] : '\0';
  }
  bool Eat(char c) { return Peek() == c && (++i_, true); }
  bool String(std::string& out) {
    if (!Eat('"')) return false;
    static const std::string kEscapes = "\"\\/bfnrt", kMeanings = "\"\\/\b\f\n\r\t";
    while (i_ < s_.size()) {
      const char c = s_[i_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20 || (c == '\\' && i_ >= s_.size())) return false;
      if (c != '\\') {
        out += c;
      } else if (s_[i_] == 'u' && i_ + 5 <= s_.size()) {
        out += "\\u" + s_.substr(i_ + 1, 4);
        i_ += 5;
      } else if (kEscapes.find(s_[i_]) != std::string::npos) {
        out += kMeanings[kEscapes.find(s_[i_++])];
      } else {
        return false;
      }
    }
    return false;
  }
  // Comma-separated items up to `close`.
  template <class Item>
  bool Items(char close, Item item) {
    if (Eat(close)) return true;
    do {
      if (!item()) return false;
    } while (Eat(','));
    return Eat(close);
  }
  bool Value(Json& out) {
    if (Eat('{')) {
      out.type = Json::kObject;
      return Items('}', [&] {
        std::string key;
        Json value;
        if (!String(key) || !Eat(':') || !Value(value)) return false;
        out.members.emplace_back(key, std::move(value));
        return true;
      });
    }
    if (Eat('[')) {
      out.type = Json::kArray;
      return Items(']', [&] { return Value(out.items.emplace_back()); });
    }
    if (Peek() == '"') return out.type = Json::kString, String(out.text);
    for (const char* word : {"null", "true", "false"}) {
      if (s_.compare(i_, std::strlen(word), word) == 0) {
        i_ += std::strlen(word);
        out.type = word[0] == 'n' ? Json::kNull : Json::kBool;
        return true;
      }
    }
    char* end = nullptr;
    out.type = Json::kNumber;
    out.number = std::strtod(s_.c_str() + i_, &end);
    if (end == s_.c_str() + i_) return false;
    i_ = end - s_.c_str();
    return true;
  }

  const std::string& s_;
  size_t i_ = 0;
};

struct RunOutput {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("torvane_cli_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Runs torvane-cli with `args`, stdout and stderr caught in files.
  RunOutput Run(const std::vector<std::string>& args) const {
    const std::string binary = TORVANE_BINARY_DIR "/cli/torvane-cli";
    const std::string outPath = PathOf("stdout.txt");
    const std::string errPath = PathOf("stderr.txt");
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    RunOutput result;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return result;
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = Slurp(outPath);
    result.err = Slurp(errPath);
    return result;
  }

  // A binary STL of axis-aligned boxes, each {low x, y, z, high x, y, z}:
  // the first `facets` facets of each box, normals left zero.
  std::string WriteBoxStl(const std::string& name, const std::vector<std::array<float, 6>>& boxes,
                          int facets = 12) const {
    const int faces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                              {3, 6, 2}, {3, 7, 6}, {0, 4, 7}, {0, 7, 3}, {1, 2, 6}, {1, 6, 5}};
    std::string bytes(80, ' ');
    const uint32_t count = static_cast<uint32_t>(facets * boxes.size());
    bytes.append(reinterpret_cast<const char*>(&count), 4);
    for (const auto& box : boxes) {
      float p[8][3];
      for (int i = 0; i < 8; ++i) {
        p[i][0] = box[(i == 1 || i == 2 || i == 5 || i == 6) ? 3 : 0];
        p[i][1] = box[(i == 2 || i == 3 || i == 6 || i == 7) ? 4 : 1];
        p[i][2] = box[i >= 4 ? 5 : 2];
      }
      for (int f = 0; f < facets; ++f) {
        bytes.append(12, '\0');
        for (int c = 0; c < 3; ++c)
          bytes.append(reinterpret_cast<const char*>(p[faces[f][c]]), 12);
        bytes.append(2, '\0');
      }
    }
    const std::string path = PathOf(name);
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
  }

  // One parsed JSON value per output line.
  static std::vector<Json> JsonLines(const std::string& out) {
    std::vector<Json> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
      Json value;
      EXPECT_TRUE(JsonParser(line).Parse(value)) << line;
      lines.push_back(std::move(value));
    }
    return lines;
  }

  fs::path dir_;
};

TEST_F(CliTest, HelpAndUsage) {
  RunOutput help = Run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("convert"), std::string::npos);

  RunOutput infoHelp = Run({"info", "--help"});
  EXPECT_EQ(infoHelp.exitCode, 0);
  EXPECT_EQ(infoHelp.out.rfind("usage: torvane-cli info", 0), 0u) << infoHelp.out;

  RunOutput none = Run({});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_NE(none.err.find("usage:"), std::string::npos);

  RunOutput unknown = Run({"frobnicate", "x.stl"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find("unknown command"), std::string::npos);

  EXPECT_EQ(Run({"info"}).exitCode, 2);
  EXPECT_EQ(Run({"info", "--bogus", "a.stl"}).exitCode, 2);
  RunOutput oneFile = Run({"convert", "a.stl"});
  EXPECT_EQ(oneFile.exitCode, 2);
  EXPECT_NE(oneFile.err.find("usage: torvane-cli convert"), std::string::npos);
}

TEST_F(CliTest, InfoDescribesEachFileAndReportsFailuresWithTheProgramsMessages) {
  const std::string box = WriteBoxStl("box.stl", {{0, 0, 0, 1, 2, 3}});
  const std::string missing = PathOf("missing \"file\".stl");

  RunOutput run = Run({"info", "--json", box, missing});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("There has been an error opening the file:\n\n" + missing),
            std::string::npos)
      << run.err;
  const std::vector<Json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 2u) << run.out;

  const Json& first = lines[0];
  EXPECT_EQ(first["file"].text, box);
  EXPECT_EQ(first["result"].number, 0);
  EXPECT_EQ(first["fileType"].number, 3);
  EXPECT_EQ(first["triangles"].number, 12);
  ASSERT_EQ(first["objects"].items.size(), 1u);
  const Json& object = first["objects"].items[0];
  EXPECT_EQ(object["id"].type, Json::kNumber);
  EXPECT_EQ(object["vertices"].number, 8);
  ASSERT_EQ(object["min"].items.size(), 3u);
  ASSERT_EQ(object["max"].items.size(), 3u);
  // STL is Z-up and mirrored: a file point (x, y, z) lands at (-x, z, -y).
  const double expectMin[3] = {-1, 0, -2}, expectMax[3] = {0, 3, 0};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(object["min"].items[i].number, expectMin[i], 1e-5) << i;
    EXPECT_NEAR(object["max"].items[i].number, expectMax[i], 1e-5) << i;
  }
  EXPECT_EQ(lines[1]["file"].text, missing);
  EXPECT_EQ(lines[1]["result"].number, 2);
  EXPECT_TRUE(lines[1]["objects"].items.empty());

  RunOutput fine = Run({"info", box});
  EXPECT_EQ(fine.exitCode, 0) << fine.err;
  EXPECT_NE(fine.out.find("12 triangles"), std::string::npos) << fine.out;

  // Fewer than four triangles make no object; an unknown extension no model.
  RunOutput empty = Run({"info", WriteBoxStl("small.stl", {{0, 0, 0, 1, 1, 1}}, 3)});
  EXPECT_EQ(empty.exitCode, 2);
  EXPECT_NE(empty.err.find("The opened file doesn't contain any model meshes."), std::string::npos)
      << empty.err;
  RunOutput unknown = Run({"info", WriteBoxStl("box.xyz", {{0, 0, 0, 1, 1, 1}})});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find("There has been an error opening the file:"), std::string::npos);
}

TEST_F(CliTest, ConvertStlToTvxKeepsTheTriangles) {
  const std::string stl = WriteBoxStl("part.stl", {{-1, -1, -1, 2, 1, 4}});
  const std::string tvx = PathOf("part.tvx");
  RunOutput convert = Run({"convert", stl, tvx});
  ASSERT_EQ(convert.exitCode, 0) << convert.err;

  const std::vector<Json> before = JsonLines(Run({"info", "--json", stl}).out);
  const std::vector<Json> after = JsonLines(Run({"info", "--json", tvx}).out);
  ASSERT_EQ(before.size(), 1u);
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0]["fileType"].number, 0);
  EXPECT_EQ(after[0]["triangles"].number, 12);
  for (const char* key : {"min", "max"}) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(after[0]["objects"].items[0][key].items[i].number,
                  before[0]["objects"].items[0][key].items[i].number, 1e-5);
    }
  }

  // No writer for the name, or nothing to read: nothing is written.
  EXPECT_EQ(Run({"convert", stl, PathOf("out.fbx")}).exitCode, 2);
  EXPECT_FALSE(fs::exists(PathOf("out.fbx")));
  RunOutput missing = Run({"convert", PathOf("none.stl"), PathOf("out.tvx")});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("There has been an error opening the file:"), std::string::npos);
  EXPECT_FALSE(fs::exists(PathOf("out.tvx")));
}

TEST_F(CliTest, EditCommandsSplitGroupSubdivideAndClean) {
  const std::string boxes = WriteBoxStl("boxes.stl", {{0, 0, 0, 1, 1, 1}, {3, 0, 0, 4, 1, 1}});
  const std::string parts = PathOf("parts.tvx");
  RunOutput split = Run({"split", boxes, parts});
  ASSERT_EQ(split.exitCode, 0) << split.err;
  EXPECT_EQ(split.out, "The selected objects have been split into 2.\n");
  RunOutput info = Run({"info", "--json", parts});
  EXPECT_NE(info.out.find("\"vertices\": 8, \"triangles\": 12"), std::string::npos) << info.out;

  const std::string grouped = PathOf("grouped.tvx");
  RunOutput group = Run({"group", parts, grouped});
  ASSERT_EQ(group.exitCode, 0);
  EXPECT_EQ(group.out, "The 2 selected objects have been combined into a single object.\n");

  const std::string divided = PathOf("divided.tvx");
  ASSERT_EQ(Run({"subdivide", "3", grouped, divided}).exitCode, 0);
  EXPECT_NE(Run({"info", "--json", divided}).out.find("\"vertices\": 40, \"triangles\": 72"),
            std::string::npos);

  RunOutput clean = Run({"clean", divided, PathOf("clean.tvx")});
  ASSERT_EQ(clean.exitCode, 0);
  EXPECT_EQ(clean.out,
            "There were no duplicated vertices to remove from the selected objects.\n"
            "There were no duplicated triangles to remove from the selected objects.\n");

  const std::vector<std::vector<std::string>> fine = {
      {"normals", "invert"}, {"normals", "recalculate"}, {"winding"},       {"origin", "center"},
      {"origin", "reset"},   {"origin", "grid"},         {"subdivide", "4"}};
  for (std::vector<std::string> args : fine) {
    args.insert(args.end(), {grouped, PathOf("out.stl")});
    EXPECT_EQ(Run(args).exitCode, 0) << args[0];
  }
  EXPECT_EQ(Run({"normals", "flip", grouped, PathOf("x.stl")}).exitCode, 2);
  EXPECT_EQ(Run({"subdivide", "5", grouped, PathOf("x.stl")}).exitCode, 2);
  EXPECT_EQ(Run({"origin", grouped, PathOf("x.stl")}).exitCode, 2);
  EXPECT_EQ(Run({"split", boxes}).exitCode, 2);
  EXPECT_FALSE(fs::exists(PathOf("x.stl")));
}

TEST_F(CliTest, BooleanCombinesTheObjectsOfEveryInputInOrder) {
  const std::string a = WriteBoxStl("a.stl", {{0, 0, 0, 2, 2, 2}});
  const std::string b = WriteBoxStl("b.stl", {{1, 1, 1, 3, 3, 3}});
  const std::string far = WriteBoxStl("far.stl", {{5, 5, 5, 6, 6, 6}});
  // One input holding two objects works as two inputs do.
  const std::string both = PathOf("both.tvx");
  ASSERT_EQ(Run({"split", WriteBoxStl("two.stl", {{0, 0, 0, 2, 2, 2}, {1, 1, 1, 3, 3, 3}}), both})
                .exitCode,
            0);
  struct Case {
    std::vector<std::string> args;
    std::string notice;
    float min, max;  // x bounds of the saved result
  };
  const Case cases[] = {
      {{"union", a, b}, "Union: The 2 selected objects were combined into 1", -3, 0},
      {{"union", both}, "Union: The 2 selected objects were combined into 1", -3, 0},
      {{"intersect", a, b},
       "Intersection: 1 object has been created from the intersection of the 2 selected objects",
       -2,
       -1},
      {{"subtract", b, a},
       "Subtract: The target object has had the other selected objects taken away from it",
       -3,
       -1},
      {{"union", a, far}, "Union: The 2 selected objects were combined into 1", -6, 0},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"boolean"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const std::string out = PathOf("out.tvx");
    args.push_back(out);
    const RunOutput run = Run(args);
    ASSERT_EQ(run.exitCode, 0) << c.args[0] << run.err;
    EXPECT_EQ(run.out, c.notice + "\n");
    const std::vector<Json> info = JsonLines(Run({"info", "--json", out}).out);
    ASSERT_EQ(info.size(), 1u);
    ASSERT_EQ(info[0]["objects"].items.size(), 1u);
    EXPECT_NEAR(info[0]["objects"].items[0]["min"].items[0].number, c.min, 1e-4);
    EXPECT_NEAR(info[0]["objects"].items[0]["max"].items[0].number, c.max, 1e-4);
  }
  const RunOutput empty = Run({"boolean", "intersect", a, far, PathOf("none.stl")});
  EXPECT_EQ(empty.out,
            "Intersection: There was no common intersection of the 2 selected objects\n");
  EXPECT_EQ(Run({"boolean", "union", PathOf("x.stl")}).exitCode, 2);
  EXPECT_EQ(Run({"boolean", "xor", a, b, PathOf("x.stl")}).exitCode, 2);
  EXPECT_EQ(Run({"boolean", "union", a, PathOf("missing.stl"), PathOf("x.stl")}).exitCode, 2);
}

TEST_F(CliTest, PrimitiveSavesEachShapeReadyToOpen) {
  struct Expected {
    const char* shape;
    uint32_t triangles;
    float maxX;
  };
  for (const Expected& e : {Expected{"cube", 12, 5.0f}, Expected{"sphere", 480, 5.0f},
                            Expected{"icosahedron", 20, 4.472f}, Expected{"torus", 800, 5.0f}}) {
    const std::string out = PathOf(std::string(e.shape) + ".tvx");
    ASSERT_EQ(RunCli(std::vector<std::string>{"primitive", e.shape, out}), kExitSuccess) << e.shape;
    Document doc;
    NullProgress progress;
    ASSERT_EQ(OpenModel(out, progress, doc).result, kLoaded) << e.shape;
    ASSERT_EQ(doc.objects.size(), 1u) << e.shape;
    EXPECT_EQ(TriangleCount(doc.objects[0]->mesh), e.triangles) << e.shape;
    EXPECT_NEAR(MeshBounds(doc.objects[0]->mesh).max.x, e.maxX, 0.05f) << e.shape;
  }
  // Added to an opened file: its objects come first and stay as they were.
  const std::string both = PathOf("cube+torus.tvx");
  ASSERT_EQ(RunCli(std::vector<std::string>{"primitive", "torus", PathOf("cube.tvx"), both}),
            kExitSuccess);
  Document doc;
  NullProgress progress;
  ASSERT_EQ(OpenModel(both, progress, doc).result, kLoaded);
  ASSERT_EQ(doc.objects.size(), 2u);
  EXPECT_EQ(TriangleCount(doc.objects[0]->mesh), 12u);
  EXPECT_EQ(TriangleCount(doc.objects[1]->mesh), 800u);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"primitive", "cone", "x.stl"},
           {"primitive", "cube"},
           {"primitive", "cube", "x.unknown"},
           {"primitive", "cube", PathOf("missing.stl"), PathOf("x.stl")},
           {"primitive", "cube", PathOf("cube.tvx"), PathOf("x.stl"), PathOf("y.stl")}})
    EXPECT_EQ(RunCli(args), kExitFailure) << args[2];
  EXPECT_FALSE(fs::exists(PathOf("x.stl")));
}

TEST_F(CliTest, InfoJsonEscapesNamesAndPaths) {
  ImportedModel model;
  ImportedMesh& mesh = model.meshes.emplace_back();
  mesh.positions.ResizeDiscard(4);
  const Vec3 p[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int i = 0; i < 4; ++i)
    mesh.positions.MutableData()[i] = p[i];
  const uint32_t corners[12] = {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3};
  mesh.indices.ResizeDiscard(12);
  mesh.normals.ResizeDiscard(12);
  mesh.colours.ResizeDiscard(12);
  for (int k = 0; k < 12; ++k)
    mesh.indices.MutableData()[k] = corners[k];
  mesh.metadata.Set("ObjectName", "say \"hi\"\\\x01\xff");
  NullProgress progress;
  const std::string path = PathOf("odd \"name\".tvx");
  ASSERT_EQ(WriteTvx(path, progress, model), kLoaded);

  RunOutput run = Run({"info", "--json", path});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::vector<Json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]["file"].text, path);
  EXPECT_EQ(lines[0]["objects"].items[0]["name"].text, "say \"hi\"\\\\u0001\\ufffd");
}

#ifdef TORVANE_TEST_ASSIMP
// An FBX file (assimp's text FBX exporter: an octahedron moved by its node)
// opens through the converter beside torvane-cli; it converts to other
// formats but cannot be written itself.
TEST_F(CliTest, FbxOpensThroughTheConverterAndConverts) {
  const std::unique_ptr<aiScene> scene = fbx_test::MakeScene(
      {fbx_test::kOctahedron}, {aiMatrix4x4(), {}, {{fbx_test::Translate(5, 0, 0), {0}, {}}}});
  const std::string fbx = PathOf("octahedron.fbx");
  Assimp::Exporter exporter;
  ASSERT_EQ(exporter.Export(scene.get(), "fbxa", fbx), aiReturn_SUCCESS)
      << exporter.GetErrorString();

  const std::vector<Json> lines = JsonLines(Run({"info", "--json", fbx}).out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]["result"].number, 0);
  EXPECT_EQ(lines[0]["fileType"].number, 8);
  EXPECT_EQ(lines[0]["triangles"].number, 8);
  const double expectMin[3] = {3, -2, -2}, expectMax[3] = {7, 2, 2};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(lines[0]["objects"].items[0]["min"].items[i].number, expectMin[i], 1e-4);
    EXPECT_NEAR(lines[0]["objects"].items[0]["max"].items[i].number, expectMax[i], 1e-4);
  }

  const std::string stl = PathOf("octahedron.stl");
  RunOutput convert = Run({"convert", fbx, stl});
  ASSERT_EQ(convert.exitCode, 0) << convert.err;
  EXPECT_EQ(JsonLines(Run({"info", "--json", stl}).out)[0]["triangles"].number, 8);
  EXPECT_EQ(Run({"convert", fbx, PathOf("copy.fbx")}).exitCode, 2);
  EXPECT_FALSE(fs::exists(PathOf("copy.fbx")));

  // What the converter cannot read is the program's open failure.
  std::ofstream(PathOf("broken.fbx")) << "; FBX 7.4.0 project file\nbroken";
  RunOutput broken = Run({"info", PathOf("broken.fbx")});
  EXPECT_EQ(broken.exitCode, 2);
  EXPECT_NE(broken.err.find("There has been an error opening the file:"), std::string::npos);
}
#endif

TEST(CliJson, StringsAndNumbersStayValid) {
  EXPECT_EQ(JsonString("a\"b\\c\n\t"), "\"a\\\"b\\\\c\\n\\t\"");
  EXPECT_EQ(JsonString("\x1f"), "\"\\u001f\"");
  EXPECT_EQ(JsonString("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x99\x82"),
            "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x99\x82\"");
  // Broken and overlong sequences become U+FFFD, one per byte.
  EXPECT_EQ(JsonString("\xc3"), "\"\\ufffd\"");
  EXPECT_EQ(JsonString("\xc0\xaf"), "\"\\ufffd\\ufffd\"");
  EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");

  EXPECT_EQ(JsonNumber(NAN), "null");
  EXPECT_EQ(JsonNumber(-INFINITY), "null");
  EXPECT_EQ(JsonNumber(0.5), "0.5");
  const float awkward = 0.1f + 1e-7f;
  EXPECT_EQ(std::strtof(JsonNumber(awkward).c_str(), nullptr), awkward);
}

TEST(CliCancel, CtrlCCancelsTheOpen) {
  const std::string path =
      (fs::temp_directory_path() / ("torvane_cli_cancel_" + std::to_string(::getpid()) + ".tvx"))
          .string();
  ImportedModel model;
  model.meshes.emplace_back().positions.ResizeDiscard(3);
  TerminalProgress progress;
  ASSERT_EQ(WriteTvx(path, progress, model), kLoaded);

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
  fs::remove(path);
}

}  // namespace
}  // namespace torvane
