// The two kinds of class object the factory's table holds: one that calls a creator function, and
// one that asks a loaded module's class factory.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "objects/ClassTable.h"
#include "objects/qrClassFactory.h"
#include "win/unique_any.h"

namespace qrLib {

GUID ToGuid(const Identifier& id);
Identifier ToIdentifier(const GUID& guid);
// The braced text form, for traces.
std::wstring GuidText(const GUID& guid);

// The export `name` of `module` as a function of type `Function`; null when there is none.
template <typename Function>
Function ExportOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class CCreatorClass : public IClassObject {
public:
    // What makes two creator registrations the same: the function and its values.
    struct Identity {
        std::uintptr_t function;
        std::uintptr_t first;
        std::uintptr_t second;
        bool operator==(const Identity& other) const {
            return function == other.function && first == other.first && second == other.second;
        }
    };

    CCreatorClass(std::function<IQrUnknown*()> make, Identity identity)
        : m_make(std::move(make)), m_identity(identity) {}
    const Identity& identity() const { return m_identity; }

    // The creator's new object asked for `iid`; kStatusOutOfMemory when the creator gives none.
    Status CreateInstance(const Identifier& iid, void** out) override;

private:
    std::function<IQrUnknown*()> m_make;
    Identity m_identity;
};

class CModuleClass : public IClassObject {
public:
    CModuleClass(const GUID& clsid, std::wstring path) : m_clsid(clsid), m_path(std::move(path)) {}

    // Loads the module and takes its class factory for the class: kStatusInvalidArgument for a
    // path of 260 characters or more, kStatusUnexpected when it cannot be loaded,
    // kStatusExportMissing without "GetFactory", or the failure "GetFactory" returns (the module
    // is unloaded again then).
    Status Load();
    // Whether `path` names this module: the same file name (ASCII case ignored) and, loaded, the
    // same module handle. The extra load is undone at once.
    bool NamesSameModule(const wchar_t* path) const;

    Status CreateInstance(const Identifier& iid, void** out) override;

private:
    GUID m_clsid;
    std::wstring m_path;
    win::unique_hmodule m_module;
    qr_ptr<IQrClassFactory> m_factory;  // declared after the module: released before it unloads
};

}  // namespace qrLib
