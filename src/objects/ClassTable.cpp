#include "objects/ClassTable.h"

namespace qrLib {

Status CClassTable::Register(const Identifier& clsid, ClassKind kind, const MakeClass& make,
                             const NamesSame& namesSame) {
    std::lock_guard<std::mutex> lock(m_lock);
    const auto found = m_entries.find(clsid);
    if (found == m_entries.end()) {
        std::shared_ptr<IClassObject> object;
        const Status status = make(object);
        if (Failed(status)) {
            return status;
        }
        if (!object) {
            return kStatusUnexpected;
        }
        m_entries.emplace(clsid, Entry{kind, std::move(object), 1});
        return kStatusOk;
    }
    Entry& entry = found->second;
    if (entry.kind != kind || !namesSame(*entry.object)) {
        return kStatusInvalidArgument;
    }
    ++entry.count;
    return kStatusOk;
}

Status CClassTable::Unregister(const Identifier& clsid) {
    std::shared_ptr<IClassObject> removed;  // released after the lock, in case it unloads code
    std::lock_guard<std::mutex> lock(m_lock);
    const auto found = m_entries.find(clsid);
    if (found == m_entries.end()) {
        return kStatusInvalidArgument;
    }
    if (--found->second.count == 0) {
        removed = std::move(found->second.object);
        m_entries.erase(found);
    }
    return kStatusOk;
}

std::shared_ptr<IClassObject> CClassTable::Find(const Identifier& clsid) const {
    std::lock_guard<std::mutex> lock(m_lock);
    const auto found = m_entries.find(clsid);
    return found == m_entries.end() ? nullptr : found->second.object;
}

bool CClassTable::Contains(const Identifier& clsid) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_entries.count(clsid) != 0;
}

}  // namespace qrLib
