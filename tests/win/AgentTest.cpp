// The upgrade run's Win32 pieces against Wine's real registry, kernel objects and processes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "agent/CallerPid.h"
#include "agent/ProductRegistry.h"
#include "agent/SecurityAttributes.h"
#include "agent/ServiceRun.h"
#include "agent/SetupLaunch.h"
#include "agent/SetupResult.h"
#include "qrlib/qrFile.h"
#include "service/ServiceSystemCalls.h"
#include "win/unique_any.h"

namespace {

TEST(SecurityAttributes, CreateGivesANullDaclOpenToEveryone) {
    GRD::CEveryoneDACL security;
    ASSERT_TRUE(security.Create());
    SECURITY_ATTRIBUTES* first = security.Attributes();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->nLength, sizeof(SECURITY_ATTRIBUTES));
    EXPECT_TRUE(first->bInheritHandle);
    BOOL present = FALSE;
    BOOL defaulted = TRUE;
    PACL dacl = reinterpret_cast<PACL>(1);
    ASSERT_TRUE(
        GetSecurityDescriptorDacl(first->lpSecurityDescriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(dacl, nullptr);
    EXPECT_FALSE(defaulted);

    // A second Create replaces the first descriptor; the object stays usable.
    ASSERT_TRUE(security.Create());
    win::unique_handle mutex(CreateMutexA(security.Attributes(), FALSE, "YolAgentTestMutex"));
    ASSERT_TRUE(mutex);
    win::unique_handle other(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "YolAgentTestMutex"));
    EXPECT_TRUE(other);
}

TEST(SecurityAttributes, BuiltDaclDeniesPermissionChangesAndAllowsTheRest) {
    GRD::CEveryoneDACL security;
    ASSERT_TRUE(security.BuildDacl());
    ASSERT_TRUE(security.Create());
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(security.Attributes()->lpSecurityDescriptor, &present,
                                          &dacl, &defaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(dacl, nullptr);
    ASSERT_EQ(dacl->AceCount, 2);

    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    win::unique_sid everyone;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                         everyone.put()));
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, 0, &ace));
    auto* deny = static_cast<ACCESS_DENIED_ACE*>(ace);
    EXPECT_EQ(deny->Header.AceType, ACCESS_DENIED_ACE_TYPE);
    EXPECT_EQ(deny->Mask, static_cast<DWORD>(DELETE | WRITE_DAC | WRITE_OWNER));
    EXPECT_TRUE(EqualSid(&deny->SidStart, everyone.get()));
    ASSERT_TRUE(GetAce(dacl, 1, &ace));
    auto* allow = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(allow->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(allow->Mask, static_cast<DWORD>(GENERIC_ALL));
    EXPECT_TRUE(EqualSid(&allow->SidStart, everyone.get()));

    // Without a DACL there is nothing to add entries to.
    GRD::CEveryoneDACL fresh;
    EXPECT_FALSE(fresh.AddAces(DELETE, GENERIC_READ));
}

TEST(FileHandle, HoldsTheFileReadSharedAndRecordsErrors) {
    CTempDir dir("yol-cfile");
    const std::string path = dir.File("setup.exe");
    win::unique_handle(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const std::wstring wide(path.begin(), path.end());

    qrLib::CFilePtr file = qrLib::MakeFile();
    EXPECT_FALSE(
        file->Open(L"", FILE_GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(file->LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(file->IsOpen());

    ASSERT_TRUE(file->Open(wide.c_str(), FILE_GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr));
    win::unique_handle writer(CreateFileA(path.c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    win::unique_handle reader(CreateFileA(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reader);
    reader.reset();
    EXPECT_FALSE(DeleteFileA(path.c_str()));

    // Opening again closes the first handle.
    const HANDLE first = file->GetHandle();
    ASSERT_TRUE(file->Open(wide.c_str(), FILE_GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr));
    DWORD flags = 0;
    EXPECT_TRUE(first == file->GetHandle() || !GetHandleInformation(first, &flags));

    const std::wstring missing = wide + L".missing";
    EXPECT_FALSE(file->Open(missing.c_str(), FILE_GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(file->LastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(file->IsOpen());
    file.reset();
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

// Starts `program` suspended so it stays alive while it is looked up.
class CSuspendedChild {
public:
    explicit CSuspendedChild(const char* program) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        std::string commandLine = std::string("\"") + program + "\"";
        if (CreateProcessA(program, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                           nullptr, nullptr, &startup, &info)) {
            m_process.reset(info.hProcess);
            m_thread.reset(info.hThread);
            m_pid = info.dwProcessId;
        }
    }
    ~CSuspendedChild() {
        if (m_process) {
            TerminateProcess(m_process.get(), 0);
            WaitForSingleObject(m_process.get(), 5000);
        }
    }
    DWORD pid() const { return m_pid; }

private:
    win::unique_handle m_process;
    win::unique_handle m_thread;
    DWORD m_pid = 0;
};

TEST(CallerPid, ParentOfAProcessOfTheSameExecutableOnly) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    CSuspendedChild sameExecutable(self);
    ASSERT_NE(sameExecutable.pid(), 0u);
    EXPECT_EQ(ResolveCallerPid(sameExecutable.pid()), GetCurrentProcessId());

    char cmd[MAX_PATH] = {};
    GetSystemDirectoryA(cmd, MAX_PATH);
    lstrcatA(cmd, "\\cmd.exe");
    CSuspendedChild unrelated(cmd);
    ASSERT_NE(unrelated.pid(), 0u);
    EXPECT_EQ(ResolveCallerPid(unrelated.pid()), 0u);

    EXPECT_EQ(ResolveCallerPid(0), 0u);
    EXPECT_EQ(ResolveCallerPid(0xFFFFFFF0u), 0u);
}

class SetupResultTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        DeleteRegistryEntry(HKEY_CLASSES_ROOT, "RUZIDUZU", nullptr, 0);
        DeleteRegistryEntry(HKEY_LOCAL_MACHINE, product::kLinkKey, product::kInstallResult,
                            KEY_WOW64_32KEY);
    }
    static void SetMarkerText() {
        win::unique_hkey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, product::kMarkerKey, 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key.get(), product::kMarkerValue, 0, REG_SZ,
                       reinterpret_cast<const BYTE*>("0"), 2);
    }
};

TEST_F(SetupResultTest, EveryCodeIsRecordedAndSuccessesMarkedWith99) {
    struct Case {
        std::uint32_t code;
        int expected;
        std::uint32_t markerAfter;
    };
    const Case cases[] = {{0, 0, 99}, {1, 1, 1}, {2, 1, 2}, {3, 1, 3},   {4, 0, 99},
                          {5, 0, 99}, {6, 1, 6}, {7, 1, 7}, {99, 1, 99}, {12, 1, 12}};
    for (const Case& c : cases) {
        WriteResultMarker(c.code);
        EXPECT_EQ(YolSetupResult(), c.expected) << c.code;
        EXPECT_EQ(ReadLinkValue(product::kInstallResult), c.code) << c.code;
        EXPECT_EQ(ReadResultMarker(), c.markerAfter) << c.code;
    }
}

TEST_F(SetupResultTest, NoReadableCodeIsNoResultAndRecordsNothing) {
    EXPECT_EQ(YolSetupResult(), 2);
    EXPECT_FALSE(ReadLinkValue(product::kInstallResult));

    SetMarkerText();
    EXPECT_EQ(YolSetupResult(), 2);
    EXPECT_FALSE(ReadLinkValue(product::kInstallResult));
}

// A second agent process while a run is in progress: it fails at once, and its closing steps still
// tell the world the run has ended.
TEST(ServiceRun, ASecondRunFailsAtOnceAndStillCloses) {
    DeleteRegistryEntry(HKEY_LOCAL_MACHINE, product::kLinkKey, product::kSetupStatus,
                        KEY_WOW64_32KEY);
    win::unique_handle running(CreateMutexA(nullptr, FALSE, "YolInstall_exist"));
    win::unique_handle stopped(CreateEventA(nullptr, TRUE, FALSE, "YolInstServiceStoppedEvent"));
    SystemCalls().setServiceStatus = [](SERVICE_STATUS_HANDLE, LPSERVICE_STATUS) -> BOOL {
        return TRUE;
    };
    ServiceStart(0, nullptr);
    SystemCalls() = RealSystemCalls();

    EXPECT_EQ(WaitForSingleObject(stopped.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(ReadLinkValue(product::kSetupStatus), 2u);
    EXPECT_FALSE(win::unique_handle(OpenMutexA(SYNCHRONIZE, FALSE, "MoraqServiceCtrlObjMutex")));
    EXPECT_FALSE(win::unique_handle(OpenEventA(SYNCHRONIZE, FALSE, "StopYolInstServiceEvent")));
    EXPECT_FALSE(ReadLinkValue(product::kLaunchSetup));  // nothing attempted
}

// Values of the right type but the wrong size read as absent, as a missing value does.
TEST(ProductRegistryValues, WrongTypeOrSizeReadsAsAbsent) {
    constexpr char kKey[] = "SOFTWARE\\Zanthrex\\YolSizeTest";
    win::unique_hkey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    const unsigned char bytes[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    RegSetValueExA(key.get(), "Short", 0, REG_DWORD, bytes, 2);
    RegSetValueExA(key.get(), "Long", 0, REG_DWORD, bytes, 8);
    RegSetValueExA(key.get(), "Binary", 0, REG_BINARY, bytes, 4);
    RegSetValueExA(key.get(), "Right", 0, REG_DWORD, bytes, 4);
    for (const char* name : {"Short", "Long", "Binary", "Missing"}) {
        EXPECT_FALSE(ReadRegistryDword(HKEY_LOCAL_MACHINE, kKey, name, 0)) << name;
    }
    EXPECT_EQ(ReadRegistryDword(HKEY_LOCAL_MACHINE, kKey, "Right", 0), 1u);
    key.reset();
    DeleteRegistryEntry(HKEY_LOCAL_MACHINE, kKey, nullptr, 0);
}

// A setup.exe that cannot be held read-shared (missing, a directory, or held open for writing by
// someone else) is never run: the launch ends with 0 and leaves nothing behind.
TEST(SetupLaunch, UnopenableSetupRunsNothing) {
    CTempDir dir("yol-launch");
    EXPECT_EQ(RunYolSetup(dir.path().c_str(), 0), 0);

    ASSERT_TRUE(CreateDirectoryA(dir.File("setup.exe").c_str(), nullptr));
    EXPECT_EQ(RunYolSetup(dir.path().c_str(), 0), 0);
    RemoveDirectoryA(dir.File("setup.exe").c_str());

    win::unique_handle writer(CreateFileA(dir.File("setup.exe").c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_EQ(RunYolSetup(dir.path().c_str(), 0), 0);
    EXPECT_FALSE(
        win::unique_handle(OpenMutexA(SYNCHRONIZE, FALSE, "Global\\QENAutoUpgradeNotifyPass")));
}

}  // namespace
