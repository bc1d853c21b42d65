#include "qrlib/Isolation.h"

#include "qrlib/SiloName.h"
#include "qrlib/Win32Codes.h"

namespace qrLib {

namespace {

std::u16string JoinRoot(const std::u16string& hive, const std::u16string& silo) {
    return hive + u'\\' + silo;
}

}  // namespace

bool CIsolation::Initialize(const char16_t* siloName) {
    if (m_initialised.load() != 0) {
        return true;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_initialised.load() != 0) {
        return true;
    }
    std::u16string silo;
    if (siloName != nullptr) {
        silo = siloName;
        if (!IsValidSiloName(silo)) {
            return false;
        }
    } else if (m_source.ReadSilo(silo) != kErrorSuccess) {
        return false;
    }
    std::u16string hive;
    if (m_source.ReadHive(hive) != kErrorSuccess) {
        return false;
    }
    m_siloName = silo;
    m_registryRoot = JoinRoot(hive, silo);
    m_initialised.store(1);
    return true;
}

std::optional<std::u16string> CIsolation::GetSiloName() {
    if (!Initialize()) {
        return std::nullopt;
    }
    return m_siloName;
}

std::optional<std::u16string> CIsolation::GetRegistryRoot() {
    if (!Initialize()) {
        return std::nullopt;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    return m_registryRoot;
}

bool CIsolation::SetRegistryHive(const char16_t* hive) {
    if (!Initialize()) {
        return false;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_rootOverridden.load() != 0) {
        return true;
    }
    std::u16string newHive;
    if (hive != nullptr) {
        newHive = hive;
    } else if (m_source.ReadHive(newHive) != kErrorSuccess) {
        return false;
    }
    m_registryRoot = JoinRoot(newHive, m_siloName);
    m_rootOverridden.store(1);
    return true;
}

}  // namespace qrLib
