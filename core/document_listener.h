// DocumentListener: the receiver of document notifications (the main
// window). Codes: 1001 after a reset, 2002 after an object was added, 2012
// asks for a paint colour; the meaning of wParam and lParam belongs to the
// code.
#pragma once

#include <cstdint>

namespace torvane {

inline constexpr uint32_t kNotifyReset = 1001;
inline constexpr uint32_t kNotifyObjectAdded = 2002;
inline constexpr uint32_t kNotifyAskPaintColour = 2012;

class DocumentListener {
 public:
  virtual ~DocumentListener() = default;
  virtual void OnDocumentNotify(uint32_t code, uintptr_t wParam, intptr_t lParam) = 0;
};

}  // namespace torvane
