// A small XML reader for the host side, standing in for the platform's document object: elements
// with quoted attributes (taken as written, no entities), comments and text; blank text dropped,
// as the platform's loader drops it. Processing instructions are skipped; no DTD.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/ConfigDocument.h"

namespace xmltree {

struct Node {
    std::u16string name;  // "#comment" or "#text" for the other kinds
    std::vector<std::pair<std::u16string, std::u16string>> attributes;
    std::vector<std::unique_ptr<Node>> children;
    Node* parent = nullptr;
    std::size_t index = 0;  // among the parent's children
};

// The document element, or null when `text` is malformed, nests deeper than 256 elements (the
// platform's loader refuses those too) or does not hold one element. Each byte is one character.
std::unique_ptr<Node> Parse(std::string_view text);

// A cursor over a parsed document.
class CTreeDocument : public config::IConfigDocument {
public:
    explicit CTreeDocument(const Node& root) : m_root(&root), m_cursor(&root) {}
    void ToRoot() override { m_cursor = m_root; }
    bool FindChild(const std::u16string& name) override;
    bool FirstChild() override;
    bool NextSibling() override;
    bool IsElement() override { return m_cursor->name[0] != u'#'; }
    std::u16string GetAttribute(const std::u16string& name) override;

private:
    const Node* m_root;
    const Node* m_cursor;
};

}  // namespace xmltree
