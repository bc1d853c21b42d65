#include "service/Commands.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "agent/LaunchProcess.h"
#include "diagnostics/DebugLog.h"
#include "service/CommandTable.h"
#include "service/DebugMode.h"
#include "service/Dispatcher.h"
#include "service/Platform.h"
#include "service/Registration.h"
#include "service/StartStop.h"
#include "win/module_path.h"
#include "win/unique_any.h"

namespace {

// The first argument in the thread's ANSI code page; empty when it cannot be converted, which
// matches no switch.
std::vector<char> ToThreadAnsi(const wchar_t* argument) {
    const int wideLength = lstrlenW(argument) + 1;
    std::vector<char> converted(static_cast<size_t>(wideLength) * 2, '\0');
    if (WideCharToMultiByte(CP_THREAD_ACP, 0, argument, wideLength, converted.data(),
                            static_cast<int>(converted.size()), nullptr, nullptr) == 0) {
        converted.assign(1, '\0');
    }
    return converted;
}

void RunCommand(Command command) {
    switch (command) {
        case Command::Install:
            mfn_Install();
            break;
        case Command::Uninstall:
            mfn_UnInstall();
            break;
        case Command::Start:
            mfn_StartService();
            break;
        case Command::Stop:
            mfn_StopService();
            break;
        case Command::Debug:
            mfn_Debug();
            break;
        case Command::None:
            break;
    }
}

}  // namespace

int ProcessCommandLine() {
    int count = 0;
    win::unique_hlocal arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!arguments) {
        return 1;
    }
    if (count < 2) {
        return 0;
    }
    const std::vector<char> argument = ToThreadAnsi(static_cast<LPWSTR*>(arguments.get())[1]);
    YOL_LOG(argument.data());
    RunCommand(MatchCommand(argument.data()));
    YOL_LOG("command line has been handled");
    return 1;
}

void mfn_Runservice() {
    YOL_LOG("Begin to call <mfn_Runservice>.");
    if (CheckWindowsPlatform() != 0) {
        YOL_LOG("The system isn't Windows NT.");
    } else {
        DoNTService();
    }
    YOL_LOG("<mfn_Runservice> called.");
}

void RunServiceAndRemove() {
    mfn_Runservice();
    char path[MAX_PATH] = {};
    if (win::ModulePathA(path, MAX_PATH) != 0) {
        char commandLine[324] = {};
        std::snprintf(commandLine, sizeof commandLine, "\"%s\" -uninstall", path);
        if (LaunchProcessAndWait(path, commandLine, false) == 0) {
            return;
        }
    }
    mfn_UnInstall();
}

void mfn_Debug() {
    if (MessageBoxA(nullptr, "Do you want to proceed the DEBUG mode ?", "YOL_INST Service",
                    MB_YESNO) != IDYES) {
        return;
    }
    EnterDebugMode();
    RunDebugConsole();
}
