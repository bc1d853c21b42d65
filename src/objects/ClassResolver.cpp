#include "objects/ClassResolver.h"

namespace qrLib {

const std::u16string* CClassResolver::Lookup(const Identifier& clsid) const {
    if (!m_map) {
        return nullptr;
    }
    const auto found = m_map->find(clsid);
    return found == m_map->end() ? nullptr : &found->second;
}

Resolution CClassResolver::Resolve(const Identifier& clsid, std::u16string& path) {
    std::lock_guard<std::mutex> lock(m_lock);
    const auto read = [this] {
        ObjectIdMap map;
        if (m_source.ReadMap(map)) {
            m_map = std::move(map);
        } else {
            m_map.reset();
        }
    };
    if (!m_map) {
        read();
    }
    const std::u16string* stored = Lookup(clsid);
    if (stored == nullptr) {
        // The map may have changed since it was read (a component installed later).
        read();
        stored = Lookup(clsid);
    }
    if (stored == nullptr) {
        return Resolution::NotInMap;
    }
    return m_source.ExpandPath(*stored, path) ? Resolution::Found : Resolution::NotExpanded;
}

}  // namespace qrLib
