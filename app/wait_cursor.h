// WaitCursor: the busy cursor for the lifetime of the object (nothing when
// there is no GUI application).
#pragma once

namespace torvane {

class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  bool active_ = false;
};

}  // namespace torvane
