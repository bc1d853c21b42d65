#include "config/XmlDom.h"

#include <cwchar>
#include <new>

#include "win/com_error.h"

namespace InstallUtils {

namespace {

// Defined here: the MinGW import libraries lack the interface's identifier, and msxml2.h maps the
// class name to a different class.
const CLSID kDomDocumentClass = {
    0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const IID kXmlDomDocument2Interface = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

void Check(HRESULT hr) {
    if (FAILED(hr)) {
        throw win::com_error(hr);
    }
}

win::unique_bstr MakeBstr(const std::wstring& text) {
    win::unique_bstr value(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    if (!value) {
        throw std::bad_alloc();
    }
    return value;
}

}  // namespace

CXmlDom::CXmlDom() {
    void* created = nullptr;
    if (SUCCEEDED(CoCreateInstance(kDomDocumentClass, nullptr, CLSCTX_INPROC_SERVER,
                                   kXmlDomDocument2Interface, &created))) {
        m_document.reset(static_cast<IXMLDOMDocument2*>(created));
        m_created = true;
    }
}

bool CXmlDom::Load(const std::wstring& path) {
    if (!m_created) {
        return false;
    }
    Check(m_document.get()->put_async(VARIANT_FALSE));
    {
        win::unique_variant serverHttp;
        serverHttp.get()->vt = VT_BOOL;
        serverHttp.get()->boolVal = VARIANT_TRUE;
        const win::unique_bstr property = MakeBstr(L"ServerHTTPRequest");
        // Not every implementation offers it (Wine answers E_FAIL); loading a file needs none.
        m_document.get()->setProperty(property.get(), serverHttp.value());
    }
    win::unique_variant source;
    source.get()->vt = VT_BSTR;
    source.get()->bstrVal = MakeBstr(path).release();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    Check(m_document.get()->load(source.value(), &loaded));
    Check(m_document.get()->get_documentElement(m_root.put()));
    ToRoot();
    return loaded == VARIANT_TRUE;
}

void CXmlDom::ToRoot() {
    m_cursor.reset();
    if (m_root) {
        // Without a node interface on the root there is simply no cursor node.
        void* node = nullptr;
        if (SUCCEEDED(m_root.get()->QueryInterface(IID_IXMLDOMNode, &node))) {
            m_cursor.reset(static_cast<IXMLDOMNode*>(node));
        }
    }
}

bool CXmlDom::HasChildNodes() {
    if (!m_created || !m_cursor) {
        return false;
    }
    VARIANT_BOOL has = VARIANT_FALSE;
    Check(m_cursor.get()->hasChildNodes(&has));
    return has == VARIANT_TRUE;
}

bool CXmlDom::FindChild(const std::wstring& name) {
    if (!HasChildNodes()) {
        return false;
    }
    win::unique_com<IXMLDOMNodeList> children;
    Check(m_cursor.get()->get_childNodes(children.put()));
    // nextNode walks the list from index 0 in one pass; indexing would restart at every item.
    for (;;) {
        win::unique_com<IXMLDOMNode> child;
        Check(children.get()->nextNode(child.put()));
        if (!child) {
            return false;
        }
        win::unique_bstr nodeName;
        Check(child.get()->get_nodeName(nodeName.put()));
        const UINT length = SysStringLen(nodeName.get());
        if (length == name.size() && std::wmemcmp(nodeName.get(), name.data(), length) == 0) {
            m_cursor = std::move(child);
            return true;
        }
    }
}

bool CXmlDom::FirstChild() {
    if (!HasChildNodes()) {
        return false;
    }
    win::unique_com<IXMLDOMNode> child;
    Check(m_cursor.get()->get_firstChild(child.put()));
    if (!child) {
        return false;
    }
    m_cursor = std::move(child);
    return true;
}

bool CXmlDom::NextSibling() {
    if (!m_created || !m_cursor) {
        return false;
    }
    win::unique_com<IXMLDOMNode> sibling;
    Check(m_cursor.get()->get_nextSibling(sibling.put()));
    if (!sibling) {
        return false;
    }
    m_cursor = std::move(sibling);
    return true;
}

bool CXmlDom::IsElement() {
    if (!m_created || !m_cursor) {
        return false;
    }
    DOMNodeType type = NODE_INVALID;
    Check(m_cursor.get()->get_nodeType(&type));
    return type == NODE_ELEMENT;
}

std::wstring CXmlDom::GetAttribute(const std::wstring& name) {
    if (!m_created || !m_cursor) {
        return {};
    }
    // A comment or processing instruction among the packages has no attributes.
    void* element = nullptr;
    if (FAILED(m_cursor.get()->QueryInterface(IID_IXMLDOMElement, &element))) {
        return {};
    }
    const win::unique_com<IXMLDOMElement> owner(static_cast<IXMLDOMElement*>(element));
    const win::unique_bstr attribute = MakeBstr(name);
    win::unique_variant value;
    Check(owner.get()->getAttribute(attribute.get(), value.get()));
    if (value.value().vt != VT_BSTR || value.value().bstrVal == nullptr) {
        return {};
    }
    return std::wstring(value.value().bstrVal, SysStringLen(value.value().bstrVal));
}

}  // namespace InstallUtils
