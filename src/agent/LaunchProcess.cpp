#include "agent/LaunchProcess.h"

#include <windows.h>

#include <cstdlib>
#include <memory>

#include "win/unique_any.h"

namespace {
struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};
}  // namespace

int LaunchProcessAndWait(const char* programPath, const char* commandLine, bool wait) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    startup.dwFlags |= STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;

    // CreateProcessA may write into its command line, so it gets a private copy.
    std::unique_ptr<char, FreeDeleter> writable;
    if (commandLine != nullptr) {
        const int size = lstrlenA(commandLine) + 1;
        writable.reset(static_cast<char*>(std::malloc(size)));
        if (!writable) {
            return -1;
        }
        lstrcpynA(writable.get(), commandLine, size);
    }

    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(programPath, writable.get(), nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup, &process)) {
        return -1;
    }
    win::unique_handle processHandle(process.hProcess);
    win::unique_handle threadHandle(process.hThread);
    if (wait) {
        WaitForSingleObject(processHandle.get(), INFINITE);
    }
    return 0;
}
