// ButtonTracker: which mouse buttons a view considers held. A button counts
// as held from its press to its release; on every move the flags are checked
// against the buttons physically down, so a release outside the window ends a
// drag at the next move instead of leaving it running.
#pragma once

namespace torvane {

enum MouseButtonBit { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

struct ButtonTracker {
  int held = 0;  // MouseButtonBit flags

  void Press(int button) { held |= button; }
  void Release(int button) { held &= ~button; }
  // `physical`: the MouseButtonBit flags of the buttons down now. Returns the
  // flags that were dropped.
  int Reconcile(int physical) {
    int dropped = held & ~physical;
    held &= physical;
    return dropped;
  }
  bool IsHeld(int button) const { return (held & button) != 0; }
};

}  // namespace torvane
