// The verifier's hold on the file-attribute component: the module FileAttr64.dll from the folder
// "%ZanFileAttr64%", its two entry points and the component object, loaded at most once.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

#include "objects/qrClassFactory.h"
#include "trust/FileAttrInterfaces.h"
#include "win/unique_any.h"

namespace qrLib {

constexpr wchar_t kFileAttrFolder[] = L"%ZanFileAttr64%";
constexpr wchar_t kFileAttrModule[] = L"FileAttr64.dll";

class CFileAttrComponent {
public:
    CFileAttrComponent() = default;
    // Releases the component object before the module that implements it.
    ~CFileAttrComponent();
    CFileAttrComponent(const CFileAttrComponent&) = delete;
    CFileAttrComponent& operator=(const CFileAttrComponent&) = delete;

    // Loads the module and the component once; a failure keeps nothing and the next call tries
    // again. kStatusOk when the component is held (now or before).
    Status Load();
    // Drops the component object (the module stays); no later Load takes it again.
    void Reset();
    // The component, with a new reference; null when none is held.
    IQrFileAttrComponent* Get();

    // The stored "vtresult" word of the open file; none when any of the three calls fails.
    std::optional<std::uint32_t> StoredWord(HANDLE file, const std::wstring& path);

private:
    Status LoadModule();
    Status LoadComponent();

    win::unique_hmodule m_module;
    GetFactoryFunction m_getFactory = nullptr;
    GetObjectCountFunction m_getObjectCount = nullptr;
    qr_ptr<IQrFileAttrComponent> m_component;
    std::atomic<std::uint32_t> m_loads{0};
    std::mutex m_lock;
};

}  // namespace qrLib
