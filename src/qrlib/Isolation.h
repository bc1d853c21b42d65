// The process's isolation profile: which silo the program belongs to and the registry root under
// which that silo keeps its data. Set up once, on first use, from a source that reads isolate.ini
// and the registry; a failed set-up caches nothing, so the next use tries again.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace qrLib {

constexpr char16_t kDefaultRegistryHive[] = u"Software\\Zanthrex\\Isolation";

// Reads the profile's parts for the running program.
class IIsolationSource {
public:
    virtual ~IIsolationSource() = default;
    // 0 and a valid silo name from isolate.ini, or a Win32 error.
    virtual std::uint32_t ReadSilo(std::u16string& silo) = 0;
    // 0 and the registry hive that holds the silos, or a Win32 error.
    virtual std::uint32_t ReadHive(std::u16string& hive) = 0;
};

class CIsolation {
public:
    explicit CIsolation(IIsolationSource& source) : m_source(source) {}
    CIsolation(const CIsolation&) = delete;
    CIsolation& operator=(const CIsolation&) = delete;

    // Sets the profile up once: the silo from `siloName` (which must be valid) or, when null, from
    // the source; then the hive from the source. True when the profile is, or already was, set up;
    // a name passed after the first success has no effect.
    bool Initialize(const char16_t* siloName = nullptr);

    // The silo name; none when the profile cannot be set up.
    std::optional<std::u16string> GetSiloName();

    // Hive, backslash, silo name; none when the profile cannot be set up.
    std::optional<std::u16string> GetRegistryRoot();

    // Replaces the hive part of the registry root, once: with `hive`, or when null with the
    // source's hive. False when the profile cannot be set up or the source's hive cannot be read
    // (nothing changes then); true, changing nothing, on every call after a replacement.
    bool SetRegistryHive(const char16_t* hive = nullptr);

private:
    IIsolationSource& m_source;
    std::atomic<std::uint32_t> m_initialised{0};
    std::atomic<std::uint32_t> m_rootOverridden{0};
    std::mutex m_lock;
    // Written only under m_lock: m_siloName before m_initialised is set, m_registryRoot also once
    // by SetRegistryHive, which is why it is copied out under the lock.
    std::u16string m_siloName;
    std::u16string m_registryRoot;
};

}  // namespace qrLib
