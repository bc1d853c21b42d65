// The process-wide object factory: a class identifier and an interface identifier in, a
// reference-counted object out. Classes are the library's built-in ones, classes registered by a
// creator function or a module, and classes the object-identifier map names a module for.
#pragma once

#include <windows.h>

#include <cstdint>

#include "objects/qrObject.h"

namespace qrLib {

// A new object with one reference, or null when it cannot be made.
using CreatorFunction = IQrUnknown* (*)();
// The same, given the two values it was registered with: two numbers, or two pointers.
using CreatorWithValuesFunction = IQrUnknown* (*)(std::uintptr_t first, std::uintptr_t second);
using CreatorWithContextFunction = IQrUnknown* (*)(void* first, void* second);

// The factory's interface; the slot order is part of the binary contract.
struct IQrObjectFactory : IQrUnknown {
    // Slot 3: a module registration that carries two values; the values are not used.
    virtual Status RegisterModuleWithValues(const GUID& clsid, const wchar_t* path,
                                            std::uintptr_t first, std::uintptr_t second) = 0;
    // Slot 4: a module registration with an 8-bit path in the ANSI code page.
    virtual Status RegisterModuleAnsi(const GUID& clsid, const char* path) = 0;
    // Slot 5: `clsid` is created by the module at `path` (fewer than 260 characters), which is
    // loaded now and stays loaded while the class is registered. A class registered again must
    // name the same module: the same file name and the same loaded module.
    virtual Status RegisterModule(const GUID& clsid, const wchar_t* path) = 0;
    // Slots 6 and 7: creator registrations whose function receives the two values; registered
    // again, it must be the same function with the same values.
    virtual Status RegisterCreatorWithValues(const GUID& clsid, CreatorWithValuesFunction creator,
                                             std::uintptr_t first, std::uintptr_t second) = 0;
    virtual Status RegisterCreatorWithContext(const GUID& clsid, CreatorWithContextFunction creator,
                                              void* first, void* second) = 0;
    // Slot 8: `clsid` is created by calling `creator`; registered again, it must be the same one.
    virtual Status RegisterCreator(const GUID& clsid, CreatorFunction creator) = 0;
    // Slot 9: undoes one registration; kStatusInvalidArgument for a class not registered.
    virtual Status Unregister(const GUID& clsid) = 0;
    // Slot 10: a new instance of `clsid` answering `iid` in *out (null on every failure). A class
    // the factory does not know is looked up once in the object-identifier map and registered as a
    // module class.
    virtual Status CreateInstance(const GUID& clsid, const GUID& iid, void** out) = 0;
    // Slot 11: registered, or named by the object-identifier map.
    virtual bool IsClassAvailable(const GUID& clsid) = 0;
    // Slot 12: registers `clsid` with the module the object-identifier map names; the two values
    // are not used.
    virtual Status RegisterFromMap(const GUID& clsid, std::uintptr_t first,
                                   std::uintptr_t second) = 0;
    // Slot 13.
    virtual bool IsRegistered(const GUID& clsid) = 0;
    // Slots 14 and 15: an optional object the factory keeps a reference to.
    virtual Status GetOwner(IQrUnknown** owner) = 0;
    virtual Status SetOwner(IQrUnknown* owner) = 0;

protected:
    ~IQrObjectFactory() = default;
};

// The two interface identifiers the factory answers besides the base interface.
constexpr GUID kIidQrObjectFactory = {
    0x88E4C84C, 0x092E, 0x4A86, {0xB8, 0xCA, 0x4C, 0x36, 0x11, 0xB9, 0xA3, 0x1E}};
constexpr GUID kIidQrObjectFactoryOwned = {
    0x89A94F96, 0x90E0, 0x4B03, {0x8D, 0xF2, 0x12, 0x48, 0xE4, 0x2C, 0xEE, 0x96}};

// The process's factory, made with the built-in classes on the first call and released when the
// process exits; null when it could not be made. A caller keeps it with its own AddRef/Release.
IQrObjectFactory* GetObjectFactory();

}  // namespace qrLib
