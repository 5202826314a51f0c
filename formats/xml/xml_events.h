// The tolerant XML parser as a stream of events, for readers that take a
// large document element by element instead of building its tree (the 3MF
// model part), and for the tree builder itself.
//
// The parser reports, in document order: start tags (with their attributes
// in the order written, the element's preserve-space flag, and whether
// content follows), ends of elements with content, and texts (trimmed as the
// tree keeps them; CDATA sections unchanged). Elements still open where the
// text ends are ended before the parse returns, so starts and ends always
// pair up unless the handler stops the parse or it is cancelled.
//
// Texts are UTF-8; the text ends at its first NUL character. A syntax
// problem does not stop the parse (except where the tree would also end);
// the first one is left in `error` as "Ln %d, Col %d: <message>" when an
// error text is asked for. Views handed to the handler are valid only during
// the call. Parsing never recurses, so no nesting depth exhausts the stack.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/progress_monitor.h"

namespace torvane {

struct XmlAttributeView {
  std::string_view name;
  std::string_view value;
};

struct XmlTag {
  std::string_view name;
  std::span<const XmlAttributeView> attributes;  // in the order written
  bool preserveSpace = false;                    // "xml:space" here or on an ancestor
  bool open = false;                             // content follows, ended by EndElement
};

class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  // Each answers false to stop the parse.
  virtual bool StartElement(const XmlTag& tag) = 0;
  virtual bool EndElement() = 0;
  virtual bool Text(std::string_view text) = 0;
};

// The value of the attribute (the last one when the name repeats), or none.
std::optional<std::string_view> FindAttribute(std::span<const XmlAttributeView> attributes,
                                              std::string_view name);

// The text of a streamed document, in pieces.
class XmlPull {
 public:
  virtual ~XmlPull() = default;
  // Copies up to n bytes of the text into `data`; 0 at its end.
  virtual size_t Pull(char* data, size_t n) = 0;
};

enum class XmlParseResult {
  kParsed,
  kCancelled,
  kStopped,  // by the handler, or a piece of text too large for memory
};

// Parses a whole text held in memory. `monitor` and `error` may be null.
XmlParseResult ParseXmlText(std::string_view text, ProgressMonitor* monitor, XmlHandler& handler,
                            std::string* error);

// Parses a text pulled in pieces of up to `blockSize` bytes; the parser
// holds a block and whatever part of one tag runs past it.
XmlParseResult ParseXmlStream(XmlPull& source, ProgressMonitor* monitor, XmlHandler& handler,
                              std::string* error, size_t blockSize = size_t{1} << 20);

}  // namespace torvane
