// The upgrade run's Win32 pieces against Wine's real registry, kernel objects and processes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "Registry.h"
#include "TempDir.h"
#include "agent/CallerPid.h"
#include "agent/LaunchProcess.h"
#include "agent/ProductRegistry.h"
#include "agent/SecurityAttributes.h"
#include "agent/SetupResult.h"
#include "qrlib/qrFile.h"
#include "win/unique_any.h"

namespace {

constexpr char kCmd[] = "C:\\windows\\system32\\cmd.exe";

// The run's named objects carry a null DACL: open to every user. The guarded variant denies
// Everyone deletion and changes of permissions and owner while granting everything else.
TEST(SecurityAttributes, NullDaclOpenToEveryoneOrGuarded) {
    GRD::CEveryoneDACL open;
    ASSERT_TRUE(open.Create());
    const SECURITY_ATTRIBUTES* attributes = open.Attributes();
    ASSERT_NE(attributes, nullptr);
    EXPECT_TRUE(attributes->nLength == sizeof(SECURITY_ATTRIBUTES) && attributes->bInheritHandle);
    BOOL present = FALSE;
    BOOL defaulted = TRUE;
    PACL dacl = reinterpret_cast<PACL>(1);
    ASSERT_TRUE(
        GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(present && !defaulted && dacl == nullptr);

    GRD::CEveryoneDACL guarded;
    ASSERT_TRUE(guarded.BuildDacl() && guarded.Create());
    ASSERT_TRUE(GetSecurityDescriptorDacl(guarded.Attributes()->lpSecurityDescriptor, &present,
                                          &dacl, &defaulted));
    ASSERT_TRUE(present && dacl != nullptr && dacl->AceCount == 2);
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof everyone;
    ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize));
    const std::pair<BYTE, DWORD> expected[] = {
        {ACCESS_DENIED_ACE_TYPE, DELETE | WRITE_DAC | WRITE_OWNER},
        {ACCESS_ALLOWED_ACE_TYPE, GENERIC_ALL}};
    for (DWORD i = 0; i < 2; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;  // a denying entry has the same layout
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_TRUE(ace->Header.AceType == expected[i].first && ace->Mask == expected[i].second &&
                    EqualSid(&ace->SidStart, everyone))
            << "entry " << i;
    }
    EXPECT_FALSE(GRD::CEveryoneDACL().AddAces(DELETE, GENERIC_READ));  // no DACL to add to
}

// The share mode is the caller's (the end-to-end run shows setup.exe held); here: the errors
// kept, and every open closing the handle before, so the file is free once the last one failed.
TEST(FileHandle, RecordsErrorsAndClosesTheHandleBeforeEachOpen) {
    CTempDir dir("yol-cfile");
    const std::string path = dir.File("setup.exe");
    WriteFileText(path, "");
    const std::wstring wide(path.begin(), path.end());
    qrLib::CFilePtr file = qrLib::MakeFile();
    auto open = [&file](const std::wstring& name) {
        return file->Open(name.c_str(), FILE_GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          0, nullptr);
    };

    EXPECT_FALSE(open(L""));
    EXPECT_EQ(file->LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ASSERT_TRUE(open(wide));
    ASSERT_TRUE(open(wide));
    EXPECT_FALSE(open(wide + L".missing"));
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

// The parent of a process of the same executable is the end-to-end run's YOLPID; here the others.
TEST(CallerPid, NoneForAProcessOfAnotherExecutable) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    std::string commandLine = "cmd.exe";
    // Suspended, so that it stays alive while it is looked up.
    ASSERT_TRUE(CreateProcessA(kCmd, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                               nullptr, nullptr, &startup, &child));
    const win::unique_handle process(child.hProcess), thread(child.hThread);
    EXPECT_EQ(ResolveCallerPid(child.dwProcessId), 0u);
    TerminateProcess(process.get(), 0);
}

// Setup's own exit code is not the result: that comes through the marker.
TEST(LaunchProcess, WaitsAndAnswersZeroWhateverTheExitCode) {
    EXPECT_EQ(LaunchProcessAndWait(kCmd, "cmd.exe /c exit 3", true), 0);
}

TEST(SetupResult, TheCodeIsRecordedAndASuccessMarkedWith99) {
    DeleteRegistryEntry(HKEY_CLASSES_ROOT, "RUZIDUZU", nullptr, 0);
    // code, YolSetupResult's answer, marker afterwards
    const std::uint32_t cases[][3] = {{0, 0, 99}, {6, 1, 6}};
    for (const auto& [code, expected, markerAfter] : cases) {
        WriteResultMarker(code);
        EXPECT_EQ(YolSetupResult(), static_cast<int>(expected)) << code;
        EXPECT_EQ(ReadResultMarker(), markerAfter) << code;
    }
    DeleteRegistryEntry(HKEY_CLASSES_ROOT, "RUZIDUZU", nullptr, 0);
}

// Values of another type, even with four bytes that would read as 1, and a DWORD of two bytes
// read as absent, as a missing value does.
TEST(ProductRegistry, ReadsOnlyFourByteDwords) {
    constexpr char kKey[] = "SOFTWARE\\Zanthrex\\YolWinTest";
    const wintest::RegKey key{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Zanthrex\\YolWinTest",
                              KEY_WOW64_64KEY};
    const BYTE bytes[8] = {1};
    wintest::SetValue(key, L"v", REG_DWORD, bytes, 4);
    EXPECT_EQ(ReadRegistryDword(HKEY_LOCAL_MACHINE, kKey, "v", KEY_WOW64_64KEY), 1u);
    for (const DWORD type : {REG_SZ, REG_BINARY, REG_DWORD_BIG_ENDIAN, REG_QWORD, REG_DWORD}) {
        wintest::SetValue(key, L"v", type, bytes, type == REG_DWORD ? 2 : 4);
        EXPECT_FALSE(ReadRegistryDword(HKEY_LOCAL_MACHINE, kKey, "v", KEY_WOW64_64KEY)) << type;
    }
    wintest::DeleteTree(key);
}

}  // namespace
