// libFuzzer target: any bytes parsed as XML, and the tree walked.
#include <cstdint>
#include <string>

#include "formats/xml/xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvane;
  XmlDocument document;
  std::string error;
  ParseXmlBytes(std::string(reinterpret_cast<const char*>(data), size), nullptr, document, error);
  // Visit every node and attribute through the spans, as readers do.
  std::vector<const XmlNode*> stack{&document.Root()};
  size_t bytes = 0;
  while (!stack.empty()) {
    const XmlNode* node = stack.back();
    stack.pop_back();
    bytes += document.Name(*node).size() + document.Text(*node).size();
    for (const XmlAttribute& a : document.Attributes(*node))
      bytes += document.View(a.name).size() + document.View(a.value).size();
    for (const XmlNode* c = node->firstChild; c; c = c->nextSibling)
      stack.push_back(c);
  }
  return bytes == SIZE_MAX;
}
