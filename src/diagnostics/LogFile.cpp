#include "diagnostics/LogFile.h"

#include <windows.h>

#include <ctime>
#include <mutex>
#include <string>

#include "diagnostics/LogFormat.h"
#include "diagnostics/YolDebugLog.h"
#include "win/module_path.h"
#include "win/unique_any.h"

namespace {

// The open log, or none: before InitializeLog, after CloseLog, or when the file could not be
// opened, lines vanish.
win::unique_handle g_logFile;
// Serialises whole records within the process and the switching of the file.
std::mutex g_logLock;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool FileSize(const std::string& path, std::uint64_t* size) {
    win::unique_handle file(CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER length;
    if (!file || !GetFileSizeEx(file.get(), &length)) {
        return false;  // unreadable counts as missing: the file is emptied
    }
    *size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

bool DebugSwitchPresent(const std::string& directory) {
    const std::string path = directory + "\\yolinst.debug";
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Lines are stored with Windows line ends.
std::string WithCrLf(const char* text) {
    std::string converted;
    for (; *text != '\0'; ++text) {
        if (*text == '\n') {
            converted += '\r';
        }
        converted += *text;
    }
    return converted;
}

// The service, the start command and the relaunched uninstall write one log at the same time.
// Each record is appended under an exclusive lock on a byte far beyond any real end of the file,
// which every process of any user can take, so no record lands on another. The lock only orders
// writers: when it cannot be taken the record is written unlocked all the same, since a record
// that might share its place with another is better than one that is surely lost.
void AppendRecord(HANDLE file, const std::string& record) {
    OVERLAPPED lockRegion = {};
    lockRegion.Offset = 0;
    lockRegion.OffsetHigh = 0x7FFFFFFF;
    const bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockRegion) != FALSE;
    LARGE_INTEGER end = {};
    DWORD written = 0;
    if (SetFilePointerEx(file, end, nullptr, FILE_END)) {
        WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    }
    if (locked) {
        UnlockFileEx(file, 0, 1, 0, &lockRegion);
    }
}

}  // namespace

void InitializeLog() {
    char modulePath[MAX_PATH] = {};
    if (win::ModulePathA(modulePath, MAX_PATH) == 0) {
        return;  // no path that names this executable, no log for the whole process
    }
    InitializeLogForModule(modulePath);
}

void InitializeLogForModule(const std::string& modulePath) {
    const std::string logPath = diag::LogPathForModule(modulePath);
    std::uint64_t size = 0;
    const bool exists = FileSize(logPath, &size);
    // One open in the chosen mode: when emptying fails the log stays closed and swallows every
    // line, rather than going on behind the content it should have dropped.
    const DWORD disposition = diag::ChooseLogOpenMode(exists, size) == diag::LogOpenMode::Truncate
                                  ? CREATE_ALWAYS
                                  : OPEN_ALWAYS;
    {
        std::lock_guard<std::mutex> lock(g_logLock);
        g_logFile.reset(CreateFileA(logPath.c_str(), GENERIC_WRITE, kShareAll, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    }

    CYolDbgOutputDebugLog& log = CYolDbgOutputDebugLog::Instance();
    InstallDebugLog(&log);

    const std::time_t now = std::time(nullptr);
    char clock[128] = {};
    if (const std::tm* local = std::localtime(&now)) {
        std::strftime(clock, sizeof clock, "%H:%M:%S", local);
    }
    const std::string::size_type slash = modulePath.rfind('\\');
    if (slash != std::string::npos && DebugSwitchPresent(modulePath.substr(0, slash))) {
        log.Enable();
    }
    if (log.IsEnabled()) {
        log.Output(outputstr(diag::LogHeader(clock).c_str()) + "\n");
    }
}

void WriteLogLine(const outputstr& line) {
    if (line.empty()) {
        return;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    // One write per record: it reaches the file whole, at its end, at once.
    const std::string record = diag::FormatLogStamp(now.wMonth, now.wDay, now.wHour, now.wMinute,
                                                    now.wSecond, now.wMilliseconds) +
                               WithCrLf(line.c_str());
    std::lock_guard<std::mutex> lock(g_logLock);
    if (g_logFile) {
        AppendRecord(g_logFile.get(), record);
    }
}

void CloseLog() {
    std::lock_guard<std::mutex> lock(g_logLock);
    g_logFile.reset();
}
