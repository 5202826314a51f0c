// The converter's half of the FBX import: an assimp scene turned into the
// messages the program reads (see formats/fbx/fbx.h for their layout).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct aiScene;

namespace modelrelay {

// One mesh block per mesh reference of every node, positions moved by the
// node's whole transform (its own and its parents'), corner normals turned
// with it; triangles only. Texture coordinates are not sent. False with
// `error` set when the result does not fit one message.
bool BuildMeshesMessage(const aiScene& scene, std::vector<uint8_t>& message, uint32_t& blocks,
                        std::string& error);

// The 8-byte kind-1 message carrying `value`.
std::vector<uint8_t> BuildValueMessage(uint32_t value);

}  // namespace modelrelay
