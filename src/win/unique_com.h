// Owners for COM resources, built on unique_any: interface pointers, BSTRs, VARIANTs and the
// calling thread's COM initialisation. Apart from unique_any.h because the COM headers define
// macros (such as "interface") that code which only needs handles should not see.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include "win/unique_any.h"

namespace win {

template <typename T>
struct com_traits {
    using type = T*;
    static type invalid() noexcept { return nullptr; }
    static bool is_valid(type value) noexcept { return value != nullptr; }
    static void close(type value) noexcept { value->Release(); }
};

// One reference to a COM interface, released once.
template <typename T>
using unique_com = unique_any<com_traits<T>>;

using unique_bstr = unique_any<null_traits<BSTR, &::SysFreeString>>;

// A VARIANT cleared on every path.
class unique_variant {
public:
    unique_variant() noexcept { VariantInit(&m_value); }
    ~unique_variant() { VariantClear(&m_value); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;

    VARIANT* get() noexcept { return &m_value; }
    const VARIANT& value() const noexcept { return m_value; }

private:
    VARIANT m_value;
};

// COM initialised on the calling thread with `CoInitializeEx`; uninitialised at destruction when,
// and only when, that call succeeded (S_FALSE included), so calls stay in balance.
class com_initialization {
public:
    explicit com_initialization(DWORD model) noexcept : m_hr(CoInitializeEx(nullptr, model)) {}
    ~com_initialization() {
        if (SUCCEEDED(m_hr)) {
            CoUninitialize();
        }
    }
    com_initialization(const com_initialization&) = delete;
    com_initialization& operator=(const com_initialization&) = delete;

    bool succeeded() const noexcept { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

}  // namespace win
