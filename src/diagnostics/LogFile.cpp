#include "diagnostics/LogFile.h"

#include <windows.h>
#include <share.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

#include "diagnostics/LogFormat.h"
#include "diagnostics/YolDebugLog.h"

namespace {

// Never opened: lines written before InitializeLog or after CloseLog vanish into it.
std::ofstream g_defaultStream;
std::unique_ptr<std::ofstream> g_logFile;
std::ostream* g_logStream = &g_defaultStream;
// Serialises whole records (stamp, text, flush) and the switching of streams.
std::mutex g_logLock;

bool FileExistsAndSize(const std::string& path, std::uint64_t* size) {
    FILE* file = _fsopen(path.c_str(), "rb", _SH_DENYNO);
    if (file == nullptr) {
        return false;
    }
    const bool measured = _fseeki64(file, 0, SEEK_END) == 0;
    const long long end = measured ? _ftelli64(file) : -1;
    std::fclose(file);
    if (end < 0) {
        return false;  // unreadable counts as missing: the file is emptied
    }
    *size = static_cast<std::uint64_t>(end);
    return true;
}

bool DebugSwitchPresent(const std::string& directory) {
    const std::string path = directory + "\\yolinst.debug";
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void InitializeLog() {
    char modulePath[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, modulePath, MAX_PATH) == 0) {
        return;  // no path, no log for the whole process
    }
    InitializeLogForModule(modulePath);
}

void InitializeLogForModule(const std::string& modulePath) {
    const std::string logPath = diag::LogPathForModule(modulePath);

    std::uint64_t size = 0;
    const bool exists = FileExistsAndSize(logPath, &size);
    const auto mode = diag::ChooseLogOpenMode(exists, size) == diag::LogOpenMode::Append
                          ? std::ios::out | std::ios::app
                          : std::ios::out | std::ios::trunc;
    {
        std::lock_guard<std::mutex> lock(g_logLock);
        g_logFile.reset(new (std::nothrow) std::ofstream());
        if (g_logFile) {
            g_logFile->open(logPath, mode);  // fopen underneath: shared with all other openers
        }
        g_logStream = g_logFile.get();
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
    const std::string stamp = diag::FormatLogStamp(now.wMonth, now.wDay, now.wHour, now.wMinute,
                                                   now.wSecond, now.wMilliseconds);
    std::lock_guard<std::mutex> lock(g_logLock);
    if (g_logStream != nullptr) {
        *g_logStream << stamp << line.c_str();
        g_logStream->flush();
    }
}

void CloseLog() {
    std::lock_guard<std::mutex> lock(g_logLock);
    if (!g_logFile) {
        return;
    }
    g_logStream = &g_defaultStream;
    g_logFile->flush();
    g_logFile->close();  // marks the stream failed itself when closing fails
    g_logFile.reset();
}
