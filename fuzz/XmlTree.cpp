#include "XmlTree.h"

#include <algorithm>

namespace xmltree {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::u16string Widen(std::string_view text) {
    std::u16string wide;
    for (const char c : text) {
        wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    return wide;
}

// The text with the predefined entities replaced; an unknown "&" stays as written.
std::u16string Decode(std::string_view text) {
    static const std::pair<std::string_view, char> kEntities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string decoded;
    for (std::size_t at = 0; at < text.size();) {
        bool replaced = false;
        for (const auto& [entity, c] : kEntities) {
            if (text.substr(at, entity.size()) == entity) {
                decoded += c;
                at += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            decoded += text[at++];
        }
    }
    return Widen(decoded);
}

class CParser {
public:
    explicit CParser(std::string_view text) : m_text(text) {}

    std::unique_ptr<Node> Run() {
        auto document = std::make_unique<Node>();
        m_current = document.get();
        while (m_at < m_text.size()) {
            if (!(m_text[m_at] == '<' ? Markup() : Text())) {
                return nullptr;
            }
        }
        if (m_current != document.get()) {
            return nullptr;
        }
        int elements = 0;
        for (const auto& child : document->children) {
            elements += child->element ? 1 : 0;
            if (child->name == u"#text") {
                return nullptr;
            }
        }
        return elements == 1 ? std::move(document) : nullptr;
    }

private:
    Node& Add(bool element, std::u16string name) {
        auto node = std::make_unique<Node>();
        node->element = element;
        node->name = std::move(name);
        node->parent = m_current;
        node->index = m_current->children.size();
        m_current->children.push_back(std::move(node));
        return *m_current->children.back();
    }

    // Skips to just after `end`; false when it never comes.
    bool SkipPast(std::string_view end) {
        const std::size_t found = m_text.find(end, m_at);
        if (found == std::string_view::npos) {
            return false;
        }
        m_at = found + end.size();
        return true;
    }

    bool Text() {
        const std::size_t end = std::min(m_text.find('<', m_at), m_text.size());
        const std::string_view text = m_text.substr(m_at, end - m_at);
        m_at = end;
        for (const char c : text) {
            if (!IsBlank(c)) {
                Add(false, u"#text");
                return true;
            }
        }
        return true;
    }

    std::string_view Name() {
        const std::size_t start = m_at;
        while (m_at < m_text.size() && !IsBlank(m_text[m_at]) && m_text[m_at] != '/' &&
               m_text[m_at] != '>' && m_text[m_at] != '=' && m_text[m_at] != '<') {
            ++m_at;
        }
        return m_text.substr(start, m_at - start);
    }

    void SkipBlanks() {
        while (m_at < m_text.size() && IsBlank(m_text[m_at])) {
            ++m_at;
        }
    }

    bool Markup() {
        const std::string_view rest = m_text.substr(m_at);
        if (rest.substr(0, 4) == "<!--") {
            Add(false, u"#comment");
            return SkipPast("-->");
        }
        if (rest.substr(0, 2) == "<?") {
            Add(false, u"#pi");
            return SkipPast("?>");
        }
        if (rest.substr(0, 2) == "<!") {
            return false;
        }
        ++m_at;
        if (rest.substr(0, 2) == "</") {
            ++m_at;
            const std::u16string name = Widen(Name());
            SkipBlanks();
            if (m_current->parent == nullptr || name != m_current->name || m_at >= m_text.size() ||
                m_text[m_at] != '>') {
                return false;
            }
            ++m_at;
            m_current = m_current->parent;
            --m_depth;
            return true;
        }
        return Element();
    }

    bool Element() {
        const std::string_view name = Name();
        if (name.empty()) {
            return false;
        }
        Node& node = Add(true, Widen(name));
        for (;;) {
            SkipBlanks();
            if (m_at >= m_text.size()) {
                return false;
            }
            if (m_text.substr(m_at, 2) == "/>") {
                m_at += 2;
                return true;
            }
            if (m_text[m_at] == '>') {
                ++m_at;
                if (++m_depth > kMaxDepth) {
                    return false;
                }
                m_current = &node;
                return true;
            }
            if (!Attribute(node)) {
                return false;
            }
        }
    }

    bool Attribute(Node& node) {
        const std::u16string name = Widen(Name());
        SkipBlanks();
        if (name.empty() || m_at >= m_text.size() || m_text[m_at] != '=') {
            return false;
        }
        ++m_at;
        SkipBlanks();
        if (m_at >= m_text.size() || (m_text[m_at] != '"' && m_text[m_at] != '\'')) {
            return false;
        }
        const char quote = m_text[m_at++];
        const std::size_t end = m_text.find(quote, m_at);
        if (end == std::string_view::npos) {
            return false;
        }
        const std::string_view value = m_text.substr(m_at, end - m_at);
        m_at = end + 1;
        if (value.find('<') != std::string_view::npos) {
            return false;
        }
        for (const auto& attribute : node.attributes) {
            if (attribute.first == name) {
                return false;
            }
        }
        node.attributes.emplace_back(name, Decode(value));
        return true;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    std::size_t m_depth = 0;
    Node* m_current = nullptr;
};

}  // namespace

std::unique_ptr<Node> Parse(std::string_view text) {
    return CParser(text).Run();
}

CTreeDocument::CTreeDocument(const Node& document) {
    for (const auto& child : document.children) {
        if (child->element) {
            m_root = child.get();
        }
    }
    m_cursor = m_root;
}

bool CTreeDocument::FindChild(const std::u16string& name) {
    if (m_cursor == nullptr) {
        return false;
    }
    for (const auto& child : m_cursor->children) {
        if (child->name == name) {
            m_cursor = child.get();
            return true;
        }
    }
    return false;
}

bool CTreeDocument::FirstChild() {
    if (m_cursor == nullptr || m_cursor->children.empty()) {
        return false;
    }
    m_cursor = m_cursor->children.front().get();
    return true;
}

bool CTreeDocument::NextSibling() {
    if (m_cursor == nullptr || m_cursor->parent == nullptr ||
        m_cursor->index + 1 >= m_cursor->parent->children.size()) {
        return false;
    }
    m_cursor = m_cursor->parent->children[m_cursor->index + 1].get();
    return true;
}

std::u16string CTreeDocument::GetAttribute(const std::u16string& name) {
    if (m_cursor == nullptr) {
        return {};
    }
    for (const auto& [attribute, value] : m_cursor->attributes) {
        if (attribute == name) {
            return value;
        }
    }
    return {};
}

}  // namespace xmltree
