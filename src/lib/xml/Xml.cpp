#include "lib/xml/Xml.h"

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "lib/text/TextCore.h"
#include "lib/xml/Messages.h"

namespace nokari::xml {
namespace {

constexpr std::string_view kRootName = "XMLDocument";
constexpr std::string_view kCrLf = "\r\n";

// Blanks between markup: tab, LF, CR, space.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A double-byte character is a lead byte and a second byte 0x40-0x7E or
// 0x80-0xFC. Every byte the markup is made of ("<", ">", quotes, "=", "/",
// "?", blanks) lies below 0x40, so the reader scans bytes for them and no
// stray lead byte can swallow one; characters matter only where a second
// byte may look like markup of the paths ("\" is 0x5C) or a letter.
inline size_t CharLen(std::string_view s, size_t i) {
  if (i + 1 < s.size() && IsLeadByte(static_cast<unsigned char>(s[i]))) {
    unsigned char t = static_cast<unsigned char>(s[i + 1]);
    if ((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC)) return 2;
  }
  return 1;
}

inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool AsciiSameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// `name` against a component already lower-cased: the common cases (the
// same bytes, plain ASCII) without building a lower-cased copy.
bool MatchesLowered(std::string_view name, std::string_view lowered) {
  if (name == lowered) return true;
  if (IsAscii(name)) return AsciiSameIgnoringCase(name, lowered);
  return text::ToLowerText(name) == lowered;
}

// Bytes up to 0x20 off both ends (none of them is a second byte).
std::string_view TrimmedView(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= 0x20) ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= 0x20) --b;
  return s.substr(a, b - a);
}

// Lines split at CR LF, CR or LF; a break at the very end ends the last
// line rather than starting an empty one ("a\r\n" is one line, "" none).
template <typename F>
void ForEachLine(std::string_view s, F&& f) {
  size_t i = 0;
  while (i < s.size()) {
    size_t j = s.find_first_of("\r\n", i);
    if (j == std::string_view::npos) j = s.size();
    f(s.substr(i, j - i));
    if (j < s.size()) j += (s[j] == '\r' && j + 1 < s.size() && s[j + 1] == '\n') ? 2 : 1;
    i = j;
  }
}

// HTML elements that never hold anything.
bool IsVoidHtml(std::string_view name) { return name == "br" || name == "hr" || name == "meta" || name == "img"; }

// ---- character references ----------------------------------------------------
//
// Values are read with the references &lt; &gt; &amp; &quot; &apos; and
// &#N; / &#xH; turned into their characters, and written with "&", "<",
// ">" and '"' (and line breaks in attributes) turned into references, so a
// value holding them reads back as it was set. A reference the reader
// leaves as it is (&nbsp; in HTML, a number with no character) is written
// as it is too, so an HTML page keeps it.

bool IsAsciiAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The predefined character of a named reference; 0 for any other name.
char NamedCharacter(std::string_view name) {
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "amp") return '&';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  return 0;
}

// The CP932 text of "#N" or "#xH"; empty when it names no character.
std::string NumberedCharacter(std::string_view body) {
  bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
  std::string_view digits = body.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 8) return {};
  uint32_t cp = 0;
  for (char c : digits) {
    int d = c >= '0' && c <= '9' ? c - '0'
            : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
            : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                          : -1;
    if (d < 0) return {};
    cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(d);
  }
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
  std::string utf8, out;
  AppendUtf8(utf8, static_cast<char32_t>(cp));
  return Utf8ToCp932(utf8, out) ? out : std::string();
}

// At s[i] == '&': the index of the ";" closing a reference "&name;" or
// "&#...;"; npos when none stands there.
size_t ReferenceEnd(std::string_view s, size_t i) {
  size_t j = i + 1;
  while (j < s.size() && j - i <= 10 && (IsAsciiAlnum(s[j]) || s[j] == '#')) ++j;
  return j < s.size() && s[j] == ';' && j > i + 1 ? j : std::string_view::npos;
}

// The characters of the reference at s[i] == '&' and its length; 0 when
// there is none the reader turns into characters.
size_t ReadReference(std::string_view s, size_t i, std::string& text) {
  size_t end = ReferenceEnd(s, i);
  if (end == std::string_view::npos) return 0;
  std::string_view body = s.substr(i + 1, end - i - 1);
  if (body[0] == '#') {
    text = NumberedCharacter(body);
    if (text.empty()) return 0;
  } else {
    char c = NamedCharacter(body);
    if (!c) return 0;
    text.assign(1, c);
  }
  return end + 1 - i;
}

// Whether s[i] == '&' opens a reference the reader keeps as it is.
bool IsKeptReference(std::string_view s, size_t i) {
  std::string ignored;
  return ReferenceEnd(s, i) != std::string_view::npos && ReadReference(s, i, ignored) == 0;
}

std::string DecodeReferences(std::string_view s) {
  if (s.find('&') == std::string_view::npos) return std::string(s);
  std::string out, text;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    size_t len = s[i] == '&' ? ReadReference(s, i, text) : 0;
    if (len == 0) {
      out += s[i];  // markup bytes lie below 0x40: never a second byte
      continue;
    }
    out += text;
    i += len - 1;
  }
  return out;
}

void AppendEscaped(std::string& out, std::string_view s, bool attribute) {
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '&' && !IsKeptReference(s, i)) out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '"' && attribute) out += "&quot;";
    else if (c == '\r' && attribute) out += "&#13;";
    else if (c == '\n' && attribute) out += "&#10;";
    else out += c;
  }
}

NodeId AddNode(Document& doc, NodeId parent, NodeKind kind, std::string name, std::string value) {
  NodeId id = static_cast<NodeId>(doc.Nodes.size());
  Node& n = doc.Nodes.emplace_back();
  n.Kind = kind;
  n.Parent = parent;
  n.Name = std::move(name);
  n.Value = std::move(value);
  doc.Nodes[parent].Children.push_back(id);
  return id;
}

// ---- reading -----------------------------------------------------------------

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  Document Run() {
    Node& root = doc_.Nodes.emplace_back();
    root.Name = kRootName;
    if (!ReadDeclaration()) {
      pos_ = 0;
      doc_.Html = true;
    }
    while (true) {
      SkipBlanks();
      if (AtEnd()) break;
      if (s_[pos_] != '<') {
        ReadText();
        continue;
      }
      ++pos_;
      if (!AtEnd() && (s_[pos_] == '!' || s_[pos_] == '?')) {
        SkipMarkup();
        continue;
      }
      ReadTag();
      Apply();
    }
    return std::move(doc_);
  }

 private:
  std::string_view s_;
  size_t pos_ = 0;
  Document doc_;
  NodeId current_ = kRootNode;
  // The tag being read, reused from tag to tag.
  std::string name_;
  std::vector<Attribute> attributes_;

  bool AtEnd() const { return pos_ >= s_.size(); }
  char Peek() const { return s_[pos_]; }

  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Peek())) ++pos_;
  }

  // "<?xml ...?>" before anything else: its attributes are kept, and an
  // encoding other than Shift_JIS (in any case) cannot be read. Without
  // one the text is HTML.
  bool ReadDeclaration() {
    SkipBlanks();
    if (s_.size() - pos_ < 6 || s_[pos_] != '<' || s_[pos_ + 1] != '?' ||
        !AsciiSameIgnoringCase(s_.substr(pos_ + 2, 3), "xml"))
      return false;
    char after = s_[pos_ + 5];
    if (!IsBlank(after) && after != '?' && after != '>') return false;
    ++pos_;
    ReadTag();
    if (!AsciiSameIgnoringCase(name_, "?xml?")) return false;
    doc_.Html = false;
    for (const Attribute& a : attributes_)
      if (AsciiSameIgnoringCase(a.Name, "encoding") && !AsciiSameIgnoringCase(a.Value, "Shift_JIS"))
        throw XmlError(msg::kXmlNotShiftJis, a.Value);
    doc_.Declaration = attributes_;
    return true;
  }

  // After "<!" or "<?": comments, marked sections, declarations and
  // processing instructions add nothing. A comment ends at "-->", a marked
  // section at "]]>", a declaration at the first ">" outside its brackets
  // (a DOCTYPE's internal subset holds ">"), an instruction at "?>".
  void SkipMarkup() {
    std::string_view rest = s_.substr(pos_);
    size_t end = std::string_view::npos;
    if (rest.starts_with("!--")) {
      end = s_.find("-->", pos_ + 3);
      if (end != std::string_view::npos) end += 2;
    } else if (rest.starts_with("![CDATA[")) {
      end = s_.find("]]>", pos_ + 8);
      if (end != std::string_view::npos) end += 2;
    } else if (rest[0] == '?') {
      end = s_.find("?>", pos_ + 1);
      if (end != std::string_view::npos) ++end;
      else end = s_.find('>', pos_);
    } else {
      int brackets = 0;
      for (size_t i = pos_; i < s_.size() && end == std::string_view::npos; ++i) {
        if (s_[i] == '[') ++brackets;
        else if (s_[i] == ']' && brackets > 0) --brackets;
        else if (s_[i] == '>' && brackets == 0) end = i;
      }
    }
    pos_ = end == std::string_view::npos ? s_.size() : end + 1;
  }

  // After "<": the name runs to a blank or ">", attributes follow.
  void ReadTag() {
    size_t start = pos_;
    while (!AtEnd() && !IsBlank(Peek()) && Peek() != '>') ++pos_;
    name_.assign(s_.substr(start, pos_ - start));
    attributes_.clear();
    ReadAttributes();
  }

  // name="value", name='value' or name=value up to the tag's end; a bare
  // "/" or "?" belongs to the tag's name ("<a />", "<?xml ... ?>"), any
  // other bare word is an error.
  void ReadAttributes() {
    while (true) {
      SkipBlanks();
      if (AtEnd()) return;
      if (Peek() == '>') {
        ++pos_;
        return;
      }
      size_t start = pos_;
      while (!AtEnd() && Peek() != '=' && Peek() != '>' && !IsBlank(Peek())) ++pos_;
      std::string_view token = s_.substr(start, pos_ - start);
      SkipBlanks();
      if (!AtEnd() && Peek() == '=') {
        ++pos_;
        SkipBlanks();
        Attribute& a = attributes_.emplace_back();
        a.Name.assign(token);
        ReadValue(a);
      } else if (token == "/" || token == "?") {
        name_ += token;
      } else {
        throw XmlError(msg::kXmlBadAttribute, std::string(token));
      }
    }
  }

  void ReadValue(Attribute& a) {
    if (AtEnd()) return;
    char quote = Peek();
    if (quote == '"' || quote == '\'') {
      size_t close = s_.find(quote, pos_ + 1);
      if (close == std::string_view::npos) throw XmlError(msg::kXmlUnclosedValue, a.Name);
      a.Value = DecodeReferences(s_.substr(pos_ + 1, close - pos_ - 1));
      pos_ = close + 1;
      return;
    }
    size_t start = pos_;
    while (!AtEnd() && !IsBlank(Peek()) && Peek() != '/' && Peek() != '>' && Peek() != '?') ++pos_;
    a.Value = DecodeReferences(s_.substr(start, pos_ - start));
  }

  // Everything up to the next "<", without the blanks at its end (those at
  // its start were skipped).
  void ReadText() {
    size_t start = pos_;
    size_t end = s_.find('<', pos_);
    if (end == std::string_view::npos) end = s_.size();
    pos_ = end;
    AddNode(doc_, current_, NodeKind::Text, {}, DecodeReferences(TrimmedView(s_.substr(start, end - start))));
  }

  void Apply() {
    if (name_.empty()) return;
    if (name_[0] == '/') {
      Close();
      return;
    }
    std::string name = doc_.Html ? text::ToLowerText(name_) : name_;
    bool leaf = name.back() == '/';
    if (leaf) name.pop_back();
    leaf = leaf || (doc_.Html && IsVoidHtml(name));
    NodeId id = AddNode(doc_, current_, NodeKind::Element, std::move(name), {});
    doc_.Nodes[id].Attributes = std::move(attributes_);
    attributes_ = {};
    if (!leaf) current_ = id;
  }

  // A closing tag closes the open element of its name, in any case; any
  // other closing tag changes nothing. The root cannot be closed.
  void Close() {
    std::string_view name = std::string_view(name_).substr(1);
    if (!SameName(name, doc_.Nodes[current_].Name)) return;
    if (current_ == kRootNode) throw XmlError(msg::kXmlUnmatchedTag, name_);
    current_ = doc_.Nodes[current_].Parent;
  }
};

// ---- writing -----------------------------------------------------------------

// Writes nodes as their parent's text holds them: a top-level node as it
// is, a node below indented by one tab a level and ended by CR LF. Only a
// node's first line is indented: the lines after it belong to a text
// value, which the reader keeps, so indenting them added tabs to the value
// each time the document was written. Iterative: the depth is bounded only
// by kMaxWriteDepth.
class Writer {
 public:
  Writer(const Document& doc, std::string& out) : doc_(doc), out_(out) {}

  void Write(NodeId top) {
    Visit(top, 0);
    while (!stack_.empty()) {
      Frame& f = stack_.back();
      const Node& n = doc_.At(f.Id);
      if (f.Next < n.Children.size()) {
        Visit(n.Children[f.Next++], stack_.size());
        continue;
      }
      stack_.pop_back();
      piece_.assign("</").append(n.Name).append(">\r\n");
      Emit(stack_.size());
    }
  }

 private:
  struct Frame {
    NodeId Id;
    size_t Next;
  };
  const Document& doc_;
  std::string& out_;
  std::vector<Frame> stack_;
  std::string piece_;

  void Visit(NodeId id, size_t level) {
    if (level >= kMaxWriteDepth) throw XmlError(msg::kXmlTooDeep, std::to_string(kMaxWriteDepth));
    const Node& n = doc_.At(id);
    if (n.Kind == NodeKind::Text) {
      piece_.clear();
      AppendEscaped(piece_, n.Value, false);
      piece_.append(kCrLf);
      Emit(level);
      return;
    }
    piece_.assign("<").append(n.Name);
    for (const Attribute& a : n.Attributes) {
      piece_.append(" ").append(a.Name).append("=\"");
      AppendEscaped(piece_, a.Value, true);
      piece_.append("\"");
    }
    if (n.Children.empty()) {
      piece_.append("/>\r\n");
    } else if (n.Children.size() == 1 && doc_.At(n.Children[0]).Kind == NodeKind::Text) {
      piece_.append(">");
      AppendEscaped(piece_, doc_.At(n.Children[0]).Value, false);
      piece_.append("</").append(n.Name).append(">");
    } else {
      piece_.append(">\r\n");
      stack_.push_back({id, 0});
    }
    Emit(level);
  }

  void Emit(size_t level) {
    if (level == 0) {
      out_ += piece_;
      return;
    }
    out_.append(level, '\t');
    out_ += piece_;
    if (!piece_.ends_with(kCrLf)) out_.append(kCrLf);
  }
};

}  // namespace

Document Parse(std::string_view text) { return Parser(text).Run(); }

std::string Write(const Document& doc) {
  std::string out;
  if (!doc.Html) {
    // The declaration as it was read; a missing version is "1.0".
    std::string version = "1.0";
    for (const Attribute& a : doc.Declaration)
      if (AsciiSameIgnoringCase(a.Name, "version")) version = a.Value;
    out.append("<?xml version=\"").append(version).append("\"");
    for (const Attribute& a : doc.Declaration)
      if (!AsciiSameIgnoringCase(a.Name, "version")) out.append(" ").append(a.Name).append("=\"").append(a.Value).append("\"");
    out.append("?>\r\n");
  }
  Writer writer(doc, out);
  for (NodeId id : doc.At(kRootNode).Children) {
    writer.Write(id);
    out.append(kCrLf);
  }
  return out;
}

std::string WriteNode(const Document& doc, NodeId id) {
  std::string out;
  Writer(doc, out).Write(id);
  return out;
}

// ---- paths -------------------------------------------------------------------

bool SameName(std::string_view a, std::string_view b) {
  if (a == b) return true;
  if (IsAscii(a) && IsAscii(b)) return AsciiSameIgnoringCase(a, b);
  return text::ToLowerText(a) == text::ToLowerText(b);
}

std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= path.size();) {
    if (i == path.size() || path[i] == '\\') {
      if (i > start) parts.emplace_back(path.substr(start, i - start));
      start = ++i;
      continue;
    }
    i += CharLen(path, i);
  }
  return parts;
}

namespace {

NodeId FirstChildNamed(const Document& doc, NodeId parent, std::string_view lowered) {
  for (NodeId c : doc.At(parent).Children)
    if (doc.At(c).Kind == NodeKind::Element && MatchesLowered(doc.At(c).Name, lowered)) return c;
  return kNoNode;
}

}  // namespace

NodeId FindFirst(const Document& doc, std::string_view path) {
  std::vector<std::string> parts = SplitPath(path);
  if (parts.empty()) return kNoNode;
  NodeId at = kRootNode;
  for (const std::string& part : parts) {
    at = FirstChildNamed(doc, at, text::ToLowerText(part));
    if (at == kNoNode) break;
  }
  return at;
}

// Level by level: the matches of each component, in the order of their
// parents, are the document order of the matches of the whole path.
std::vector<NodeId> FindAll(const Document& doc, std::string_view path) {
  std::vector<std::string> parts = SplitPath(path);
  if (parts.empty()) return {};
  std::vector<NodeId> level{kRootNode}, next;
  for (const std::string& part : parts) {
    std::string lowered = text::ToLowerText(part);
    next.clear();
    for (NodeId id : level)
      for (NodeId c : doc.At(id).Children)
        if (doc.At(c).Kind == NodeKind::Element && MatchesLowered(doc.At(c).Name, lowered)) next.push_back(c);
    level.swap(next);
    if (level.empty()) break;
  }
  return level;
}

NodeId FindOrCreate(Document& doc, std::string_view path) {
  std::vector<std::string> parts = SplitPath(path);
  if (parts.empty()) return kNoNode;
  NodeId at = kRootNode;
  for (std::string& part : parts) {
    NodeId found = FirstChildNamed(doc, at, text::ToLowerText(part));
    at = found != kNoNode ? found : AddNode(doc, at, NodeKind::Element, std::move(part), {});
  }
  return at;
}

// ---- reading and changing elements ------------------------------------------

std::string TextOf(const Document& doc, NodeId id) {
  std::string out;
  for (NodeId c : doc.At(id).Children)
    if (doc.At(c).Kind == NodeKind::Text) out += doc.At(c).Value;
  return out;
}

void SetText(Document& doc, NodeId id, std::string text) {
  for (NodeId c : doc.At(id).Children)
    if (doc.At(c).Kind == NodeKind::Text) {
      doc.At(c).Value = std::move(text);
      return;
    }
  AddNode(doc, id, NodeKind::Text, {}, std::move(text));
}

std::string AttributeLines(const Document& doc, NodeId id) {
  std::string out;
  for (const Attribute& a : doc.At(id).Attributes) out.append(a.Name).append("=").append(a.Value).append(kCrLf);
  return out;
}

void SetAttributeLines(Document& doc, NodeId id, std::string_view lines) {
  std::vector<Attribute>& attributes = doc.At(id).Attributes;
  attributes.clear();
  ForEachLine(lines, [&](std::string_view line) {
    if (line.empty()) return;
    size_t eq = line.find('=');
    std::string_view name = line.substr(0, eq);
    std::string_view value = eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
    for (Attribute& a : attributes)
      if (SameName(a.Name, name)) {
        a.Value.assign(value);
        return;
      }
    attributes.push_back({std::string(name), std::string(value)});
  });
}

// A node with children gives its children's paths behind its name and a
// "\"; a node without gives its name (a text node's is empty).
std::string LeafPaths(const Document& doc) {
  struct Frame {
    NodeId Id;
    size_t Next;
    size_t PrefixSize;
  };
  std::string out, prefix;
  std::vector<Frame> stack{{kRootNode, 0, 0}};
  while (!stack.empty()) {
    Frame& f = stack.back();
    const Node& n = doc.At(f.Id);
    if (f.Next == n.Children.size()) {
      prefix.resize(f.PrefixSize);
      stack.pop_back();
      continue;
    }
    const Node& c = doc.At(n.Children[f.Next]);
    NodeId childId = n.Children[f.Next++];
    if (c.Children.empty()) {
      out.append(prefix).append(c.Name).append(kCrLf);
      continue;
    }
    if (stack.size() > kMaxWriteDepth) throw XmlError(msg::kXmlTooDeep, std::to_string(kMaxWriteDepth));
    stack.push_back({childId, 0, prefix.size()});
    prefix.append(c.Name).append("\\");
  }
  return out;
}

}  // namespace nokari::xml
