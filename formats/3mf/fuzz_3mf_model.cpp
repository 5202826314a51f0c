// libFuzzer target: any bytes as the text of a 3MF model part, walked from
// its parsed tree and streamed in small uneven pieces, must give the same
// model.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/null_progress.h"
#include "formats/3mf/3mf_parts.h"
#include "formats/imported_model.h"

namespace {

class Pieces : public torvane::XmlPull {
 public:
  Pieces(std::string_view text, unsigned seed) : text_(text), seed_(seed) {}
  size_t Pull(char* data, size_t n) override {
    seed_ = seed_ * 1103515245u + 12345u;
    const size_t take = std::min({n, text_.size() - at_, size_t{1} + (seed_ >> 16) % 11});
    std::memcpy(data, text_.data() + at_, take);
    at_ += take;
    return take;
  }

 private:
  std::string_view text_;
  size_t at_ = 0;
  unsigned seed_;
};

bool SameMeshes(const torvane::ImportedModel& a, const torvane::ImportedModel& b) {
  if (a.meshes.size() != b.meshes.size()) return false;
  auto m = b.meshes.begin();
  for (const torvane::ImportedMesh& mesh : a.meshes) {
    const auto same = [](const auto& x, const auto& y) {
      return x.length() == y.length() &&
             (x.length() == 0 ||
              std::memcmp(x.data(), y.data(), x.length() * sizeof(*x.data())) == 0);
    };
    if (!(mesh.metadata == m->metadata) || !same(mesh.positions, m->positions) ||
        !same(mesh.indices, m->indices) || !same(mesh.colours, m->colours) ||
        mesh.materialRefs.size() != m->materialRefs.size())
      return false;
    ++m;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvane;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  NullProgress progress;
  XmlDocument document;
  std::string error;
  if (ParseXmlBytes(bytes, nullptr, document, error) != 0) return 0;
  ImportedModel tree;
  const LoadResult a = Walk3mfModel(document, progress, tree);
  const std::string text = DecodeXmlBytes(bytes);
  Pieces pieces(text, static_cast<unsigned>(size));
  ImportedModel streamed;
  const LoadResult b = Stream3mfModel(pieces, progress, streamed, 1 + size % 13);
  if (a != b || !(tree.properties == streamed.properties) ||
      tree.materials.size() != streamed.materials.size() || !SameMeshes(tree, streamed))
    std::abort();
  return 0;
}
