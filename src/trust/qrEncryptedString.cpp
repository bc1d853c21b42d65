#include "trust/qrEncryptedString.h"

#include <array>
#include <new>

#include "diagnostics/Trace.h"
#include "qrlib/WideText.h"
#include "trust/PublisherNameData.h"

namespace qrLib {

namespace {

// Built before main runs, like every table of the library; entries decode on first use.
struct ExpectedNameTable {
    std::array<qrEncryptedString*, kExpectedNameCount> entries{};
    ExpectedNameTable() {
        for (std::size_t i = 0; i < kExpectedNameCount; ++i) {
            entries[i] = new qrEncryptedString(kStoredNames[i].bytes, kStoredNames[i].size);
        }
    }
    ~ExpectedNameTable() {
        for (qrEncryptedString* entry : entries) {
            delete entry;
        }
    }
};

ExpectedNameTable g_table;

}  // namespace

bool qrEncryptedString::Decode(std::uint8_t* data, std::size_t size) {
    ComplementBytes(data, size);
    return true;
}

bool qrEncryptedString::Encode(std::uint8_t* data, std::size_t size) {
    ComplementBytes(data, size);
    return true;
}

std::wstring qrEncryptedString::Text() {
    std::wstring text;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_text.empty() && m_size != 0) {
            try {
                m_work.assign(m_stored, m_stored + m_size);
                m_work.push_back(0);
                if (Decode(m_work.data(), m_size)) {
                    const char* bytes = reinterpret_cast<const char*>(m_work.data());
                    const int length =
                        MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(m_size), nullptr, 0);
                    std::wstring decoded(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
                    if (length > 0 &&
                        MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(m_size),
                                            decoded.data(), length) == length) {
                        m_text = decoded;
                    }
                }
                SecureZeroMemory(m_work.data(), m_work.size());
            } catch (const std::bad_alloc&) {
                trace::Text(trace::kFlagError, trace::kLevelError, 730,
                            L"qrEncryptedString: out of memory", 0);
            }
        }
        text = m_text;
    }
    if (text.empty()) {
        trace::Text(trace::kFlagInfo, trace::kLevelInfo, 731, L"qrEncryptedString: empty entry",
                    m_size);
    }
    return text;
}

std::u16string ExpectedName(PublisherRole role) {
    const auto index = static_cast<std::size_t>(role);
    return index < kExpectedNameCount ? ToU16(g_table.entries[index]->Text()) : std::u16string();
}

}  // namespace qrLib
