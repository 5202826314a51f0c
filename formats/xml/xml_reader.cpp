// The XML parser: a loop over the text with an explicit stack of open
// elements (no recursion), newline folding with line and column counting,
// entity decoding, comments, CDATA, declarations and processing
// instructions.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "formats/textio/utf8_text.h"
#include "formats/xml/xml.h"
#include "platform/available_memory.h"
#include "platform/file_handle.h"

namespace torvane {

namespace {

constexpr size_t kMaxNameUnits = 259;
constexpr size_t kMaxEntityLength = 22;
constexpr size_t kCancelStep = 512;
constexpr uint64_t kMaxSourceBytes = 0x7FFFFFFF;

const char kAmpersandMessage[] =
    "Strings starting with an ampersand (&) must end with a semicolon (;). Either replace the '&' "
    "with '&amp;' or add a ';' at the end of the control string.";

bool IsSpace(char c) {
  return static_cast<unsigned char>(c) <= 32;
}
bool EndsName(char c) {
  return IsSpace(c) || c == '/' || c == '=' || c == '>' || c == '"' || c == '\'';
}
bool IsEntityChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#';
}

// Decodes the entity name (between & and ;); false for unknown names.
bool DecodeEntity(std::string_view name, std::string& out) {
  if (name == "amp") return out.push_back('&'), true;
  if (name == "lt") return out.push_back('<'), true;
  if (name == "gt") return out.push_back('>'), true;
  if (name == "quot") return out.push_back('"'), true;
  if (name == "apos") return out.push_back('\''), true;
  if (name.size() < 2 || name[0] != '#') return false;
  uint64_t code = 0;
  const bool hex = name[1] == 'x' || name[1] == 'X';
  const size_t start = hex ? 2 : 1;
  if (start >= name.size()) return false;
  for (size_t i = start; i < name.size(); ++i) {
    const char c = name[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    code = code * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (code > 0x10FFFF) code = 0x110000;  // held beyond the range: becomes U+FFFD
  }
  AppendUtf8(out, code == 0 ? 0xFFFD : static_cast<uint32_t>(code));
  return true;
}

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

class XmlParser {
 public:
  XmlParser(XmlDocument& document, ProgressMonitor* monitor, std::string& error)
      : doc_(document), monitor_(monitor), error_(error) {
    s_ = doc_.source_.data();
    // The text ends at its first NUL character, as a C string would.
    size_ = ::strnlen(s_, doc_.source_.size());
  }

  // False when cancelled.
  bool Parse() {
    stack_.push_back({&doc_.blocks_.front()[0], nullptr, false, {}});
    for (;;) {
      if (pos_ >= nextCheck_) {
        nextCheck_ = pos_ + kCancelStep;
        if (monitor_ && monitor_->IsCancelled()) return false;
      }
      const char c = Get();
      if (c == 0) {
        if (stack_.size() > 1) {
          const std::string name(doc_.View(stack_.back().name));
          Error(
              FormatText("(EOF) Element <%s> should be terminated with </%s>. Check you have "
                         "terminated your element properly.",
                         name.c_str(), name.c_str()));
        }
        CloseText();
        return true;
      }
      if (c == '<') {
        if (!HandleMarkup()) {
          CloseText();
          return true;
        }
      } else if (c == '&') {
        ReadEntity(text_);
      } else {
        text_.push_back(c);
      }
    }
  }

 private:
  struct Frame {
    XmlNode* node;
    XmlNode* lastChild;
    bool preserve;
    XmlSpan name;
  };
  enum class TagEnd { kEmpty, kOpen, kInstruction, kEndOfText };

  char Peek(size_t ahead = 0) const { return pos_ + ahead < size_ ? s_[pos_ + ahead] : 0; }
  bool LookingAt(const char* text) const {
    const size_t n = std::strlen(text);
    return size_ - pos_ >= n && std::memcmp(s_ + pos_, text, n) == 0;
  }

  // One character; "\r", "\n", "\r\n" and "\n\r" all read as one "\n".
  char Get() {
    if (pos_ >= size_) return 0;
    const char c = s_[pos_++];
    if (c == '\r' || c == '\n') {
      const char pair = c == '\r' ? '\n' : '\r';
      if (pos_ < size_ && s_[pos_] == pair) ++pos_;
      ++line_;
      column_ = 1;
      return '\n';
    }
    Advance(c);
    return c;
  }
  // Columns count UTF-16 units: continuation bytes add nothing, four-byte
  // characters add two.
  void Advance(char c) {
    const auto b = static_cast<unsigned char>(c);
    if ((b & 0xC0) != 0x80) column_ += b >= 0xF0 ? 2 : 1;
  }

  void Error(const std::string& message) {
    if (error_.empty()) error_ = FormatText("Ln %d, Col %d: %s", line_, column_, message.c_str());
  }

  XmlSpan Store(std::string_view text) {
    XmlSpan span{static_cast<uint32_t>(doc_.store_.size()) | XmlDocument::kStoreBit,
                 static_cast<uint32_t>(text.size())};
    doc_.store_.append(text);
    return span;
  }

  XmlNode* AppendNode(Frame& frame) {
    XmlNode& node = doc_.NewNode();
    node.preserveSpace = frame.preserve;
    if (frame.lastChild) {
      frame.lastChild->nextSibling = &node;
    } else {
      frame.node->firstChild = &node;
    }
    frame.lastChild = &node;
    return &node;
  }

  // Ends the text collected in the open element: trimmed of characters
  // below 32 unless space is preserved; empty text makes no node.
  void CloseText() {
    Frame& frame = stack_.back();
    std::string_view text(text_);
    if (!frame.preserve) {
      while (!text.empty() && static_cast<unsigned char>(text.front()) < 32)
        text.remove_prefix(1);
      while (!text.empty() && static_cast<unsigned char>(text.back()) < 32)
        text.remove_suffix(1);
    }
    if (!text.empty()) AppendNode(frame)->text = Store(text);
    text_.clear();
  }

  // After "&": the decoded character, or the text as written when it is not
  // a complete entity.
  void ReadEntity(std::string& out) {
    std::string name;
    while (name.size() < kMaxEntityLength) {
      const char c = Peek();
      if (c == ';') {
        Get();
        if (!DecodeEntity(name, out)) out.append("&").append(name).append(";");
        return;
      }
      if (!IsEntityChar(c)) break;
      name.push_back(Get());
    }
    Error(kAmpersandMessage);
    out.append("&").append(name);
  }

  // A name from the source: up to white space, "/", "=", ">" or a quote; at
  // most 259 units are kept, the rest is passed over.
  XmlSpan ReadName() {
    const size_t start = pos_;
    while (pos_ < size_ && !EndsName(s_[pos_]))
      Advance(s_[pos_++]);
    const std::string_view whole(s_ + start, pos_ - start);
    return {static_cast<uint32_t>(start),
            static_cast<uint32_t>(CutToUtf16Units(whole, kMaxNameUnits).size())};
  }

  void SkipSpaces() {
    while (pos_ < size_ && IsSpace(s_[pos_]))
      Get();
  }

  // After "<". False when parsing must end.
  bool HandleMarkup() {
    if (LookingAt("!--")) {
      SkipPast("-->");
      return true;
    }
    if (LookingAt("![CDATA[")) {
      for (int i = 0; i < 8; ++i)
        Get();
      CloseText();
      std::string content;
      while (!LookingAt("]]>")) {
        const char c = Get();
        if (c == 0) {
          Error("Tag <![CDATA[> does not have a closing '>'");
          break;
        }
        content.push_back(c);
      }
      if (LookingAt("]]>")) pos_ += 3, column_ += 3;
      AppendNode(stack_.back())->text = Store(content);
      return true;
    }
    const XmlSpan name = ReadName();
    if (name.length > 0) {
      CloseText();
      return ParseElement(name);
    }
    if (Peek() == '/') {
      Get();
      const XmlSpan endName = ReadName();
      const std::string end(doc_.View(endName));
      while (Peek() != 0 && Peek() != '>')
        Get();
      Get();
      if (stack_.size() == 1) {
        Error(FormatText("Misplaced </%s> which does not match a <%s>.", end.c_str(), end.c_str()));
        return true;
      }
      const std::string open(doc_.View(stack_.back().name));
      if (open != end) {
        Error(
            FormatText("Element <%s> should be terminated with </%s>, was with %s. Check you have "
                       "terminated your element properly.",
                       open.c_str(), open.c_str(), end.c_str()));
      }
      CloseText();
      stack_.pop_back();
      return true;
    }
    Error("Misplaced < without name. Use &lt; instead of < if appropriate.");
    // The open element ends here; its parent goes on reading.
    CloseText();
    if (stack_.size() == 1) return false;
    stack_.pop_back();
    return true;
  }

  void SkipPast(const char* terminator) {
    while (pos_ < size_ && !LookingAt(terminator))
      Get();
    for (size_t i = 0; i < std::strlen(terminator) && pos_ < size_; ++i)
      Get();
  }

  bool ParseElement(XmlSpan name) {
    Frame& parent = stack_.back();
    XmlNode* node = AppendNode(parent);
    node->name = name;
    const std::string_view nameText = doc_.View(name);
    if (nameText.front() == '!') {
      // A declaration runs to its ">", with brackets nesting (DOCTYPE).
      int depth = 0;
      for (;;) {
        const char c = Get();
        if (c == 0) {
          Error(FormatText("Tag <%s> does not have a closing '>'", std::string(nameText).c_str()));
          return false;
        }
        if (c == '[') ++depth;
        if (c == ']' && depth > 0) --depth;
        if (c == '>' && depth == 0) return true;
      }
    }
    const TagEnd end = ParseAttributes(*node, parent.preserve);
    if (end == TagEnd::kEndOfText) {
      Error(FormatText("Tag <%s> does not have a closing '>'", std::string(nameText).c_str()));
      return false;
    }
    if (end == TagEnd::kOpen && nameText.front() != '?')
      stack_.push_back({node, nullptr, node->preserveSpace != 0, name});
    return true;
  }

  TagEnd ParseAttributes(XmlNode& node, bool inherited) {
    node.preserveSpace = inherited;
    node.firstAttribute = static_cast<uint32_t>(doc_.attributes_.size());
    for (;;) {
      SkipSpaces();
      const char c = Peek();
      if (c == 0) return TagEnd::kEndOfText;
      if (c == '>') {
        Get();
        return TagEnd::kOpen;
      }
      if (c == '/' && Peek(1) == '>') {
        Get(), Get();
        return TagEnd::kEmpty;
      }
      if (c == '?' && Peek(1) == '>') {
        Get(), Get();
        return TagEnd::kInstruction;
      }
      const XmlSpan name = ReadName();
      if (name.length == 0) {
        Get();  // a stray "/", "=" or quote
        continue;
      }
      SkipSpaces();
      XmlSpan value{};
      if (Peek() == '=') {
        Get();
        SkipSpaces();
        value = ReadValue();
      }
      if (doc_.View(name) == "xml:space") {
        node.preserveSpace = 1;
        continue;
      }
      doc_.attributes_.push_back({name, value});
      ++node.attributeCount;
    }
  }

  // A quoted value (entities decoded, the other quote allowed inside), or an
  // unquoted one up to white space or the end of the tag.
  XmlSpan ReadValue() {
    const char quote = Peek();
    if (quote == '"' || quote == '\'') {
      Get();
      const size_t start = pos_;
      // Plain values point into the source; others are decoded into the store.
      size_t end = start;
      while (end < size_ && s_[end] != quote && s_[end] != '&' && s_[end] != '\r' &&
             s_[end] != '\n')
        ++end;
      if (end < size_ && s_[end] == quote) {
        for (size_t i = start; i < end; ++i)
          Advance(s_[i]);
        pos_ = end + 1;
        ++column_;
        return {static_cast<uint32_t>(start), static_cast<uint32_t>(end - start)};
      }
      std::string value;
      for (;;) {
        const char c = Get();
        if (c == 0 || c == quote) break;
        if (c == '&') {
          ReadEntity(value);
        } else {
          value.push_back(c);
        }
      }
      return Store(value);
    }
    std::string value;
    for (;;) {
      const char c = Peek();
      if (c == 0 || IsSpace(c) || c == '>' || (c == '/' && Peek(1) == '>')) break;
      Get();
      if (c == '&') {
        ReadEntity(value);
      } else {
        value.push_back(c);
      }
    }
    // "<?xml version=1.0?>": the "?" belongs to the end of the tag.
    if (!value.empty() && value.back() == '?' && Peek() == '>') {
      value.pop_back();
    }
    return Store(value);
  }

  XmlDocument& doc_;
  ProgressMonitor* monitor_;
  std::string& error_;
  const char* s_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
  size_t nextCheck_ = 0;
  int line_ = 1;
  int column_ = 1;
  std::vector<Frame> stack_;
  std::string text_;
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
    XmlParser parser(document, monitor, error);
    if (!parser.Parse()) return 1;
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
