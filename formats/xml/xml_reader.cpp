// The XML tree: built from the event parser's events, with names and plain
// values pointing into the document's text and everything decoded kept in
// its store; loading files and decoding their bytes.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "formats/textio/utf8_text.h"
#include "formats/xml/xml.h"
#include "formats/xml/xml_events.h"
#include "platform/available_memory.h"
#include "platform/file_handle.h"

namespace torvane {

namespace {

constexpr uint64_t kMaxSourceBytes = 0x7FFFFFFF;

}  // namespace

std::string_view XmlDocument::View(XmlSpan span) const {
  if (span.offset & kStoreBit)
    return std::string_view(store_).substr(span.offset & ~kStoreBit, span.length);
  return std::string_view(source_).substr(span.offset, span.length);
}

void XmlDocument::Clear() {
  source_.clear();
  store_.clear();
  blocks_.clear();
  nodeCount_ = 0;
  blockSize_ = 0;
  blockUsed_ = 0;
  attributes_.clear();
  NewNode();
}

XmlNode& XmlDocument::NewNode() {
  if (blockUsed_ == blockSize_) {
    // Blocks grow from 64 nodes, so small documents stay small.
    blockSize_ = std::min(kBlockNodes, size_t{64} << std::min<size_t>(blocks_.size(), 16));
    blocks_.push_back(std::make_unique<XmlNode[]>(blockSize_));
    blockUsed_ = 0;
  }
  ++nodeCount_;
  return blocks_.back()[blockUsed_++];
}

// Appends each event's node to the element that is open.
class XmlTreeBuilder : public XmlHandler {
 public:
  explicit XmlTreeBuilder(XmlDocument& document) : doc_(document) {
    stack_.push_back({&doc_.blocks_.front()[0], nullptr});
  }

  bool StartElement(const XmlTag& tag) override {
    XmlNode* node = AppendNode();
    node->name = Span(tag.name);
    node->preserveSpace = tag.preserveSpace;
    node->firstAttribute = static_cast<uint32_t>(doc_.attributes_.size());
    for (const XmlAttributeView& a : tag.attributes)
      doc_.attributes_.push_back({Span(a.name), Span(a.value)});
    node->attributeCount = static_cast<uint32_t>(tag.attributes.size());
    if (tag.open) stack_.push_back({node, nullptr});
    return true;
  }

  bool EndElement() override {
    if (stack_.size() > 1) stack_.pop_back();
    return true;
  }

  bool Text(std::string_view text) override {
    const uint8_t preserve = stack_.back().node->preserveSpace;
    XmlNode* node = AppendNode();
    node->preserveSpace = preserve;
    node->text = Store(text);
    return true;
  }

 private:
  struct Frame {
    XmlNode* node;
    XmlNode* lastChild;
  };

  XmlNode* AppendNode() {
    Frame& frame = stack_.back();
    XmlNode& node = doc_.NewNode();
    if (frame.lastChild) {
      frame.lastChild->nextSibling = &node;
    } else {
      frame.node->firstChild = &node;
    }
    frame.lastChild = &node;
    return &node;
  }

  // Text of the document's source stays there; anything else is stored.
  XmlSpan Span(std::string_view text) {
    const std::string& source = doc_.source_;
    const auto at = reinterpret_cast<uintptr_t>(text.data());
    const auto begin = reinterpret_cast<uintptr_t>(source.data());
    if (!text.empty() && at >= begin && at + text.size() <= begin + source.size())
      return {static_cast<uint32_t>(at - begin), static_cast<uint32_t>(text.size())};
    return Store(text);
  }

  XmlSpan Store(std::string_view text) {
    XmlSpan span{static_cast<uint32_t>(doc_.store_.size()) | XmlDocument::kStoreBit,
                 static_cast<uint32_t>(text.size())};
    doc_.store_.append(text);
    return span;
  }

  XmlDocument& doc_;
  std::vector<Frame> stack_;
};

std::optional<std::string_view> FindAttribute(const XmlDocument& document, const XmlNode& node,
                                              std::string_view name) {
  const std::span<const XmlAttribute> attributes = document.Attributes(node);
  for (size_t i = attributes.size(); i-- > 0;)
    if (document.View(attributes[i].name) == name) return document.View(attributes[i].value);
  return std::nullopt;
}

std::string GetAttribute(const XmlDocument& document, const XmlNode& node, std::string_view name,
                         std::string_view fallback) {
  return std::string(FindAttribute(document, node, name).value_or(fallback));
}

bool ReplayXmlDocument(const XmlDocument& document, XmlHandler& handler) {
  std::vector<XmlAttributeView> attributes;
  // The next sibling to report at each open level.
  std::vector<const XmlNode*> stack{document.Root().firstChild};
  while (!stack.empty()) {
    const XmlNode* node = stack.back();
    if (!node) {
      stack.pop_back();
      if (!stack.empty() && !handler.EndElement()) return false;
      continue;
    }
    stack.back() = node->nextSibling;
    if (node->name.length == 0) {
      if (!handler.Text(document.Text(*node))) return false;
      continue;
    }
    attributes.clear();
    for (const XmlAttribute& a : document.Attributes(*node))
      attributes.push_back({document.View(a.name), document.View(a.value)});
    XmlTag tag;
    tag.name = document.Name(*node);
    tag.attributes = attributes;
    tag.preserveSpace = node->preserveSpace != 0;
    tag.open = node->firstChild != nullptr;
    if (!handler.StartElement(tag)) return false;
    if (tag.open) stack.push_back(node->firstChild);
  }
  return true;
}

std::string DecodeXmlBytes(std::string bytes) {
  const auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE)
    return Utf16ToUtf8(std::string_view(bytes).substr(2), false);
  if (bytes.size() >= 2 && at(0) == 0xFE && at(1) == 0xFF)
    return Utf16ToUtf8(std::string_view(bytes).substr(2), true);
  if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
    bytes.erase(0, 3);
    return bytes;
  }
  if (IsValidUtf8(bytes)) return bytes;
  return Cp1252ToUtf8(bytes);
}

int ParseXmlBytes(std::string bytes, ProgressMonitor* monitor, XmlDocument& document,
                  std::string& error) {
  document.Clear();
  error.clear();
  try {
    std::string source = DecodeXmlBytes(std::move(bytes));
    if (source.size() > kMaxSourceBytes) return 2;
    document.source_ = std::move(source);
    // Room for an attribute every few bytes is only address space until used,
    // and saves copying a large table as it grows.
    document.attributes_.reserve(document.source_.size() / 8);
    XmlTreeBuilder builder(document);
    if (ParseXmlText(document.source_, monitor, builder, &error) == XmlParseResult::kCancelled)
      return 1;
    if (monitor && monitor->IsCancelled()) return 1;
    return 0;
  } catch (const std::bad_alloc&) {
    document.Clear();
    return 2;
  }
}

int LoadXmlFile(const std::string& path, ProgressMonitor* monitor, XmlDocument& document,
                std::string& error) {
  document.Clear();
  error.clear();
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = FormatText("File does not exist: %s", path.c_str());
    return 2;
  }
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  // The text, its decoded copy and the tree need many times the file size.
  if (size > kMaxSourceBytes || size * 20 >= AvailableMemory()) {
    error = FormatText("Not enough memory available to load %s", path.c_str());
    return 2;
  }
  if (monitor && monitor->IsCancelled()) return 1;
  std::string bytes;
  FileHandle file;
  try {
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    error = FormatText("Not enough memory available to load %s", path.c_str());
    return 2;
  }
  if (!file.OpenRead(path) || file.Read(bytes.data(), bytes.size()) != bytes.size()) {
    error = FormatText("Cannot open xml file: %s", path.c_str());
    return 2;
  }
  file.Close();
  const int result = ParseXmlBytes(std::move(bytes), monitor, document, error);
  if (result == 2 && error.empty())
    error = FormatText("Not enough memory available to load %s", path.c_str());
  return result;
}

}  // namespace torvane
