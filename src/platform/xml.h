// A read-only XML document tree: elements with their names, attributes and text, kept
// flat in document order so that building, walking and freeing never recurse, however
// deep the input nests.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orx::platform {

enum class XmlNodeKind : uint8_t { kElement, kText, kComment, kOther };

struct XmlAttribute {
  std::string name;
  std::string value;  // UTF-8, entities resolved
};

// One node; its descendants follow it directly and end before `subtreeEnd`.
struct XmlNode {
  XmlNodeKind kind = XmlNodeKind::kOther;
  std::string name;   // element name; empty for other kinds
  std::string value;  // text of text and CDATA nodes, UTF-8
  uint32_t firstAttribute = 0;
  uint32_t attributeCount = 0;
  uint32_t subtreeEnd = 0;  // index one past the last descendant
};

class XmlDocument;

// A handle to an element of a document that outlives it.
class XmlElement {
 public:
  XmlElement(const XmlDocument& doc, uint32_t index) : doc_(&doc), index_(index) {}
  const std::string& name() const;
  // The attribute's value, or null when the element has none of that name (exact case).
  const std::string* Attribute(std::string_view name) const;
  // True when the element holds any node: element, text or comment.
  bool HasChildNodes() const;
  // The direct child elements in document order.
  std::vector<XmlElement> ChildElements() const;
  // All text below the element, concatenated in document order.
  std::string Text() const;

 private:
  const XmlDocument* doc_;
  uint32_t index_;
};

class XmlDocument {
 public:
  // The document element; null for an empty document.
  std::optional<XmlElement> Root() const;
  std::vector<XmlNode> nodes;  // preorder; nodes[0] is the document element
  std::vector<XmlAttribute> attributes;
};

struct XmlParseResult {
  bool ok = false;
  std::string message;  // why the text is not XML, with the byte offset; empty when ok
  size_t offset = 0;
};

// Parses UTF-8, UTF-16 or UTF-32 (detected from the byte order mark or the first
// characters), or Latin-1 and Windows-1252 when the declaration names them. Whitespace-only
// text is dropped; comments are kept. No entities beyond the predefined ones are expanded.
XmlParseResult ParseXml(std::span<const uint8_t> bytes, XmlDocument& doc);

}  // namespace orx::platform
