// torvane_assimp_peer: libassimp as a whole process, the peer that
// compare_open.sh times beside `torvane-cli info`.
//
//   torvane_assimp_peer open FILE      aiImportFile without post-processing;
//                                      prints the meshes, vertices and faces
//   torvane_assimp_peer export IN OUT  imports IN and writes OUT with
//                                      assimp's exporter for OUT's extension
// Exit status 0 on success, 2 when the file could not be read or written.
#include <assimp/cexport.h>
#include <assimp/cimport.h>
#include <assimp/scene.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int Open(const char* path) {
  const aiScene* scene = aiImportFile(path, 0);
  if (!scene || scene->mNumMeshes == 0) {
    std::fprintf(stderr, "assimp could not read %s\n", path);
    aiReleaseImport(scene);
    return 2;
  }
  unsigned long long vertices = 0, faces = 0;
  for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
    vertices += scene->mMeshes[i]->mNumVertices;
    faces += scene->mMeshes[i]->mNumFaces;
  }
  std::printf("%s: %u meshes, %llu vertices, %llu faces\n", path, scene->mNumMeshes, vertices,
              faces);
  aiReleaseImport(scene);
  return 0;
}

int Export(const char* in, const char* out) {
  const char* dot = std::strrchr(out, '.');
  if (!dot) return 2;
  const aiScene* scene = aiImportFile(in, 0);
  if (!scene) return 2;
  const int result = aiExportScene(scene, dot + 1, out, 0) == aiReturn_SUCCESS ? 0 : 2;
  aiReleaseImport(scene);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "open") == 0) return Open(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "export") == 0) return Export(argv[2], argv[3]);
  std::fprintf(stderr, "usage: torvane_assimp_peer open FILE | export IN OUT\n");
  return 2;
}
