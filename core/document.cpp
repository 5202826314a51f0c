// Document operations: reset, ids, adding, finding and removing objects, the
// queries that enable commands, the change flags and the selection list.
#include "core/document.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>

#include "core/history.h"
#include "core/history_entry.h"
#include "core/live_triangles.h"

namespace torvane {
namespace {

constexpr uint32_t kMinimumImportTriangles = 4;

template <class Pred>
bool AnyLive(const Document& doc, Pred pred) {
  return std::any_of(doc.objects.begin(), doc.objects.end(),
                     [&](const auto& o) { return o && IsLive(*o) && pred(*o); });
}

// Removed triangles (dead corners) do not count.
bool HasTriangles(const SceneObject& o) {
  return HasLiveTriangle(o.mesh);
}
bool HasOutlines(const SceneObject& o) {
  return !o.outlineShapes.empty();
}

// Room for one more object, made before anything is copied or taken over so
// that the append itself cannot fail.
bool ReserveObjectSlot(Document& doc) {
  try {
    if (doc.objects.size() == doc.objects.capacity()) {
      doc.objects.reserve(std::max<size_t>(doc.objects.capacity() * 2, 8));
    }
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

uint32_t AppendObject(Document& doc, std::unique_ptr<SceneObject> object) {
  object->id = NextObjectId(doc);
  doc.objects.push_back(std::move(object));
  ++doc.objectCount;
  return doc.objects.back()->id;
}

}  // namespace

Document::Document() : defaultFolder(DefaultDocumentFolder()) {
  filePath = DefaultDocumentPath(*this);
}

Document::~Document() = default;

Document& GetDocument() {
  static Document document;
  return document;
}

std::string DefaultDocumentFolder() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return ".";
  std::error_code ec;
  std::filesystem::path documents = std::filesystem::path(home) / "Documents";
  if (std::filesystem::is_directory(documents, ec)) return documents.string();
  return home;
}

std::string DefaultDocumentPath(const Document& doc) {
  return (std::filesystem::path(doc.defaultFolder) / kUntitledFileName).string();
}

void ResetDocument(Document& doc) {
  doc.objects.clear();
  // The ids in the selection named the objects just destroyed.
  doc.selection.clear();
  doc.objectCount = 0;
  doc.haveChanges = false;
  doc.forceRecord = false;
  doc.metadata.Clear();
  doc.untitled = true;
  doc.fileType = kNewDocumentFileType;
  doc.filePath = DefaultDocumentPath(doc);
}

uint32_t NextObjectId(const Document& doc) {
  int32_t largest = 0;
  for (const auto& o : doc.objects) {
    if (!o || !IsLive(*o)) continue;
    largest = std::max(largest, static_cast<int32_t>(o->id));
  }
  return static_cast<uint32_t>(largest) + 1;
}

uint32_t AddObjectCopy(Document& doc, const SceneObject& object) {
  if (!ReserveObjectSlot(doc)) return kNoObjectId;
  std::unique_ptr<SceneObject> copy(new (std::nothrow) SceneObject);
  if (!copy || !CopyObjectForAdding(object, *copy)) return kNoObjectId;
  return AppendObject(doc, std::move(copy));
}

uint32_t AddImportedObject(Document& doc, SceneObject& object) {
  if (TriangleCount(object.mesh) < kMinimumImportTriangles) return kNoObjectId;
  if (!ReserveObjectSlot(doc)) return kNoObjectId;
  std::unique_ptr<SceneObject> taken(new (std::nothrow) SceneObject);
  if (!taken) return kNoObjectId;
  taken->worldMatrix = object.worldMatrix;
  taken->mesh = std::move(object.mesh);
  taken->outlineShapes = std::move(object.outlineShapes);
  taken->outlineMode = object.outlineMode;
  taken->selectionRecords = std::move(object.selectionRecords);
  taken->selected = object.selected;
  taken->showBoundingBox = object.showBoundingBox;
  taken->metadata = std::move(object.metadata);
  object.outlineShapes.clear();
  object.selectionRecords.clear();
  object.metadata.Clear();
  return AppendObject(doc, std::move(taken));
}

SceneObject* FindObject(Document& doc, uint32_t id) {
  if (id == kNoObjectId) return nullptr;
  for (auto& o : doc.objects) {
    if (o && o->id == id) return o.get();
  }
  return nullptr;
}

const SceneObject* FindObject(const Document& doc, uint32_t id) {
  return FindObject(const_cast<Document&>(doc), id);
}

void RemoveObject(Document& doc, uint32_t id) {
  if (id == kNoObjectId) return;
  auto it = std::find_if(doc.objects.begin(), doc.objects.end(),
                         [id](const auto& o) { return o && o->id == id; });
  if (it == doc.objects.end()) return;
  doc.objects.erase(it);
  if (doc.objectCount > 0) --doc.objectCount;
}

void RecountObjects(Document& doc) {
  uint32_t count = 0;
  for (const auto& o : doc.objects) {
    if (o && IsLive(*o) && (HasTriangles(*o) || HasOutlines(*o))) ++count;
  }
  doc.objectCount = count;
}

bool AnySelected(const Document& doc) {
  return AnyLive(doc, [](const SceneObject& o) { return o.selected; });
}

uint32_t SelectedCount(const Document& doc) {
  uint32_t count = 0;
  for (const auto& o : doc.objects) {
    if (o && IsLive(*o) && o->selected) ++count;
  }
  return count;
}

bool AnyWithOutlines(const Document& doc) {
  return AnyLive(doc, HasOutlines);
}

bool AnySelectedWithOutlines(const Document& doc) {
  return AnyLive(doc, [](const SceneObject& o) { return o.selected && HasOutlines(o); });
}

uint32_t FirstObjectWithOutlines(const Document& doc) {
  for (const auto& o : doc.objects) {
    if (o && IsLive(*o) && HasOutlines(*o)) return o->id;
  }
  return kNoObjectId;
}

bool AnyWithTriangles(const Document& doc) {
  return AnyLive(doc, HasTriangles);
}

bool IsBlank(const Document& doc) {
  return !AnySelected(doc) && !AnyWithOutlines(doc) && !AnyWithTriangles(doc);
}

bool HasChanges(const Document& doc) {
  if (doc.haveChanges) return true;
  // Dead objects count too: deleting an object is a change to be saved.
  return std::any_of(doc.objects.begin(), doc.objects.end(),
                     [](const auto& o) { return o && o->mesh.unsavedChange; });
}

void ClearSavedFlags(Document& doc) {
  doc.haveChanges = false;
  for (auto& o : doc.objects) {
    if (o) o->mesh.unsavedChange = false;
  }
}

void ClearRecordedFlags(Document& doc) {
  doc.forceRecord = false;
  for (auto& o : doc.objects) {
    if (o) o->mesh.unrecordedChange = false;
  }
}

void AddToSelection(Document& doc, uint32_t id) {
  if (id == kNoObjectId) return;
  if (std::find(doc.selection.begin(), doc.selection.end(), id) != doc.selection.end()) return;
  SceneObject* object = FindObject(doc, id);
  if (!object) return;
  try {
    doc.selection.push_back(id);
  } catch (const std::bad_alloc&) {
    return;
  }
  if (doc.selection.size() == 1) object->primarySelected = true;
}

void RemoveFromSelection(Document& doc, uint32_t id) {
  auto it = std::find(doc.selection.begin(), doc.selection.end(), id);
  if (it == doc.selection.end()) return;
  const bool wasFirst = it == doc.selection.begin();
  doc.selection.erase(it);
  if (SceneObject* object = FindObject(doc, id)) object->primarySelected = false;
  if (wasFirst && !doc.selection.empty()) {
    if (SceneObject* next = FindObject(doc, doc.selection.front())) next->primarySelected = true;
  }
}

void MarkSelected(Document& doc, uint32_t id) {
  if (SceneObject* object = FindObject(doc, id)) object->selected = true;
}

void SelectObject(SceneObject& object) {
  SelectionRecord record;
  record.elementType = kSelectObject;
  record.ownerId = object.id;
  try {
    PushSelectionRecord(object.selectionRecords, record);
  } catch (const std::bad_alloc&) {
    return;
  }
  object.selected = true;
}

void DeselectAll(Document& doc) {
  for (auto& o : doc.objects) {
    if (!o) continue;
    o->selected = false;
    o->showBoundingBox = false;
    o->selectionRecords.clear();
    FreeLineSlots(o->lineSlots);
    o->outlineWork.clear();
    o->primarySelected = false;
  }
  doc.selection.clear();
}

void SelectAll(Document& doc) {
  RecordHistory(doc);
  for (auto& o : doc.objects) {
    if (!o || !IsLive(*o)) continue;
    SelectObject(*o);
    MarkBoundingBox(*o);
    AddToSelection(doc, o->id);
  }
}

void SetSelectionMode(Document& doc, uint32_t mode) {
  if (mode > kSelectionModeVertex) return;
  doc.selectionMode = mode;
}

void Notify(Document& doc, uint32_t code, uintptr_t wParam, intptr_t lParam) {
  if (doc.mainWindow) doc.mainWindow->OnDocumentNotify(code, wParam, lParam);
}

}  // namespace torvane
