// BuildStlMesh: the facet array of an STL file becomes the model's first mesh.
//
// Input: the facets (file axes, normals and attribute words) and the model
// whose first mesh may carry "ObjectDefaultColor". Output: unique positions,
// three corner indices, normals and (when any attribute word is non-zero)
// colours per facet, plus a material reference when the header named one.
#include <cstdio>
#include <cstring>

#include "core/grow_array.h"
#include "core/sub_range_progress.h"
#include "formats/stl/stl.h"
#include "formats/stl/stl_vertex_window.h"

namespace torvane {
namespace {

constexpr uint32_t kReportEvery = 1000;

void ReportProgress(ProgressMonitor& monitor, size_t done, size_t total) {
  char text[128];
  const int percent =
      static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * 100.0);
  std::snprintf(text, sizeof(text), "Processing Colors and Normals: [%i%%: %u / %u]", percent,
                static_cast<unsigned>(done), static_cast<unsigned>(total));
  monitor.SetText(text, 0);
  monitor.SetFraction(static_cast<double>(done) / static_cast<double>(total));
}

// Room for the unique positions: as many as there are corners, of which
// usually only a fraction is ever touched.
struct PositionScratch {
  struct FreeDeleter {
    void operator()(Vec3* p) const { std::free(p); }
  };
  std::unique_ptr<Vec3, FreeDeleter> data;

  bool Allocate(size_t count) {
    if (count > SIZE_MAX / sizeof(Vec3)) return false;
    const size_t bytes = count * sizeof(Vec3);
    if (!MemoryGuardAllows(bytes)) return false;
    data.reset(static_cast<Vec3*>(std::malloc(bytes)));
    return data != nullptr;
  }
};

}  // namespace

LoadResult BuildStlMesh(ProgressMonitor& monitor, ImportedModel& model,
                        const StlFacetArray& facets) {
  if (monitor.IsCancelled()) return kCancelled;
  if (model.meshes.empty()) return kFailed;
  ImportedMesh& mesh = model.meshes.front();
  const size_t facetCount = facets.count();
  if (facetCount == 0) return kLoaded;

  const Colour32 defaultColour =
      mesh.metadata.Has("ObjectDefaultColor")
          ? static_cast<Colour32>(mesh.metadata.GetInt("ObjectDefaultColor"))
          : kOpaqueBlack;
  const size_t cornerCount = facetCount * 3;
  if (cornerCount > UINT32_MAX) return kFailed;

  // Colours are only kept when some facet has a non-zero attribute word, so
  // look first and never allocate them for a plain file.
  bool anyAttribute = false;
  for (size_t i = 0; i < facetCount && !anyAttribute; ++i)
    anyAttribute = facets[i].attribute != 0;

  if (!mesh.indices.ResizeDiscard(cornerCount) || !mesh.normals.ResizeDiscard(cornerCount)) {
    return kFailed;
  }
  if (anyAttribute && !mesh.colours.ResizeDiscard(cornerCount)) return kFailed;
  PositionScratch scratch;
  if (!scratch.Allocate(cornerCount)) return kFailed;

  uint32_t* indices = mesh.indices.MutableData();
  Vec3* normals = mesh.normals.MutableData();
  Colour32* colours = anyAttribute ? mesh.colours.MutableData() : nullptr;
  StlVertexWindow window(scratch.data.get());

  uint32_t counter = 1;
  for (size_t f = 0; f < facetCount; ++f) {
    const StlFacet& facet = facets[f];
    const Vec3 normal = FacetNormal(facet);
    const size_t k = f * 3;
    for (int v = 0; v < 3; ++v) {
      indices[k + v] = window.FindOrAppend(FacetVertex(facet, v));
      normals[k + v] = normal;
    }
    if (colours) {
      const Colour32 colour = (facet.attribute & kStlObjectColourBit)
                                  ? defaultColour
                                  : StlAttributeToColour(facet.attribute);
      colours[k] = colours[k + 1] = colours[k + 2] = colour;
    }
    if (++counter == kReportEvery) {
      if (monitor.IsCancelled()) return kCancelled;
      ReportProgress(monitor, f + 1, facetCount);
      counter = 1;
    }
  }

  const uint32_t uniqueCount = window.count();
  if (uniqueCount == 0 || !mesh.positions.ResizeDiscard(uniqueCount)) return kFailed;
  std::memcpy(static_cast<void*>(mesh.positions.MutableData()), scratch.data.get(),
              size_t{uniqueCount} * sizeof(Vec3));
  scratch.data.reset();

  char text[128];
  std::snprintf(text, sizeof(text), "Processing Colors and Normals: [100%%: %u / %u]",
                static_cast<unsigned>(facetCount), static_cast<unsigned>(facetCount));
  monitor.SetText(text, 0);
  monitor.SetFraction(1.0);

  if (!model.materials.empty()) {
    MaterialRef ref;
    ref.materialId = model.materials.front().materialId;
    ref.firstCorner = 0;
    ref.endCorner = static_cast<uint32_t>(cornerCount);
    mesh.materialRefs.push_front(std::move(ref));
  }
  return kLoaded;
}

LoadResult ParseAndBuildStl(const std::string& path, ProgressMonitor& monitor, ImportedModel& model,
                            StlFacetParser parse, int32_t fileType) {
  StlFacetArray facets;
  {
    SubRangeProgress parseProgress(monitor, 0.0, 0.5);
    const LoadResult parsed = parse(path, parseProgress, model, facets);
    if (parsed != kLoaded) return parsed;
  }
  SubRangeProgress buildProgress(monitor, 0.5, 0.5);
  const LoadResult built = BuildStlMesh(buildProgress, model, facets);
  if (built == kLoaded) model.fileType = fileType;
  return built;
}

}  // namespace torvane
