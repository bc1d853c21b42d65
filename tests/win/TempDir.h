// A fresh directory under the Windows temp folder, removed with its files afterwards, and the
// whole text of a file.
#pragma once

#include <windows.h>

#include <filesystem>
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
        std::error_code ignored;  // nothing there is as good as removed
        std::filesystem::remove_all(m_path, ignored);
    }

    std::string m_path;
};
