// An element tree and a cursor over it, standing in for the platform's document object on the host
// side: the fuzz targets decode trees from their input, the unit tests build them in place.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "config/ConfigDocument.h"

namespace xmltree {

struct Node {
    std::u16string name;  // "#comment" or "#text" for the other kinds
    std::vector<std::pair<std::u16string, std::u16string>> attributes;
    std::vector<Node> children;
};

// The cursor is the path from the document element down to the current node.
class CTreeDocument : public config::IConfigDocument {
public:
    explicit CTreeDocument(const Node& root) : m_path{&root} {}
    void ToRoot() override { m_path.resize(1); }
    bool FindChild(const std::u16string& name) override {
        for (const Node& child : m_path.back()->children) {
            if (child.name == name) {
                m_path.push_back(&child);
                return true;
            }
        }
        return false;
    }
    bool FirstChild() override {
        if (m_path.back()->children.empty()) {
            return false;
        }
        m_path.push_back(&m_path.back()->children.front());
        return true;
    }
    bool NextSibling() override {
        if (m_path.size() < 2 || m_path.back() == &m_path[m_path.size() - 2]->children.back()) {
            return false;
        }
        ++m_path.back();  // siblings lie side by side in their parent's vector
        return true;
    }
    bool IsElement() override { return m_path.back()->name[0] != u'#'; }
    std::u16string GetAttribute(const std::u16string& name) override {
        for (const auto& [attribute, value] : m_path.back()->attributes) {
            if (attribute == name) {
                return value;
            }
        }
        return {};
    }

private:
    std::vector<const Node*> m_path;
};

}  // namespace xmltree
