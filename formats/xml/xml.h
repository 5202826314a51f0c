// A small tolerant XML reader: a whole file becomes a tree of element and
// text nodes with attributes, for the small parts of 3MF packages (the
// large model part is read as events, see xml_events.h).
//
// LoadXmlFile answers 0 (parsed), 1 (cancelled) or 2 (not loaded: missing,
// too large for memory, unreadable). A syntax problem does not change the
// answer: the first one is left in `error` as "Ln %d, Col %d: <message>" and
// the tree holds what could be read.
//
// The tree lives in an XmlDocument: nodes refer to each other by pointer
// (first child, next sibling) and to their texts by spans of the document's
// text, so millions of small elements cost no allocation each. Parsing and
// destruction never recurse, so no nesting depth can exhaust the stack.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/progress_monitor.h"

namespace torvane {

// A piece of the document's text: of its source, or (high bit of offset
// set) of its store of decoded values.
struct XmlSpan {
  uint32_t offset = 0;
  uint32_t length = 0;
};

struct XmlAttribute {
  XmlSpan name;
  XmlSpan value;
};

struct XmlNode {
  XmlNode* nextSibling = nullptr;
  uint8_t preserveSpace = 0;  // set by "xml:space" here or on an ancestor
  uint32_t firstAttribute = 0;
  uint32_t attributeCount = 0;
  XmlSpan name;  // empty for text nodes and the root
  XmlNode* firstChild = nullptr;
  XmlSpan text;  // text nodes only
};

class XmlDocument {
 public:
  XmlDocument() { Clear(); }
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // The unnamed root; its children are the top-level nodes.
  const XmlNode& Root() const { return blocks_.front()[0]; }
  std::string_view View(XmlSpan span) const;
  std::string_view Name(const XmlNode& node) const { return View(node.name); }
  std::string_view Text(const XmlNode& node) const { return View(node.text); }
  std::span<const XmlAttribute> Attributes(const XmlNode& node) const {
    return {attributes_.data() + node.firstAttribute, node.attributeCount};
  }
  size_t NodeCount() const { return nodeCount_; }

  void Clear();

 private:
  friend class XmlTreeBuilder;
  friend int ParseXmlBytes(std::string bytes, ProgressMonitor* monitor, XmlDocument& document,
                           std::string& error);
  static constexpr uint32_t kStoreBit = 0x80000000u;

  std::string source_;  // the whole file as UTF-8
  std::string store_;   // values that differ from their source text
  // Nodes live in large blocks that never move, so nodes can point at each
  // other and millions of them cost a few allocations.
  static constexpr size_t kBlockNodes = 1 << 16;
  XmlNode& NewNode();
  std::vector<std::unique_ptr<XmlNode[]>> blocks_;
  size_t nodeCount_ = 0;
  size_t blockSize_ = 0;
  size_t blockUsed_ = 0;
  std::vector<XmlAttribute> attributes_;
};

// The attribute's value (the last one when the name repeats), or none.
std::optional<std::string_view> FindAttribute(const XmlDocument& document, const XmlNode& node,
                                              std::string_view name);
// The attribute's value, or `fallback` when the node has no such attribute.
std::string GetAttribute(const XmlDocument& document, const XmlNode& node, std::string_view name,
                         std::string_view fallback);

class XmlHandler;
// Reports the tree to `handler` as the parser would have reported it: starts
// (content follows when the element has children), texts and ends, in
// document order. False when the handler stopped it.
bool ReplayXmlDocument(const XmlDocument& document, XmlHandler& handler);

// Loads and parses a file. `monitor` may be null.
int LoadXmlFile(const std::string& path, ProgressMonitor* monitor, XmlDocument& document,
                std::string& error);

// Parses raw file bytes (any byte-order mark honoured). 0 parsed, 1 cancelled,
// 2 too large.
int ParseXmlBytes(std::string bytes, ProgressMonitor* monitor, XmlDocument& document,
                  std::string& error);

// File bytes as UTF-8: FF FE is UTF-16 little-endian, FE FF big-endian,
// EF BB BF is dropped; without a mark, valid UTF-8 stays and anything else is
// read as the Windows Western code page.
std::string DecodeXmlBytes(std::string bytes);

}  // namespace torvane
