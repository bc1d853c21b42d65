// The verifier object: one reference-counted object answering the main interface, the switch of
// the attribute cache, the switch of the result cache, and (through its policy object) the trust
// policy.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "objects/qrObject.h"
#include "trust/CatalogApi.h"
#include "trust/FileAttrComponent.h"
#include "trust/SignerChecks.h"
#include "trust/qrVerifyTrust.h"

namespace qrLib {

struct VerifierSwitches {
    std::atomic<bool> enabled{true};
    std::atomic<bool> resultCache{false};
    std::atomic<bool> attributeCache{true};
    std::atomic<bool> revocation{false};
};

class CVerifyTrust final : public IQrVerifyTrust,
                           public IQrVerifyTrustAttributeCache,
                           public IQrVerifyTrustResultCache {
public:
    // The system's catalog functions unless a test supplies its own.
    explicit CVerifyTrust(const CatalogApi& catalogs = SystemCatalogApi());

    Status QueryInterface(const GUID& iid, void** out) override;
    std::uint64_t AddRef() override { return m_refs.Add(); }
    std::uint64_t Release() override;

    std::uint32_t Initialize(bool applyPolicy) override;
    void Reset() override;
    VerifyResult VerifyFileW(const wchar_t* path, std::uint32_t level) override;
    VerifyResult VerifyFileA(const char* path, std::uint32_t level) override;
    // Processes, modules and COM servers are never verified by this program: these slots answer
    // kVerificationError without looking at anything.
    VerifyResult VerifyProcess(std::uint32_t processId, std::uint32_t level) override;
    VerifyResult VerifyCurrentProcess(std::uint32_t level) override;
    VerifyResult VerifyCurrentProcessImage(std::uint32_t level) override;
    VerifyResult VerifyModuleAt(const void* address, std::uint32_t level) override;
    VerifyResult VerifyModule(HMODULE module, std::uint32_t level) override;
    VerifyResult VerifyFileCounted(const wchar_t* path, std::uint32_t length,
                                   std::uint32_t level) override;
    VerifyResult VerifyComServer(const GUID& clsid, std::uint32_t level) override;
    void SetEnabled(bool enabled) override { m_switches.enabled = enabled; }
    bool GetEnabled() override { return m_switches.enabled; }
    void SetRevocation(bool revocation) override { m_switches.revocation = revocation; }
    bool GetRevocation() override { return m_switches.revocation; }
    VerifyResult VerifyFileW(const wchar_t* path, std::uint32_t level, bool passThrough,
                             bool* systemComponent) override;
    VerifyResult VerifyFileA(const char* path, std::uint32_t level, bool passThrough,
                             bool* systemComponent) override;
    VerifyResult VerifyFileW(const wchar_t* path, std::uint32_t level, bool passThrough) override;
    VerifyResult VerifyFileA(const char* path, std::uint32_t level, bool passThrough) override;
    VerifyResult VerifyDriverW(const wchar_t* path) override;
    VerifyResult VerifyDriverA(const char* path) override;

    void SetAttributeCache(bool on) override { m_switches.attributeCache = on; }
    bool GetAttributeCache() override { return m_switches.attributeCache; }

    void SetResultCache(bool on) override { m_switches.resultCache = on; }
    bool GetResultCache() override { return m_switches.resultCache; }
    void* GetFileCache() override { return nullptr; }

private:
    ~CVerifyTrust() = default;

    // The one core every VerifyFile slot reaches.
    VerifyResult Verify(const wchar_t* path, std::uint32_t level, bool passThrough,
                        bool* systemComponent, bool driverMode);
    VerifyResult VerifyAnsi(const char* path, std::uint32_t level, bool passThrough,
                            bool* systemComponent, bool driverMode);
    void LoadComponent();

    CRefCount m_refs;
    VerifierSwitches m_switches;
    qr_ptr<IQrVerifyTrustPolicy> m_policy;
    CSignerChecks m_signerChecks;
    CFileAttrComponent m_component;
    const CatalogApi& m_catalogs;
};

}  // namespace qrLib
