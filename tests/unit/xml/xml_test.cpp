// The XML document module: reading (XML and lenient HTML), paths,
// attributes, writing back, and documents that must fail cleanly. Names
// with 表 and ソ carry a second byte 0x5C, which must never split a path.
#include <gtest/gtest.h>

#include <string>

#include "core/Encoding.h"
#include "lib/xml/Messages.h"
#include "lib/xml/Xml.h"

using namespace nokari;
using namespace nokari::xml;

namespace {

const std::string& J(const char* utf8) { return Sj(utf8); }

// The texts of every element at the path, "|" between them.
std::string Texts(const std::string& text, const std::string& path) {
  Document doc = Parse(text);
  std::string out;
  for (NodeId id : FindAll(doc, path)) out += (out.empty() ? "" : "|") + TextOf(doc, id);
  return out;
}

// The message the document's reading fails with ("" when it reads).
std::string Fault(const std::string& text, std::string* arg = nullptr) {
  try {
    Parse(text);
  } catch (const XmlError& e) {
    if (arg) *arg = e.Arg;
    return e.Message;
  }
  return "";
}

std::string Nested(size_t depth, const std::string& inner) {
  std::string s;
  for (size_t i = 0; i < depth; ++i) s += "<a>";
  s += inner;
  for (size_t i = 0; i < depth; ++i) s += "</a>";
  return s;
}

}  // namespace

// ---- reading and paths ---------------------------------------------------------

TEST(XmlPaths, AllMatchesInDocumentOrder) {
  EXPECT_EQ(Texts("<a><b>1</b><b>2</b></a>", "a\\b"), "1|2");
  EXPECT_EQ(Texts("<r><a><b>1</b></a><a><b>2</b><b>3</b></a></r>", "r\\a\\b"), "1|2|3");
  EXPECT_EQ(Texts("<a><b>1</b></a>", "a\\c"), "");
  // A text is the element's own text pieces, each trimmed, joined.
  EXPECT_EQ(Texts("<a>  x <b>in</b> y\r\n</a>", "a"), "xy");
}

TEST(XmlPaths, NamesCompareInAnyCaseAndEmptyComponentsDrop) {
  EXPECT_EQ(Texts("<?xml version=\"1.0\"?><Root><Item>1</Item></Root>", "root\\ITEM"), "1");
  EXPECT_EQ(Texts(J("<ＡＢ>全角</ＡＢ>"), J("ａｂ")), J("全角"));
  EXPECT_EQ(Texts("<a><b>1</b></a>", "\\a\\\\b\\"), "1");
  Document doc = Parse("<a/>");
  EXPECT_EQ(FindFirst(doc, ""), kNoNode);
  EXPECT_EQ(FindOrCreate(doc, "\\"), kNoNode);
}

TEST(XmlPaths, SecondByteBackslashNeverSplits) {
  EXPECT_EQ(SplitPath(J("表\\ソ\\能")), (std::vector<std::string>{J("表"), J("ソ"), J("能")}));
  EXPECT_EQ(Texts(J("<表><ソ>値</ソ></表>"), J("表\\ソ")), J("値"));
}

TEST(XmlPaths, FirstMatchAndCreation) {
  Document doc = Parse("<a><b x=\"1\"/><b x=\"2\"/></a>");
  EXPECT_EQ(AttributeLines(doc, FindFirst(doc, "a\\b")), "x=1\r\n");
  NodeId made = FindOrCreate(doc, "a\\c\\d");
  EXPECT_EQ(doc.At(made).Name, "d");
  EXPECT_EQ(FindOrCreate(doc, "A\\C\\D"), made);  // found again, not made twice
  EXPECT_EQ(Write(doc), "<a>\r\n\t<b x=\"1\"/>\r\n\t<b x=\"2\"/>\r\n\t<c>\r\n\t\t<d/>\r\n\t</c>\r\n</a>\r\n\r\n");
}

TEST(XmlRead, HtmlModeLowersNamesAndVoidElementsStayEmpty) {
  Document doc = Parse("<P>a<BR>b<img src=x.png>c</p>");
  EXPECT_TRUE(doc.Html);
  EXPECT_EQ(LeafPaths(doc), "p\\\r\np\\br\r\np\\\r\np\\img\r\np\\\r\n");
  EXPECT_EQ(Texts("<P>a<BR>b<img src=x.png>c</p>", "p"), "abc");
}

TEST(XmlRead, ClosingTagsInAnyCaseUnknownOnesIgnored) {
  // With a declaration names keep their case, and closing still matches.
  Document doc = Parse("<?xml version=\"1.0\"?><Item><A>1</a></ITEM><b/>");
  EXPECT_EQ(LeafPaths(doc), "Item\\A\\\r\nb\r\n");
  // A closing tag of anything but the open element changes nothing.
  EXPECT_EQ(LeafPaths(Parse("<a></x><b/></a><c/>")), "a\\b\r\nc\r\n");
  // The root itself can not be closed.
  std::string arg;
  EXPECT_EQ(Fault("<a/></XMLDocument>", &arg), std::string(msg::kXmlUnmatchedTag));
  EXPECT_EQ(arg, "/XMLDocument");
}

TEST(XmlRead, StrayLeadByteSwallowsNoMarkup) {
  // 0x81 before "<" or a quote is a byte by itself.
  EXPECT_EQ(LeafPaths(Parse("<a>\x81</a><b/>")), "a\\\r\nb\r\n");
  Document doc = Parse("<a t=\"\x81\" u=\"v\"/>");
  EXPECT_EQ(AttributeLines(doc, FindFirst(doc, "a")), "t=\x81\r\nu=v\r\n");
}

TEST(XmlRead, MarkupThatAddsNothing) {
  const char* text =
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
      "<!DOCTYPE r [ <!ENTITY e \"x\"> ]>\n"
      "<?xml-stylesheet href=\"s.xsl\"?>\n"
      "<r><!-- a > b --><x>1</x><![CDATA[ <y> ]]><?pi <z> ?></r>";
  EXPECT_EQ(LeafPaths(Parse(text)), "r\\x\\\r\n");
}

TEST(XmlRead, AttributeForms) {
  Document doc = Parse("<a p=\"1 2\" q='3' r=4 s = \"5\" t=></a><b c=1/><d e=\"f\" /><g/>");
  EXPECT_EQ(AttributeLines(doc, FindFirst(doc, "a")), "p=1 2\r\nq=3\r\nr=4\r\ns=5\r\nt=\r\n");
  EXPECT_EQ(AttributeLines(doc, FindFirst(doc, "b")), "c=1\r\n");
  // "/" ends the element whether written to the name or after an attribute.
  EXPECT_EQ(LeafPaths(doc), "a\r\nb\r\nd\r\ng\r\n");
  EXPECT_EQ(AttributeLines(doc, FindFirst(doc, "g")), "");
}

TEST(XmlRead, Faults) {
  std::string arg;
  EXPECT_EQ(Fault("<select><option selected>1</option></select>", &arg), std::string(msg::kXmlBadAttribute));
  EXPECT_EQ(arg, "selected");
  EXPECT_EQ(Fault("<a b=\"1>text</a>", &arg), std::string(msg::kXmlUnclosedValue));
  EXPECT_EQ(arg, "b");
  EXPECT_EQ(Fault("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>"), std::string(msg::kXmlNotShiftJis));
  EXPECT_EQ(Fault("<?xml version=\"1.0\" encoding=\"shift_jis\"?><a/>"), "");
  EXPECT_EQ(Fault("<?XML version=\"1.0\" encoding=\"SHIFT_JIS\"?><a/>"), "");
  // Not a declaration: the text is HTML, read from its start.
  EXPECT_EQ(Fault("<a/><?xml version=\"1.0\" encoding=\"UTF-8\"?>"), "");
}

TEST(XmlRead, MalformedTextsEndCleanly) {
  // Unfinished tags, stray brackets and empty texts read as far as they go.
  for (const char* text : {"", "   ", "<", "<a", "<a b", "<a b=", "<a b=\"1\"", "</", "<>", "<!", "<!--", "<?",
                           "<![CDATA[", "text only", "<a>>", "a < b"}) {
    try {
      Document doc = Parse(text);
      Write(doc);
      LeafPaths(doc);
    } catch (const XmlError&) {
    }
  }
  EXPECT_EQ(Write(Parse("")), "");
  EXPECT_EQ(Write(Parse("text only")), "text only\r\n\r\n");
  // Every prefix of a document either reads or fails with a message.
  std::string whole = J("<?xml version=\"1.0\"?><r a=\"1\"><表 b='2'>値<c/></表><!-- x --></r>");
  for (size_t n = 0; n <= whole.size(); ++n) {
    try {
      Write(Parse(whole.substr(0, n)));
    } catch (const XmlError& e) {
      // A quote or an attribute cut off.
      std::string m = e.Message;
      EXPECT_TRUE(m == msg::kXmlUnclosedValue || m == msg::kXmlBadAttribute) << n;
    }
  }
}

// ---- changing and writing ------------------------------------------------------

TEST(XmlWrite, SetTextCreatesAndIndents) {
  Document doc = Parse("<a></a>");
  SetText(doc, FindOrCreate(doc, "a\\c"), "x");
  EXPECT_EQ(Write(doc), "<a>\r\n\t<c>x</c>\r\n</a>\r\n\r\n");
  // Only the first text piece changes.
  doc = Parse("<a>1<b/>2</a>");
  SetText(doc, FindFirst(doc, "a"), "9");
  EXPECT_EQ(Write(doc), "<a>\r\n\t9\r\n\t<b/>\r\n\t2\r\n</a>\r\n\r\n");
}

TEST(XmlWrite, DeclarationAsRead) {
  EXPECT_EQ(Write(Parse("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a>1</a>")),
            "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<a>1</a>\r\n");
  EXPECT_EQ(Write(Parse("<?xml version='1.1' encoding='shift_jis' standalone='yes' ?><a/>")),
            "<?xml version=\"1.1\" encoding=\"shift_jis\" standalone=\"yes\"?>\r\n<a/>\r\n\r\n");
  EXPECT_EQ(Write(Parse("<?xml encoding=\"Shift_JIS\"?><a/>")),
            "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<a/>\r\n\r\n");
  EXPECT_EQ(Write(Parse("<a/>")), "<a/>\r\n\r\n");
}

// A nested node's first line is indented; the lines of a text value are
// not, so writing never changes the value.
TEST(XmlWrite, LinesOfTextsAreNeverIndented) {
  Document doc = Parse("<a><b>x\ny\r\nz</b><c/></a>");
  EXPECT_EQ(Write(doc), "<a>\r\n\t<b>x\ny\r\nz</b>\r\n\t<c/>\r\n</a>\r\n\r\n");
  EXPECT_EQ(WriteNode(doc, FindFirst(doc, "a\\b")), "<b>x\ny\r\nz</b>");
  EXPECT_EQ(Write(Parse("t1<a>x\ny</a>")), "t1\r\n\r\n<a>x\ny</a>\r\n");
  EXPECT_EQ(Write(Parse("<a>p\r\nq<b/></a>")), "<a>\r\n\tp\r\nq\r\n\t<b/>\r\n</a>\r\n\r\n");
}

TEST(XmlWrite, ChangingOtherElementsLeavesAMultiLineTextAlone) {
  std::string text = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a><memo>x</memo><n>1</n></a>";
  Document doc = Parse(text);
  SetText(doc, FindFirst(doc, "a\\memo"), "line 1\r\nline 2");
  text = Write(doc);
  for (const char* n : {"2", "3", "4"}) {
    doc = Parse(text);
    SetText(doc, FindFirst(doc, "a\\n"), n);
    text = Write(doc);
  }
  EXPECT_EQ(TextOf(doc, FindFirst(doc, "a\\memo")), "line 1\r\nline 2");
  EXPECT_EQ(TextOf(Parse(text), FindFirst(Parse(text), "a\\memo")), "line 1\r\nline 2");
}

// "&", "<", ">" and '"' are written as references and read back as the
// characters; a reference the reader keeps (&nbsp;) is written as it is.
TEST(XmlWrite, ValuesHoldingMarkupReadBack) {
  Document doc = Parse("<?xml version=\"1.0\"?><a><t/></a>");
  const NodeId t = FindFirst(doc, "a\\t");
  SetText(doc, t, "A<B & C > \"q\"");
  SetAttributeLines(doc, t, "k=say \"hi\" & <go>");
  doc.At(t).Attributes.push_back({"m", "1\r\n2"});  // a line break stays in the value
  std::string text = Write(doc);
  EXPECT_NE(text.find("A&lt;B &amp; C &gt; \"q\""), std::string::npos) << text;
  EXPECT_NE(text.find("k=\"say &quot;hi&quot; &amp; &lt;go&gt;\""), std::string::npos) << text;
  Document back = Parse(text);
  EXPECT_EQ(TextOf(back, FindFirst(back, "a\\t")), "A<B & C > \"q\"");
  EXPECT_EQ(back.At(FindFirst(back, "a\\t")).Attributes[0].Value, "say \"hi\" & <go>");
  EXPECT_EQ(back.At(FindFirst(back, "a\\t")).Attributes[1].Value, "1\r\n2");
  EXPECT_EQ(Write(back), text);
}

TEST(XmlRead, CharacterReferences) {
  Document doc = Parse("<a x='&lt;&#65;&#x42;&apos;'>&amp;lt; &quot;&#12354;&quot; &nbsp;&bogus &#0; &#xD800;</a>");
  EXPECT_EQ(TextOf(doc, FindFirst(doc, "a")), J("&lt; \"あ\" &nbsp;&bogus &#0; &#xD800;"));
  EXPECT_EQ(AttributeLines(doc, FindFirst(doc, "a")), "x=<AB'\r\n");
  // Kept references stay as written; the rest are escaped again.
  EXPECT_EQ(Write(Parse("<p>a&nbsp;b &amp; c&#0;</p>")), "<p>a&nbsp;b &amp; c&#0;</p>\r\n");
}

TEST(XmlWrite, RoundTripIsStable) {
  const std::string text = J(
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<目録 版=\"2\">\r\n  <本 id='1'>\r\n    <題>表示能力</題>\r\n"
      "    <著者/>\r\n  </本>\r\n  前書き\r\n  <本 id=\"2\"><題>ソフト</題></本>\r\n</目録>\r\n");
  std::string once = Write(Parse(text));
  EXPECT_EQ(Write(Parse(once)), once);
  EXPECT_EQ(Texts(once, J("目録\\本\\題")), J("表示能力|ソフト"));
  EXPECT_EQ(LeafPaths(Parse(once)), J("目録\\本\\題\\\r\n目録\\本\\著者\r\n目録\\\r\n目録\\本\\題\\\r\n"));
}

TEST(XmlAttributes, SetReplacesAllAndMergesRepeatedNames) {
  Document doc = Parse("<a old=\"1\"/>");
  NodeId a = FindFirst(doc, "a");
  SetAttributeLines(doc, a, "x=1\r\n\r\ny=a=b\nX=2\rz");
  EXPECT_EQ(AttributeLines(doc, a), "x=2\r\ny=a=b\r\nz=\r\n");
  EXPECT_EQ(Write(doc), "<a x=\"2\" y=\"a=b\" z=\"\"/>\r\n\r\n");
  SetAttributeLines(doc, a, "");
  EXPECT_EQ(Write(doc), "<a/>\r\n\r\n");
}

// ---- size and depth ----------------------------------------------------------------

TEST(XmlLimits, HundredThousandNestedTagsReadSearchAndFailToWriteCleanly) {
  const size_t depth = 100000;
  Document doc = Parse(Nested(depth, "x"));
  EXPECT_EQ(doc.Nodes.size(), depth + 2);
  std::string path;
  for (size_t i = 0; i < depth; ++i) path += i ? "\\a" : "a";
  EXPECT_EQ(Texts(Nested(depth, "x"), path), "x");
  // The innermost levels still write; the whole can not.
  NodeId deep = FindFirst(doc, path.substr(0, path.size() - 2 * 10));
  EXPECT_EQ(WriteNode(doc, deep).substr(0, 9), "<a>\r\n\t<a>");
  try {
    Write(doc);
    ADD_FAILURE() << "written";
  } catch (const XmlError& e) {
    EXPECT_STREQ(e.Message, msg::kXmlTooDeep);
    EXPECT_EQ(e.Arg, std::to_string(kMaxWriteDepth));
  }
  EXPECT_THROW(LeafPaths(doc), XmlError);
  // Never closed at all: the same depth.
  std::string open;
  for (size_t i = 0; i < depth; ++i) open += "<b>";
  EXPECT_EQ(Parse(open).Nodes.size(), depth + 1);
}

TEST(XmlLimits, DepthUpToTheLimitWrites) {
  Document doc = Parse(Nested(kMaxWriteDepth, "x"));
  std::string text = Write(doc);
  EXPECT_EQ(Write(Parse(text)), text);
  EXPECT_NE(text.find(std::string(kMaxWriteDepth - 1, '\t') + "<a>x</a>\r\n"), std::string::npos);
  EXPECT_THROW(Write(Parse(Nested(kMaxWriteDepth + 1, "x"))), XmlError);
}

TEST(XmlLimits, MegabyteAttributeAndText) {
  std::string big(1 << 20, 'v');
  big[1000] = '\x95';  // 表, second byte 0x5C
  big[1001] = '\\';
  Document doc = Parse("<a big=\"" + big + "\">" + big + "</a>");
  EXPECT_EQ(AttributeLines(doc, FindFirst(doc, "a")), "big=" + big + "\r\n");
  EXPECT_EQ(TextOf(doc, FindFirst(doc, "a")), big);
  EXPECT_EQ(Write(doc), "<a big=\"" + big + "\">" + big + "</a>\r\n");
}
