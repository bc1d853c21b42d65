#include "InstallerTestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "win/unique_any.h"

namespace {

std::string g_packageDir;

// A Unix path from the command line is reached through Wine's Z: drive.
std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

}  // namespace

std::string SamplePackage(const char* release) {
    return g_packageDir + "\\ZanthrexBastion-" + release + ".msi";
}

unsigned long RunMsiexec(const char* action, const std::string& package) {
    std::string commandLine = std::string("msiexec.exe ") + action + " \"" + package + "\" /qn";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return GetLastError();
    }
    win::unique_handle processHandle(process.hProcess);
    win::unique_handle threadHandle(process.hThread);
    WaitForSingleObject(processHandle.get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(processHandle.get(), &exitCode);
    return exitCode;
}

CInstalledRelease::CInstalledRelease(const char* release)
    : m_package(SamplePackage(release)), m_exitCode(RunMsiexec("/i", m_package)) {}

CInstalledRelease::~CInstalledRelease() {
    if (Installed()) {
        EXPECT_EQ(RunMsiexec("/x", m_package), 0u) << m_package;
    }
}

CStaging::CStaging(const char* name, const char* release) : CTempDir(name) {
    if (release != nullptr) {
        EXPECT_TRUE(
            CopyFileA(SamplePackage(release).c_str(), File("ZanthrexBastion.msi").c_str(), FALSE))
            << SamplePackage(release);
    }
}

void CStaging::WriteSetupIni(const std::string& cmdLine) const {
    EXPECT_TRUE(WritePrivateProfileStringA("Startup", "CmdLine", cmdLine.c_str(),
                                           File("Setup.ini").c_str()));
}

CCapturedLog::CCapturedLog() : m_previous(InstallDebugLog(this)) {}

CCapturedLog::~CCapturedLog() {
    InstallDebugLog(m_previous);
}

void CCapturedLog::Output(const outputstr& line) {
    std::string text = line.c_str();
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    m_lines.push_back(text);
}

bool CCapturedLog::HasLineStartingWith(const std::string& prefix) const {
    for (const std::string& line : m_lines) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            return true;
        }
    }
    return false;
}

// --packages=<dir>: where the sample packages were built.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    static constexpr char kOption[] = "--packages=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kOption, sizeof kOption - 1) == 0) {
            g_packageDir = WindowsPath(argv[i] + sizeof kOption - 1);
        }
    }
    if (g_packageDir.empty()) {
        std::fprintf(stderr, "usage: %s --packages=<directory of the sample packages>\n", argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
