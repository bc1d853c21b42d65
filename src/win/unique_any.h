// Move-only owners of Win32 resources. One template, parameterised by the close function and the
// values that mean "nothing owned", so every kind of handle is released the same way on every path.
#pragma once

#include <windows.h>
#include <msi.h>
#include <wincrypt.h>

#include <utility>

namespace win {

// Traits: `type`, `invalid()` (the value an empty owner holds), `is_valid(v)` and `close(v)`.
template <typename Traits>
class unique_any {
public:
    using pointer = typename Traits::type;

    unique_any() noexcept = default;
    explicit unique_any(pointer value) noexcept : m_value(value) {}
    ~unique_any() { reset(); }

    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : m_value(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    pointer get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return Traits::is_valid(m_value); }

    // Gives up ownership without closing.
    pointer release() noexcept { return std::exchange(m_value, Traits::invalid()); }

    // Closes what is owned (if anything) and takes `value`.
    void reset(pointer value = Traits::invalid()) noexcept {
        pointer old = std::exchange(m_value, value);
        if (Traits::is_valid(old)) {
            Traits::close(old);
        }
    }

    // For out-parameters: closes what is owned and hands out the slot to fill.
    pointer* put() noexcept {
        reset();
        return &m_value;
    }

private:
    pointer m_value = Traits::invalid();
};

// Traits for handles whose only invalid value is null.
template <typename T, auto Close>
struct null_traits {
    using type = T;
    static type invalid() noexcept { return nullptr; }
    static bool is_valid(type value) noexcept { return value != nullptr; }
    static void close(type value) noexcept { Close(value); }
};

// Kernel handles: CreateFile returns INVALID_HANDLE_VALUE, most others null; both mean "none".
struct kernel_handle_traits {
    using type = HANDLE;
    static type invalid() noexcept { return nullptr; }
    static bool is_valid(type value) noexcept {
        return value != nullptr && value != INVALID_HANDLE_VALUE;
    }
    static void close(type value) noexcept { ::CloseHandle(value); }
};

// Installer handles: an integer, 0 when none.
struct msi_handle_traits {
    using type = MSIHANDLE;
    static type invalid() noexcept { return 0; }
    static bool is_valid(type value) noexcept { return value != 0; }
    static void close(type value) noexcept { ::MsiCloseHandle(value); }
};

// Certificate stores: closed without forcing, so a context still held keeps its store alive.
inline void CloseCertStore(HCERTSTORE store) noexcept {
    ::CertCloseStore(store, 0);
}

// Provider contexts: released with flags 0.
struct crypt_prov_traits {
    using type = HCRYPTPROV;
    static type invalid() noexcept { return 0; }
    static bool is_valid(type value) noexcept { return value != 0; }
    static void close(type value) noexcept { ::CryptReleaseContext(value, 0); }
};

using unique_handle = unique_any<kernel_handle_traits>;
using unique_hkey = unique_any<null_traits<HKEY, &::RegCloseKey>>;
using unique_schandle = unique_any<null_traits<SC_HANDLE, &::CloseServiceHandle>>;
using unique_hmodule = unique_any<null_traits<HMODULE, &::FreeLibrary>>;
using unique_event_source = unique_any<null_traits<HANDLE, &::DeregisterEventSource>>;
using unique_hlocal = unique_any<null_traits<HLOCAL, &::LocalFree>>;
using unique_sid = unique_any<null_traits<PSID, &::FreeSid>>;
using unique_msihandle = unique_any<msi_handle_traits>;
using unique_cert_store = unique_any<null_traits<HCERTSTORE, &CloseCertStore>>;
using unique_cert_context = unique_any<null_traits<PCCERT_CONTEXT, &::CertFreeCertificateContext>>;
using unique_crypt_msg = unique_any<null_traits<HCRYPTMSG, &::CryptMsgClose>>;
using unique_cryptprov = unique_any<crypt_prov_traits>;

}  // namespace win
