#include "QrlibTestSupport.h"

#include <shellapi.h>
#include <shlobj.h>

#include "win/unique_any.h"

namespace qrtest {

namespace {

std::vector<std::wstring>* g_output = nullptr;

// OutputDebugString raises an exception that carries the text, which Wine passes on in the ANSI
// form only; a vectored handler sees it first.
LONG CALLBACK CollectDebugOutput(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        g_output->emplace_back(text, text + record->ExceptionInformation[0] - 1);  // without NUL
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

QrlibTest::QrlibTest() {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_root = std::wstring(temp) + L"qrlib-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(counter++);
    m_program = m_root + L"\\a\\b\\prog.exe";
    SHCreateDirectoryExW(nullptr, (m_root + L"\\a\\b").c_str(), nullptr);
}

QrlibTest::~QrlibTest() {
    const std::wstring from = m_root + L'\0';  // the list of paths ends with an empty one
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationW(&operation);
    DeleteTree(kRoot, KEY_WOW64_32KEY);
    DeleteTree(kRoot, KEY_WOW64_64KEY);
}

void QrlibTest::WriteIsolateIni(const std::string& lines) const {
    WriteFileBytes(m_root + L"\\isolate.ini", "[isolation]\r\n" + lines);
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    win::unique_handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(file);
    EXPECT_TRUE(
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    EXPECT_EQ(written, bytes.size());
}

void SetValue(const std::wstring& key, REGSAM view, const wchar_t* name, const std::wstring& data,
              DWORD type, DWORD bytes) {
    win::unique_hkey handle;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                              nullptr, handle.put(), nullptr),
              ERROR_SUCCESS);
    bytes = bytes != 0 ? bytes : static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(RegSetValueExW(handle.get(), name, 0, type,
                             reinterpret_cast<const BYTE*>(data.c_str()), bytes),
              ERROR_SUCCESS);
}

void DeleteTree(const std::wstring& key, REGSAM view) {
    win::unique_hkey handle;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS | view, handle.put()) ==
        ERROR_SUCCESS) {
        RegDeleteTreeW(handle.get(), nullptr);
        handle.reset();
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), view, 0);
    }
}

std::vector<std::wstring> DebugOutputOf(const std::function<void()>& action) {
    std::vector<std::wstring> output;
    g_output = &output;
    void* handler = AddVectoredExceptionHandler(1, CollectDebugOutput);
    action();
    RemoveVectoredExceptionHandler(handler);
    g_output = nullptr;
    return output;
}

}  // namespace qrtest
