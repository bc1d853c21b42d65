#include "agent/CallerPid.h"

#include <windows.h>
#include <winternl.h>

#include <string>

#include "agent/PathCompare.h"
#include "win/unique_any.h"

namespace {

using NtQueryInformationProcessFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG,
                                                     PULONG);

NtQueryInformationProcessFn ProcessQuery() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");  // always loaded: not ours to free
    if (ntdll == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<NtQueryInformationProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationProcess")));
}

// Lets the lookup open processes of other users; without it only our own are visible.
void EnableDebugPrivilege() {
    win::unique_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                          token.put())) {
        return;
    }
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid)) {
        AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    }
}

// The Win32 form of a process's image path; empty when it cannot be read.
std::wstring ImagePath(HANDLE process) {
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (!QueryFullProcessImageNameW(process, 0, path, &size)) {
        return {};
    }
    return std::wstring(path, size);
}

}  // namespace

std::uint32_t ResolveCallerPid(std::uint32_t pid) {
    const NtQueryInformationProcessFn query = ProcessQuery();
    if (query == nullptr) {
        return 0;
    }
    EnableDebugPrivilege();

    const std::wstring ownPath = ImagePath(GetCurrentProcess());
    if (ownPath.empty()) {
        return 0;
    }
    win::unique_handle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) {
        process.reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    }
    if (!process) {
        return 0;
    }
    const std::wstring callerPath = ImagePath(process.get());
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG returned = 0;
    const bool haveParent =
        query(process.get(), ProcessBasicInformation, &basic, sizeof basic, &returned) >= 0;
    if (callerPath.empty() && !haveParent) {
        return 0;
    }
    if (!haveParent || !EqualIgnoringAsciiCase(ownPath, callerPath)) {
        return 0;
    }
    return static_cast<std::uint32_t>(basic.InheritedFromUniqueProcessId);
}
