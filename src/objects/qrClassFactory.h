// The contract between the library and a component module (a DLL that implements classes of the
// library): the module exports "GetFactory" and "GetObjectCount", and the class factory it hands
// out creates instances by interface identifier.
#pragma once

#include <windows.h>

#include <cstdint>

#include "objects/qrObject.h"

namespace qrLib {

struct IQrClassFactory : IQrUnknown {
    // Slots 3 and 4 belong to the module (keeping itself loaded, counting its objects); the library
    // never calls them.
    virtual Status LockModule(bool lock) = 0;
    virtual std::uint32_t GetClassObjectCount() = 0;
    // Slot 5: a new object of the factory's class, answering `iid`, with one reference in *out.
    virtual Status CreateInstance(const GUID& iid, void** out) = 0;

protected:
    ~IQrClassFactory() = default;
};

// "GetFactory": the class factory of `clsid` with one reference in *out, or a failure status.
using GetFactoryFunction = Status (*)(const GUID& clsid, IQrClassFactory** out);
// "GetObjectCount": the number of the module's objects still alive.
using GetObjectCountFunction = std::uint32_t (*)();

constexpr char kGetFactoryExport[] = "GetFactory";
constexpr char kGetObjectCountExport[] = "GetObjectCount";

}  // namespace qrLib
