#include "XmlTree.h"

#include <algorithm>

namespace xmltree {

namespace {

constexpr std::size_t kMaxDepth = 256;

std::u16string Widen(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

class CParser {
public:
    explicit CParser(std::string_view text) : m_text(text) {}

    std::unique_ptr<Node> Run() {
        Node document;
        m_current = &document;
        while (m_at < m_text.size()) {
            if (!(m_text[m_at] == '<' ? Markup() : Text())) {
                return nullptr;
            }
        }
        if (m_current != &document) {
            return nullptr;
        }
        std::unique_ptr<Node> root;
        for (auto& child : document.children) {
            const bool element = child->name[0] != u'#';
            if (child->name == u"#text" || (element && root)) {
                return nullptr;
            }
            if (element) {
                root = std::move(child);
            }
        }
        if (root) {
            root->parent = nullptr;
        }
        return root;
    }

private:
    Node& Add(std::u16string name) {
        auto node = std::make_unique<Node>();
        node->name = std::move(name);
        node->parent = m_current;
        node->index = m_current->children.size();
        m_current->children.push_back(std::move(node));
        return *m_current->children.back();
    }

    bool Text() {
        const std::size_t end = std::min(m_text.find('<', m_at), m_text.size());
        if (m_text.substr(m_at, end - m_at).find_first_not_of(" \t\r\n") != std::string::npos) {
            Add(u"#text");
        }
        m_at = end;
        return true;
    }

    std::string_view Token() {
        SkipBlanks();
        const std::size_t end =
            std::min(m_text.find_first_of(" \t\r\n/>=<\"'", m_at), m_text.size());
        const std::string_view token = m_text.substr(m_at, end - m_at);
        m_at = end;
        return token;
    }

    void SkipBlanks() { m_at = std::min(m_text.find_first_not_of(" \t\r\n", m_at), m_text.size()); }

    bool Next(char c) {
        SkipBlanks();
        return m_at < m_text.size() && m_text[m_at] == c && ++m_at;
    }

    bool Markup() {
        if (m_text.compare(m_at, 4, "<!--") == 0) {
            const std::size_t end = m_text.find("-->", m_at + 4);
            Add(u"#comment");
            m_at = end + 3;
            return end != std::string_view::npos;
        }
        if (m_text.compare(m_at, 2, "<?") == 0) {
            const std::size_t end = m_text.find("?>", m_at + 2);
            m_at = end + 2;
            return end != std::string_view::npos;
        }
        ++m_at;
        if (Next('/')) {
            const std::u16string name = Widen(Token());
            if (m_current->parent == nullptr || name != m_current->name || !Next('>')) {
                return false;
            }
            m_current = m_current->parent;
            --m_depth;
            return true;
        }
        const std::string_view name = Token();
        if (name.empty()) {
            return false;
        }
        Node& element = Add(Widen(name));
        for (;;) {
            if (Next('/')) {
                return Next('>');
            }
            if (Next('>')) {
                m_current = &element;
                return ++m_depth <= kMaxDepth;
            }
            const std::u16string attribute = Widen(Token());
            if (attribute.empty() || !Next('=')) {
                return false;
            }
            SkipBlanks();
            const char quote = m_at < m_text.size() ? m_text[m_at] : '\0';
            const std::size_t end = m_text.find(quote, m_at + 1);
            if ((quote != '"' && quote != '\'') || end == std::string_view::npos) {
                return false;
            }
            element.attributes.emplace_back(attribute,
                                            Widen(m_text.substr(m_at + 1, end - m_at - 1)));
            m_at = end + 1;
        }
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

bool CTreeDocument::FindChild(const std::u16string& name) {
    for (const auto& child : m_cursor->children) {
        if (child->name == name) {
            m_cursor = child.get();
            return true;
        }
    }
    return false;
}

bool CTreeDocument::FirstChild() {
    if (m_cursor->children.empty()) {
        return false;
    }
    m_cursor = m_cursor->children.front().get();
    return true;
}

bool CTreeDocument::NextSibling() {
    const Node* parent = m_cursor->parent;
    if (parent == nullptr || m_cursor->index + 1 >= parent->children.size()) {
        return false;
    }
    m_cursor = parent->children[m_cursor->index + 1].get();
    return true;
}

std::u16string CTreeDocument::GetAttribute(const std::u16string& name) {
    for (const auto& [attribute, value] : m_cursor->attributes) {
        if (attribute == name) {
            return value;
        }
    }
    return {};
}

}  // namespace xmltree
