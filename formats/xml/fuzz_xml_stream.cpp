// libFuzzer target: any bytes parsed whole and streamed in small uneven
// pieces must give the same events and the same first error.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/xml/xml_events.h"

namespace {

class EventLog : public torvane::XmlHandler {
 public:
  bool StartElement(const torvane::XmlTag& tag) override {
    log += '<';
    log.append(tag.name);
    log += tag.preserveSpace ? "|p" : "|";
    for (const torvane::XmlAttributeView& a : tag.attributes) {
      log += '|';
      log.append(a.name);
      log += '=';
      log.append(a.value);
    }
    log += tag.open ? ">" : "/>";
    return true;
  }
  bool EndElement() override {
    log += "</>";
    return true;
  }
  bool Text(std::string_view text) override {
    log += '[';
    log.append(text);
    log += ']';
    return true;
  }
  std::string log;
};

class Pieces : public torvane::XmlPull {
 public:
  Pieces(std::string_view text, unsigned seed) : text_(text), seed_(seed) {}
  size_t Pull(char* data, size_t n) override {
    seed_ = seed_ * 1103515245u + 12345u;
    const size_t take = std::min({n, text_.size() - at_, size_t{1} + (seed_ >> 16) % 11});
    std::memcpy(data, text_.data() + at_, take);
    at_ += take;
    return take;
  }

 private:
  std::string_view text_;
  size_t at_ = 0;
  unsigned seed_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  EventLog whole;
  std::string wholeError;
  const XmlParseResult a = ParseXmlText(text, nullptr, whole, &wholeError);
  EventLog streamed;
  std::string streamedError;
  Pieces pieces(text, static_cast<unsigned>(size));
  const XmlParseResult b = ParseXmlStream(pieces, nullptr, streamed, &streamedError, 1 + size % 13);
  if (a != b || whole.log != streamed.log || wholeError != streamedError) std::abort();
  return 0;
}
