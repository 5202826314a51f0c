// History: recording snapshots under the memory reserve, undo, redo, restore
// and clearing the stacks.
#include "core/history.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/available_memory.h"

namespace torvane {
namespace {

std::atomic<MemoryFigure> gMemoryFigure{nullptr};

uint64_t CurrentMemoryFigure() {
  MemoryFigure figure = gMemoryFigure.load();
  return figure ? figure() : AvailableMemory();
}

using EntryStack = std::vector<std::unique_ptr<HistoryEntry>>;

// Something changed since the last snapshot. Dead objects count: deleting an
// object changes nothing else, and that deletion must get a step of its own.
bool HasUnrecordedChange(const Document& doc) {
  if (doc.forceRecord) return true;
  return std::any_of(doc.objects.begin(), doc.objects.end(),
                     [](const auto& o) { return o && o->mesh.unrecordedChange; });
}

void DropOldest(EntryStack& stack) {
  if (!stack.empty()) stack.erase(stack.begin());
}

// Room for one more entry, made before anything is taken out of another
// stack so that the push cannot fail halfway through a swap.
bool ReserveOne(EntryStack& stack) {
  try {
    if (stack.size() == stack.capacity()) {
      stack.reserve(std::max<size_t>(stack.capacity() * 2, 16));
    }
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

// An entry made to be restored by the other command: its state was current
// until now, so nothing in it is waiting to be recorded.
void ClearEntryRecordedFlags(HistoryEntry& entry) {
  entry.forceRecord = false;
  for (auto& o : entry.objects) {
    if (o) o->mesh.unrecordedChange = false;
  }
}

// The selection and outline state that follow a restore: the selection list
// is rebuilt from the restored objects' flags and every mesh is redrawn.
void AfterRestore(Document& doc) {
  doc.outlineObjectId = FirstObjectWithOutlines(doc);
  doc.selection.clear();
  for (auto& o : doc.objects) {
    if (!o) continue;
    o->primarySelected = false;
    o->mesh.renderStale = true;
    if (o->selected) AddToSelection(doc, o->id);
  }
}

// One Undo or Redo: the current state goes on `to`, the newest entry of
// `from` becomes the document.
CommandOutcome SwapWithNewest(Document& doc, EntryStack& from, EntryStack& to, const char* name,
                              bool clearFlags) {
  CommandOutcome outcome;
  {
    std::lock_guard<std::recursive_mutex> lock(doc.historyLock);
    if (from.empty()) return outcome;
    std::unique_ptr<HistoryEntry> current = BuildHistoryEntry(doc);
    if (!current || !ReserveOne(to)) {
      outcome.status = kStatusFailed;
      outcome.errorText = std::string(name) + ": Not enough memory to complete the operation";
      return outcome;
    }
    // The document's own flags need no clearing: its state is replaced below.
    if (clearFlags) ClearEntryRecordedFlags(*current);
    std::unique_ptr<HistoryEntry> newest = std::move(from.back());
    from.pop_back();
    RestoreHistoryEntry(doc, *newest);
    to.push_back(std::move(current));
  }
  AfterRestore(doc);
  outcome.changed = true;
  Notify(doc, kNotifyCommandStates);
  return outcome;
}

}  // namespace

void SetHistoryMemoryFigure(MemoryFigure figure) {
  gMemoryFigure.store(figure);
}

std::unique_ptr<HistoryEntry> BuildHistoryEntry(const Document& doc) {
  try {
    auto entry = std::make_unique<HistoryEntry>();
    entry->loadCode = doc.loadCode;
    entry->filePath = doc.filePath;
    entry->fileType = doc.fileType;
    entry->untitled = doc.untitled;
    entry->metadata = doc.metadata;
    entry->objectCount = doc.objectCount;
    entry->haveChanges = doc.haveChanges;
    entry->forceRecord = doc.forceRecord;
    entry->objects.reserve(doc.objects.size());
    for (const auto& o : doc.objects) {
      if (!o) continue;
      auto copy = std::make_unique<SceneObject>();
      if (!CopyObjectForSnapshot(*o, *copy)) return nullptr;
      entry->objects.push_back(std::move(copy));
    }
    return entry;
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

void RestoreHistoryEntry(Document& doc, HistoryEntry& entry) {
  doc.filePath = std::move(entry.filePath);
  doc.fileType = entry.fileType;
  doc.untitled = entry.untitled;
  doc.objects = std::move(entry.objects);
  entry.objects.clear();
  doc.objectCount = entry.objectCount;
  doc.haveChanges = entry.haveChanges;
  doc.forceRecord = entry.forceRecord;
  doc.metadata = std::move(entry.metadata);
}

RecordResult RecordHistory(Document& doc) {
  if (!HasUnrecordedChange(doc)) return RecordResult::kNothingToRecord;
  bool commandStatesChange = false;
  {
    std::lock_guard<std::recursive_mutex> lock(doc.historyLock);
    commandStatesChange = !doc.redoStack.empty() || doc.undoStack.empty();
    doc.redoStack.clear();
    while (CurrentMemoryFigure() <= kHistoryMemoryReserve) {
      if (doc.undoStack.empty()) return RecordResult::kNoRoom;
      DropOldest(doc.undoStack);
    }
    for (;;) {
      std::unique_ptr<HistoryEntry> entry;
      if (ReserveOne(doc.undoStack)) entry = BuildHistoryEntry(doc);
      if (entry) {
        doc.undoStack.push_back(std::move(entry));
        break;
      }
      if (doc.undoStack.empty()) return RecordResult::kNoRoom;
      DropOldest(doc.undoStack);
    }
  }
  ClearRecordedFlags(doc);
  if (commandStatesChange) Notify(doc, kNotifyCommandStates);
  return RecordResult::kRecorded;
}

CommandOutcome Undo(Document& doc) {
  return SwapWithNewest(doc, doc.undoStack, doc.redoStack, "Undo", true);
}

CommandOutcome Redo(Document& doc) {
  CommandOutcome outcome = SwapWithNewest(doc, doc.redoStack, doc.undoStack, "Redo", false);
  if (outcome.changed) doc.forceRecord = true;
  return outcome;
}

bool CanUndo(Document& doc) {
  std::lock_guard<std::recursive_mutex> lock(doc.historyLock);
  return !doc.undoStack.empty();
}

bool CanRedo(Document& doc) {
  std::lock_guard<std::recursive_mutex> lock(doc.historyLock);
  return !doc.redoStack.empty();
}

void ClearHistory(Document& doc) {
  std::lock_guard<std::recursive_mutex> lock(doc.historyLock);
  doc.undoStack.clear();
  doc.redoStack.clear();
}

const HistoryEntry* NewestUndoEntry(const Document& doc) {
  return doc.undoStack.empty() ? nullptr : doc.undoStack.back().get();
}

}  // namespace torvane
