// The baseline of the start-up benchmark: a GUI program that imports the same system DLLs as
// yolinst.exe (one function from each, so the loader maps them all) and exits at once.
#include <windows.h>
#include <msi.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Never true at run time; the calls only make the imports.
    if (GetCommandLineA() == nullptr) {
        RegCloseKey(nullptr);
        CertCloseStore(nullptr, 0);
        MsiCloseHandle(0);
        CoUninitialize();
        SysFreeString(nullptr);
        CommandLineToArgvW(nullptr, nullptr);
        PathFileExistsA(nullptr);
        MessageBoxA(nullptr, nullptr, nullptr, 0);
        WinVerifyTrust(nullptr, nullptr, nullptr);
    }
    return 0;
}
