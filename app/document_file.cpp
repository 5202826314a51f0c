// LoadDocumentFile and SaveDocumentFile over the format dispatch.
#include "app/document_file.h"

#include "core/live_triangles.h"
#include "formats/document_file_io.h"
#include "formats/imported_model.h"

namespace torvane {

LoadResult LoadDocumentFile(Document& doc, ProgressMonitor& monitor, const std::string& path,
                            bool restore, uint32_t& flags) {
  DocumentLoadReport report;
  const LoadResult result = LoadFileIntoDocument(doc, monitor, path, restore, &report);
  flags = 0;
  if (result == kFailed) {
    flags |= kOpenFailed;
    if (report.failureReason == kFailureNormalsMemory) flags |= kOpenTooLarge;
  }
  if (report.noMeshes) flags |= kOpenNoMeshes;
  return result;
}

int SaveDocumentFile(const Document& doc, ProgressMonitor& monitor, const std::string& path,
                     bool autosave) {
  return SaveDocumentToFile(doc, monitor, path, autosave);
}

uint64_t TriangleTotal(const Document& doc) {
  uint64_t total = 0;
  for (const auto& object : doc.objects) {
    // Removed triangles (dead corners) are not counted.
    if (object && IsLive(*object)) total += LiveTriangleCount(object->mesh);
  }
  return total;
}

bool HasObjects(const Document& doc) {
  return AnyWithTriangles(doc);
}

bool IsModified(const Document& doc) {
  return HasChanges(doc);
}

}  // namespace torvane
