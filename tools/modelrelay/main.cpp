// modelrelay SOCKET FBXPATH: reads an FBX file with assimp (triangulated,
// node transforms applied), connects to the program's socket, sends one
// kind-1 message (the number of mesh blocks) and one kind-2 message (the
// meshes) and exits 0. Any failure exits 1 (2 for a wrong command line)
// with a one-line reason on stderr.
//
// The file is read before connecting, so the program hears nothing until
// the whole answer is ready and then receives it without a pause. A path
// that arrives split at its spaces (an unquoted command line) is joined
// again.
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <unistd.h>

#include <assimp/Importer.hpp>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "platform/local_socket.h"
#include "tools/modelrelay/relay_scene.h"

namespace {

int Fail(const std::string& reason) {
  std::fprintf(stderr, "modelrelay: %s\n", reason.c_str());
  return 1;
}

// Keeps the reason on one line whatever assimp wrote.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  while (!text.empty() && text.back() == ' ')
    text.pop_back();
  return text;
}

int Relay(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "modelrelay: usage: modelrelay SOCKET FBXPATH\n");
    return 2;
  }
  const std::string socketPath = argv[1];
  std::string fbxPath = argv[2];
  for (int i = 3; i < argc; ++i)
    fbxPath += std::string(" ") + argv[i];

  Assimp::Importer importer;
  importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                              aiPrimitiveType_POINT | aiPrimitiveType_LINE);
  const aiScene* scene = importer.ReadFile(fbxPath, aiProcess_Triangulate | aiProcess_SortByPType);
  if (!scene) return Fail("cannot read '" + fbxPath + "': " + OneLine(importer.GetErrorString()));

  std::vector<uint8_t> meshes;
  uint32_t blocks = 0;
  std::string error;
  if (!modelrelay::BuildMeshesMessage(*scene, meshes, blocks, error)) return Fail(error);
  importer.FreeScene();

  const int fd = torvane::ConnectLocalSocket(socketPath);
  if (fd < 0) return Fail("cannot connect to '" + socketPath + "'");
  const std::vector<uint8_t> value = modelrelay::BuildValueMessage(blocks);
  const bool sent = torvane::WriteAllToSocket(fd, value.data(), value.size()) &&
                    torvane::WriteAllToSocket(fd, meshes.data(), meshes.size());
  ::close(fd);
  if (!sent) return Fail("the program stopped listening");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Relay(argc, argv);
  } catch (const std::bad_alloc&) {
    return Fail("not enough memory to convert the file");
  } catch (const std::exception& error) {
    return Fail(OneLine(error.what()));
  }
}
