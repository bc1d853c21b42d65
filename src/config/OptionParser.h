// The frame the three option parsers share: each carries one kind of the administrator's choices
// from config.xml into the staged package's zudUvu.ini through the platform's profile functions,
// with its own configuration reader. Results are Win32 codes: 0 done, 1 no reader (nothing done),
// 13 an invalid switch value, 29 a failed write.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "config/ConfigXMLParser.h"

namespace config {
constexpr std::uint32_t kResultSuccess = 0;         // ERROR_SUCCESS
constexpr std::uint32_t kResultNoReader = 1;        // ERROR_INVALID_FUNCTION
constexpr std::uint32_t kResultInvalidSwitch = 13;  // ERROR_INVALID_DATA
constexpr std::uint32_t kResultWriteFailed = 29;    // ERROR_WRITE_FAULT
}  // namespace config

class COptionParser {
public:
    // `directory` holds zudUvu.ini: its read-only attribute is cleared (and not restored), then
    // the reader is created; a reader that cannot be allocated leaves the parser unable to update.
    explicit COptionParser(const char* directory);
    virtual ~COptionParser() = default;
    COptionParser(const COptionParser&) = delete;
    COptionParser& operator=(const COptionParser&) = delete;

    // Carries the options into zudUvu.ini; one of the results above.
    virtual std::uint32_t propigateOptions() = 0;
    // True when the reader exists; otherwise reports the missing reader.
    bool shouldUpdate();

    const std::string& ZudUvuPath() const { return m_zudUvuPath; }

protected:
    // WritePrivateProfileStringA into zudUvu.ini; null `key` deletes the section.
    bool WriteValue(const char* section, const char* key, const char* value) const;

    std::unique_ptr<CConfigXMLParser> m_reader;
    std::string m_zudUvuPath;
};
