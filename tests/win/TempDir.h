// A fresh directory under the Windows temp folder, removed with its files afterwards, and the
// whole text of a file.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

inline std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

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
