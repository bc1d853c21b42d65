// The factory's table of the classes it can create, and the rules for registering a class more
// than once. The class objects themselves (how an instance is made) belong to the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "objects/Identifier.h"
#include "objects/qrStatus.h"

namespace qrLib {

enum class ClassKind { Creator, Module };

// What a registered class creates its instances with.
class IClassObject {
public:
    virtual ~IClassObject() = default;
    // A new instance answering the interface `iid`, with one reference in *out (null on failure).
    virtual Status CreateInstance(const Identifier& iid, void** out) = 0;
};

class CClassTable {
public:
    // Builds and initialises the class object of a first registration: kStatusOk with the object,
    // or the failure status (the object is then dropped).
    using MakeClass = std::function<Status(std::shared_ptr<IClassObject>& object)>;
    // Whether a repeated registration names the thing that `registered` holds.
    using NamesSame = std::function<bool(IClassObject& registered)>;

    // Under the table lock: a first registration makes the class object and enters it with count 1;
    // a repeated one of the same kind that names the same thing adds 1 to the count. Anything else
    // (another kind, another thing) is kStatusInvalidArgument.
    Status Register(const Identifier& clsid, ClassKind kind, const MakeClass& make,
                    const NamesSame& namesSame);
    // Subtracts 1 from the count, removing the class at zero; kStatusInvalidArgument when the class
    // is not registered.
    Status Unregister(const Identifier& clsid);
    // A reference to the class object, kept valid after an unregistration; null when unknown.
    std::shared_ptr<IClassObject> Find(const Identifier& clsid) const;
    bool Contains(const Identifier& clsid) const;

private:
    struct Entry {
        ClassKind kind;
        std::shared_ptr<IClassObject> object;
        std::uint32_t count;
    };
    mutable std::mutex m_lock;
    std::map<Identifier, Entry> m_entries;
};

}  // namespace qrLib
