// What the platform alone costs for one verification of setup.exe in a fresh process: the first
// open of the machine's ROOT store (under Wine it imports the host's roots then) and one
// WinVerifyTrust of the file. The agent pays both in every run; its own code is the rest.
// Exits with the milliseconds taken.
//
// Usage: bench_platform_trust <setup.exe>
#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return -1;
    }
    const ULONGLONG start = GetTickCount64();
    CertCloseStore(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                      CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG, L"ROOT"),
        0);
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = argv[1];
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG verified = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    const ULONGLONG elapsed = GetTickCount64() - start;
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return verified == 0 ? static_cast<int>(elapsed) : -1;
}
