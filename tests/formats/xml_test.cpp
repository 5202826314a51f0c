// The XML reader: tree shape, text and white-space rules, entities, CDATA,
// declarations, encodings, the error messages with their positions, deep
// nesting, and cancellation.

#include "formats/xml/xml.h"
#include "format_test_support.h"

namespace torvane {
namespace {

using namespace test;

struct Parse {
  explicit Parse(const std::string& bytes) : result(ParseXmlBytes(bytes, nullptr, doc, error)) {}
  XmlDocument doc;
  std::string error;
  int result;
};

const XmlNode* Element(const XmlDocument& doc, const XmlNode& parent, std::string_view name) {
  for (const XmlNode* c = parent.firstChild; c; c = c->nextSibling)
    if (doc.Name(*c) == name) return c;
  return nullptr;
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

// The events of the tree's replay.
std::string TreeLog(const XmlDocument& doc) {
  EventLog log;
  EXPECT_TRUE(ReplayXmlDocument(doc, log));
  return log.log;
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

// The tree as the events of its replay: declarations, attributes in the
// order written with entities and character references resolved, texts
// with their spaces kept (but blank runs between elements that start with a
// line break and a tab dropped), CDATA unchanged, and the preserve-space
// flag taken from "xml:space" by the element and its children.
TEST(Xml, TreeAttributesTextAndDeclarations) {
  const Parse p(kSample);
  ASSERT_EQ(p.result, 0);
  EXPECT_EQ(p.error, "");
  EXPECT_EQ(TreeLog(p.doc),
            "<?xml version=[1.0] encoding=[UTF-8]>\n</>\n<!DOCTYPE>\n</>\n"
            "<root a=[1] b=[say \"hi\"] c=[it's] a=[2] d=[<A\xE2\x98\xBA&]>\n"
            "<child>\n[  text <>\"'B ]\n</>\n[  ]\n<empty>\n</>\n[raw <b>&amp;]\n"
            "<sp preserve>\n[\n keep\t]\n<in preserve>\n[\t]\n</>\n</>\n</>\n");
  const XmlNode* root = Element(p.doc, p.doc.Root(), "root");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(GetAttribute(p.doc, *root, "a", ""), "2");  // a repeated name keeps the last value
  EXPECT_EQ(GetAttribute(p.doc, *root, "zz", "fallback"), "fallback");
}

TEST(Xml, EncodingsParseAlike) {
  const std::string utf8 = "<a v=\"caf\xC3\xA9\">\xE2\x82\xAC</a>";
  // "café" and the euro sign in UTF-16: é = 00E9, € = 20AC.
  const auto utf16 = [](bool big) {
    std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : std::u16string_view(u"<a v=\"caf\u00E9\">\u20AC</a>"))
      out += big ? std::string{char(c >> 8), char(c)} : std::string{char(c), char(c >> 8)};
    return out;
  };
  const std::string cp1252 = "<a v=\"caf\xE9\">\x80</a>";
  for (const std::string& bytes :
       {utf8, "\xEF\xBB\xBF" + utf8, utf16(false), utf16(true), cp1252}) {
    const Parse p(bytes);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.error + TreeLog(p.doc), "<a v=[caf\xC3\xA9]>\n[\xE2\x82\xAC]\n</>\n");
  }
}

TEST(Xml, FirstSyntaxErrorIsRecordedWithItsPosition) {
  const std::pair<const char*, const char*> cases[] = {
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
  for (const auto& [text, error] : cases) {
    SCOPED_TRACE(text);
    const Parse p(text);
    EXPECT_EQ(p.result, 0);  // syntax problems do not change the result
    const size_t colon = p.error.find(": ");
    ASSERT_NE(colon, std::string::npos) << p.error;
    EXPECT_EQ(p.error.substr(colon + 2), error);
  }
  // Lines and columns: every line-break form counts once.
  EXPECT_EQ(Parse("<a>\r\n\n\r\r<b></a>").error.substr(0, 15), "Ln 4, Col 8: El");
  EXPECT_EQ(Parse("<a>\xC3\xA9\xF0\x9F\x98\x80 &x").error.substr(0, 13), "Ln 1, Col 10:");
  // Only the first problem is kept, and the tree holds what was read.
  const Parse p("<x><y>t</z><w/>&</x>");
  EXPECT_NE(p.error.find("was with z"), std::string::npos);
  const XmlNode* x = p.doc.Root().firstChild;
  ASSERT_NE(x, nullptr);
  EXPECT_NE(Element(p.doc, *x, "w"), nullptr);
}

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
    const Parse parsed(text);
    EXPECT_EQ(parsed.error, wholeError);
    EXPECT_EQ(TreeLog(parsed.doc), whole.log);
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
  const Parse p(text);
  EXPECT_EQ(p.result, 0);
  EXPECT_EQ(p.error, "");
  EXPECT_EQ(p.doc.NodeCount(), kDepth + 2u);  // root, the elements, the text
  const Parse unterminated(text.substr(0, kDepth * 3));
  EXPECT_NE(unterminated.error.find("(EOF)"), std::string::npos);
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
