// Known meshes in an assimp scene for the FBX tests to export: shapes,
// a node tree with transforms, and the scene assimp's exporters take.
#pragma once

#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace torvane::fbx_test {

struct Shape {
  std::vector<aiVector3D> vertices;
  std::vector<std::array<unsigned, 3>> faces;  // counter-clockwise from outside
  bool normals = false;                        // vertex normals pointing out
};

struct Node {
  aiMatrix4x4 transform;
  std::vector<unsigned> meshes;
  std::vector<Node> children;
};

inline const Shape kOctahedron{
    {{2, 0, 0}, {-2, 0, 0}, {0, 2, 0}, {0, -2, 0}, {0, 0, 2}, {0, 0, -2}},
    {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4}, {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}},
    true};
inline const Shape kTetrahedron{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                                {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}}};

inline aiMatrix4x4 Translate(float x, float y, float z) {
  aiMatrix4x4 m;
  return aiMatrix4x4::Translation(aiVector3D(x, y, z), m);
}

inline aiNode* MakeNode(const Node& from, int& counter) {
  aiNode* node = new aiNode("node" + std::to_string(counter++));
  node->mTransformation = from.transform;
  node->mNumMeshes = unsigned(from.meshes.size());
  node->mMeshes = new unsigned[from.meshes.size() + 1];
  std::copy(from.meshes.begin(), from.meshes.end(), node->mMeshes);
  std::vector<aiNode*> children;
  for (const Node& child : from.children)
    children.push_back(MakeNode(child, counter));
  if (!children.empty()) node->addChildren(unsigned(children.size()), children.data());
  return node;
}

// The exporters write the root as the file's root, which keeps no
// transform: moves belong on its children.
inline std::unique_ptr<aiScene> MakeScene(const std::vector<Shape>& shapes, const Node& root) {
  auto scene = std::make_unique<aiScene>();
  int counter = 0;
  scene->mRootNode = MakeNode(root, counter);
  scene->mNumMaterials = 1;
  scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
  scene->mNumMeshes = unsigned(shapes.size());
  scene->mMeshes = new aiMesh*[shapes.size()];
  for (size_t m = 0; m < shapes.size(); ++m) {
    const Shape& shape = shapes[m];
    aiMesh* mesh = scene->mMeshes[m] = new aiMesh();
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = unsigned(shape.vertices.size());
    mesh->mVertices = new aiVector3D[mesh->mNumVertices];
    if (shape.normals) mesh->mNormals = new aiVector3D[mesh->mNumVertices];
    for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
      mesh->mVertices[i] = shape.vertices[i];
      if (shape.normals) mesh->mNormals[i] = aiVector3D(shape.vertices[i]).Normalize();
    }
    mesh->mNumFaces = unsigned(shape.faces.size());
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      mesh->mFaces[f].mNumIndices = 3;
      mesh->mFaces[f].mIndices = new unsigned[3];
      std::copy(shape.faces[f].begin(), shape.faces[f].end(), mesh->mFaces[f].mIndices);
    }
  }
  return scene;
}

}  // namespace torvane::fbx_test
