// The configuration document as the package selection walks it: one cursor that every navigation
// moves. Implemented over the platform's XML document object on Windows and over a plain tree in
// the fuzzing build. Element and attribute names compare exactly, case included.
#pragma once

#include <string>

namespace config {

class IConfigDocument {
public:
    virtual ~IConfigDocument() = default;
    // Puts the cursor on the document element; no node at all when there is none.
    virtual void ToRoot() = 0;
    // Moves to the first child of the cursor node named `name`; false, cursor kept, when none.
    virtual bool FindChild(const std::u16string& name) = 0;
    // Moves to the first child of the cursor node; false, cursor kept, when it has none.
    virtual bool FirstChild() = 0;
    // Moves to the next sibling of the cursor node; false, cursor kept, when there is none.
    virtual bool NextSibling() = 0;
    // Whether the cursor node is an element (not a comment, a text, ...).
    virtual bool IsElement() = 0;
    // The named attribute of the cursor node; empty when it is absent, when the node is not an
    // element or when there is no cursor node.
    virtual std::u16string GetAttribute(const std::u16string& name) = 0;
};

}  // namespace config
