// 3MF reading (model part choice, colours, build items, components, kept
// properties, damaged packages, temporary folder removal) and writing (exact
// texts, palette, escaping, colour round trip).

#include "archive_test_support.h"
#include "format_test_support.h"
#include "formats/3mf/3mf_parts.h"
#include "formats/zip/zip.h"
#include "platform/available_memory.h"

namespace torvane {
namespace {

using namespace test;

const char kRels[] =
    "<?xml version=\"1.0\"?><Relationships "
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Target=\"/3D/main.model\" Id=\"r\" "
    "Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\"/></Relationships>";

std::string ModelXml(const std::string& resources, const std::string& build = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<model unit=\"inch\" xml:lang=\"en-GB\" "
         "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\" "
         "xmlns:m=\"http://schemas.microsoft.com/3dmanufacturing/material/2015/02\">\n"
         "<metadata name=\"Title\">Cube &amp; co</metadata>\n<metadata name=\"Designer\">Ann"
         "</metadata>\n<resources>" +
         resources + "</resources>\n<build>" + build + "</build></model>";
}

const char kTriangle[] =
    "<vertices><vertex x=\"0\" y=\"0\" z=\"0\"/><vertex x=\"1\" y=\"0\" z=\"0\"/>"
    "<vertex x=\"0\" y=\"2\" z=\"0\"/></vertices>";

// An object of the triangle above; `head` holds its id and other attributes.
std::string TriangleObject(const std::string& head) {
  return "<object id=" + head + "><mesh>" + kTriangle +
         "<triangles><triangle v1=\"0\" v2=\"1\" v3=\"2\"/></triangles></mesh></object>";
}

// (Relationships that name no part: 3mf_rels_to_nowhere.3mf of the broken
// corpus.)
TEST(ThreeMfRead, ModelPartChoice) {
  // A slice stack comes first in the archive; the relationships name the mesh.
  const ImportedModel model = Loaded(
      Read3mf,
      Archive({{"2D/slices.model", "<model><resources><slicestack id=\"9\"/></resources></model>"},
               {"_rels/.rels", kRels},
               {"3D/main.model", ModelXml(TriangleObject("\"4\""))}}));
  ASSERT_EQ(model.meshes.size(), 1u);
  EXPECT_EQ(model.meshes.front().metadata.GetOr("id", ""), "4");
  // Without relationships, any ".model" entry with data serves.
  EXPECT_EQ(Loaded(Read3mf, Archive({{"3D/empty.model", ""},
                                     {"Models/part.MODEL", ModelXml(TriangleObject("\"1\""))}}))
                .meshes.size(),
            1u);
}

TEST(ThreeMfRead, ColoursTransformsComponentsAndKeptProperties) {
  const std::string resources =
      "<m:colorgroup id=\"5\"><m:color color=\"#FF0000\"/><m:color color=\"#00FF0080\"/>"
      "</m:colorgroup>"
      "<basematerials id=\"6\"><base name=\"Steel\" displaycolor=\"#0000FF\"/></basematerials>"
      "<color id=\"12\" value=\"#123456\"/><color id=\"13\" value=\"#ABCDEF\"/>"
      "<object id=\"1\" name=\"Part &lt;1&gt;\" partnumber=\"P-1\" pid=\"6\" pindex=\"0\"><mesh>" +
      std::string(kTriangle) +
      "<triangles><triangle v1=\"0\" v2=\"1\" v3=\"2\" p1=\"1\"/>"
      "<triangle v1=\"0\" v2=\"2\" v3=\"1\" p1=\"0\" p3=\"1\" pid=\"5\"/>"
      "<triangle v1=\"2\" v2=\"1\" v3=\"0\" colorid=\"13, 12\"/>"
      "<triangle v1=\"1\" v2=\"2\" v3=\"0\"/></triangles></mesh></object>"
      "<object id=\"2\"><components><component objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 0 0 "
      "5\"/></components></object>" +
      TriangleObject("\"3\" type=\"support\"");
  const std::string build =
      "<item objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 10 0 0\" partnumber=\"B7\"/>"
      "<item objectid=\"2\"/><item objectid=\"3\" transform=\"2 0 0 0 2 0 0 0 2\"/>";
  const ImportedModel model =
      Loaded(Read3mf, Archive({{"3D/3dmodel.model", ModelXml(resources, build)}}));
  EXPECT_EQ(model.fileType, kFileType3mf);
  ASSERT_EQ(model.meshes.size(), 2u);  // the components-only object has no mesh

  const ImportedMesh& part = model.meshes.front();
  EXPECT_EQ(KeyValues(part.metadata),
            "ObjectDefaultColor=-16776961\nid=1\nname=Part <1>\npartnumber=P-1\npid=6\npindex=0\n"
            "type=model\n");
  // Build item translation 10 along X.
  EXPECT_FLOAT_EQ(part.positions[0].x, 10.0f);
  EXPECT_FLOAT_EQ(part.positions[2].y, 2.0f);
  // p1 alone colours all three corners, from the last group read (base
  // material 6), whose index 1 is missing: the object colour. Then group 5
  // index 0, no p2 (as p1), p3 = index 1 with alpha; colorid 13 and 12 with
  // the third missing (the first); an uncoloured triangle.
  EXPECT_EQ(Values(part.colours),
            (std::vector<Colour32>{0xFF0000FFu, 0xFF0000FFu, 0xFF0000FFu, 0xFFFF0000u, 0xFFFF0000u,
                                   0x8000FF00u, 0xFFABCDEFu, 0xFF123456u, 0xFFABCDEFu, 0xFF0000FFu,
                                   0xFF0000FFu, 0xFF0000FFu}));
  ASSERT_EQ(part.materialRefs.size(), 1u);
  EXPECT_EQ(part.materialRefs.front().endCorner, 12u);

  const ImportedMesh& support = model.meshes.back();
  EXPECT_EQ(support.metadata.GetOr("type", ""), "support");
  EXPECT_TRUE(support.colours.empty());  // no colour anywhere: dropped
  EXPECT_FLOAT_EQ(support.positions[1].x, 2.0f);
  // The model's attributes, build items and components are kept for the next save.
  EXPECT_EQ(
      KeyValues(model.properties),
      "BuildItem:object_1=1\nBuildItem:object_2=2\nBuildItem:object_3=3\n"
      "BuildItem:partnumber_1=B7\nBuildItem:transform_1=1 0 0 0 1 0 0 0 1 10 0 0\n"
      "BuildItem:transform_3=2 0 0 0 2 0 0 0 2\nComponent:transform_1=1 0 0 0 1 0 0 0 1 0 0 5\n"
      "Designer=Ann\nModel:unit=inch\nModel:xml:lang=en-GB\n"
      "Model:xmlns=http://schemas.microsoft.com/3dmanufacturing/core/2015/02\n"
      "Model:xmlns:m=http://schemas.microsoft.com/3dmanufacturing/material/2015/02\n"
      "ModelName=Cube & co\n");
}

// A file that is no zip, one without a model part and an index past the
// vertices are files of the broken corpus.
TEST(ThreeMfRead, APartBeyondTheMemoryOrAMissingZipComponentFails) {
  TempFolder temporary;
  test::TmpDirScope scope(temporary.path());
  const std::string big = Archive({{"3D/3dmodel.model", ModelXml(std::string(100000, ' '))}});
  SetAvailableMemoryOverride(1000000);
  ImportedModel tooLarge;
  EXPECT_EQ(ReadBytes(Read3mf, big, tooLarge), kFailed);
  EXPECT_EQ(tooLarge.failureReason, kFailureOutOfMemory);
  SetAvailableMemoryOverride(std::nullopt);
  EXPECT_EQ(temporary.EntryCount(), 0u);

  SetZipMissingForTesting(true);
  ImportedModel model;
  RecordingProgress recording;
  WriteFile(temporary.File("big.3mf"), big);
  EXPECT_EQ(Read3mf(temporary.File("big.3mf"), recording, model), kFailed);
  EXPECT_EQ(Write3mf(temporary.File("w.3mf"), recording, model), kStatusFailed);
  EXPECT_EQ(recording.errors,
            (std::vector<std::string>{
                "Unable to load the 3MF format file due to missing Zip uncompression component",
                "Unable to save to 3MF format due to missing Zip compression component"}));
  SetZipMissingForTesting(false);
}

TEST(ThreeMfRead, StreamedModelPartMatchesTheTreeWalk) {
  const std::string resources =
      "<!-- colours first --><m:colorgroup id=\"5\"><m:color color=\"#FF0000\"/>"
      "<m:color color=\"#00FF0080\"></m:color></m:colorgroup>"
      "<color id=\"12\" value=\"#123456\"/>"
      "<object id=\"1\" name=\"A &amp; B\" pid=\"5\" pindex=\"1\"><mesh>" +
      std::string(kTriangle) +
      "<extension><vertex x=\"9\" y=\"9\" z=\"9\"/></extension>"
      "<triangles><triangle v1=\"0\" v2=\"1\" v3=\"2\"/>"
      "<triangle v1=\"2\" v2=\"1\" v3=\"0\" p1=\"0\" p3=\"1\"/>"
      "<triangle v1=\"1\" v2=\"0\" v3=\"2\" colorid=\"12\" v1=\"2\"/>"
      "</triangles></mesh></object><object id=\"2\"/>"
      "<object id=\"3\"><mesh><vertices><vertex x=\"1.5e-3\" y=\"-0\" z=\".5\"/></vertices>"
      "<triangles><triangle v1=\"0\" v2=\"0\" v3=\"-4\"/></triangles></mesh></object>";
  const std::string full =
      ModelXml(resources, "<item objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 0 0 2\"/>") +
      "<metadata name=\"Late\">a<b>hidden</b>c<![CDATA[<d>]]></metadata>";
  // Whole, cut inside a triangle, and broken by a stray "<" and a wrong end tag.
  const std::string texts[] = {full, full.substr(0, full.find("p3=")),
                               "<model><resources><object id=\"4\"><mesh>" +
                                   std::string(kTriangle) +
                                   "<triangles><triangle v1=\"0\" v2=\"1\" v3=\"2\"/>"
                                   "</oops>< <triangle v1=\"1\" v2=\"1\" v3=\"1\"/>"};
  NullProgress progress;
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(text.size() - 40));
    XmlDocument document;
    std::string error;
    ASSERT_EQ(ParseXmlBytes(text, nullptr, document, error), 0);
    ImportedModel tree;
    ASSERT_EQ(Walk3mfModel(document, progress, tree), kLoaded);
    ASSERT_FALSE(tree.meshes.empty());
    for (size_t block : {1, 5, 64, 1 << 20}) {
      Trickle source(text);
      ImportedModel streamed;
      ASSERT_EQ(Stream3mfModel(source, progress, streamed, block), kLoaded);
      EXPECT_EQ(Describe(streamed), Describe(tree)) << "block " << block;
    }
  }
  Trickle source(full);
  ImportedModel cancelled;
  RecordingProgress cancelling(2);
  EXPECT_EQ(Stream3mfModel(source, cancelling, cancelled), kCancelled);
}

TEST(ThreeMfRead, ModelPartEncodingsAndDamagedParts) {
  const std::string object = TriangleObject("\"7\"");
  const auto modelWith = [&](const std::string& title) {
    return "<model><metadata name=\"Title\">" + title + "</metadata><resources>" + object +
           "</resources></model>";
  };
  const auto titleOf = [&](const std::string& part) {
    const ImportedModel model = Loaded(Read3mf, Archive({{"3D/3dmodel.model", part}}));
    EXPECT_EQ(model.meshes.size(), 1u);
    return model.properties.GetOr("ModelName", "<none>");
  };
  const std::string utf8 = modelWith("caf\xC3\xA9");
  EXPECT_EQ(titleOf(utf8), "caf\xC3\xA9");
  // Not UTF-8 as a whole, even where the bytes after a NUL break it: the
  // Western code page throughout.
  EXPECT_EQ(titleOf(modelWith("caf\xE9")), "caf\xC3\xA9");
  EXPECT_EQ(titleOf(utf8 + std::string(1, '\0') + "\xE9"), "caf\xC3\x83\xC2\xA9");

  // The part the relationships name is damaged after all its text was read:
  // nothing of it stays, and the next ".model" part is the model.
  const std::string damaged =
      "<model><metadata name=\"Damaged\">yes</metadata><resources>" + TriangleObject("\"1\"") +
      "<color id=\"3\" value=\"#FFFFFF\"/></resources></model><!-- MARK -->";
  std::string bytes =
      Archive({{"_rels/.rels", kRels}, {"3D/main.model", damaged}, {"3D/other.model", utf8}}, true);
  const size_t mark = bytes.find("MARK");
  ASSERT_NE(mark, std::string::npos);
  bytes[mark] = 'N';
  const ImportedModel model = Loaded(Read3mf, bytes);
  ASSERT_EQ(model.meshes.size(), 1u);
  EXPECT_EQ(model.meshes.front().metadata.GetOr("id", ""), "7");
  EXPECT_FALSE(model.properties.Has("Damaged"));
  EXPECT_TRUE(model.materials.empty());
  EXPECT_EQ(model.properties.GetOr("ModelName", ""), "caf\xC3\xA9");
}

ImportedModel SharedCornerModel() {
  ImportedModel model;
  model.properties.Set("ModelName", "Two <faces>");
  model.properties.Set("Note", "a \"quoted\" & 'odd' value");
  model.properties.Set("TVXszFilePath", "/home/x.tvx");
  // Corners 2 and 3 share position 2 with different colours.
  const Colour32 a = 0xFF112233u, b = 0xFF445566u;
  AppendMeshOf(model, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 3}}, {0, 1, 2, 2, 1, 3},
               {a, 0x80FFFFFFu, a, b, b, b})
      .metadata.Set("name", "A&B");
  return model;
}

TEST(ThreeMfWrite, RoundTripKeepsCornerColoursNamesAndProperties) {
  ImportedModel model = SharedCornerModel();
  const std::vector<Colour32> colours = Values(model.meshes.front().colours);
  const ImportedModel back = Loaded(Read3mf, Written(Write3mf, model, "out.3mf"));
  ASSERT_EQ(back.meshes.size(), 1u);
  // Positions as written are checked to the letter below; here the corners
  // that share a position keep their own colours.
  EXPECT_EQ(back.meshes.front().positions.length(), 4u);
  EXPECT_EQ(Values(back.meshes.front().colours), colours);
  EXPECT_EQ(back.meshes.front().metadata.GetOr("name", ""), "A&B");
  EXPECT_EQ(back.properties.GetOr("ModelName", ""), "Two <faces>");
  EXPECT_EQ(back.properties.GetOr("Note", ""), "a \"quoted\" & 'odd' value");
  EXPECT_FALSE(back.properties.Has("TVXszFilePath"));
}

TEST(ThreeMfWrite, ExactPartsWithoutColours) {
  TempFolder folder;
  ImportedModel model = SharedCornerModel();
  model.meshes.front().colours.Free();
  model.meshes.front().metadata.Remove("name");
  model.properties.Clear();
  model.properties.Set("BuildItem:partnumber_1", "X9");
  AppendMesh(model).metadata.Set("type", "other");  // no positions: not written
  NullProgress progress;
  const std::string path = folder.File("plain.3mf");
  ASSERT_EQ(Write3mf(path, progress, model), kStatusDone);
  EXPECT_EQ(EntryBytes(path, "3D/3dmodel.model"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<model unit=\"millimeter\" "
            "xml:lang=\"en-US\" "
            "xmlns:m=\"http://schemas.microsoft.com/3dmanufacturing/material/2015/02\" "
            "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\" >"
            "<resources><object id=\"1\" type=\"model\" ><mesh><vertices>"
            "<vertex x=\"0.000000\" y=\"0.000000\" z=\"0.000000\" />\n"
            "<vertex x=\"1.000000\" y=\"0.000000\" z=\"0.000000\" />\n"
            "<vertex x=\"0.000000\" y=\"0.000000\" z=\"1.000000\" />\n"
            "<vertex x=\"1.000000\" y=\"3.000000\" z=\"1.000000\" />\n</vertices>\n"
            "<triangles><triangle v1=\"0\" v2=\"1\" v3=\"2\" />\n"
            "<triangle v1=\"2\" v2=\"1\" v3=\"3\" />\n</triangles>\n</mesh>\n</object>\n"
            "</resources>\n<build><item objectid=\"1\" partnumber=\"X9\" />\n</build>\n"
            "</model>\n");
  EXPECT_EQ(EntryBytes(path, "_rels/.rels"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">\r\n"
            "<Relationship Target=\"/3D/3dmodel.model\" Id=\"rel10\" "
            "Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\" />\r\n"
            "</Relationships>\r\n");
  EXPECT_EQ(ListZipEntries(path).value_or(std::vector<ZipEntry>{}).size(), 3u);
}

}  // namespace
}  // namespace torvane
