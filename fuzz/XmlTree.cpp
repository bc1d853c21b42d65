#include "XmlTree.h"

#include <algorithm>
#include <utility>

namespace xmltree {

namespace {

constexpr std::size_t kMaxDepth = 256;
constexpr char kBlanks[] = " \t\r\n";

class CParser {
public:
    explicit CParser(std::string_view text) : m_text(text) {}

    // Markup and text until the end, then the one element among the top-level nodes.
    std::unique_ptr<Node> Run() {
        Node document;
        m_current = &document;
        while (m_at < m_text.size()) {
            if (!(m_text[m_at] == '<' ? Markup() : Text())) {
                return nullptr;
            }
        }
        std::unique_ptr<Node> root;
        for (auto& child : document.children) {
            const bool element = child->name[0] != u'#';
            if (m_current != &document || child->name == u"#text" || (element && root)) {
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
    Node& Add(std::string_view name) {
        auto node = std::make_unique<Node>();
        node->name.assign(name.begin(), name.end());
        node->parent = m_current;
        node->index = m_current->children.size();
        return *m_current->children.emplace_back(std::move(node));
    }

    bool Text() {
        const std::size_t end = std::min(m_text.find('<', m_at), m_text.size());
        if (m_text.substr(m_at, end - m_at).find_first_not_of(kBlanks) != std::string::npos) {
            Add("#text");
        }
        m_at = end;
        return true;
    }

    // Skips to just after `end`; false when it never comes.
    bool SkipPast(std::string_view end) {
        const std::size_t found = m_text.find(end, m_at);
        m_at = found + end.size();
        return found != std::string_view::npos;
    }

    // The start is kept apart from the move: the order in which a call's arguments are evaluated
    // differs between compilers.
    std::string_view Token() {
        const std::size_t start = std::min(m_text.find_first_not_of(kBlanks, m_at), m_text.size());
        m_at = std::min(m_text.find_first_of(" \t\r\n/>=<\"'", start), m_text.size());
        return m_text.substr(start, m_at - start);
    }

    bool Next(char c) {
        m_at = std::min(m_text.find_first_not_of(kBlanks, m_at), m_text.size());
        return m_at < m_text.size() && m_text[m_at] == c && ++m_at;
    }

    bool Markup() {
        if (m_text.compare(m_at, 4, "<!--") == 0) {
            Add("#comment");
            return SkipPast("-->");
        }
        if (m_text.compare(m_at, 2, "<?") == 0) {
            return SkipPast("?>");
        }
        ++m_at;
        if (Next('/')) {
            const std::string_view name = Token();
            if (m_current->parent == nullptr || !Next('>') ||
                std::u16string(name.begin(), name.end()) != m_current->name) {
                return false;
            }
            m_current = m_current->parent;
            --m_depth;
            return true;
        }
        const std::string_view name = Token();
        Node& element = Add(name);
        while (!name.empty()) {
            if (Next('/')) {
                return Next('>');
            }
            if (Next('>')) {
                m_current = &element;
                return ++m_depth <= kMaxDepth;
            }
            const std::string_view attribute = Token();
            const char quote = Next('=') && m_at < m_text.size() ? m_text[m_at] : '\0';
            const std::size_t end = m_text.find(quote, m_at + 1);
            if (attribute.empty() || (quote != '"' && quote != '\'') || end == std::string::npos) {
                return false;
            }
            const std::string_view value = m_text.substr(m_at + 1, end - m_at - 1);
            element.attributes.emplace_back(std::u16string(attribute.begin(), attribute.end()),
                                            std::u16string(value.begin(), value.end()));
            m_at = end + 1;
        }
        return false;
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
    const bool has = !m_cursor->children.empty();
    m_cursor = has ? m_cursor->children.front().get() : m_cursor;
    return has;
}

bool CTreeDocument::NextSibling() {
    const Node* parent = m_cursor->parent;
    const bool has = parent != nullptr && m_cursor->index + 1 < parent->children.size();
    m_cursor = has ? parent->children[m_cursor->index + 1].get() : m_cursor;
    return has;
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
