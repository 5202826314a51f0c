// PropertyBag: key/value text pairs carried through model files, on the
// document ("ModelName", the autosave keys) and on each object
// ("ObjectDefaultColor", "ObjectName"). Setting a key replaces its value.
// Whole numbers are stored as decimal text and read back by decimal parsing
// (a missing key reads 0); flags are "1" or "0".
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace torvane {

class PropertyBag {
 public:
  void Set(const std::string& key, const std::string& value) { values_[key] = value; }
  void SetInt(const std::string& key, int64_t value) { values_[key] = std::to_string(value); }
  void SetBool(const std::string& key, bool value) { values_[key] = value ? "1" : "0"; }

  bool Has(const std::string& key) const { return values_.count(key) != 0; }
  std::optional<std::string> Get(const std::string& key) const {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }
  std::string GetOr(const std::string& key, const std::string& fallback) const {
    auto it = values_.find(key);
    return it == values_.end() ? fallback : it->second;
  }
  // Leading decimal number of the value (optional sign); 0 when missing or
  // when the text has no digits.
  int64_t GetInt(const std::string& key) const;
  bool GetBool(const std::string& key) const { return GetInt(key) != 0; }

  void Remove(const std::string& key) { values_.erase(key); }
  void Clear() { values_.clear(); }
  bool empty() const { return values_.empty(); }
  size_t size() const { return values_.size(); }

  // Keys in sorted order (file writers rely on a stable order).
  const std::map<std::string, std::string>& entries() const { return values_; }

  bool operator==(const PropertyBag&) const = default;

 private:
  std::map<std::string, std::string> values_;
};

}  // namespace torvane
