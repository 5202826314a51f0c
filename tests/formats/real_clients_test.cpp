// Other programs read what the writers produce: OBJ, PLY and 3DS through
// assimp, 3MF through lib3mf (positions, triangle counts and, for 3MF, the
// corner colours); and files written by assimp's exporters load here.
#ifdef TORVANE_REAL_CLIENTS

#include <assimp/cexport.h>
#include <assimp/cimport.h>
#include <assimp/scene.h>

#include "Model/COM/NMR_DLLInterfaces.h"
#include "format_test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define TORVANE_LEAK_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TORVANE_LEAK_CHECKS 1
#endif
#endif
#ifdef TORVANE_LEAK_CHECKS
#include <sanitizer/lsan_interface.h>
#endif

namespace torvane {
namespace {

// lib3mf 1.8 leaves three of libzip's records unfreed after reading any
// package (its own ones too); its allocations are not this program's leaks.
struct IgnoreLib3mfLeaks {
#ifdef TORVANE_LEAK_CHECKS
  IgnoreLib3mfLeaks() {
    __lsan_disable();
  }
  ~IgnoreLib3mfLeaks() {
    __lsan_enable();
  }
#endif
};

using namespace test;

// A small closed mesh with corners that share positions and per-face colours.
ImportedModel Octahedron(uint32_t copies = 1) {
  ImportedModel model;
  ImportedMesh& mesh = AppendMesh(model);
  const Vec3 p[] = {{1, 0, 0}, {-1, 0, 0}, {0, 2, 0}, {0, -2, 0}, {0, 0, 3}, {0, 0, -3}};
  const uint32_t faces[] = {0, 2, 4, 2, 1, 4, 1, 3, 4, 3, 0, 4, 2, 0, 5, 1, 2, 5, 3, 1, 5, 0, 3, 5};
  mesh.positions.ResizeDiscard(6 * copies);
  mesh.indices.ResizeDiscard(24 * copies);
  mesh.colours.ResizeDiscard(24 * copies);
  for (uint32_t c = 0; c < copies; ++c) {
    for (uint32_t i = 0; i < 6; ++i)
      mesh.positions.MutableData()[6 * c + i] = p[i] + Vec3{4.0f * c, 0.5f, 0.25f};
    for (uint32_t k = 0; k < 24; ++k) {
      mesh.indices.MutableData()[24 * c + k] = 6 * c + faces[k];
      mesh.colours.MutableData()[24 * c + k] = 0xFF000000u | (0x1F * (k / 3 + 1)) << 8 | c;
    }
  }
  return model;
}

std::vector<Triangle> AssimpTriangles(const aiScene* scene) {
  std::vector<Triangle> out;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const aiFace& face = mesh->mFaces[f];
      if (face.mNumIndices != 3) continue;
      Triangle& t = out.emplace_back();
      for (int j = 0; j < 3; ++j) {
        const aiVector3D& v = mesh->mVertices[face.mIndices[j]];
        t[j] = {v.x, v.y, v.z};
      }
    }
  }
  return out;
}

TEST(RealClients, AssimpReadsObjPlyAnd3ds) {
  TempFolder folder;
  NullProgress progress;
  const std::tuple<const char*, ModelWriter, bool, float, uint32_t> formats[] = {
      {"a.obj", WriteObj, false, 1e-3f, 1},
      {"a.ply", WritePly, true, 1e-6f, 1},
      {"a.3ds", Write3ds, false, 1e-6f, 1},
      {"big.3ds", Write3ds, false, 0, 3000}};  // the 3DS parts all arrive
  for (const auto& [name, write, swapYZ, tolerance, copies] : formats) {
    SCOPED_TRACE(name);
    ImportedModel model = Octahedron(copies);
    const std::vector<Triangle> expected = TrianglesOf(model.meshes.front(), swapYZ);
    const std::string path = folder.File(name);
    ASSERT_EQ(write(path, progress, model), kStatusDone);
    const aiScene* scene = aiImportFile(path.c_str(), 0);
    ASSERT_NE(scene, nullptr) << aiGetErrorString();
    if (copies > 1) {
      EXPECT_EQ(AssimpTriangles(scene).size(), expected.size());
    } else {
      ExpectSameTriangles(expected, AssimpTriangles(scene), tolerance);
    }
    aiReleaseImport(scene);
  }
}

TEST(RealClients, Lib3mfReadsOur3mfWithColours) {
  using namespace NMR;
  TempFolder folder;
  NullProgress progress;
  ImportedModel model = Octahedron();
  model.properties.Set("Title", "Octahedron & co");
  const std::vector<Triangle> expected = TrianglesOf(model.meshes.front(), true);
  const std::vector<Colour32> colours = Values(model.meshes.front().colours);
  const std::string path = folder.File("a.3mf");
  ASSERT_EQ(Write3mf(path, progress, model), kStatusDone);

  [[maybe_unused]] IgnoreLib3mfLeaks ignore;
  PLib3MFBase *lib = nullptr, *reader = nullptr, *meshes = nullptr, *mesh = nullptr,
              *properties = nullptr;
  BOOL more = false;
  ASSERT_EQ(lib3mf_createmodel(&lib), LIB3MF_OK);
  ASSERT_EQ(lib3mf_model_queryreader(lib, "3mf", &reader), LIB3MF_OK);
  ASSERT_EQ(lib3mf_reader_readfromfileutf8(reader, path.c_str()), LIB3MF_OK);
  ASSERT_EQ(lib3mf_model_getmeshobjects(lib, &meshes), LIB3MF_OK);
  ASSERT_EQ(lib3mf_resourceiterator_movenext(meshes, &more), LIB3MF_OK);
  ASSERT_TRUE(more);
  ASSERT_EQ(lib3mf_resourceiterator_getcurrent(meshes, &mesh), LIB3MF_OK);
  ASSERT_EQ(lib3mf_meshobject_createpropertyhandler(mesh, &properties), LIB3MF_OK);
  DWORD vertexCount = 0, triangleCount = 0;
  lib3mf_meshobject_getvertexcount(mesh, &vertexCount);
  lib3mf_meshobject_gettrianglecount(mesh, &triangleCount);
  EXPECT_EQ(vertexCount, 6u);
  ASSERT_EQ(triangleCount, 8u);
  std::vector<Triangle> read(triangleCount);
  for (DWORD t = 0; t < triangleCount; ++t) {
    MODELMESHTRIANGLE triangle;
    MODELMESH_TRIANGLECOLOR_SRGB colour;
    ASSERT_EQ(lib3mf_meshobject_gettriangle(mesh, t, &triangle), LIB3MF_OK);
    ASSERT_EQ(lib3mf_propertyhandler_getcolor(properties, t, &colour), LIB3MF_OK);
    for (int j = 0; j < 3; ++j) {
      MODELMESHVERTEX v;
      lib3mf_meshobject_getvertex(mesh, triangle.m_nIndices[j], &v);
      read[t][j] = {v.m_fPosition[0], v.m_fPosition[1], v.m_fPosition[2]};
      EXPECT_EQ(colour.m_Colors[j].m_Green, (colours[3 * t + j] >> 8) & 0xFF) << t << " " << j;
      EXPECT_EQ(colour.m_Colors[j].m_Alpha, colours[3 * t + j] >> 24);
    }
  }
  ExpectSameTriangles(expected, read, 1e-5f);
  for (PLib3MFBase* handle : {properties, mesh, meshes, reader, lib})
    lib3mf_release(handle);
}

// A model written by us, exported again by assimp in each format. (assimp's
// binary PLY export declares uchar colours but writes floats, so its files
// are damaged and are not used here.)
TEST(RealClients, FilesWrittenByAssimpLoad) {
  TempFolder folder;
  NullProgress progress;
  ImportedModel model = Octahedron();
  ASSERT_EQ(WriteObj(folder.File("seed.obj"), progress, model), kStatusDone);
  const aiScene* scene = aiImportFile(folder.File("seed.obj").c_str(), 0);
  ASSERT_NE(scene, nullptr);
  for (const std::string id : {"obj", "ply", "3ds", "3mf", "stl", "stlb"}) {
    SCOPED_TRACE(id);
    const std::string path = folder.File(id == "stlb" ? "xb.stl" : "x." + id);
    ASSERT_EQ(aiExportScene(scene, id.c_str(), path.c_str(), 0), aiReturn_SUCCESS)
        << aiGetErrorString();
    ImportedModel loaded;
    ASSERT_EQ(LoadModelFile(path, progress, loaded), kLoaded);
    uint32_t triangles = 0;
    for (const ImportedMesh& mesh : loaded.meshes)
      triangles += mesh.indices.length() / 3;
    EXPECT_EQ(triangles, 8u);
  }
  aiReleaseImport(scene);
}

}  // namespace
}  // namespace torvane

#endif  // TORVANE_REAL_CLIENTS
