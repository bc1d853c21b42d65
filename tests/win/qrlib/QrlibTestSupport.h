// Scratch directories, files, registry keys and debugger output for the qrlib tests under Wine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qrtest {

constexpr wchar_t kSilo[] = L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";

// A fresh directory under the temporary folder, removed with its contents by the destructor.
class CScratchDir {
public:
    CScratchDir();
    ~CScratchDir();
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;

    const std::wstring& Path() const { return m_path; }
    // Creates `relative` (and its parents) below the scratch directory; returns its full path.
    std::wstring MakeDir(const std::wstring& relative) const;

private:
    std::wstring m_path;
};

void WriteFileBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> Utf16Bytes(const std::wstring& text);  // with FF FE in front
std::vector<unsigned char> AnsiBytes(const std::string& text);

// Registry keys under HKLM in one view (KEY_WOW64_32KEY or KEY_WOW64_64KEY).
void SetString(const std::wstring& key, REGSAM view, const wchar_t* name, const std::wstring& data,
               DWORD type = REG_SZ);
void SetRaw(const std::wstring& key, REGSAM view, const wchar_t* name, DWORD type, const void* data,
            DWORD bytes);
void DeleteTree(const std::wstring& key, REGSAM view);

// Collects what the process sends to the debugger while it lives.
class CDebugOutputCapture {
public:
    CDebugOutputCapture();
    ~CDebugOutputCapture();
    CDebugOutputCapture(const CDebugOutputCapture&) = delete;
    CDebugOutputCapture& operator=(const CDebugOutputCapture&) = delete;

    bool Saw(const std::wstring& text) const;
    bool SawNothing() const;

private:
    void* m_handler;
};

}  // namespace qrtest
