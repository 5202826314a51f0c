// The XML reader: tree shape, text and white-space rules, entities, CDATA,
// declarations, encodings, the error messages with their positions, deep
// nesting, and cancellation.

#include "formats/xml/xml.h"
#include "format_test_support.h"

namespace torvane {
namespace {

using namespace test;

struct Parsed {
  XmlDocument doc;
  std::string error;
  int result = -1;
};

std::unique_ptr<Parsed> Parse(const std::string& bytes) {
  auto parsed = std::make_unique<Parsed>();
  parsed->result = ParseXmlBytes(bytes, nullptr, parsed->doc, parsed->error);
  return parsed;
}

std::vector<const XmlNode*> Children(const XmlNode& node) {
  std::vector<const XmlNode*> out;
  for (const XmlNode* c = node.firstChild; c; c = c->nextSibling)
    out.push_back(c);
  return out;
}

const XmlNode* Element(const XmlDocument& doc, const XmlNode& parent, std::string_view name) {
  for (const XmlNode* c = parent.firstChild; c; c = c->nextSibling)
    if (doc.Name(*c) == name) return c;
  return nullptr;
}

const char kSample[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<!DOCTYPE root [ <!ENTITY e \"x\"> ]>\n"
    "<!-- a comment <with> markup -->\n"
    "<root a=\"1\" b='say \"hi\"' c=\"it's\" a=\"2\" d=\"&lt;&#65;&#x263A;&amp;\">\n"
    "\t<child>  text &lt;&gt;&quot;&apos;&#66; </child>\n"
    "  <empty/>\n"
    "<![CDATA[raw <b>&amp;]]>"
    "<sp xml:space=\"1\">\n keep\t<in>\t</in></sp>\n"
    "</root>\n";

TEST(Xml, TreeAttributesTextAndDeclarations) {
  auto p = Parse(kSample);
  ASSERT_EQ(p->result, 0);
  EXPECT_EQ(p->error, "");
  const XmlDocument& doc = p->doc;
  const auto top = Children(doc.Root());
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(doc.Name(*top[0]), "?xml");
  EXPECT_EQ(GetAttribute(doc, *top[0], "encoding", ""), "UTF-8");
  EXPECT_EQ(doc.Name(*top[1]), "!DOCTYPE");
  EXPECT_EQ(top[1]->firstChild, nullptr);
  const XmlNode& root = *top[2];
  EXPECT_EQ(GetAttribute(doc, root, "a", ""), "2");  // a repeated name keeps the last value
  EXPECT_EQ(GetAttribute(doc, root, "b", ""), "say \"hi\"");
  EXPECT_EQ(GetAttribute(doc, root, "c", ""), "it's");
  EXPECT_EQ(GetAttribute(doc, root, "d", ""), "<A\xE2\x98\xBA&");
  EXPECT_EQ(GetAttribute(doc, root, "zz", "fallback"), "fallback");

  const XmlNode* child = Element(doc, root, "child");
  ASSERT_NE(child, nullptr);
  ASSERT_NE(child->firstChild, nullptr);
  EXPECT_EQ(doc.Text(*child->firstChild), "  text <>\"'B ");  // spaces are kept
  // Between elements: "\n\t" leaves nothing, "\n  " leaves its two spaces.
  int blankNodes = 0;
  std::string cdata;
  for (const XmlNode* c : Children(root)) {
    if (c->name.length) continue;
    if (doc.Text(*c) == "  ") ++blankNodes;
    if (doc.Text(*c).substr(0, 3) == "raw") cdata = doc.Text(*c);
  }
  EXPECT_EQ(blankNodes, 1);
  EXPECT_EQ(cdata, "raw <b>&amp;");
  const XmlNode* sp = Element(doc, root, "sp");
  ASSERT_NE(sp, nullptr);
  EXPECT_EQ(sp->preserveSpace, 1);
  EXPECT_FALSE(FindAttribute(doc, *sp, "xml:space"));
  EXPECT_EQ(doc.Text(*sp->firstChild), "\n keep\t");
  const XmlNode* in = Element(doc, *sp, "in");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->preserveSpace, 1);  // inherited
  EXPECT_EQ(doc.Text(*in->firstChild), "\t");
}

TEST(Xml, EncodingsParseAlike) {
  const std::string utf8 = "<a v=\"caf\xC3\xA9\">\xE2\x82\xAC</a>";
  auto toUtf16 = [](const std::string& ascii, bool big) {
    std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
      out += big ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
  };
  // "café" and the euro sign in UTF-16: é = 00E9, € = 20AC.
  std::string le = toUtf16("<a v=\"caf", false) + std::string("\xE9\x00", 2) +
                   toUtf16("\">", false).substr(2) + "\xAC\x20" + toUtf16("</a>", false).substr(2);
  std::string be = toUtf16("<a v=\"caf", true) + std::string("\x00\xE9", 2) +
                   toUtf16("\">", true).substr(2) + "\x20\xAC" + toUtf16("</a>", true).substr(2);
  const std::string cp1252 = "<a v=\"caf\xE9\">\x80</a>";
  for (const std::string& bytes : {utf8, "\xEF\xBB\xBF" + utf8, le, be, cp1252}) {
    auto p = Parse(bytes);
    ASSERT_EQ(p->result, 0);
    EXPECT_EQ(p->error, "");
    const XmlNode* a = p->doc.Root().firstChild;
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetAttribute(p->doc, *a, "v", ""), "caf\xC3\xA9");
    ASSERT_NE(a->firstChild, nullptr);
    EXPECT_EQ(p->doc.Text(*a->firstChild), "\xE2\x82\xAC");
  }
}

TEST(Xml, FirstSyntaxErrorIsRecordedWithItsPosition) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"<x><y></x>",
       "Element <y> should be terminated with </y>, was with x. Check you have terminated your "
       "element properly."},
      {"<x>\n<y>",
       "(EOF) Element <y> should be terminated with </y>. Check you have terminated your element "
       "properly."},
      {"<x a='1'", "Tag <x> does not have a closing '>'"},
      {"</q>", "Misplaced </q> which does not match a <q>."},
      {"<x> 1 < 2 </x>", "Misplaced < without name. Use &lt; instead of < if appropriate."},
      {"<x>fish & chips</x>",
       "Strings starting with an ampersand (&) must end with a semicolon (;). Either replace the "
       "'&' with '&amp;' or add a ';' at the end of the control string."},
      {"<x>&abcdefghijklmnopqrstuvwxyz;</x>",
       "Strings starting with an ampersand (&) must end with a semicolon (;). Either replace the "
       "'&' with '&amp;' or add a ';' at the end of the control string."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto p = Parse(c.text);
    EXPECT_EQ(p->result, 0);  // syntax problems do not change the result
    const size_t colon = p->error.find(": ");
    ASSERT_NE(colon, std::string::npos) << p->error;
    EXPECT_EQ(p->error.substr(colon + 2), c.error);
  }
  // Lines and columns: every line-break form counts once.
  EXPECT_EQ(Parse("<a>\r\n\n\r\r<b></a>")->error.substr(0, 15), "Ln 4, Col 8: El");
  EXPECT_EQ(Parse("<a>\xC3\xA9\xF0\x9F\x98\x80 &x")->error.substr(0, 13), "Ln 1, Col 10:");
  // Only the first problem is kept, and the tree holds what was read.
  auto p = Parse("<x><y>t</z><w/>&</x>");
  EXPECT_NE(p->error.find("was with z"), std::string::npos);
  const XmlNode* x = p->doc.Root().firstChild;
  ASSERT_NE(x, nullptr);
  EXPECT_NE(Element(p->doc, *x, "w"), nullptr);
}

// The events as text, a start without content written as start and end,
// so that a parse and a replay of its tree read alike.
class EventLog : public XmlHandler {
 public:
  bool StartElement(const XmlTag& tag) override {
    log += "<" + std::string(tag.name) + (tag.preserveSpace ? " preserve" : "");
    for (const XmlAttributeView& a : tag.attributes)
      log += " " + std::string(a.name) + "=[" + std::string(a.value) + "]";
    log += ">\n";
    if (!tag.open) log += "</>\n";
    return true;
  }
  bool EndElement() override {
    log += "</>\n";
    return true;
  }
  bool Text(std::string_view text) override {
    log += "[" + std::string(text) + "]\n";
    return true;
  }
  std::string log;
};

TEST(Xml, StreamedEventsMatchTheWholeTextAndItsTree) {
  const std::string texts[] = {
      kSample,
      "<x><y></x>",
      "<x>\n<y a='1'",
      "</q><x> 1 < 2 </x><z/>",
      "<x>fish & chips &abcdefghijklmnopqrstuvwxyz;</x>",
      "<a>\r\n\n\r\r<b v=\"l1\r\nl2\"></a>",
      "<a>\xC3\xA9\xF0\x9F\x98\x80 &x",
      "<?xml version=1.0?><a v=b&amp;c w/><!DOCTYPE d [ <!ELEMENT e (#PCDATA)> ]><!-- c -->",
      "<a><![CDATA[never closed",
      "<p>before<!DOCTYPE never closed",
      std::string("<a>text ends") + '\0' + "<b/></a>",
      "<" + std::string(300, 'n') + " k=\"v\"/><" + std::string(200, 'm') + "></" +
          std::string(200, 'm') + ">",
      // A value-less attribute in a tag read after the window has moved.
      "<r>" + std::string(300, ' ') + "<a b></a></r>",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(0, 60));
    EventLog whole;
    std::string wholeError;
    ASSERT_EQ(ParseXmlText(text, nullptr, whole, &wholeError), XmlParseResult::kParsed);
    for (size_t block : {1, 2, 7, 64}) {
      EventLog streamed;
      std::string streamedError;
      test::Trickle source(text, 5);
      ASSERT_EQ(ParseXmlStream(source, nullptr, streamed, &streamedError, block),
                XmlParseResult::kParsed);
      EXPECT_EQ(streamed.log, whole.log) << "block " << block;
      EXPECT_EQ(streamedError, wholeError) << "block " << block;
    }
    // The tree holds the same: replayed, it gives the same events.
    auto parsed = Parse(text);
    EXPECT_EQ(parsed->error, wholeError);
    EventLog replayed;
    ASSERT_TRUE(ReplayXmlDocument(parsed->doc, replayed));
    EXPECT_EQ(replayed.log, whole.log);
  }
}

TEST(Xml, DeepNestingNeitherRecursesNorFails) {
  constexpr int kDepth = 100000;
  std::string text;
  for (int i = 0; i < kDepth; ++i)
    text += "<a>";
  text += "x";
  for (int i = 0; i < kDepth; ++i)
    text += "</a>";
  auto p = Parse(text);
  EXPECT_EQ(p->result, 0);
  EXPECT_EQ(p->error, "");
  EXPECT_EQ(p->doc.NodeCount(), kDepth + 2u);  // root, the elements, the text
  auto unterminated = Parse(text.substr(0, kDepth * 3));
  EXPECT_NE(unterminated->error.find("(EOF)"), std::string::npos);
}

// (Reading whole files is the 3MF reader's, through the archive; its size
// guards are files of the broken corpus.)
TEST(Xml, CancelStopsTheParse) {
  std::string big = "<a>";
  for (int i = 0; i < 5000; ++i)
    big += "<b v=\"1\"/>";
  big += "</a>";
  XmlDocument doc;
  std::string error;
  RecordingProgress cancelNow(0);
  EXPECT_EQ(ParseXmlBytes(big, &cancelNow, doc, error), 1);
  RecordingProgress cancelLater(3);
  EXPECT_EQ(ParseXmlBytes(big, &cancelLater, doc, error), 1);
  EXPECT_EQ(ParseXmlBytes(big, nullptr, doc, error), 0);
  EXPECT_EQ(doc.NodeCount(), 5002u);
}

}  // namespace
}  // namespace torvane
