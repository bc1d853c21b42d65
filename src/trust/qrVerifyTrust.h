// The verifier's interfaces: the main one (signature and signer checks of files), the switch of
// the attribute cache, the switch of the result cache, and the trust policy. Their slot order is
// part of the binary contract with the library's callers.
#pragma once

#include <windows.h>

#include <cstdint>

#include "objects/qrObject.h"
#include "trust/TrustResults.h"

namespace qrLib {

// {5B9E112F-80C3-42A0-A3ED-41DA9EE55FDE}
constexpr GUID kIidVerifyTrustAttributeCache = {
    0x5B9E112F, 0x80C3, 0x42A0, {0xA3, 0xED, 0x41, 0xDA, 0x9E, 0xE5, 0x5F, 0xDE}};
// {F5D3E553-9157-440E-8C37-E5191B83625A}
constexpr GUID kIidVerifyTrustPolicy = {
    0xF5D3E553, 0x9157, 0x440E, {0x8C, 0x37, 0xE5, 0x19, 0x1B, 0x83, 0x62, 0x5A}};
// {2C0F7B61-5D3A-4E8C-9B14-7A6E35D0C2F9}
constexpr GUID kIidVerifyTrust = {
    0x2C0F7B61, 0x5D3A, 0x4E8C, {0x9B, 0x14, 0x7A, 0x6E, 0x35, 0xD0, 0xC2, 0xF9}};
// {8E4D2A17-C6B0-4F35-A1E9-3D7C58B40E62}
constexpr GUID kIidVerifyTrustResultCache = {
    0x8E4D2A17, 0xC6B0, 0x4F35, {0xA1, 0xE9, 0x3D, 0x7C, 0x58, 0xB4, 0x0E, 0x62}};

struct IQrVerifyTrust : IQrUnknown {
    // 1 when the verifier is ready; any other value means it must not be used.
    virtual std::uint32_t Initialize(bool applyPolicy) = 0;                                // 3
    virtual void Reset() = 0;                                                              // 4
    virtual VerifyResult VerifyFileW(const wchar_t* path, std::uint32_t level) = 0;        // 5
    virtual VerifyResult VerifyFileA(const char* path, std::uint32_t level) = 0;           // 6
    virtual VerifyResult VerifyProcess(std::uint32_t processId, std::uint32_t level) = 0;  // 7
    virtual VerifyResult VerifyCurrentProcess(std::uint32_t level) = 0;                    // 8
    virtual VerifyResult VerifyCurrentProcessImage(std::uint32_t level) = 0;               // 9
    virtual VerifyResult VerifyModuleAt(const void* address, std::uint32_t level) = 0;     // 10
    virtual VerifyResult VerifyModule(HMODULE module, std::uint32_t level) = 0;            // 11
    // The path as a counted string (not necessarily terminated).
    virtual VerifyResult VerifyFileCounted(const wchar_t* path, std::uint32_t length,
                                           std::uint32_t level) = 0;                   // 12
    virtual VerifyResult VerifyComServer(const GUID& clsid, std::uint32_t level) = 0;  // 13
    virtual void SetEnabled(bool enabled) = 0;                                         // 14
    virtual bool GetEnabled() = 0;                                                     // 15
    virtual void SetRevocation(bool revocation) = 0;                                   // 16
    virtual bool GetRevocation() = 0;                                                  // 17
    // `systemComponent` (may be null) tells whether a trusted signer has the Windows system
    // component usage.
    virtual VerifyResult VerifyFileW(const wchar_t* path, std::uint32_t level, bool passThrough,
                                     bool* systemComponent) = 0;  // 18
    virtual VerifyResult VerifyFileA(const char* path, std::uint32_t level, bool passThrough,
                                     bool* systemComponent) = 0;  // 19
    virtual VerifyResult VerifyFileW(const wchar_t* path, std::uint32_t level,
                                     bool passThrough) = 0;  // 20
    virtual VerifyResult VerifyFileA(const char* path, std::uint32_t level,
                                     bool passThrough) = 0;  // 21
    // Level 4 with the driver action; the signer must carry the driver usage.
    virtual VerifyResult VerifyDriverW(const wchar_t* path) = 0;  // 22
    virtual VerifyResult VerifyDriverA(const char* path) = 0;     // 23

protected:
    ~IQrVerifyTrust() = default;
};

struct IQrVerifyTrustAttributeCache : IQrUnknown {
    virtual void SetAttributeCache(bool on) = 0;  // 3
    virtual bool GetAttributeCache() = 0;         // 4

protected:
    ~IQrVerifyTrustAttributeCache() = default;
};

struct IQrVerifyTrustResultCache : IQrUnknown {
    virtual void SetResultCache(bool on) = 0;  // 3
    virtual bool GetResultCache() = 0;         // 4
    // The process-wide result cache; this library has none and answers null.
    virtual void* GetFileCache() = 0;  // 5

protected:
    ~IQrVerifyTrustResultCache() = default;
};

struct IQrVerifyTrustPolicy : IQrUnknown {
    // Writes the machine's switch; true when the write succeeded.
    virtual bool SetTrustPolicy(bool value) = 0;  // 3
    // False when the machine's switch turns verification off.
    virtual bool IsTrustPolicyEnabled() = 0;  // 4

protected:
    ~IQrVerifyTrustPolicy() = default;
};

}  // namespace qrLib
