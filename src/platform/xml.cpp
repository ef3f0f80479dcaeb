#include "platform/xml.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/text_encoding.h"

namespace orx::platform {
namespace {

// True when the XML declaration at the start names Windows-1252, which the parser does
// not know; such text is widened to UTF-8 first.
bool DeclaresWindows1252(std::span<const uint8_t> bytes) {
  const size_t n = std::min<size_t>(bytes.size(), 200);
  std::string head(reinterpret_cast<const char*>(bytes.data()), n);
  if (head.rfind("<?xml", 0) != 0) return false;
  const size_t end = head.find("?>");
  if (end == std::string::npos) return false;
  head.resize(end);
  std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
  return head.find("windows-1252") != std::string::npos || head.find("cp1252") != std::string::npos;
}

XmlNodeKind KindOf(pugi::xml_node_type type) {
  switch (type) {
    case pugi::node_element: return XmlNodeKind::kElement;
    case pugi::node_pcdata:
    case pugi::node_cdata: return XmlNodeKind::kText;
    case pugi::node_comment: return XmlNodeKind::kComment;
    default: return XmlNodeKind::kOther;
  }
}

void Append(XmlDocument& doc, pugi::xml_node node) {
  XmlNode n;
  n.kind = KindOf(node.type());
  if (n.kind == XmlNodeKind::kElement) {
    n.name = node.name();
    n.firstAttribute = static_cast<uint32_t>(doc.attributes.size());
    for (pugi::xml_attribute a : node.attributes()) {
      doc.attributes.push_back({a.name(), a.value()});
      ++n.attributeCount;
    }
  } else if (n.kind == XmlNodeKind::kText) {
    n.value = node.value();
  }
  doc.nodes.push_back(std::move(n));
}

}  // namespace

const std::string& XmlElement::name() const { return doc_->nodes[index_].name; }

const std::string* XmlElement::Attribute(std::string_view name) const {
  const XmlNode& n = doc_->nodes[index_];
  for (uint32_t i = 0; i < n.attributeCount; ++i) {
    const XmlAttribute& a = doc_->attributes[n.firstAttribute + i];
    if (a.name == name) return &a.value;
  }
  return nullptr;
}

bool XmlElement::HasChildNodes() const { return doc_->nodes[index_].subtreeEnd > index_ + 1; }

std::vector<XmlElement> XmlElement::ChildElements() const {
  std::vector<XmlElement> children;
  const uint32_t end = doc_->nodes[index_].subtreeEnd;
  for (uint32_t i = index_ + 1; i < end; i = doc_->nodes[i].subtreeEnd) {
    if (doc_->nodes[i].kind == XmlNodeKind::kElement) children.emplace_back(*doc_, i);
  }
  return children;
}

std::string XmlElement::Text() const {
  std::string text;
  const uint32_t end = doc_->nodes[index_].subtreeEnd;
  for (uint32_t i = index_ + 1; i < end; ++i) {
    if (doc_->nodes[i].kind == XmlNodeKind::kText) text += doc_->nodes[i].value;
  }
  return text;
}

std::optional<XmlElement> XmlDocument::Root() const {
  if (nodes.empty()) return std::nullopt;
  return XmlElement(*this, 0);
}

XmlParseResult ParseXml(std::span<const uint8_t> bytes, XmlDocument& doc) {
  doc.nodes.clear();
  doc.attributes.clear();
  XmlParseResult result;
  pugi::xml_document pdoc;
  constexpr unsigned kOptions = pugi::parse_default | pugi::parse_comments;
  pugi::xml_parse_result parsed;
  if (DeclaresWindows1252(bytes)) {
    const std::string utf8 = Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    parsed = pdoc.load_buffer(utf8.data(), utf8.size(), kOptions, pugi::encoding_utf8);
  } else {
    parsed = pdoc.load_buffer(bytes.data(), bytes.size(), kOptions, pugi::encoding_auto);
  }
  if (!parsed) {
    result.offset = parsed.offset > 0 ? static_cast<size_t>(parsed.offset) : 0;
    result.message = std::string(parsed.description()) + " at byte " + std::to_string(result.offset);
    return result;
  }
  const pugi::xml_node root = pdoc.document_element();
  if (!root) {
    result.message = "no document element";
    return result;
  }
  // Preorder walk without recursion; `open` holds the indexes of the elements whose
  // subtree is still being read.
  std::vector<uint32_t> open;
  pugi::xml_node node = root;
  while (node) {
    open.push_back(static_cast<uint32_t>(doc.nodes.size()));
    Append(doc, node);
    if (pugi::xml_node child = node.first_child()) {
      node = child;
      continue;
    }
    for (;;) {
      doc.nodes[open.back()].subtreeEnd = static_cast<uint32_t>(doc.nodes.size());
      open.pop_back();
      if (node == root) {
        node = pugi::xml_node();
        break;
      }
      if (pugi::xml_node next = node.next_sibling()) {
        node = next;
        break;
      }
      node = node.parent();
    }
  }
  result.ok = true;
  return result;
}

}  // namespace orx::platform
