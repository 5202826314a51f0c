// Format dispatch: extension detection, descriptions, regular files only,
// and the conversions between models and documents.
#include <sys/stat.h>

#include "format_test_support.h"
#include "formats/document_file_io.h"
#include "platform/file_handle.h"

namespace torvane {
namespace {

using namespace test;

TEST(DetectFormat, ExtensionDecidesIgnoringAsciiCaseAndUnknownOnesFail) {
  // Names separated by spaces, then file type, up axis, handedness, winding
  // and kept normals.
  const std::pair<const char*, FormatDescriptor> kNames[] = {
      {"MODEL.STL model.Stl a.b/model.stl .stl",
       {kFileTypeStlBinary, kUpAxisZ, kHandednessMirroredX, kWindingFirst, 0}},
      {"X.3DS", {kFileType3ds, kUpAxisZ, kHandednessMirroredX, kWindingSecond, 0}},
      {"x.tvx", {kFileTypeTvx, kUpAxisY, kHandednessProgram, kWindingFirst, 1}},
      {"x.fbx", {kFileTypeFbx, kUpAxisY, kHandednessProgram, kWindingFirst, 1}},
      {"folder.stl\\model folder.stl/model model.stl.bak model.stp x.txt",
       {kFileTypeUnknown, 0, 0, 0, 0}},
  };
  const auto fields = [](const FormatDescriptor& d) {
    return std::tuple(d.fileType, d.upAxis, d.handedness, d.winding, d.keepNormals);
  };
  for (const auto& [names, want] : kNames) {
    std::istringstream in(names);
    for (std::string name; in >> name;)
      EXPECT_EQ(fields(DetectFormat(name)), fields(want)) << name;
  }

  std::istringstream descriptions(
      "TVX Torvane format|3DS AutoDesk 3DS Max format|STL Stereo Lithography (ASCII)|"
      "STL Stereo Lithography (Binary)|OBJ Wavefront Technologies|STP Step format|"
      "3MF 3D Manufacturing format|PLY Stanford Polygon format");
  int type = 0;
  for (std::string text; std::getline(descriptions, text, '|'); ++type)
    EXPECT_EQ(FormatDescription(type), text) << type;
  for (int none : {8, kFileTypeUnknown, -1})
    EXPECT_EQ(FormatDescription(none), "") << none;
  // (A missing file fails every reader in the corpus test; an existing file
  // of an unknown extension fails torvane-cli's info.)
}

// A FIFO would block the open (or the read) for ever and /dev/zero would
// grow a reader until the process is killed: neither is a model file.
TEST(LoadModelFile, OnlyRegularFilesOpen) {
  TempFolder folder;
  const std::string fifo = folder.File("x.obj"), zero = folder.File("zero.stl"),
                    threeMf = folder.File("x.3mf");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(threeMf.c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", zero);
  for (const std::string& path : {fifo, zero, threeMf, folder.path() + "/"}) {
    NullProgress progress;
    ImportedModel model;
    EXPECT_EQ(LoadModelFile(path, progress, model), kFailed) << path;
    FileHandle file;
    EXPECT_FALSE(file.OpenRead(path)) << path;
    EXPECT_FALSE(file.IsOpen());
  }
}

// (The load conversions of Z-up, mirrored files are proven end to end: the
// writers' files are checked or read by other programs, the round-trip
// table reads them back facing the same way, and torvane-cli's info shows
// where an STL file's points land.)

// A fan of `triangles` in program axes. `extras` adds per-corner colours
// and normals (when asked), a transform, a name and two stray indices after
// the last whole triangle.
ImportedModel Fan(uint32_t triangles, int32_t fileType = kFileTypeStlBinary, bool extras = false,
                  bool normals = false) {
  ImportedModel model;
  model.fileType = fileType;
  ImportedMesh& mesh = AppendMesh(model);
  const uint32_t corners = triangles * 3 + (extras ? 2 : 0);
  EXPECT_TRUE(mesh.positions.ResizeDiscard(triangles + 2) && mesh.indices.ResizeDiscard(corners) &&
              mesh.colours.ResizeDiscard(extras ? corners : 0) &&
              mesh.normals.ResizeDiscard(normals ? corners : 0));
  for (uint32_t i = 0; i < triangles + 2; ++i)
    mesh.positions.MutableData()[i] = {std::cos(float(i)), std::sin(float(i)), float(i) * 0.1f};
  for (uint32_t k = 0; k < corners; ++k) {
    mesh.indices.MutableData()[k] = k % 3 == 0 ? 0 : (k / 3) + (k % 3);
    if (extras) mesh.colours.MutableData()[k] = 0xFF000000u | k;
    if (normals) mesh.normals.MutableData()[k] = {0.0f, 1.0f / static_cast<float>(k + 1), 0.0f};
  }
  if (extras) {
    mesh.position = {3, -2, 1};
    mesh.rotation = {0, 30, 0};
    mesh.metadata.Set("ObjectName", "fan");
  }
  return model;
}

// The document made of a model (copied; the file state an autosave
// restores is the TVX autosave round trip's).
int Converted(const ImportedModel& model, Document& document, bool restore = false,
              int cancelAtQuestion = -1) {
  RecordingProgress progress(cancelAtQuestion);
  return ConvertModelToDocument(model, document, progress, restore);
}

TEST(ConvertToDocument, SmallMeshesBadIndicesColoursTransformsAndCancel) {
  Document three, four;
  EXPECT_EQ(Converted(Fan(3), three), 0);
  EXPECT_TRUE(three.objects.empty());
  EXPECT_EQ(Converted(Fan(4), four), 0);
  ASSERT_EQ(four.objects.size(), 1u);
  EXPECT_EQ(TriangleCount(four.objects[0]->mesh), 4u);
  EXPECT_EQ(four.objects[0]->mesh.corners[0].colour, 0xFFDCDCDCu);

  // A first good mesh stays when the second has an index equal to the
  // vertex count.
  ImportedModel bad = Fan(4), second = Fan(5);
  second.meshes.front().indices.MutableData()[7] = second.meshes.front().positions.length();
  bad.meshes.splice(bad.meshes.end(), second.meshes);
  Document partial;
  EXPECT_EQ(Converted(bad, partial), 2);
  EXPECT_EQ(partial.objects.size(), 1u);

  // A cancel while the second mesh converts removes the first one too.
  ImportedModel two = Fan(200);
  two.meshes.push_back(two.meshes.front());
  Document cancelled;
  EXPECT_EQ(Converted(two, cancelled, false, 6), 1);
  EXPECT_TRUE(cancelled.objects.empty());

  // Per vertex: colour count equals the vertex count (6) and not the index
  // count (12).
  ImportedModel perVertex = Fan(4);
  ImportedMesh& mesh = perVertex.meshes.front();
  ASSERT_TRUE(mesh.colours.ResizeDiscard(mesh.positions.length()));
  for (uint32_t i = 0; i < mesh.colours.length(); ++i)
    mesh.colours.MutableData()[i] = 0xFF000000u + i;
  Document a;
  ASSERT_EQ(Converted(perVertex, a), 0);
  for (const MeshCorner& corner : std::span(a.objects[0]->mesh.corners.data(), 12))
    EXPECT_EQ(corner.colour, 0xFF000000u + corner.vertexIndex);
  // Per corner wins when both counts are equal; other counts fall back to
  // the default colour.
  ImportedModel odd = Fan(4);
  ASSERT_TRUE(odd.meshes.front().colours.ResizeDiscard(5));
  odd.meshes.front().metadata.SetInt("ObjectDefaultColor", static_cast<int32_t>(0xFF123456u));
  Document b;
  ASSERT_EQ(Converted(odd, b), 0);
  EXPECT_EQ(b.objects[0]->mesh.corners[4].colour, 0xFF123456u);
  EXPECT_EQ(b.objects[0]->metadata.GetInt("ObjectDefaultColor"), static_cast<int32_t>(0xFF123456u));

  // Native files keep their transforms and properties.
  ImportedModel native = Fan(4, kFileTypeTvx);
  native.meshes.front().position = {1, 2, 3};
  native.meshes.front().rotation = {10, 20, 30};
  native.meshes.front().scale = {2, 2, 2};
  native.properties.Set("Custom", "kept");
  Document restored;
  ASSERT_EQ(Converted(native, restored, true), 0);
  const Mesh& made = restored.objects[0]->mesh;
  EXPECT_TRUE(Near(made.position, {1, 2, 3}, 0) && Near(made.rotation, {10, 20, 30}, 0) &&
              Near(made.scale, {2, 2, 2}, 0));
  EXPECT_EQ(restored.metadata.GetOr("Custom", ""), "kept");
  // Without the restore flag the file state is not taken and nothing is
  // left marked unsaved; other formats arrive centred on their origin.
  native.properties.Set("TVXszFilePath", "/somewhere/a.stl");
  native.properties.SetBool("TVXbHaveChanges", true);
  native.fileType = kFileTypeStlBinary;
  Document plain;
  ASSERT_EQ(Converted(native, plain), 0);
  EXPECT_NE(plain.filePath, "/somewhere/a.stl");
  EXPECT_FALSE(HasChanges(plain));
  EXPECT_FLOAT_EQ(plain.objects[0]->mesh.scale.x, 1.0f);
}

template <class T>
std::string Bytes(const T* data, size_t count = 1) {
  return std::string(reinterpret_cast<const char*>(data), count * sizeof(T));
}

// Every field of every object, byte for byte.
void ExpectSameObjects(const Document& a, const Document& b) {
  ASSERT_EQ(a.objects.size(), b.objects.size());
  for (size_t i = 0; i < a.objects.size(); ++i) {
    const Mesh& m = a.objects[i]->mesh;
    const Mesh& n = b.objects[i]->mesh;
    ASSERT_EQ(m.vertexCount, n.vertexCount);
    ASSERT_EQ(m.cornerCount, n.cornerCount);
    EXPECT_EQ(Bytes(m.positions.data(), m.vertexCount), Bytes(n.positions.data(), n.vertexCount));
    EXPECT_EQ(Bytes(m.corners.data(), m.cornerCount), Bytes(n.corners.data(), n.cornerCount));
    EXPECT_EQ(a.objects[i]->worldMatrix.m, b.objects[i]->worldMatrix.m);
    EXPECT_EQ(Bytes(&m.position) + Bytes(&m.rotation) + Bytes(&m.scale) + Bytes(m.boundsIndex, 6),
              Bytes(&n.position) + Bytes(&n.rotation) + Bytes(&n.scale) + Bytes(n.boundsIndex, 6));
    EXPECT_EQ(std::vector<bool>({m.unsavedChange, m.unautosavedChange, m.unrecordedChange,
                                 m.renderStale, m.hasMaterial, m.painted}),
              std::vector<bool>({n.unsavedChange, n.unautosavedChange, n.unrecordedChange,
                                 n.renderStale, n.hasMaterial, n.painted}));
    EXPECT_EQ(m.materialDiffuse, n.materialDiffuse);
    EXPECT_TRUE(a.objects[i]->metadata == b.objects[i]->metadata);
  }
}

// Taking the model over (the open's way) gives the objects the copying
// conversion gives, whether the origin is reset or kept, with the model's
// used-up arrays released on the way for the big mesh.
TEST(ConvertToDocument, TakingTheModelOverGivesTheSameObjects) {
  const std::tuple<uint32_t, int32_t, bool, bool> kCases[] = {
      {400'000, kFileTypePly, false, false}, {50, kFileTypeObj, true, false},
      {50, kFileTypeTvx, true, false},       {50, kFileTypeTvx, true, true},
      {50, kFileTypePly, false, true},
  };
  for (const auto& [triangles, fileType, normals, restore] : kCases) {
    SCOPED_TRACE(testing::Message() << triangles << " type " << fileType << " restore " << restore);
    RecordingProgress progress;
    const ImportedModel source = Fan(triangles, fileType, true, normals);
    Document copied;
    ASSERT_EQ(ConvertModelToDocument(source, copied, progress, restore), 0);
    ImportedModel taken = Fan(triangles, fileType, true, normals);
    Document moved;
    ASSERT_EQ(MoveModelIntoDocument(taken, moved, progress, restore), 0);
    ExpectSameObjects(copied, moved);
    EXPECT_EQ(taken.meshes.front().positions.data(), nullptr);
    EXPECT_EQ(taken.meshes.front().indices.data(), nullptr);
  }
}

// The open leaves normals it would only throw away unbuilt (the file's "vn"
// lines unread, no recomputed normals); the document is the one the full
// load and the copying conversion make.
TEST(LoadFileIntoDocument, SkippedNormalsGiveTheSameDocument) {
  test::TempFolder folder;
  std::string obj;
  for (int i = 0; i < 30; ++i)
    obj += FormatText("v %d %d %d %d 40 9\nvn 0 0.%d 1\n", i % 7, i * i % 11, i % 3, i * 8, i);
  for (int i = 1; i + 2 <= 30; ++i)
    obj += FormatText("f %d//%d %d//%d %d//-1\n", i, i, i + 1, 31 - i, i + 2);
  test::WriteFile(folder.File("m.obj"), obj);
  NullProgress progress;
  for (const char* name : {"m.obj", "m.ply", "m.stl"}) {
    SCOPED_TRACE(name);
    ImportedModel fan = Fan(300, kFileTypeUnknown, true, true);
    if (name[2] != 'o') {
      ASSERT_EQ(SaveModelFile(folder.File(name), progress, fan), kLoaded);
    }
    ImportedModel model;
    ASSERT_EQ(LoadModelFile(folder.File(name), progress, model), kLoaded);
    Document full;
    ASSERT_EQ(ConvertModelToDocument(model, full, progress, false), 0);
    Document opened;
    ASSERT_EQ(LoadFileIntoDocument(opened, progress, folder.File(name), false, nullptr), kLoaded);
    ASSERT_EQ(opened.objects.size(), 1u);
    ExpectSameObjects(full, opened);
  }
}

// Every save builds its model here, so no writer sees a removed triangle.
TEST(ConvertFromDocument, LiveCornersDefaultColourMaterialAndAutosaveKeys) {
  Document document;
  const uint32_t first = AddTriangles(document, Tetrahedron());
  const uint32_t second = AddTriangles(document, Tetrahedron({4, 0, 0}));
  AddTriangles(document, Tetrahedron({8, 0, 0}));
  // An object whose triangles were all removed is not written at all.
  const uint32_t dead = AddTriangles(document, Tetrahedron({12, 0, 0}));
  for (MeshCorner& corner : std::span(FindObject(document, dead)->mesh.corners.MutableData(), 12))
    corner.vertexIndex = kDeadIndex;
  RemoveObject(document, second);
  SceneObject* object = FindObject(document, first);
  ASSERT_NE(object, nullptr);
  // A deleted triangle (dead corners) is left out.
  for (int k = 3; k < 6; ++k)
    object->mesh.corners.MutableData()[k].vertexIndex = kDeadIndex;
  object->metadata.SetInt("ObjectDefaultColor", 1);
  object->metadata.Set("ObjectName", "first");
  SetColour(object->mesh, 1.0f, 0.0f, 0.0f, 1.0f);
  object->mesh.hasMaterial = true;
  object->mesh.materialAmbient = 0xFF010101u;
  document.metadata.Set("ModelName", "doc");
  document.filePath = "/x/y.stl";

  const ImportedModel model = ModelOf(document, true);
  ASSERT_EQ(model.meshes.size(), 2u);
  const ImportedMesh& mesh = model.meshes.front();
  EXPECT_EQ(std::vector<uint32_t>({mesh.indices.length(), mesh.colours.length(),
                                   mesh.normals.length(), mesh.positions.length()}),
            std::vector<uint32_t>({9, 9, 9, 4}));
  EXPECT_EQ(mesh.metadata.GetOr("ObjectName", ""), "first");
  // The colour set in the program wins over the one the file carried.
  EXPECT_EQ(static_cast<Colour32>(mesh.metadata.GetInt("ObjectDefaultColor")),
            object->mesh.lastSetColour);
  ASSERT_EQ(model.materials.size(), 1u);
  EXPECT_EQ(model.materials.front().ambient, 0xFF010101u);
  ASSERT_EQ(mesh.materialRefs.size(), 1u);
  EXPECT_EQ(mesh.materialRefs.front().endCorner, 9u);
  EXPECT_EQ(model.keepNormals, 1);
  EXPECT_EQ(model.upAxis, kUpAxisY);
  // Each save's properties whole: an autosave records the file state, a
  // normal save does not; keys a restored autosave left in the metadata
  // never reach a normal save, and an autosave writes the document's present
  // state, not the stale keys.
  const std::string autosaved =
      "ModelName=doc\nTVXbHaveChanges=1\nTVXbUntitled=1\nTVXiFileType=3\nTVXszFilePath=/x/y.stl\n";
  for (int stale = 0; stale < 2; ++stale) {
    if (stale) {
      document.metadata.Set("TVXszFilePath", "/old/place.stl");
      document.metadata.Set("TVXiFileType", "0");
      document.metadata.Set("TVXbUntitled", "0");
    }
    EXPECT_EQ(KeyValues(ModelOf(document, true).properties), autosaved) << stale;
    EXPECT_EQ(KeyValues(ModelOf(document).properties), "ModelName=doc\n") << stale;
  }
}

}  // namespace
}  // namespace torvane
