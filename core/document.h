// Document: the model being edited: the scene objects in creation order, the
// ids selected and in which order, the selection, drawing and manipulation
// modes, the paint colour, the file state, the history stacks with their lock
// and the copy buffer.
//
// The program has one document (GetDocument), but every function takes the
// document it works on, so tests and the command-line tool make their own.
// Objects are only ever appended; a deleted object stays in the list as a
// dead object (id 0xFFFFFFFF) that every operation skips.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/colour32.h"
#include "core/document_listener.h"
#include "core/property_bag.h"
#include "core/scene_object.h"

namespace torvane {

struct HistoryEntry;

enum SelectionMode : uint32_t {
  kSelectionModeObject = 0,
  kSelectionModeFace = 1,
  kSelectionModeTriangle = 2,
  kSelectionModeEdge = 3,
  kSelectionModeVertex = 4,
};

// Manipulation modes: what a left drag does to the selection.
inline constexpr uint32_t kManipulateScale = 0;
inline constexpr uint32_t kManipulateRotateDrag = 1;
inline constexpr uint32_t kManipulateRotateFixed = 2;  // set by the fixed-angle rotations
inline constexpr uint32_t kManipulateMove = 3;

// A new document is a binary STL file ("Untitled.stl").
inline constexpr uint32_t kNewDocumentFileType = 3;
inline constexpr ColourF kDefaultPaintColour{0.862745f, 0.862745f, 0.862745f, 1.0f};
inline constexpr const char* kUntitledFileName = "Untitled.stl";

struct Document {
  // Header: copied by every history snapshot.
  uint32_t loadCode = 0;
  std::string filePath;  // UTF-8
  uint32_t fileType = kNewDocumentFileType;
  bool untitled = true;
  PropertyBag metadata;
  std::vector<std::unique_ptr<SceneObject>> objects;  // creation order
  uint32_t objectCount = 0;                           // objects with triangles or outline shapes
  bool haveChanges = false;
  bool forceRecord = false;

  void* activeView = nullptr;  // the view that last had focus; owned by the views

  // Both stacks are guarded by historyLock; the history code keeps them.
  std::vector<std::unique_ptr<HistoryEntry>> undoStack;
  std::vector<std::unique_ptr<HistoryEntry>> redoStack;
  std::recursive_mutex historyLock;

  std::vector<uint32_t> selection;  // selected ids in selection order; [0] is primary
  uint32_t selectionMode = kSelectionModeObject;
  uint32_t drawMode = 0;
  uint32_t manipulateMode = kManipulateMove;
  std::array<bool, 3> axisLock{false, false, false};
  uint32_t outlineObjectId = kNoObjectId;
  // Lines drawn in every view apart from any object (the 2D selection rectangle).
  std::vector<OutlineSegment> freeLines;
  ColourF currentColour = kDefaultPaintColour;
  bool colourChosen = false;
  DocumentListener* mainWindow = nullptr;
  std::vector<std::unique_ptr<SceneObject>> copyBuffer;  // [0] is the head (newest)

  // Folder of new documents' "Untitled.stl"; the application sets it from the
  // DocumentFolder setting. Default: $HOME/Documents, else $HOME.
  std::string defaultFolder;

  Document();
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
};

// The program's single document, created on first use.
Document& GetDocument();

// The user's Documents folder ($HOME/Documents when it exists, else $HOME,
// else the current folder).
std::string DefaultDocumentFolder();
// defaultFolder joined with "Untitled.stl".
std::string DefaultDocumentPath(const Document& doc);

// Destroys every object and empties the selection; objectCount, haveChanges,
// forceRecord and the metadata cleared; untitled, fileType 3 and the default
// path.
void ResetDocument(Document& doc);

// The largest live id (as a signed number) plus 1; 1 when there is none.
uint32_t NextObjectId(const Document& doc);

// Appends a copy of `object` with a fresh id; 0xFFFFFFFF when memory runs out.
uint32_t AddObjectCopy(Document& doc, const SceneObject& object);
// Appends a new object that takes over the contents of `object` (left empty),
// with a fresh id. Refuses (0xFFFFFFFF) a mesh with fewer than 4 triangles.
uint32_t AddImportedObject(Document& doc, SceneObject& object);

// The first live object with that id; null for 0xFFFFFFFF or none.
SceneObject* FindObject(Document& doc, uint32_t id);
const SceneObject* FindObject(const Document& doc, uint32_t id);
// Unlinks and destroys the live object with that id.
void RemoveObject(Document& doc, uint32_t id);
// objectCount = live objects with at least one triangle or outline shape.
void RecountObjects(Document& doc);

bool AnySelected(const Document& doc);
uint32_t SelectedCount(const Document& doc);
bool AnyWithOutlines(const Document& doc);
bool AnySelectedWithOutlines(const Document& doc);
uint32_t FirstObjectWithOutlines(const Document& doc);  // 0xFFFFFFFF when none
bool AnyWithTriangles(const Document& doc);
bool IsBlank(const Document& doc);
bool HasChanges(const Document& doc);

// After a save: haveChanges and every object's unsavedChange cleared.
void ClearSavedFlags(Document& doc);
// After a history record: forceRecord and every object's unrecordedChange.
void ClearRecordedFlags(Document& doc);

void AddToSelection(Document& doc, uint32_t id);
void RemoveFromSelection(Document& doc, uint32_t id);
void MarkSelected(Document& doc, uint32_t id);
// Pushes a whole-object selection record and sets selected.
void SelectObject(SceneObject& object);
void DeselectAll(Document& doc);
void SelectAll(Document& doc);
// Stores the selection mode (0 object .. 4 vertex); other values are ignored.
// The selection itself is unchanged.
void SetSelectionMode(Document& doc, uint32_t mode);

// Tells the main window (when there is one).
void Notify(Document& doc, uint32_t code, uintptr_t wParam = 0, intptr_t lParam = 0);

}  // namespace torvane
