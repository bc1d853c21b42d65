#include "QrlibTestSupport.h"

#include <shellapi.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "win/unique_any.h"

namespace qrtest {

namespace {

std::mutex g_outputLock;
std::vector<std::wstring> g_output;

LONG CALLBACK CollectDebugOutput(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->NumberParameters < 2) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const ULONG_PTR length = record->ExceptionInformation[0];
    const ULONG_PTR text = record->ExceptionInformation[1];
    std::wstring line;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C && length > 0) {
        line.assign(reinterpret_cast<const wchar_t*>(text), length - 1);
    } else if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && length > 0) {
        const char* narrow = reinterpret_cast<const char*>(text);
        line.assign(narrow, narrow + length - 1);
    } else {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    std::lock_guard<std::mutex> guard(g_outputLock);
    g_output.push_back(line);
    return EXCEPTION_CONTINUE_SEARCH;
}

win::unique_hkey CreateKey(const std::wstring& key, REGSAM view) {
    win::unique_hkey handle;
    const LONG created = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                                         KEY_ALL_ACCESS | view, nullptr, handle.put(), nullptr);
    EXPECT_EQ(created, ERROR_SUCCESS) << "creating key";
    return handle;
}

}  // namespace

CScratchDir::CScratchDir() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"qrlib-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(counter++);
    CreateDirectoryW(m_path.c_str(), nullptr);
}

CScratchDir::~CScratchDir() {
    std::wstring from = m_path;
    from.push_back(L'\0');  // the list of paths ends with an empty one
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationW(&operation);
}

std::wstring CScratchDir::MakeDir(const std::wstring& relative) const {
    const std::wstring path = m_path + L"\\" + relative;
    SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    return path;
}

void WriteFileBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    win::unique_handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    EXPECT_TRUE(
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    EXPECT_EQ(written, bytes.size());
}

std::vector<unsigned char> Utf16Bytes(const std::wstring& text) {
    std::vector<unsigned char> bytes = {0xFF, 0xFE};
    for (const wchar_t c : text) {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
    }
    return bytes;
}

std::vector<unsigned char> AnsiBytes(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

void SetString(const std::wstring& key, REGSAM view, const wchar_t* name, const std::wstring& data,
               DWORD type) {
    SetRaw(key, view, name, type, data.c_str(),
           static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void SetRaw(const std::wstring& key, REGSAM view, const wchar_t* name, DWORD type, const void* data,
            DWORD bytes) {
    win::unique_hkey handle = CreateKey(key, view);
    EXPECT_EQ(RegSetValueExW(handle.get(), name, 0, type, static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
}

void DeleteTree(const std::wstring& key, REGSAM view) {
    win::unique_hkey handle;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS | view, handle.put()) !=
        ERROR_SUCCESS) {
        return;
    }
    RegDeleteTreeW(handle.get(), nullptr);
    handle.reset();
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), view, 0);
}

CDebugOutputCapture::CDebugOutputCapture() {
    {
        std::lock_guard<std::mutex> guard(g_outputLock);
        g_output.clear();
    }
    m_handler = AddVectoredExceptionHandler(1, CollectDebugOutput);
}

CDebugOutputCapture::~CDebugOutputCapture() {
    RemoveVectoredExceptionHandler(m_handler);
}

bool CDebugOutputCapture::Saw(const std::wstring& text) const {
    std::lock_guard<std::mutex> guard(g_outputLock);
    for (const std::wstring& line : g_output) {
        if (line == text) {
            return true;
        }
    }
    return false;
}

bool CDebugOutputCapture::SawNothing() const {
    std::lock_guard<std::mutex> guard(g_outputLock);
    return g_output.empty();
}

}  // namespace qrtest
