// The message string every log line is built in. Its buffer grows in 16-byte steps and is wiped
// before it is released, so message text does not linger in freed memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

class outputstr_alloc_error : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "outputstr failed to allocate memory"; }
};

class outputstr {
public:
    outputstr() noexcept = default;
    outputstr(const char* text);  // NOLINT(google-explicit-constructor): messages start as literals
    outputstr(const outputstr& other);
    outputstr(outputstr&& other) noexcept;
    ~outputstr();

    outputstr& operator=(const outputstr& other);
    outputstr& operator=(outputstr&& other) noexcept;

    // Appends a zero-terminated string; null or empty changes nothing.
    // Throws outputstr_alloc_error when the buffer cannot grow.
    void append(const char* text);

    const char* c_str() const noexcept { return m_text ? m_text : ""; }
    const char* data() const noexcept { return m_text; }  // null exactly when empty
    std::uint64_t length() const noexcept { return m_length; }
    bool empty() const noexcept { return m_length == 0; }

    // Bytes owned for a given length: the smallest multiple of 16 above it (0 for an empty string).
    static std::size_t CapacityFor(std::uint64_t length) noexcept {
        return length == 0 ? 0 : static_cast<std::size_t>((length + 16) & ~std::uint64_t{15});
    }

private:
    void wipe_and_free() noexcept;

    char* m_text = nullptr;
    std::uint64_t m_length = 0;
};

// Concatenations consume their left operand: the result takes its buffer and the operand is left
// empty, so a chain of "+" builds one string without copies of the intermediate texts.
outputstr operator+(outputstr&& left, const char* right);
outputstr operator+(outputstr&& left, const outputstr& right);
outputstr operator+(outputstr&& left, int number);
outputstr operator+(outputstr&& left, long number);
outputstr operator+(outputstr&& left, unsigned int number);
outputstr operator+(outputstr&& left, unsigned long number);  // DWORD on Windows
outputstr operator+(const outputstr& left, const char* right);
outputstr operator+(const outputstr& left, const outputstr& right);

// Test seam: the functions outputstr allocates and releases its buffers with (malloc and free
// shaped). Nulls restore the defaults.
struct outputstr_allocator {
    void* (*allocate)(std::size_t);
    void (*release)(void*);
};
void SetOutputstrAllocatorForTest(const outputstr_allocator& allocator);
