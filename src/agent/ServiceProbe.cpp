#include "agent/ServiceProbe.h"

#include <windows.h>

#include "win/unique_any.h"

namespace {

using OpenSCManagerFn = decltype(&::OpenSCManagerA);
using OpenServiceFn = decltype(&::OpenServiceA);
using QueryServiceStatusFn = decltype(&::QueryServiceStatus);
using CloseServiceHandleFn = decltype(&::CloseServiceHandle);

template <typename Fn>
Fn Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Owner of a service handle that closes through the run-time resolved CloseServiceHandle.
class CLoadedScHandle {
public:
    CLoadedScHandle(SC_HANDLE handle, CloseServiceHandleFn close)
        : m_handle(handle), m_close(close) {}
    ~CLoadedScHandle() {
        if (m_handle != nullptr) {
            m_close(m_handle);
        }
    }
    CLoadedScHandle(const CLoadedScHandle&) = delete;
    CLoadedScHandle& operator=(const CLoadedScHandle&) = delete;
    SC_HANDLE get() const { return m_handle; }

private:
    SC_HANDLE m_handle;
    CloseServiceHandleFn m_close;
};

}  // namespace

bool IsServiceInstalled(const char* serviceName) {
    char systemDir[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(systemDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    char libraryPath[MAX_PATH] = {};
    // lstrcpynA cuts at the buffer's end without splitting a double-byte character.
    lstrcpynA(libraryPath, systemDir, MAX_PATH);
    lstrcpynA(libraryPath + lstrlenA(libraryPath), "\\advapi32.dll",
              MAX_PATH - lstrlenA(libraryPath));
    win::unique_hmodule advapi(LoadLibraryA(libraryPath));
    if (!advapi) {
        return false;
    }
    const auto openManager = Resolve<OpenSCManagerFn>(advapi.get(), "OpenSCManagerA");
    const auto openService = Resolve<OpenServiceFn>(advapi.get(), "OpenServiceA");
    const auto queryStatus = Resolve<QueryServiceStatusFn>(advapi.get(), "QueryServiceStatus");
    const auto closeHandle = Resolve<CloseServiceHandleFn>(advapi.get(), "CloseServiceHandle");
    if (!openManager || !openService || !queryStatus || !closeHandle) {
        return false;
    }
    CLoadedScHandle manager(openManager(nullptr, nullptr, SC_MANAGER_CONNECT), closeHandle);
    if (manager.get() == nullptr) {
        return false;
    }
    CLoadedScHandle service(openService(manager.get(), serviceName, SERVICE_QUERY_STATUS),
                            closeHandle);
    return service.get() != nullptr;
}
