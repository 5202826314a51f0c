// LoadDocumentFile and SaveDocumentFile over the format dispatch.
#include "app/document_file.h"

#include "app/shell_folders.h"
#include "formats/imported_model.h"
#include "formats/model_file.h"

namespace torvane {

LoadResult LoadDocumentFile(Document& doc, ProgressMonitor& monitor, const std::string& path,
                            bool restore, uint32_t& flags) {
  flags = 0;
  if (doc.objectCount != 0) return kFailed;
  const std::string name = FileNamePart(path);
  monitor.SetText("Loading " + name, 1);

  ImportedModel model;
  LoadResult result = LoadModelFile(path, monitor, model);
  if (result == kLoaded) {
    // The document records its file before the objects arrive: the type
    // decides whether objects keep their own transforms.
    doc.filePath = path;
    doc.fileType = static_cast<uint32_t>(model.fileType);
    result = static_cast<LoadResult>(ConvertModelToDocument(model, doc, monitor, restore));
    if (restore && doc.filePath == path) {
      // An autosave without its recorded path must not make the AutoSave
      // folder the document's home: it is emptied whenever the document is.
      doc.filePath = DefaultDocumentPath(doc);
      doc.untitled = true;
      doc.fileType = kNewDocumentFileType;
    }
  }
  monitor.SetFraction(1.0);
  monitor.SetText("Completed", 1);

  if (result == kCancelled) {
    // Nothing of a cancelled load stays.
    doc.objects.clear();
    doc.selection.clear();
    doc.objectCount = 0;
  }
  if (result == kFailed) {
    flags |= kOpenFailed;
    if (model.failureReason == kFailureNormalsMemory) flags |= kOpenTooLarge;
  }
  bool any = false;
  for (const auto& object : doc.objects)
    any = any || (object && IsLive(*object));
  if (!any) flags |= kOpenNoMeshes;
  return result;
}

int SaveDocumentFile(const Document& doc, ProgressMonitor& monitor, const std::string& path,
                     bool autosave) {
  monitor.SetText("Saving " + FileNamePart(path), 0);
  ImportedModel model;
  const int converted = ConvertDocumentToModel(doc, monitor, model, autosave);
  if (converted != kLoaded) return converted;
  return SaveModelFile(path, monitor, model);
}

uint64_t TriangleTotal(const Document& doc) {
  uint64_t total = 0;
  for (const auto& object : doc.objects) {
    if (object && IsLive(*object)) total += TriangleCount(object->mesh);
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
