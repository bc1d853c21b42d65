#include "agent/SetupLaunch.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <memory>

#include "agent/CarryOptions.h"
#include "agent/LaunchProcess.h"
#include "diagnostics/DebugLog.h"
#include "installer/CommandLineGenerator.h"
#include "qrlib/qrFile.h"
#include "trust/SetupTrustContext.h"
#include "win/unique_any.h"

namespace {

constexpr char kNotifyMutex[] = "Global\\QENAutoUpgradeNotifyPass";

struct TrustContextRelease {
    void operator()(SetupTrustContext* context) const { ReleaseSetupTrustContext(context); }
};
using TrustContextPtr = std::unique_ptr<SetupTrustContext, TrustContextRelease>;

// The path for the pinned open, by the runtime's conversion in the ANSI code page: verification
// and launch read the path in that code page, and in the runtime's default "C" locale bytes 0x80
// to 0x9F (and every double-byte character) would name another file than the one they use.
bool ToPinnedPath(const char* path, wchar_t (&wide)[MAX_PATH]) {
    const win::unique_any<win::null_traits<_locale_t, &_free_locale>> ansi(
        _create_locale(LC_CTYPE, ".ACP"));
    return ansi && _mbstowcs_l(wide, path, MAX_PATH - 1, ansi.get()) != static_cast<size_t>(-1);
}

// Owns the notify mutex while setup runs: other processes, of other users too, can see that an
// automatic upgrade is in progress. Released before the handle closes so nobody finds it abandoned.
class CNotifyMutex {
public:
    CNotifyMutex() : m_mutex(CreateMutexA(nullptr, TRUE, kNotifyMutex)) {
        const DWORD error = GetLastError();
        if (!m_mutex) {
            YOL_LOG("Create mutex. Failed..");
        } else if (error == ERROR_ALREADY_EXISTS) {
            YOL_LOG("Create Mutex. Failed (ALREADY_EXISTS) ");
        } else {
            m_owned = true;
            YOL_LOG("Successfully created new mutex");
        }
    }
    ~CNotifyMutex() {
        if (m_owned) {
            ReleaseMutex(m_mutex.get());
        }
    }
    CNotifyMutex(const CNotifyMutex&) = delete;
    CNotifyMutex& operator=(const CNotifyMutex&) = delete;

private:
    win::unique_handle m_mutex;
    bool m_owned = false;
};

}  // namespace

int RunYolSetup(const char* storagePath, std::uint32_t callerPid) {
    char setupPath[MAX_PATH] = {};
    std::snprintf(setupPath, sizeof setupPath, "%s\\setup.exe", storagePath);
    YOL_LOG(outputstr("Setup path = ") + setupPath);

    // Held read-shared until the end: nobody can replace setup.exe between check and launch.
    wchar_t wideSetupPath[MAX_PATH] = {};
    qrLib::CFile setupFile;
    if (!ToPinnedPath(setupPath, wideSetupPath) ||
        !setupFile.Open(wideSetupPath, FILE_GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        0, nullptr)) {
        YOL_LOG(
            "Failed to open a read-shared handle of setup.exe file. Cannot move ahead with "
            "install");
        return 0;
    }

    SetupTrustContext* created = nullptr;
    CreateSetupTrustContext(&created, TrustMessageSink());
    TrustContextPtr trust(created);
    wchar_t trustPath[MAX_PATH] = {};
    MultiByteToWideChar(CP_THREAD_ACP, 0, setupPath, -1, trustPath, MAX_PATH);
    if (VerifySetupFile(trust.get(), trustPath) < 0) {
        YOL_LOG("Trust verification for setup.exe failed");
        return 0;
    }

    CarryConfiguredOptions(storagePath);

    char commandLine[CommandLineGenerator::kBufferSize] = {};
    CommandLineGenerator generator(storagePath);
    generator.SetLogOption(true);
    generator.SetCallerPid(callerPid);
    const int generated = generator.GenerateCommandLine(commandLine);
    if (generated != 0) {
        return generated;
    }

    // Released in reverse: the mutex, the generator, the trust context, then setup.exe itself.
    CNotifyMutex notify;
    return LaunchProcessAndWait(setupPath, commandLine, true);
}
