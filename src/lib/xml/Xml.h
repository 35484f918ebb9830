// Simple XML (and lenient HTML) documents over CP932 texts: a small tree
// read from a text, looked up and changed by backslash-separated paths
// ("a\b\c"), and written back. No engine here: faults come back as
// XmlError naming a message of lib/xml/Messages.inc, which the commands
// raise as script errors.
//
// The reading is deliberately small: Shift-JIS only, only the predefined
// and numbered character references (written back for "&", "<", ">" and
// '"'), unknown closing tags ignored. Every walk over the tree
// is iterative, and the nodes live in one array, so a document nested
// 100,000 levels deep is read, searched and freed without deep recursion.
#pragma once
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace nokari::xml {

// A fault in a document: the message (a UTF-8 literal of the message
// table) and the CP932 text for its %s.
struct XmlError : std::exception {
  XmlError(const char* message, std::string arg) : Message(message), Arg(std::move(arg)) {}
  const char* what() const noexcept override { return Message; }
  const char* Message;
  std::string Arg;
};

enum class NodeKind : uint8_t { Element = 1, Text = 3 };

struct Attribute {
  std::string Name;
  std::string Value;
};

using NodeId = uint32_t;
inline constexpr NodeId kNoNode = UINT32_MAX;
inline constexpr NodeId kRootNode = 0;

// An element (name, attributes, children) or a text (value; its name is
// empty, which is why a leaf path of an element holding text ends in "\").
struct Node {
  NodeKind Kind = NodeKind::Element;
  NodeId Parent = kNoNode;
  std::string Name;
  std::string Value;
  std::vector<NodeId> Children;
  std::vector<Attribute> Attributes;
};

// Writing refuses documents nested deeper than this (the indentation makes
// the text grow with the square of the depth); reading has no limit.
inline constexpr size_t kMaxWriteDepth = 1000;

struct Document {
  // Nodes[kRootNode] is the element "XMLDocument" holding the top-level
  // nodes.
  std::vector<Node> Nodes;
  // No XML declaration: names are lower-cased, a few HTML elements never
  // take children, and no declaration is written back.
  bool Html = true;
  // The declaration's attributes as read (version, encoding ...), written
  // back in their order.
  std::vector<Attribute> Declaration;

  const Node& At(NodeId id) const { return Nodes[id]; }
  Node& At(NodeId id) { return Nodes[id]; }
};

// Reads a document. Throws XmlError for a bad attribute, an unterminated
// attribute value, a closing tag of the root, or an encoding other than
// Shift_JIS.
Document Parse(std::string_view text);

// The whole document as text: the declaration line (XML only), then each
// top-level node followed by CR LF. Throws XmlError past kMaxWriteDepth.
std::string Write(const Document& doc);
// One node as text, as it stands in its parent's text before indentation.
std::string WriteNode(const Document& doc, NodeId id);

// ---- paths -------------------------------------------------------------------

// The components of a path: separated by "\" (never the second byte of a
// double-byte character); empty components are dropped.
std::vector<std::string> SplitPath(std::string_view path);
// The first element at the path; kNoNode when missing or the path is empty.
NodeId FindFirst(const Document& doc, std::string_view path);
// Every element at the path, in document order.
std::vector<NodeId> FindAll(const Document& doc, std::string_view path);
// The element at the path, creating the missing ones; kNoNode for an
// empty path.
NodeId FindOrCreate(Document& doc, std::string_view path);

// ---- reading and changing elements ------------------------------------------

// The values of the element's direct text children, joined.
std::string TextOf(const Document& doc, NodeId id);
// Replaces the value of the first text child, or adds a text child.
void SetText(Document& doc, NodeId id, std::string text);
// "name=value" + CR LF for each attribute.
std::string AttributeLines(const Document& doc, NodeId id);
// Replaces every attribute with the lines "name=value" (cut at the first
// "="; empty lines skipped; a repeated name, in any case, replaces the
// value of the first).
void SetAttributeLines(Document& doc, NodeId id, std::string_view lines);
// Every leaf path of the document, each followed by CR LF. Throws XmlError
// past kMaxWriteDepth.
std::string LeafPaths(const Document& doc);

// Names of paths compare in the locale's case (ASCII, full-width Latin,
// Greek, Cyrillic).
bool SameName(std::string_view a, std::string_view b);

}  // namespace nokari::xml
