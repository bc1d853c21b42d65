// One entry of the expected-name table: stored complemented, decoded on first use (once, under
// the entry's lock) from the ANSI code page into wide text.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "trust/PublisherNames.h"

namespace qrLib {

class qrEncryptedString {
public:
    qrEncryptedString(const unsigned char* stored, std::uint32_t size)
        : m_stored(stored), m_size(size) {}
    virtual ~qrEncryptedString() = default;
    qrEncryptedString(const qrEncryptedString&) = delete;
    qrEncryptedString& operator=(const qrEncryptedString&) = delete;

    // Both transforms complement every byte of `data`; true on success.
    virtual bool Decode(std::uint8_t* data, std::size_t size);
    virtual bool Encode(std::uint8_t* data, std::size_t size);

    // The decoded text; empty (traced) when the entry is empty or cannot be decoded, which then
    // matches no certificate field.
    std::wstring Text();

private:
    std::wstring m_text;
    const unsigned char* m_stored;
    std::uint32_t m_size;
    std::vector<std::uint8_t> m_work;
    std::mutex m_lock;
};

// The process's expected-name entry for `role`, decoded.
std::u16string ExpectedName(PublisherRole role);

}  // namespace qrLib
