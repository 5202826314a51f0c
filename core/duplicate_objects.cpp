// "Duplicate Objects": the selected objects are copied into the copy buffer
// and pasted at once, each copy beside the object it copies; the copies
// become the selection. The copy buffer keeps the copies afterwards.
#include "core/copy_buffer.h"
#include "core/split_group.h"

namespace torvane {

CommandOutcome DuplicateObjectsCommand(Document& doc) {
  // With nothing selected the copy would only empty the buffer.
  if (!AnySelected(doc)) return {};
  CommandOutcome copied = CopySelected(doc);
  if (copied.status != kStatusDone) return copied;
  return PasteFromCopyBuffer(doc);
}

}  // namespace torvane
