#include "diagnostics/outputstr.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

outputstr_allocator g_allocator = {nullptr, nullptr};

void* Allocate(std::size_t size) {
    return g_allocator.allocate ? g_allocator.allocate(size) : std::malloc(size);
}

void Release(void* block) {
    if (g_allocator.release) {
        g_allocator.release(block);
    } else {
        std::free(block);
    }
}

// Volatile stores so the compiler cannot drop the wipe of a buffer that is about to be freed.
void Wipe(char* text, std::size_t size) noexcept {
    volatile char* p = text;
    for (std::size_t i = 0; i < size; ++i) {
        p[i] = 0;
    }
}

}  // namespace

void SetOutputstrAllocatorForTest(const outputstr_allocator& allocator) {
    g_allocator = allocator;
}

outputstr::outputstr(const char* text) {
    append(text);
}

outputstr::outputstr(const outputstr& other) {
    append(other.m_text);
}

outputstr::outputstr(outputstr&& other) noexcept
    : m_text(std::exchange(other.m_text, nullptr)), m_length(std::exchange(other.m_length, 0)) {}

outputstr::~outputstr() {
    wipe_and_free();
}

outputstr& outputstr::operator=(const outputstr& other) {
    if (this != &other) {
        outputstr copy(other);  // copy first: a failed allocation leaves this string as it was
        wipe_and_free();
        m_text = std::exchange(copy.m_text, nullptr);
        m_length = std::exchange(copy.m_length, 0);
    }
    return *this;
}

outputstr& outputstr::operator=(outputstr&& other) noexcept {
    if (this != &other) {
        wipe_and_free();
        m_text = std::exchange(other.m_text, nullptr);
        m_length = std::exchange(other.m_length, 0);
    }
    return *this;
}

void outputstr::append(const char* text) {
    if (text == nullptr || *text == '\0') {
        return;
    }
    const std::size_t added = std::strlen(text);
    const std::uint64_t newLength = m_length + added;
    const std::size_t oldCapacity = CapacityFor(m_length);
    const std::size_t newCapacity = CapacityFor(newLength);
    if (newCapacity != oldCapacity) {
        // A fresh block rather than realloc in place, so the old text can be wiped before release.
        char* grown = static_cast<char*>(Allocate(newCapacity));
        if (grown == nullptr) {
            throw outputstr_alloc_error();
        }
        if (m_text != nullptr) {
            std::memcpy(grown, m_text, static_cast<std::size_t>(m_length));
        }
        wipe_and_free();
        m_text = grown;
    }
    std::memcpy(m_text + (newLength - added), text, added + 1);
    m_length = newLength;
}

void outputstr::wipe_and_free() noexcept {
    if (m_text != nullptr) {
        Wipe(m_text, CapacityFor(m_length));
        Release(m_text);
        m_text = nullptr;
    }
    m_length = 0;
}

outputstr operator+(outputstr&& left, const char* right) {
    outputstr result(std::move(left));
    result.append(right);
    return result;
}

outputstr operator+(outputstr&& left, const outputstr& right) {
    return std::move(left) + right.data();
}

outputstr operator+(outputstr&& left, int number) {
    char text[64];
    std::snprintf(text, sizeof text, "%d", number);
    return std::move(left) + text;
}

outputstr operator+(outputstr&& left, long number) {
    char text[64];
    std::snprintf(text, sizeof text, "%ld", number);
    return std::move(left) + text;
}

outputstr operator+(outputstr&& left, unsigned int number) {
    return std::move(left) + static_cast<unsigned long>(number);
}

outputstr operator+(outputstr&& left, unsigned long number) {
    char text[64];
    std::snprintf(text, sizeof text, "%lu", number);
    return std::move(left) + text;
}

outputstr operator+(const outputstr& left, const char* right) {
    return outputstr(left) + right;
}

outputstr operator+(const outputstr& left, const outputstr& right) {
    return outputstr(left) + right.data();
}
