#include "qrlib/qrFile.h"

#include "diagnostics/Trace.h"

namespace qrLib {

BOOL CFile::Open(const wchar_t* path, DWORD desiredAccess, DWORD shareMode,
                 SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                 HANDLE templateFile) {
    if (path == nullptr || *path == L'\0') {
        m_lastError = ERROR_INVALID_PARAMETER;
        trace::Text(trace::kFlagError, trace::kLevelError, 10, L"CFile::Open: no path",
                    m_lastError);
        return FALSE;
    }
    Close();
    m_handle.value =
        CreateFileW(path, desiredAccess, shareMode, security, disposition, flags, templateFile);
    if (IsValid(m_handle.value)) {
        return TRUE;
    }
    m_lastError = GetLastError();
    trace::Text(trace::kFlagError, trace::kLevelError, 11, path, m_lastError);
    return FALSE;
}

BOOL CFile::Close() {
    if (IsValid(m_handle.value)) {
        if (!CloseHandle(m_handle.value)) {
            m_lastError = GetLastError();
            trace::Text(trace::kFlagError, trace::kLevelError, 12, L"CFile::Close failed",
                        m_lastError);
            return FALSE;
        }
    }
    m_handle.value = nullptr;
    return TRUE;
}

}  // namespace qrLib
