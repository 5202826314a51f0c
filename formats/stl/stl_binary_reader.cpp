// ReadStlBinary: an 80-byte header (name, "COLOR=", "MATERIAL="), a facet
// count and 50-byte facet records.
//
// The facet count must account for the file's size exactly before anything
// is allocated, so a damaged or hostile file can never ask for more memory
// than it occupies.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "formats/bytes/byte_order.h"
#include "formats/stl/stl.h"
#include "formats/text_utils.h"
#include "platform/buffered_reader.h"

namespace torvane {
namespace {

constexpr uint32_t kStageOpening = 3;
constexpr uint32_t kStageHeaderRead = 4;
constexpr size_t kReadBlockFacets = 8000;  // a multiple of the progress step
constexpr size_t kProgressStep = 100;

// Takes "COLOR=" (and a "MATERIAL=" right behind its value) from the header;
// returns the length of the name that precedes them.
size_t ParseHeader(const unsigned char* header, ImportedModel& model, ImportedMesh& mesh) {
  constexpr std::string_view kColour = "COLOR=";
  constexpr std::string_view kMaterial = "MATERIAL=";
  const std::string_view text(reinterpret_cast<const char*>(header), kStlHeaderSize);
  size_t nameEnd = kStlHeaderSize;
  for (size_t pos = 0; pos + kColour.size() + 4 <= kStlHeaderSize; ++pos) {
    if (text.compare(pos, kColour.size(), kColour) != 0) continue;
    nameEnd = pos;
    mesh.metadata.SetInt(
        "ObjectDefaultColor",
        static_cast<int32_t>(LoadLittleEndian<uint32_t>(header + pos + kColour.size())));
    const size_t materialAt = pos + kColour.size() + 4;
    if (materialAt + kMaterial.size() + 12 <= kStlHeaderSize &&
        text.compare(materialAt, kMaterial.size(), kMaterial) == 0) {
      const unsigned char* values = header + materialAt + kMaterial.size();
      ImportedMaterial material;
      material.diffuse = LoadLittleEndian<uint32_t>(values);
      material.specular = LoadLittleEndian<uint32_t>(values + 4);
      material.ambient = LoadLittleEndian<uint32_t>(values + 8);
      material.hasDiffuse = material.hasSpecular = material.hasAmbient = true;
      AddMaterial(model, std::move(material));
    }
    break;
  }
  const void* zero = std::memchr(header, 0, nameEnd);
  if (zero) nameEnd = static_cast<size_t>(static_cast<const unsigned char*>(zero) - header);
  return nameEnd;
}

void ReportFacets(ProgressMonitor& monitor, size_t done, size_t total) {
  char text[64];
  std::snprintf(text, sizeof(text), "Loading as Binary: %d facets", static_cast<int>(done));
  monitor.SetText(text, 0);
  monitor.SetFraction(static_cast<double>(done) / static_cast<double>(total));
}

// Parses the file into `facets`; the first mesh is appended to the model.
LoadResult ParseBinary(const std::string& path, ProgressMonitor& monitor, ImportedModel& model,
                       StlFacetArray& facets) {
  model.failureReason = kStageOpening;
  BufferedReader reader;
  if (!reader.Open(path, true)) return kFailed;
  unsigned char header[kStlHeaderSize];
  if (reader.ReadBytes(header, sizeof(header)) != sizeof(header)) return kFailed;
  model.failureReason = kStageHeaderRead;
  ImportedMesh& mesh = AppendMesh(model);
  const size_t nameLength = ParseHeader(header, model, mesh);

  unsigned char countBytes[4];
  if (reader.ReadBytes(countBytes, sizeof(countBytes)) != sizeof(countBytes)) return kFailed;
  const uint32_t count = LoadLittleEndian<uint32_t>(countBytes);
  const uint64_t expected = uint64_t{count} * kStlFacetSize + kStlHeaderSize + 4;
  if (reader.FileSize() != expected) return kFailed;

  const std::string name =
      ValidUtf8(TrimSpaces(std::string_view(reinterpret_cast<const char*>(header), nameLength)));
  if (!name.empty()) model.properties.Set("ModelName", name);

  if (count != 0) {
    if (!facets.Allocate(count)) return kFailed;
    size_t done = 0;
    while (done < count) {
      if (done % kProgressStep == 0) ReportFacets(monitor, done, count);
      const size_t want = std::min<size_t>(kReadBlockFacets, count - done);
      const size_t got = reader.ReadBytes(facets.data() + done, want * kStlFacetSize);
      // Progress for the facets of this block past its first.
      for (size_t step = done + kProgressStep; step < done + got / kStlFacetSize;
           step += kProgressStep) {
        ReportFacets(monitor, step, count);
      }
      done += got / kStlFacetSize;
      if (got != want * kStlFacetSize) break;  // the file shrank: keep what was read
    }
    facets.Truncate(done);
  }
  model.failureReason = 0;
  return kLoaded;
}

}  // namespace

LoadResult ReadStlBinary(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  return ParseAndBuildStl(path, monitor, model, ParseBinary, kFileTypeStlBinary);
}

}  // namespace torvane
