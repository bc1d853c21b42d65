// The platform's XML document object (DOMDocument through IXMLDOMDocument2) with one cursor node
// that every navigation moves. A failing DOM call raises win::com_error with its HRESULT; when the
// document object could not be created every operation answers false or empty.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include <string>

#include "win/unique_com.h"

namespace InstallUtils {

class CXmlDom {
public:
    // Creates the document object (in-process server).
    CXmlDom();
    virtual ~CXmlDom() = default;
    CXmlDom(const CXmlDom&) = delete;
    CXmlDom& operator=(const CXmlDom&) = delete;

    // Loads `path` synchronously and puts the cursor on the document element; the loader's
    // success. Asking for server-side HTTP loading is attempted and its refusal tolerated.
    bool Load(const std::wstring& path);
    // Puts the cursor back on the document element (no cursor node when there is none).
    void ToRoot();
    // Moves to the first child whose node name equals `name` exactly; false, cursor kept, if none.
    bool FindChild(const std::wstring& name);
    // Moves to the first child; false, cursor kept, when there is none.
    bool FirstChild();
    // Moves to the next sibling; false, cursor kept, when there is none.
    bool NextSibling();
    // Whether there is a cursor node and it is an element.
    bool IsElement();
    // The attribute's text; empty when it is absent, the node is no element or there is no node.
    std::wstring GetAttribute(const std::wstring& name);

private:
    bool HasChildNodes();

    bool m_created = false;
    // Released in reverse: the cursor, the root element, then the document.
    win::unique_com<IXMLDOMDocument2> m_document;
    win::unique_com<IXMLDOMElement> m_root;
    win::unique_com<IXMLDOMNode> m_cursor;
};

}  // namespace InstallUtils
