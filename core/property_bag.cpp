#include "core/property_bag.h"

#include <cstdlib>

namespace torvane {

int64_t PropertyBag::GetInt(const std::string& key) const {
  auto it = values_.find(key);
  if (it == values_.end()) return 0;
  // strtoll gives the leading number and 0 for text without digits; a colour
  // stored as a negative "%d" (alpha 0xFF) reads back to the same 32 bits.
  return std::strtoll(it->second.c_str(), nullptr, 10);
}

}  // namespace torvane
