#include "qrlib/IniFile.h"

#include <cstdint>
#include <vector>

#include "qrlib/IniReader.h"
#include "qrlib/WideText.h"
#include "win/unique_any.h"

namespace qrLib {

namespace {

std::u16string DecodeAnsi(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const int length = static_cast<int>(size);
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    if (wideLength <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, length, wide.data(), wideLength);
    return ToU16(wide);
}

bool ReadWholeFile(const wchar_t* path, std::vector<std::uint8_t>& bytes) {
    win::unique_handle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        size.QuadPart > kMaxIniFileSize) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t total = 0;
    while (total < bytes.size()) {
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(bytes.size() - total);
        if (!ReadFile(file.get(), bytes.data() + total, wanted, &read, nullptr) || read == 0) {
            return false;
        }
        total += read;
    }
    return true;
}

}  // namespace

DWORD ReadIniValue(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                   wchar_t* output, DWORD size, const wchar_t* file) {
    const std::u16string fallback = ToU16(defaultValue);
    std::vector<std::uint8_t> bytes;
    if (file == nullptr || !ReadWholeFile(file, bytes)) {
        return CopyTruncated(fallback, output, size);
    }
    const std::u16string text = DecodeIniText(bytes.data(), bytes.size(), DecodeAnsi);
    return CopyTruncated(FindIniValue(text, ToU16(section), ToU16(key), fallback), output, size);
}

}  // namespace qrLib
