// The library's own classes, registered with every new factory. Within this system each is the
// least object the factory needs: reference-counted and answering the base interface. What they
// do beyond that belongs to the parts of the library that use them.
#pragma once

#include <windows.h>

#include "objects/qrObjectFactory.h"

namespace qrLib {

struct BuiltinClass {
    GUID clsid;
    CreatorFunction create;
    const wchar_t* name;  // the module file of the class, for traces
};

constexpr std::size_t kBuiltinClassCount = 8;
// In registration order.
extern const BuiltinClass kBuiltinClasses[kBuiltinClassCount];

}  // namespace qrLib
