// The libassimp side of the OBJ and PLY figures (built when the benchmark
// links libassimp).
#pragma once

#include <string>

#ifdef TORVANE_BENCH_ASSIMP
#include <assimp/cimport.h>
#include <assimp/scene.h>

namespace torvane::bench {

// libassimp's importer without post-processing: the figure ours is held to.
inline bool OpenWithAssimp(const std::string& path) {
  const aiScene* scene = aiImportFile(path.c_str(), 0);
  const bool loaded = scene && scene->mNumMeshes > 0;
  aiReleaseImport(scene);
  return loaded;
}

}  // namespace torvane::bench
#endif
