// A fresh directory under the Windows temp folder, removed with its files afterwards.
#pragma once

#include <windows.h>

#include <string>

class CTempDir {
public:
    explicit CTempDir(const char* name) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        m_path = std::string(temp) + name + "-" + std::to_string(GetCurrentProcessId());
        Remove();
        CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~CTempDir() { Remove(); }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string File(const char* name) const { return m_path + "\\" + name; }

private:
    void Remove() {
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA(File("*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more;
             more = FindNextFileA(search, &found)) {
            DeleteFileA(File(found.cFileName).c_str());
        }
        FindClose(search);
        RemoveDirectoryA(m_path.c_str());
    }

    std::string m_path;
};
