// XMLテキストデータ取得 … XMLパス形式で取得: simple XML documents held in
// values. Each command reads its document afresh (lib/xml/Xml.h); the
// changing ones hand the whole document back as text in それ.
#include "core/Errors.h"
#include "lib/xml/Messages.h"
#include "lib/xml/Xml.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

using xml::Document;
using xml::NodeId;

// Runs `work` over the document, a fault in it raised as the script's
// error.
template <typename F>
std::string OverDocument(TNokaBase& e, const std::string& text, F&& work) {
  try {
    Document doc = xml::Parse(text);
    return work(doc);
  } catch (const xml::XmlError& fault) {
    RaiseError(e, fault.Message, {fault.Arg});
  }
}

// The list with the blanks (and line ends) around it cut off.
std::string Trimmed(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= 0x20) ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= 0x20) --b;
  return s.substr(a, b - a);
}

void SetSoreText(TNokaBase& e, std::string s) { SetSoreTyped(e, std::move(s), "s"); }

// XMLテキストデータ取得: document, path → the text of every element at the
// path, one a line.
void CmdGetText(TNokaBase& e) {
  std::string path = PopArgValue(e);
  std::string text = PopArgValue(e);
  SetSoreText(e, OverDocument(e, text, [&](Document& doc) {
                std::string out;
                for (NodeId id : xml::FindAll(doc, path)) out.append(xml::TextOf(doc, id)).append("\r\n");
                return Trimmed(out);
              }));
}

// XMLテキストデータ設定: document, path, text → the document with the
// element's text set (the path made as needed).
void CmdSetText(TNokaBase& e) {
  std::string value = PopArgValue(e);
  std::string path = PopArgValue(e);
  std::string text = PopArgValue(e);
  SetSoreText(e, OverDocument(e, text, [&](Document& doc) {
                NodeId id = xml::FindOrCreate(doc, path);
                if (id != xml::kNoNode) xml::SetText(doc, id, std::move(value));
                return xml::Write(doc);
              }));
}

// XML属性データ取得: document, path → "name=value" lines of the first
// element at the path.
void CmdGetAttributes(TNokaBase& e) {
  std::string path = PopArgValue(e);
  std::string text = PopArgValue(e);
  SetSoreText(e, OverDocument(e, text, [&](Document& doc) {
                NodeId id = xml::FindFirst(doc, path);
                return id == xml::kNoNode ? std::string() : xml::AttributeLines(doc, id);
              }));
}

// XML属性データ設定: document, path, "name=value" lines → the document with
// the element's attributes replaced.
void CmdSetAttributes(TNokaBase& e) {
  std::string lines = PopArgValue(e);
  std::string path = PopArgValue(e);
  std::string text = PopArgValue(e);
  SetSoreText(e, OverDocument(e, text, [&](Document& doc) {
                NodeId id = xml::FindOrCreate(doc, path);
                if (id != xml::kNoNode) xml::SetAttributeLines(doc, id, lines);
                return xml::Write(doc);
              }));
}

// XML切り出し: document, path → the element written as text.
void CmdCutOut(TNokaBase& e) {
  std::string path = PopArgValue(e);
  std::string text = PopArgValue(e);
  SetSoreText(e, OverDocument(e, text, [&](Document& doc) {
                NodeId id = xml::FindFirst(doc, path);
                return id == xml::kNoNode ? std::string() : xml::WriteNode(doc, id);
              }));
}

// XMLパス形式で取得: document → every leaf path, one a line.
void CmdLeafPaths(TNokaBase& e) {
  std::string text = PopArgValue(e);
  SetSoreText(e, OverDocument(e, text, [](Document& doc) { return xml::LeafPaths(doc); }));
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::XMLテキストデータ取得, CmdGetText},
    {Id::XMLテキストデータ設定, CmdSetText},
    {Id::XML属性データ取得, CmdGetAttributes},
    {Id::XML属性データ設定, CmdSetAttributes},
    {Id::XML切り出し, CmdCutOut},
    {Id::XMLパス形式で取得, CmdLeafPaths},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/xml/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kXmlFamily{"xml", kCommands, kMessages};

}  // namespace nokari
