// The shared library's object model: reference-counted interfaces reached by a 16-byte interface
// identifier. Slot 0 is QueryInterface, slot 1 AddRef, slot 2 Release; every interface of the
// library starts with these three, so their order is part of the binary contract with components.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "objects/qrStatus.h"

namespace qrLib {

// The base interface; the all-zero identifier names it.
struct IQrUnknown {
    // kStatusOk and one new reference in *out; kStatusNoInterface, or kStatusInvalidArgument for a
    // null out pointer.
    virtual Status QueryInterface(const GUID& iid, void** out) = 0;
    virtual std::uint64_t AddRef() = 0;
    // Destroys the object when the count reaches zero.
    virtual std::uint64_t Release() = 0;

protected:
    ~IQrUnknown() = default;
};

constexpr GUID kIidQrUnknown = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// The count behind AddRef and Release: starts at one reference, the creator's.
class CRefCount {
public:
    std::uint64_t Add() noexcept { return m_count.fetch_add(1, std::memory_order_relaxed) + 1; }
    // The new count; zero means the caller must destroy the object.
    std::uint64_t Drop() noexcept { return m_count.fetch_sub(1, std::memory_order_acq_rel) - 1; }

private:
    std::atomic<std::uint64_t> m_count{1};
};

// The three base slots of an object with one interface: it answers the base interface and the
// identifiers its class names with itself, and is deleted with its last reference.
template <typename Interface>
class CQrObject : public Interface {
public:
    std::uint64_t AddRef() override { return m_references.Add(); }
    std::uint64_t Release() override {
        const std::uint64_t count = m_references.Drop();
        if (count == 0) {
            delete this;
        }
        return count;
    }

protected:
    virtual ~CQrObject() = default;

    // QueryInterface for the base interface and `also`.
    Status AnswerInterfaces(const GUID& iid, void** out, std::initializer_list<GUID> also) {
        if (out == nullptr) {
            return kStatusInvalidArgument;
        }
        *out = nullptr;
        bool known = IsEqualGUID(iid, kIidQrUnknown);
        for (const GUID& other : also) {
            known = known || IsEqualGUID(iid, other);
        }
        if (!known) {
            return kStatusNoInterface;
        }
        AddRef();
        *out = static_cast<Interface*>(this);
        return kStatusOk;
    }

private:
    CRefCount m_references;
};

// Owns one reference to a library object; move-only, like the Win32 owners in src/win.
template <typename T>
class qr_ptr {
public:
    qr_ptr() noexcept = default;
    // Takes over a reference the caller already holds.
    explicit qr_ptr(T* object) noexcept : m_object(object) {}
    ~qr_ptr() { reset(); }

    qr_ptr(const qr_ptr&) = delete;
    qr_ptr& operator=(const qr_ptr&) = delete;
    qr_ptr(qr_ptr&& other) noexcept : m_object(other.release()) {}
    qr_ptr& operator=(qr_ptr&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    T* get() const noexcept { return m_object; }
    T* operator->() const noexcept { return m_object; }
    explicit operator bool() const noexcept { return m_object != nullptr; }

    T* release() noexcept { return std::exchange(m_object, nullptr); }
    void reset(T* object = nullptr) noexcept {
        T* old = std::exchange(m_object, object);
        if (old != nullptr) {
            old->Release();
        }
    }
    // For out-parameters of QueryInterface and CreateInstance.
    void** put_void() noexcept {
        reset();
        return reinterpret_cast<void**>(&m_object);
    }
    T** put() noexcept {
        reset();
        return &m_object;
    }

private:
    T* m_object = nullptr;
};

}  // namespace qrLib
