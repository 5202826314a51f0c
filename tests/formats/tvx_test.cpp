// TVX reader and writer: exact round trips, the autosave file name, and
// damaged files that must fail cleanly.

#include "format_test_support.h"
#include "formats/tvx/tvx_chunks.h"

namespace torvane {
namespace {

using namespace tvx;

// Builds TVX bytes by hand, for files the writer would never produce.
struct TvxBytes {
  std::string data;

  template <class T>
  TvxBytes& Put(T value) {
    data.append(reinterpret_cast<const char*>(&value), sizeof(T));
    return *this;
  }
  TvxBytes& Header(uint16_t version = kVersionWritten) {
    return Put(kMagic).Put(kHeaderOne).Put(kHeaderSize32).Put(version);
  }
  size_t Open(uint16_t id, uint16_t kind = kKindContainer) {
    const size_t at = data.size();
    Put(id).Put(kind).Put(uint64_t{0});
    return at;
  }
  void Close(size_t at) {
    const uint64_t length = data.size() - at - kChunkHeaderBytes;
    std::memcpy(data.data() + at + 4, &length, 8);
  }
  // A chunk with explicit length (which may lie) and payload.
  TvxBytes& Chunk(uint16_t id, uint16_t kind, uint64_t length, const std::string& payload) {
    Put(id).Put(kind).Put(length);
    data += payload;
    return *this;
  }
  TvxBytes& Text(uint16_t id, const std::string& text) {
    return Chunk(id, kKindText, text.size() + 1, text + std::string(1, '\0'));
  }
  TvxBytes& Positions(const std::vector<Vec3>& positions) {
    std::string raw(positions.size() * 12, '\0');
    if (!positions.empty()) std::memcpy(raw.data(), positions.data(), raw.size());
    return Chunk(kPositions, kKindRaw, raw.size(), raw);
  }
  TvxBytes& Corners(const std::vector<uint32_t>& indices) {
    std::string raw;  // 20-byte records, the position index first
    for (uint32_t index : indices)
      raw += std::string(reinterpret_cast<const char*>(&index), 4) + std::string(16, '\0');
    return Chunk(kCorners, kKindRaw, raw.size(), raw);
  }
};

// An object whose mesh data chunk holds what `body` puts in; by default
// one triangle (three positions, three corners).
template <class Body>
void PutObject(TvxBytes& b, Body body) {
  const size_t object = b.Open(kObject);
  const size_t data = b.Open(kMeshData);
  body(b);
  b.Close(data);
  b.Close(object);
}
void PutTriangleObject(TvxBytes& b) {
  PutObject(b, [](TvxBytes& b) {
    b.Positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}).Corners({0, 1, 2});
  });
}

// A whole file: the header, a root holding what `body` puts in, the trailer.
template <class Body>
TvxBytes Framed(Body body, uint16_t version = kVersionWritten) {
  TvxBytes b;
  b.Header(version);
  const size_t root = b.Open(kRoot);
  body(b);
  b.Close(root);
  b.Put(kMagic);
  return b;
}

ImportedModel Read(const TvxBytes& b) {
  return test::Loaded(ReadTvx, b.data);
}

ImportedMesh MakeMesh(uint32_t triangles, float seed) {
  ImportedMesh mesh;
  const uint32_t vertices = triangles + 2;
  mesh.positions.ResizeDiscard(vertices);
  for (uint32_t i = 0; i < vertices; ++i) {
    mesh.positions.MutableData()[i] = {seed + float(i), seed * 0.5f - float(i),
                                       1.0f / float(i + 3)};
  }
  mesh.indices.ResizeDiscard(triangles * 3);
  mesh.normals.ResizeDiscard(triangles * 3);
  mesh.colours.ResizeDiscard(triangles * 3);
  for (uint32_t k = 0; k < triangles * 3; ++k) {
    mesh.indices.MutableData()[k] = (k / 3) + (k % 3);
    // Arbitrary bit patterns, negative zero among them: they must survive.
    mesh.normals.MutableData()[k] = {-0.0f, float(k) * 0.1f, 1.0f / 3.0f};
    mesh.colours.MutableData()[k] = 0x01020304u * (k + 1);
  }
  return mesh;
}

TEST(Tvx, RoundTripKeepsTransformsCornersAndProperties) {
  ImportedModel model;
  model.properties.Set("ModelName", "widget");
  model.properties.Set("Formula", "a=b=c");
  ImportedMesh& first = model.meshes.emplace_back(MakeMesh(5, 2.0f));
  first.position = {1.5f, -2.25f, 3.0f};
  first.rotation = {10.0f, 270.0f, -45.5f};
  first.scale = {0.5f, 2.0f, 1.25f};
  first.metadata.SetInt("ObjectDefaultColor", static_cast<int32_t>(0xFF112233u));
  first.metadata.Set("TVXObjectComment", "first object");
  first.metadata.Set("ObjectName", "Bracket");
  ImportedMaterial material;
  material.ambient = 0xFF010101;
  material.diffuse = 0xFF808080;
  material.hasAmbient = material.hasDiffuse = true;
  MaterialRef ref;
  ref.materialId = AddMaterial(model, material).materialId;
  ref.endCorner = 15;
  first.materialRefs.push_front(ref);
  model.meshes.emplace_back();  // no positions: not written
  model.meshes.emplace_back(MakeMesh(4, -7.0f)).scale = {3.0f, 3.0f, 3.0f};

  const std::string bytes = test::Written(WriteTvx, model, "model.tvx");
  EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(reinterpret_cast<const char*>(&kMagic), 4));
  const ImportedModel back = test::Loaded(ReadTvx, bytes);
  EXPECT_EQ(back.fileType, kFileTypeTvx);
  EXPECT_EQ(back.failureReason, kFailureNone);
  model.meshes.erase(std::next(model.meshes.begin()));
  EXPECT_EQ(test::Describe(back), test::Describe(model));
}

TEST(Tvx, HeaderChecksAndOpenFailures) {
  test::TempFolder folder;
  test::RecordingProgress monitor;
  ImportedModel model;
  const std::string missing = folder.File("missing.tvx"), path = folder.File("t.tvx");
  EXPECT_EQ(ReadTvx(missing, monitor, model), kFailed);
  EXPECT_EQ(model.failureReason, 3u);
  TvxBytes wrongMagic, wrongRoot;
  wrongMagic.Put(uint32_t{0x12345678}).Put(kHeaderOne).Put(kHeaderSize32).Put(kVersionWritten);
  wrongMagic.Close(wrongMagic.Open(kRoot));
  // A root chunk of the wrong kind is not a TVX file either.
  wrongRoot.Header().Chunk(kRoot, kKindRaw, 0, "");
  for (const TvxBytes* b : {&wrongMagic, &wrongRoot}) {
    test::WriteFile(path, b->data);
    EXPECT_EQ(ReadTvx(path, monitor, model), kFailed);
  }
  EXPECT_EQ(monitor.errors, (std::vector<std::string>{"File " + missing + " can not be opened.",
                                                      "File " + path + " was not readable.",
                                                      "File " + path + " was not readable."}));

  // Version 2 is refused; version 0 and 1 are read.
  for (uint16_t version : {uint16_t{0}, uint16_t{1}, uint16_t{2}, uint16_t{0xFFFF}}) {
    EXPECT_EQ(test::ReadResult(ReadTvx, Framed(PutTriangleObject, version).data),
              version < 2 ? kLoaded : kFailed)
        << version;
  }
}

// Unknown chunks at every level are skipped; property texts split at their
// first "=".
TEST(Tvx, UnknownChunksAreSkippedAndPropertiesSplitAtTheFirstEqualsSign) {
  const TvxBytes b = Framed([](TvxBytes& b) {
    b.Chunk(0x7777, kKindRaw, 5, "junk!");
    // An unknown container whose contents would be nonsense if walked.
    b.Chunk(0x3000, kKindContainer, 4, "\xff\xff\xff\xff");
    for (const char* text : {"Note=x=1;y=2", "=no key", "NoValue=", "no equals"})
      b.Text(kDocumentProperty, text);
    // A text without its terminating zero keeps all its bytes.
    b.Chunk(kDocumentProperty, kKindText, 7, "Open=ok");
    // Text stops at the first zero.
    b.Chunk(kDocumentProperty, kKindText, 9, std::string("Cut=ab\0cd", 9));
    const size_t object = b.Open(kObject);
    b.Chunk(0x1999, kKindU32, 4, "abcd");
    const size_t data = b.Open(kMeshData);
    b.Chunk(0x12FF, kKindText, 3, std::string("hi\0", 3));
    b.Positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    // A known id with an unexpected kind is skipped too.
    b.Chunk(kDefaultColour, kKindText, 2, std::string("x\0", 2));
    b.Corners({0, 1, 2});
    b.Close(data);
    const size_t transform = b.Open(kTransform);
    b.Chunk(0x1199, kKindF32, 4, "zzzz");
    b.Put(kScaleY).Put(uint16_t{kKindF32}).Put(uint64_t{4}).Put(2.5f);
    b.Close(transform);
    b.Text(kMeshProperty, std::string(300, 'k') + "=long key");
    b.Text(kMeshProperty, "Path=C:\\a=b");
    b.Close(object);
  });
  const ImportedModel model = Read(b);
  ASSERT_EQ(model.meshes.size(), 1u);
  const ImportedMesh& mesh = model.meshes.front();
  EXPECT_EQ(mesh.indices.length(), 3u);
  EXPECT_EQ(mesh.scale.y, 2.5f);
  // None for "", "NoValue" or "no equals"; keys are cut to 260 bytes.
  EXPECT_EQ(test::KeyValues(model.properties), "Cut=ab\nNote=x=1;y=2\nOpen=ok\n");
  EXPECT_EQ(test::KeyValues(mesh.metadata),
            "Path=C:\\a=b\n" + std::string(260, 'k') + "=long key\n");
}

TEST(Tvx, DamagedAndTruncatedFilesFailWithoutCrashing) {
  // Chunks longer than their parent or the file, corners that name no
  // position or make no whole triangle: files of the broken corpus.
  // Array lengths that are not whole records: the partial record is ignored.
  const ImportedModel partial = Read(Framed([](TvxBytes& b) {
    PutObject(b, [](TvxBytes& b) {
      b.Chunk(kPositions, kKindRaw, 3 * 12 + 5, std::string(3 * 12 + 5, '\0'));
      b.Chunk(kCorners, kKindRaw, 3 * 20 + 19, std::string(3 * 20 + 19, '\0'));
    });
  }));
  EXPECT_EQ(partial.meshes.front().positions.length(), 3u);
  EXPECT_EQ(partial.meshes.front().indices.length(), 3u);
  // An object without positions is dropped, even with corners.
  EXPECT_TRUE(Read(Framed([](TvxBytes& b) {
                PutObject(b, [](TvxBytes& b) { b.Corners({0, 1, 2}); });
              })).meshes.empty());

  // Every truncation of a valid file fails (or, cut only in the trailer,
  // loads), and none crashes.
  ImportedModel full;
  full.properties.Set("A", "b");
  full.meshes.emplace_back(MakeMesh(3, 1.0f)).metadata.Set("ObjectName", "x");
  const std::string bytes = test::Written(WriteTvx, full, "full.tvx");
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_EQ(test::ReadResult(ReadTvx, bytes.substr(0, cut)),
              cut >= bytes.size() - 4 ? kLoaded : kFailed)
        << cut;
  }
}

TEST(TvxAutosaveName, NameKeepsTheDocumentsExtension) {
  EXPECT_EQ(AutosaveFileName("/home/u/Documents/model.stl"), "model.stl.autosave.tvx");
  EXPECT_EQ(AutosaveFileName("/home/u/Documents/Untitled.stl"), "Untitled.stl.autosave.tvx");
  EXPECT_EQ(AutosaveFileName("part.tvx"), "part.tvx.autosave.tvx");
  EXPECT_EQ(AutosaveFileName("C:\\work\\a.b\\noext"), "noext.autosave.tvx");
  EXPECT_EQ(AutosaveFileName("/home/u/folder/"), "");
  EXPECT_EQ(AutosaveFileName(""), "");
}

}  // namespace
}  // namespace torvane
