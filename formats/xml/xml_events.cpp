// The XML event parser: a loop over the text with an explicit stack of open
// elements (no recursion), newline folding, entity decoding, comments,
// CDATA, declarations and processing instructions.
//
// The text is read through a window: the whole text when it is in memory,
// else a block of the stream that keeps everything from the start of the
// tag being read (names and plain values are handed out from the window
// itself, never copied). Lines and columns are counted only when the first
// syntax problem is reported, by scanning the text read so far; a streamed
// parse that wants an error text scans each block as it is dropped.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "formats/textio/utf8_text.h"
#include "formats/xml/xml_events.h"

namespace torvane {
namespace {

constexpr size_t kMaxNameUnits = 259;
constexpr size_t kMaxEntityLength = 22;
constexpr uint64_t kCancelStep = 512;

const char kAmpersandMessage[] =
    "Strings starting with an ampersand (&) must end with a semicolon (;). Either replace the '&' "
    "with '&amp;' or add a ';' at the end of the control string.";

bool IsSpace(char c) {
  return static_cast<unsigned char>(c) <= 32;
}
bool IsEntityChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#';
}

using CharSet = std::array<bool, 256>;

constexpr CharSet MakeSet(const char* members, bool withSpaces) {
  CharSet set{};
  for (int c = 0; c <= 32 && withSpaces; ++c)
    set[c] = true;
  for (const char* m = members; *m; ++m)
    set[static_cast<unsigned char>(*m)] = true;
  return set;
}

// Characters that end a name; that end a plain quoted value.
constexpr CharSet kEndsName = MakeSet("/=>\"'", true);
constexpr CharSet kEndsDoubleQuoted = MakeSet("\"&\r\n", false);
constexpr CharSet kEndsSingleQuoted = MakeSet("'&\r\n", false);
// Characters that end a run of plain text.
constexpr CharSet kEndsText = MakeSet("<&\r\n", false);
constexpr size_t kTextRun = 4096;

bool In(const CharSet& set, char c) {
  return set[static_cast<unsigned char>(c)];
}

// The high bit of each byte of `x` that equals `c`.
inline uint64_t BytesEqual(uint64_t x, char c) {
  const uint64_t y = x ^ (0x0101010101010101ull * static_cast<unsigned char>(c));
  return ~(((y & 0x7F7F7F7F7F7F7F7Full) + 0x7F7F7F7F7F7F7F7Full) | y) & 0x8080808080808080ull;
}

// How far a plain quoted value runs from `p`: to its quote, "&", "\r" or
// "\n" (or `end`), eight bytes at a time.
inline size_t ScanQuotedValue(const char* p, const char* end, char quote) {
  const char* const start = p;
  while (end - p >= 8) {
    uint64_t chunk;
    std::memcpy(&chunk, p, 8);
    const uint64_t stops = BytesEqual(chunk, quote) | BytesEqual(chunk, '&') |
                           BytesEqual(chunk, '\r') | BytesEqual(chunk, '\n');
    if (stops) return static_cast<size_t>(p - start) + __builtin_ctzll(stops) / 8;
    p += 8;
  }
  const CharSet& ends = quote == '"' ? kEndsDoubleQuoted : kEndsSingleQuoted;
  while (p < end && !In(ends, *p))
    ++p;
  return static_cast<size_t>(p - start);
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

// Line and column after a stretch of text, counted the way the parser reads
// it: "\r", "\n", "\r\n" and "\n\r" each end one line; columns count UTF-16
// units (continuation bytes add nothing, four-byte characters add two).
class PositionCounter {
 public:
  void Scan(const char* p, const char* end) {
    for (; p < end; ++p) {
      const char c = *p;
      if (pair_) {
        const char wanted = pair_;
        pair_ = 0;
        if (c == wanted) continue;
      }
      if (c == '\r' || c == '\n') {
        ++line;
        column = 1;
        pair_ = c == '\r' ? '\n' : '\r';
        continue;
      }
      const auto b = static_cast<unsigned char>(c);
      if ((b & 0xC0) != 0x80) column += b >= 0xF0 ? 2 : 1;
    }
  }
  int line = 1;
  int column = 1;

 private:
  char pair_ = 0;  // the other half of a line break just counted
};

// A name or value of the tag being read: in the window (absolute offset) or
// in the store of decoded values.
struct Piece {
  uint64_t offset = 0;
  size_t length = 0;
  bool decoded = false;
};

class EventParser {
 public:
  EventParser(ProgressMonitor* monitor, XmlHandler& handler, std::string* error)
      : monitor_(monitor), handler_(handler), error_(error) {}

  void UseText(std::string_view text) {
    s_ = text.data();
    // The text ends at its first NUL character, as a C string would.
    size_ = ::strnlen(s_, text.size());
    atEnd_ = true;
  }

  void UseStream(XmlPull& source, size_t blockSize) {
    source_ = &source;
    buffer_.resize(std::max<size_t>(blockSize, 1));
    s_ = buffer_.data();
  }

  XmlParseResult Parse() {
    stack_.push_back({std::string(), false});
    for (;;) {
      keep_ = pos_;
      const uint64_t at = base_ + pos_;
      if (at >= nextCheck_) {
        nextCheck_ = at + kCancelStep;
        if (monitor_ && monitor_->IsCancelled()) return XmlParseResult::kCancelled;
      }
      const char c = Get();
      if (c == 0) {
        if (stack_.size() > 1) {
          const std::string& name = stack_.back().name;
          Error(
              FormatText("(EOF) Element <%s> should be terminated with </%s>. Check you have "
                         "terminated your element properly.",
                         name.c_str(), name.c_str()));
        }
        return Finish();
      }
      if (c == '<') {
        const Outcome outcome = HandleMarkup();
        if (outcome == Outcome::kStop) return XmlParseResult::kStopped;
        if (outcome == Outcome::kEnd) return Finish();
      } else if (c == '&') {
        ReadEntity(text_);
      } else {
        text_.push_back(c);
        // The rest of a run of plain text (indentation, say) in one piece.
        const size_t end = std::min(size_, pos_ + kTextRun);
        size_t run = pos_;
        while (run < end && !In(kEndsText, s_[run]))
          ++run;
        text_.append(s_ + pos_, run - pos_);
        pos_ = run;
      }
    }
  }

 private:
  struct Frame {
    std::string name;
    bool preserve;
  };
  enum class Outcome { kContinue, kEnd, kStop };
  enum class TagEnd { kEmpty, kOpen, kInstruction, kEndOfText };

  // The window: s_[0, size_) is the text from offset base_ on; pos_ is the
  // read position in it. A refill may drop what lies before keep_.
  bool Fill(size_t n) {
    if (atEnd_) return pos_ + n <= size_;
    if (keep_ > 0) Compact();
    while (size_ < pos_ + n && !atEnd_) {
      if (size_ == buffer_.size()) buffer_.resize(std::max(buffer_.size() * 2, pos_ + n));
      const size_t got = source_->Pull(buffer_.data() + size_, buffer_.size() - size_);
      if (got == 0) {
        atEnd_ = true;
        break;
      }
      const void* nul = std::memchr(buffer_.data() + size_, 0, got);
      if (nul) {
        size_ = static_cast<size_t>(static_cast<const char*>(nul) - buffer_.data());
        atEnd_ = true;
        break;
      }
      size_ += got;
    }
    s_ = buffer_.data();
    return pos_ + n <= size_;
  }

  void Compact() {
    if (error_ && !haveError_) {
      counter_.Scan(s_ + (scannedTo_ - base_), s_ + keep_);
      scannedTo_ = base_ + keep_;
    }
    std::memmove(buffer_.data(), buffer_.data() + keep_, size_ - keep_);
    base_ += keep_;
    size_ -= keep_;
    pos_ -= keep_;
    keep_ = 0;
  }

  bool Have(size_t n) { return pos_ + n <= size_ || Fill(n); }
  char Peek(size_t ahead = 0) { return Have(ahead + 1) ? s_[pos_ + ahead] : 0; }
  bool LookingAt(std::string_view text) {
    return Have(text.size()) && std::memcmp(s_ + pos_, text.data(), text.size()) == 0;
  }

  // One character; "\r", "\n", "\r\n" and "\n\r" all read as one "\n".
  char Get() {
    if (pos_ >= size_ && !Fill(1)) return 0;
    const char c = s_[pos_++];
    if (c == '\r' || c == '\n') {
      const char pair = c == '\r' ? '\n' : '\r';
      if (Have(1) && s_[pos_] == pair) ++pos_;
      return '\n';
    }
    return c;
  }

  std::string_view View(const Piece& piece) const {
    // An empty piece (an attribute written without a value) may carry an
    // offset from before the window moved: it points nowhere.
    if (piece.length == 0) return {};
    if (piece.decoded) return std::string_view(store_).substr(piece.offset, piece.length);
    return std::string_view(s_ + (piece.offset - base_), piece.length);
  }

  void Error(const std::string& message) {
    if (!error_ || haveError_) return;
    haveError_ = true;
    counter_.Scan(s_ + (scannedTo_ - base_), s_ + pos_);
    *error_ = FormatText("Ln %d, Col %d: %s", counter_.line, counter_.column, message.c_str());
  }

  // Ends the parse: the open elements end where the text does.
  XmlParseResult Finish() {
    if (!CloseText()) return XmlParseResult::kStopped;
    while (stack_.size() > 1) {
      stack_.pop_back();
      if (!handler_.EndElement()) return XmlParseResult::kStopped;
    }
    return XmlParseResult::kParsed;
  }

  // Ends the text collected in the open element: trimmed of characters
  // below 32 unless space is preserved; empty text is no text.
  bool CloseText() {
    if (text_.empty()) return true;
    std::string_view text(text_);
    if (!stack_.back().preserve) {
      while (!text.empty() && static_cast<unsigned char>(text.front()) < 32)
        text.remove_prefix(1);
      while (!text.empty() && static_cast<unsigned char>(text.back()) < 32)
        text.remove_suffix(1);
    }
    const bool ok = text.empty() || handler_.Text(text);
    text_.clear();
    return ok;
  }

  // After "&": the decoded character, or the text as written when it is not
  // a complete entity.
  void ReadEntity(std::string& out) {
    entity_.clear();
    while (entity_.size() < kMaxEntityLength) {
      const char c = Peek();
      if (c == ';') {
        Get();
        if (!DecodeEntity(entity_, out)) out.append("&").append(entity_).append(";");
        return;
      }
      if (!IsEntityChar(c)) break;
      entity_.push_back(Get());
    }
    Error(kAmpersandMessage);
    out.append("&").append(entity_);
  }

  // A name: up to white space, "/", "=", ">" or a quote; at most 259 units
  // are kept, the rest is passed over.
  Piece ReadName() {
    const uint64_t start = base_ + pos_;
    unsigned bits = 0;  // all the bytes or'ed: ASCII names need no cut
    for (;;) {
      while (pos_ < size_ && !In(kEndsName, s_[pos_]))
        bits |= static_cast<unsigned char>(s_[pos_++]);
      if (pos_ < size_ || !Fill(1)) break;
    }
    const std::string_view whole(s_ + (start - base_), base_ + pos_ - start);
    if (bits < 0x80 && whole.size() <= kMaxNameUnits) return {start, whole.size(), false};
    return {start, CutToUtf16Units(whole, kMaxNameUnits).size(), false};
  }

  void SkipSpaces() {
    for (;;) {
      if (pos_ >= size_ && !Fill(1)) return;
      const char c = s_[pos_];
      if (!IsSpace(c)) return;
      if (c == '\r' || c == '\n') {
        Get();
      } else {
        ++pos_;
      }
    }
  }

  // Passes over text up to and including `terminator`; nothing of it is kept.
  void SkipPast(std::string_view terminator) {
    while (Have(1) && !LookingAt(terminator)) {
      keep_ = pos_;
      Get();
    }
    for (size_t i = 0; i < terminator.size() && Have(1); ++i)
      Get();
  }

  // After "<".
  Outcome HandleMarkup() {
    if (Peek() == '!') {
      if (LookingAt("!--")) {
        SkipPast("-->");
        return Outcome::kContinue;
      }
      if (LookingAt("![CDATA[")) {
        for (int i = 0; i < 8; ++i)
          Get();
        if (!CloseText()) return Outcome::kStop;
        cdata_.clear();
        while (!LookingAt("]]>")) {
          keep_ = pos_;
          const char c = Get();
          if (c == 0) {
            Error("Tag <![CDATA[> does not have a closing '>'");
            break;
          }
          cdata_.push_back(c);
        }
        if (LookingAt("]]>")) pos_ += 3;
        return handler_.Text(cdata_) ? Outcome::kContinue : Outcome::kStop;
      }
    }
    const Piece name = ReadName();
    if (name.length > 0) {
      if (!CloseText()) return Outcome::kStop;
      return ParseElement(name);
    }
    if (Peek() == '/') {
      Get();
      const std::string end(View(ReadName()));
      while (Peek() != 0 && Peek() != '>')
        Get();
      Get();
      if (stack_.size() == 1) {
        Error(FormatText("Misplaced </%s> which does not match a <%s>.", end.c_str(), end.c_str()));
        return Outcome::kContinue;
      }
      const std::string& open = stack_.back().name;
      if (open != end) {
        Error(
            FormatText("Element <%s> should be terminated with </%s>, was with %s. Check you have "
                       "terminated your element properly.",
                       open.c_str(), open.c_str(), end.c_str()));
      }
      if (!CloseText()) return Outcome::kStop;
      stack_.pop_back();
      return handler_.EndElement() ? Outcome::kContinue : Outcome::kStop;
    }
    Error("Misplaced < without name. Use &lt; instead of < if appropriate.");
    // The open element ends here; its parent goes on reading.
    if (!CloseText()) return Outcome::kStop;
    if (stack_.size() == 1) return Outcome::kEnd;
    stack_.pop_back();
    return handler_.EndElement() ? Outcome::kContinue : Outcome::kStop;
  }

  Outcome ParseElement(const Piece& namePiece) {
    const bool inherited = stack_.back().preserve;
    if (View(namePiece).front() == '!') {
      // A declaration runs to its ">", with brackets nesting (DOCTYPE); it
      // has no content.
      XmlTag tag;
      tag.name = View(namePiece);
      tag.preserveSpace = inherited;
      const std::string name(tag.name);
      if (!handler_.StartElement(tag)) return Outcome::kStop;
      int depth = 0;
      for (;;) {
        keep_ = pos_;
        const char c = Get();
        if (c == 0) {
          Error(FormatText("Tag <%s> does not have a closing '>'", name.c_str()));
          return Outcome::kEnd;
        }
        if (c == '[') ++depth;
        if (c == ']' && depth > 0) --depth;
        if (c == '>' && depth == 0) return Outcome::kContinue;
      }
    }
    attributes_.clear();
    store_.clear();
    bool preserve = inherited;
    const TagEnd end = ParseAttributes(preserve);
    views_.clear();
    for (const auto& [name, value] : attributes_)
      views_.push_back({View(name), View(value)});
    XmlTag tag;
    tag.name = View(namePiece);
    tag.attributes = views_;
    tag.preserveSpace = preserve;
    tag.open = end == TagEnd::kOpen && tag.name.front() != '?';
    if (end == TagEnd::kEndOfText) {
      const std::string name(tag.name);
      if (!handler_.StartElement(tag)) return Outcome::kStop;
      Error(FormatText("Tag <%s> does not have a closing '>'", name.c_str()));
      return Outcome::kEnd;
    }
    if (tag.open) stack_.push_back({std::string(tag.name), preserve});
    return handler_.StartElement(tag) ? Outcome::kContinue : Outcome::kStop;
  }

  TagEnd ParseAttributes(bool& preserve) {
    for (;;) {
      SkipSpaces();
      const char c = Peek();
      if (c == 0) return TagEnd::kEndOfText;
      if (c == '>') {
        Get();
        return TagEnd::kOpen;
      }
      if (c == '/' && Peek(1) == '>') {
        pos_ += 2;
        return TagEnd::kEmpty;
      }
      if (c == '?' && Peek(1) == '>') {
        pos_ += 2;
        return TagEnd::kInstruction;
      }
      const Piece name = ReadName();
      if (name.length == 0) {
        Get();  // a stray "/", "=" or quote
        continue;
      }
      SkipSpaces();
      Piece value{base_ + pos_, 0, false};
      if (Peek() == '=') {
        Get();
        SkipSpaces();
        value = ReadValue();
      }
      if (View(name) == "xml:space") {
        preserve = true;
        continue;
      }
      attributes_.push_back({name, value});
    }
  }

  // A quoted value (entities decoded, the other quote allowed inside), or an
  // unquoted one up to white space or the end of the tag.
  Piece ReadValue() {
    const char quote = Peek();
    if (quote == '"' || quote == '\'') {
      Get();
      // Plain values are read in place; others are decoded into the store.
      const uint64_t start = base_ + pos_;
      size_t end = pos_;
      for (;;) {
        end += ScanQuotedValue(s_ + end, s_ + size_, quote);
        if (end < size_) break;
        const uint64_t at = base_ + end;
        const bool more = Fill(end - pos_ + 1);
        end = static_cast<size_t>(at - base_);
        if (!more) break;
      }
      if (end < size_ && s_[end] == quote) {
        pos_ = end + 1;
        return {start, static_cast<size_t>(base_ + end - start), false};
      }
      const size_t from = store_.size();
      for (;;) {
        const char c = Get();
        if (c == 0 || c == quote) break;
        if (c == '&') {
          ReadEntity(store_);
        } else {
          store_.push_back(c);
        }
      }
      return {from, store_.size() - from, true};
    }
    const size_t from = store_.size();
    for (;;) {
      const char c = Peek();
      if (c == 0 || IsSpace(c) || c == '>' || (c == '/' && Peek(1) == '>')) break;
      Get();
      if (c == '&') {
        ReadEntity(store_);
      } else {
        store_.push_back(c);
      }
    }
    // "<?xml version=1.0?>": the "?" belongs to the end of the tag.
    if (store_.size() > from && store_.back() == '?' && Peek() == '>') store_.pop_back();
    return {from, store_.size() - from, true};
  }

  ProgressMonitor* monitor_;
  XmlHandler& handler_;
  std::string* error_;
  bool haveError_ = false;
  PositionCounter counter_;
  uint64_t scannedTo_ = 0;  // text before this offset is counted in counter_

  XmlPull* source_ = nullptr;
  std::vector<char> buffer_;
  const char* s_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
  size_t keep_ = 0;
  uint64_t base_ = 0;
  bool atEnd_ = false;
  uint64_t nextCheck_ = 0;

  std::vector<Frame> stack_;
  std::string text_;
  std::string entity_;
  std::string cdata_;
  std::string store_;  // decoded values of the tag being read
  std::vector<std::pair<Piece, Piece>> attributes_;
  std::vector<XmlAttributeView> views_;
};

}  // namespace

std::optional<std::string_view> FindAttribute(std::span<const XmlAttributeView> attributes,
                                              std::string_view name) {
  for (size_t i = attributes.size(); i-- > 0;)
    if (attributes[i].name == name) return attributes[i].value;
  return std::nullopt;
}

XmlParseResult ParseXmlText(std::string_view text, ProgressMonitor* monitor, XmlHandler& handler,
                            std::string* error) {
  EventParser parser(monitor, handler, error);
  parser.UseText(text);
  return parser.Parse();
}

XmlParseResult ParseXmlStream(XmlPull& source, ProgressMonitor* monitor, XmlHandler& handler,
                              std::string* error, size_t blockSize) {
  EventParser parser(monitor, handler, error);
  parser.UseStream(source, blockSize);
  return parser.Parse();
}

}  // namespace torvane
