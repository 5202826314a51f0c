#include "formats/document_file_io.h"

#include "formats/imported_model.h"
#include "formats/model_file.h"

namespace torvane {

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

LoadResult LoadFileIntoDocument(Document& doc, ProgressMonitor& monitor, const std::string& path,
                                bool restore, DocumentLoadReport* report) {
  DocumentLoadReport local;
  DocumentLoadReport& out = report ? *report : local;
  out = {};
  if (doc.objectCount != 0) return kFailed;
  monitor.SetText("Loading " + FileNameOf(path), 1);

  ImportedModel model;
  // A plain open resets every imported object's origin, which renews its
  // normals: the load need not build them first.
  LoadResult result = LoadModelFile(path, monitor, model,
                                    restore ? LoadNormals::kBuild : LoadNormals::kLeaveToDocument);
  out.fileType = model.fileType;
  if (result == kLoaded) {
    doc.filePath = path;
    doc.fileType = static_cast<uint32_t>(model.fileType);
    result = static_cast<LoadResult>(MoveModelIntoDocument(model, doc, monitor, restore));
    if (restore && doc.filePath == path) {
      // An autosave without its recorded path must not make the AutoSave
      // folder the document's home: it is emptied whenever the document is.
      doc.filePath = DefaultDocumentPath(doc);
      doc.untitled = true;
      doc.fileType = kNewDocumentFileType;
    }
  }
  out.failureReason = model.failureReason;
  monitor.SetFraction(1.0);
  monitor.SetText("Completed", 1);

  if (result == kCancelled) {
    // Nothing of a cancelled load stays.
    doc.objects.clear();
    doc.selection.clear();
    doc.objectCount = 0;
  }
  bool any = false;
  for (const auto& object : doc.objects)
    any = any || (object && IsLive(*object));
  out.noMeshes = !any;
  return result;
}

int SaveDocumentToFile(const Document& doc, ProgressMonitor& monitor, const std::string& path,
                       bool autosave) {
  monitor.SetText("Saving " + FileNameOf(path), 0);
  ImportedModel model;
  const int converted = ConvertDocumentToModel(doc, monitor, model, autosave);
  if (converted != kLoaded) return converted;
  return SaveModelFile(path, monitor, model);
}

}  // namespace torvane
