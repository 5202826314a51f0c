// BuildMeshesMessage: walks the node tree and writes one block per mesh use.
#include "tools/modelrelay/relay_scene.h"

#include <assimp/scene.h>

#include <cstring>

namespace modelrelay {
namespace {

constexpr uint16_t kKindValue = 1;
constexpr uint16_t kKindMeshes = 2;
constexpr size_t kMeshesStart = 16;

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutF32(std::vector<uint8_t>& out, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof(bits));
  PutU32(out, bits);
}

void PutVector(std::vector<uint8_t>& out, const aiVector3D& v) {
  PutF32(out, v.x);
  PutF32(out, v.y);
  PutF32(out, v.z);
}

struct Walk {
  const aiScene& scene;
  std::vector<uint8_t>& out;
  uint32_t blocks = 0;
  bool tooLarge = false;
};

void AppendBlock(Walk& walk, const aiMesh& mesh, const aiMatrix4x4& transform) {
  uint32_t triangles = 0;
  for (unsigned f = 0; f < mesh.mNumFaces; ++f)
    triangles += mesh.mFaces[f].mNumIndices == 3 ? 1 : 0;
  const uint64_t corners = uint64_t{triangles} * 3;
  // Normals turn with the inverse transpose; a flattening transform has
  // none, and its triangles get their normals from the program instead.
  aiMatrix3x3 turn(transform);
  const bool withNormals = mesh.HasNormals() && turn.Determinant() != 0;
  if (withNormals) turn.Inverse().Transpose();
  const uint64_t body =
      uint64_t{mesh.mNumVertices} * 12 + corners * 4 + (withNormals ? corners * 12 : 0);
  if (corners > UINT32_MAX || walk.out.size() + 16 + body > UINT32_MAX) {
    walk.tooLarge = true;
    return;
  }
  PutU32(walk.out, mesh.mNumVertices);
  PutU32(walk.out, static_cast<uint32_t>(corners));
  PutU32(walk.out, withNormals ? static_cast<uint32_t>(corners) : 0);
  PutU32(walk.out, 0);
  for (unsigned v = 0; v < mesh.mNumVertices; ++v)
    PutVector(walk.out, transform * mesh.mVertices[v]);

  // A mirroring transform turns the triangles inside out; swapping two
  // corners keeps them facing the way they faced in the file.
  const bool mirrored = transform.Determinant() < 0;
  auto corner = [&](const aiFace& face, int k) {
    return face.mIndices[mirrored && k > 0 ? 3 - k : k];
  };
  for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
    const aiFace& face = mesh.mFaces[f];
    if (face.mNumIndices != 3) continue;
    for (int k = 0; k < 3; ++k)
      PutU32(walk.out, corner(face, k));
  }
  if (withNormals) {
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      if (face.mNumIndices != 3) continue;
      for (int k = 0; k < 3; ++k) {
        aiVector3D n = turn * mesh.mNormals[corner(face, k)];
        n.NormalizeSafe();
        PutVector(walk.out, n);
      }
    }
  }
  ++walk.blocks;
}

void WalkNode(Walk& walk, const aiNode& node, const aiMatrix4x4& parent) {
  const aiMatrix4x4 transform = parent * node.mTransformation;
  for (unsigned m = 0; m < node.mNumMeshes && !walk.tooLarge; ++m) {
    if (node.mMeshes[m] < walk.scene.mNumMeshes)
      AppendBlock(walk, *walk.scene.mMeshes[node.mMeshes[m]], transform);
  }
  for (unsigned c = 0; c < node.mNumChildren && !walk.tooLarge; ++c)
    WalkNode(walk, *node.mChildren[c], transform);
}

}  // namespace

bool BuildMeshesMessage(const aiScene& scene, std::vector<uint8_t>& message, uint32_t& blocks,
                        std::string& error) {
  message.clear();
  PutU16(message, 0);
  PutU16(message, kKindMeshes);
  PutU32(message, 0);  // the size, known at the end
  message.resize(kMeshesStart, 0);
  Walk walk{scene, message};
  if (scene.mRootNode) WalkNode(walk, *scene.mRootNode, aiMatrix4x4());
  if (walk.tooLarge) {
    error = "the converted meshes are larger than one message can carry";
    return false;
  }
  const uint32_t size = static_cast<uint32_t>(message.size());
  for (int i = 0; i < 4; ++i)
    message[4 + i] = static_cast<uint8_t>(size >> (8 * i));
  blocks = walk.blocks;
  return true;
}

std::vector<uint8_t> BuildValueMessage(uint32_t value) {
  std::vector<uint8_t> message;
  PutU16(message, 0);
  PutU16(message, kKindValue);
  PutU32(message, value);
  return message;
}

}  // namespace modelrelay
