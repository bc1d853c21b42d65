// The interfaces of the sibling product's file-attribute component ("FileAttr64.dll") that the
// verifier calls: the component, its hash provider, the provider's attribute reader, the provider
// object of one open file and the attribute set it reads. Only the slots named here are called.
#pragma once

#include <windows.h>

#include <cstdint>

#include "objects/qrObject.h"

namespace qrLib {

// {7D583EDC-2726-42B9-B064-6BBC25E5B79C}
constexpr GUID kClsidFileAttrComponent = {
    0x7D583EDC, 0x2726, 0x42B9, {0xB0, 0x64, 0x6B, 0xBC, 0x25, 0xE5, 0xB7, 0x9C}};
// {1AC5683D-0733-460C-8F56-96ADD58CCCAA}
constexpr GUID kIidFileAttrComponent = {
    0x1AC5683D, 0x0733, 0x460C, {0x8F, 0x56, 0x96, 0xAD, 0xD5, 0x8C, 0xCC, 0xAA}};

constexpr wchar_t kHashProviderName[] = L"qrHashProvider";
constexpr wchar_t kVtResultAttribute[] = L"vtresult";
// The reader's state when it works, and the capabilities the verifier needs.
constexpr std::uint32_t kReaderReady = 1;
constexpr std::uint32_t kReaderCapabilities = 0x1 | 0x2;

struct IQrAttributeReader : IQrUnknown {
    virtual Status GetState(std::uint32_t* state) = 0;                // 3
    virtual Status GetName(const wchar_t** name) = 0;                 // 4
    virtual Status GetCapabilities(std::uint32_t* capabilities) = 0;  // 5

protected:
    ~IQrAttributeReader() = default;
};

struct IQrAttributeProvider : IQrUnknown {
    virtual Status GetName(const wchar_t** name) = 0;         // 3
    virtual Status GetReaderCount(std::uint32_t* count) = 0;  // 4
    virtual Status GetAttributeReader(const wchar_t* attribute,
                                      IQrAttributeReader** reader) = 0;  // 5

protected:
    ~IQrAttributeProvider() = default;
};

struct IQrAttributeSet : IQrUnknown {
    virtual Status GetCount(std::uint32_t* count) = 0;                        // 3
    virtual Status GetNameAt(std::uint32_t index, const wchar_t** name) = 0;  // 4
    virtual Status Refresh() = 0;                                             // 5
    // The attribute's stored value as two 32-bit words.
    virtual Status ReadWords(const wchar_t* attribute, std::uint32_t words[2]) = 0;  // 6

protected:
    ~IQrAttributeSet() = default;
};

struct IQrFileAttributes : IQrUnknown {
    virtual Status GetFileHandle(HANDLE* file) = 0;  // 3
    // The stored attributes among `names` of the object's file.
    virtual Status GetAttributes(const wchar_t* const* names, std::uint32_t count,
                                 IQrAttributeSet** set) = 0;  // 4

protected:
    ~IQrFileAttributes() = default;
};

struct IQrFileAttrComponent : IQrUnknown {
    virtual Status GetVersion(std::uint32_t* version) = 0;  // 3
    // The named provider's object for one open file.
    virtual Status OpenFile(const wchar_t* provider, HANDLE file,
                            IQrFileAttributes** attributes) = 0;  // 4
    virtual Status GetProvider(const wchar_t* provider,
                               IQrAttributeProvider** result) = 0;  // 5

protected:
    ~IQrFileAttrComponent() = default;
};

}  // namespace qrLib
