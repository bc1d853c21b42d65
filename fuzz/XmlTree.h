// A small XML reader for the host side: turns text into a tree the package selection can walk
// without the platform's document object. Elements with attributes, comments, processing
// instructions and text; the five predefined entities; no DTD. Blank text is dropped, as the
// platform's loader does by default.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/ConfigDocument.h"

namespace xmltree {

struct Node {
    bool element = false;
    std::u16string name;  // "#comment", "#text" or "#pi" for the other kinds
    std::vector<std::pair<std::u16string, std::u16string>> attributes;
    std::vector<std::unique_ptr<Node>> children;
    Node* parent = nullptr;
    std::size_t index = 0;  // among the parent's children
};

// Deeper documents are refused, as the platform's loader refuses them.
constexpr std::size_t kMaxDepth = 256;

// The document (a node whose children are the top-level nodes, one of them the only element), or
// null when `text` is malformed, nests deeper than kMaxDepth or has no document element. Each
// byte is one character.
std::unique_ptr<Node> Parse(std::string_view text);

// A cursor over a parsed document.
class CTreeDocument : public config::IConfigDocument {
public:
    explicit CTreeDocument(const Node& document);
    void ToRoot() override { m_cursor = m_root; }
    bool FindChild(const std::u16string& name) override;
    bool FirstChild() override;
    bool NextSibling() override;
    std::u16string GetAttribute(const std::u16string& name) override;
    const Node* Cursor() const { return m_cursor; }

private:
    const Node* m_root = nullptr;
    const Node* m_cursor = nullptr;
};

}  // namespace xmltree
