// History: undo and redo over whole-document snapshots.
//
// Every editing command calls RecordHistory before it changes anything; a
// snapshot (HistoryEntry) is taken only when something changed since the last
// one (an object's unrecordedChange flag, dead objects included, or the
// document's forceRecord flag). The depth is bounded by memory, not by a
// count: while the available-memory figure is at or below the 512 MiB reserve
// the oldest entries are dropped, and with none left the command simply runs
// without an undo step. Undo and Redo swap the document with the newest entry
// of one stack, pushing the current state on the other.
//
// Inputs: the document (objects, file state, flags). Outputs: the two stacks
// in the document (newest entry at the back), the restored document, and the
// command-state notification to the main window. The stacks are only touched
// under doc.historyLock.
#pragma once

#include <cstdint>
#include <memory>

#include "core/command_outcome.h"
#include "core/document.h"
#include "core/history_entry.h"

namespace torvane {

// The part of the available-memory figure the history never eats into.
inline constexpr uint64_t kHistoryMemoryReserve = 0x20000000u;  // 512 MiB

// Asks the main window to refresh the enabled state of its commands (Undo and
// Redo became possible or impossible).
inline constexpr uint32_t kNotifyCommandStates = 2100;

enum class RecordResult {
  kNothingToRecord,  // no change since the last snapshot
  kRecorded,
  kNoRoom,  // memory too short even after dropping every entry; flags kept
};

// Records the current state before a change (see the file comment).
RecordResult RecordHistory(Document& doc);

// Restores the newest undo entry; the current state goes on the redo stack.
// Does nothing (changed false) when there is nothing to undo; fails without
// changing anything when the current state cannot be copied.
CommandOutcome Undo(Document& doc);
// The reverse of Undo. Afterwards the next RecordHistory records even without
// a change, so that the redone state can be undone to again.
CommandOutcome Redo(Document& doc);

bool CanUndo(Document& doc);
bool CanRedo(Document& doc);

// Destroys every entry of both stacks (new document).
void ClearHistory(Document& doc);

// A snapshot of the document; null when memory runs out. No vertex or corner
// is copied: buffers are shared copy-on-write.
std::unique_ptr<HistoryEntry> BuildHistoryEntry(const Document& doc);

// Puts the entry's state into the document: file path, type and untitled
// flag, objects (taken over; the entry is left with none), objectCount,
// haveChanges, forceRecord and metadata. loadCode stays.
void RestoreHistoryEntry(Document& doc, HistoryEntry& entry);

// The newest undo entry (what an autosave writes), or null. The caller holds
// doc.historyLock while it uses the entry.
const HistoryEntry* NewestUndoEntry(const Document& doc);

// Test seam: the figure the reserve is tested against; null restores
// AvailableMemory().
using MemoryFigure = uint64_t (*)();
void SetHistoryMemoryFigure(MemoryFigure figure);

}  // namespace torvane
