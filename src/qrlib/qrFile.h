// The shared library's owner of one file handle. Holders that share an open file do so through
// a shared pointer made with MakeFile, whose control block embeds the object.
#pragma once

#include <windows.h>

#include <memory>

namespace qrLib {

class CFile {
public:
    CFile() = default;
    virtual ~CFile() { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Closes any handle held, then CreateFileW with the caller's arguments. On failure records
    // the error (87 for a null or empty path, without calling CreateFileW) and returns FALSE.
    BOOL Open(const wchar_t* path, DWORD desiredAccess, DWORD shareMode,
              SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags, HANDLE templateFile);
    BOOL IsOpen() const { return IsValid(m_handle.value) ? TRUE : FALSE; }
    HANDLE GetHandle() const { return m_handle.value; }
    DWORD LastError() const { return m_lastError; }
    // Closes a valid handle; false (with the handle kept) when CloseHandle fails.
    BOOL Close();

private:
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

    // The raw value, kept even when invalid so a failed open reads back as not open.
    struct HandleHolder {
        virtual ~HandleHolder() = default;
        HANDLE value = nullptr;
    };

    HandleHolder m_handle;
    DWORD m_lastError = 0;
};

using CFilePtr = std::shared_ptr<CFile>;
inline CFilePtr MakeFile() {
    return std::make_shared<CFile>();
}

}  // namespace qrLib
