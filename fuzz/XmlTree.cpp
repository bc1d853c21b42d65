#include "XmlTree.h"

#include <algorithm>
#include <utility>

namespace xmltree {

namespace {

constexpr char kBlanks[] = " \t\r\n";

std::u16string Widened(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

// Appends a child named `name`. The reader adds to one node at a time, so a reference to the
// node being filled stays valid.
Node& AddChild(Node& parent, std::u16string name) {
    parent.children.push_back(Node{std::move(name), {}, {}});
    return parent.children.back();
}

// Reads elements, comments and text until the end tag of the node it is in; only well-formed
// text needs to come out right.
class CReader {
public:
    explicit CReader(std::string_view text) : m_text(text) {}

    // The content of `parent` up to and with its end tag, or to the end of the text.
    bool Content(Node& parent) {
        while (m_at < m_text.size()) {
            const std::size_t tag = std::min(m_text.find('<', m_at), m_text.size());
            if (m_text.substr(m_at, tag - m_at).find_first_not_of(kBlanks) != std::string::npos) {
                AddChild(parent, u"#text");
            }
            m_at = tag;
            if (m_text.compare(m_at, 4, "<!--") == 0) {
                AddChild(parent, u"#comment");
                m_at = std::min(m_text.find("-->", m_at), m_text.size() - 3) + 3;
            } else if (m_text.compare(m_at, 2, "</") == 0) {
                m_at = std::min(m_text.find('>', m_at), m_text.size() - 1) + 1;
                return true;
            } else if (m_at < m_text.size() && !Element(parent)) {
                return false;
            }
        }
        return true;
    }

private:
    // Skips blanks, then the name or attribute name there.
    std::string_view Token() {
        const std::size_t start = std::min(m_text.find_first_not_of(kBlanks, m_at), m_text.size());
        m_at = std::min(m_text.find_first_of(" \t\r\n/>=", start), m_text.size());
        return m_text.substr(start, m_at - start);
    }

    // The element whose start tag begins at `m_at`, with its attributes and content.
    bool Element(Node& parent) {
        ++m_at;
        Node& element = AddChild(parent, Widened(Token()));
        for (;;) {
            m_at = std::min(m_text.find_first_not_of(kBlanks, m_at), m_text.size());
            if (m_text.compare(m_at, 2, "/>") == 0) {
                m_at += 2;
                return true;
            }
            if (m_text.compare(m_at, 1, ">") == 0) {
                ++m_at;
                return Content(element);
            }
            const std::string_view name = Token();
            const std::size_t open = m_text.find_first_of("\"'", m_at);
            const std::size_t close =
                open == std::string::npos ? open : m_text.find(m_text[open], open + 1);
            if (name.empty() || close == std::string::npos) {
                return false;
            }
            element.attributes.emplace_back(Widened(name),
                                            Widened(m_text.substr(open + 1, close - open - 1)));
            m_at = close + 1;
        }
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

}  // namespace

std::unique_ptr<Node> Parse(std::string_view text) {
    Node document;
    if (!CReader(text).Content(document) || document.children.size() != 1 ||
        document.children[0].name[0] == u'#') {
        return nullptr;
    }
    return std::make_unique<Node>(std::move(document.children[0]));
}

}  // namespace xmltree
