// Process entry: global start-up, one command or one service run, global tear-down. The exit code
// is always 0; failures are reported through the log and the event log only.
#include <windows.h>

#include "diagnostics/LogFile.h"
#include "diagnostics/TraceProvider.h"
#include "service/Commands.h"
#include "win/unique_any.h"

namespace {

// Heap corruption ends the process instead of letting it run on with a damaged heap. Looked up at
// run time: a system without it is no error.
void EnableHeapTerminationOnCorruption() {
    win::unique_hmodule kernel(LoadLibraryA("kernel32.dll"));
    if (!kernel) {
        return;
    }
    using HeapSetInformationFn = BOOL(WINAPI*)(HANDLE, HEAP_INFORMATION_CLASS, PVOID, SIZE_T);
    const auto setInformation = reinterpret_cast<HeapSetInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel.get(), "HeapSetInformation")));
    if (setInformation != nullptr) {
        setInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RegisterTraceProvider();
    EnableHeapTerminationOnCorruption();
    InitializeLog();
    if (ProcessCommandLine() == 0) {
        RunServiceAndRemove();
    }
    UnregisterTraceProvider();
    return 0;
}
