// Which module implements a class that the factory does not know: the object-identifier map
// (class identifier to module path), read on first need and read again when a class is missing.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "objects/Identifier.h"

namespace qrLib {

using ObjectIdMap = std::map<Identifier, std::u16string>;

// Where the map comes from, and how a stored path becomes a file path.
class IObjectIdMapSource {
public:
    virtual ~IObjectIdMapSource() = default;
    // The whole map as stored; false when it cannot be read.
    virtual bool ReadMap(ObjectIdMap& map) = 0;
    // The stored path with its %NAME% variables expanded; false when that fails.
    virtual bool ExpandPath(const std::u16string& stored, std::u16string& path) = 0;
};

enum class Resolution { Found, NotInMap, NotExpanded };

class CClassResolver {
public:
    explicit CClassResolver(IObjectIdMapSource& source) : m_source(source) {}
    CClassResolver(const CClassResolver&) = delete;
    CClassResolver& operator=(const CClassResolver&) = delete;

    // Under the resolver's lock: reads the map if it is not read yet, looks `clsid` up, and when it
    // is missing reads the map once more and looks again. Found gives the expanded path in `path`.
    Resolution Resolve(const Identifier& clsid, std::u16string& path);

private:
    const std::u16string* Lookup(const Identifier& clsid) const;

    IObjectIdMapSource& m_source;
    std::mutex m_lock;
    std::optional<ObjectIdMap> m_map;
};

}  // namespace qrLib
