// The object factory against real module loading: the fixture component modules are built beside
// the test program, whose folder the path-expansion map names as %QRROOTX64%.
#include "objects/qrZanInstanceFactoryImpl.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "../Registry.h"
#include "TestModule.h"
#include "objects/ClassObjects.h"
#include "objects/qrObjectFactory.h"
#include "win/unique_any.h"

namespace {

namespace fs = std::filesystem;
using qrLib::Status;

constexpr Status kOk = 0x10000;
constexpr Status kNoInterface = static_cast<Status>(0x80010200);
constexpr Status kInvalid = static_cast<Status>(0x80010203);
constexpr Status kNotFound = static_cast<Status>(0x80010300);
constexpr Status kNoExport = static_cast<Status>(0x80010302);
constexpr Status kUnexpected = static_cast<Status>(0x8001FFFF);

GUID Guid(const char* text) {
    GUID guid{};
    CLSIDFromString(std::wstring(text, text + strlen(text)).c_str(), &guid);
    return guid;
}

constexpr char kTestObjectEntry[] =
    "{6A0C1E11-2B3D-4F5E-8091-A2B3C4D5E6F7}=%QRROOTX64%\\qrTestModule.dll\n";
// The test module refuses to make this class.
const GUID kClsidRefused = Guid("{6A0C1E13-2B3D-4F5E-8091-A2B3C4D5E6F7}");
const GUID kClsidNoFactory = Guid("{6A0C1E14-2B3D-4F5E-8091-A2B3C4D5E6F7}");
const GUID kClsidUnmapped = Guid("{6A0C1E16-2B3D-4F5E-8091-A2B3C4D5E6F7}");
constexpr GUID kBase = {};

std::wstring Root() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path().wstring();
}

std::wstring InRoot(const std::wstring& name) {
    return Root() + L"\\" + name;
}

// The silo's registry root and its path-expansion map, in the 32-bit view.
const wintest::RegKey kSiloKey{
    HKEY_LOCAL_MACHINE, L"Software\\Zanthrex\\Isolation\\{5B6C7D8E-9FA0-4B1C-8D2E-3F4051627384}",
    KEY_WOW64_32KEY};

void SetExpansion(const wchar_t* name, const std::wstring& value) {
    wintest::SetString(
        {kSiloKey.root, kSiloKey.path + L"\\Quarry\\PathExpansionMap", kSiloKey.view}, name, value);
}

// The fixture modules, a second copy of the test module in a folder of its own included.
const wchar_t* const kModules[] = {L"qrSet.dll", fixture::kTestModule, L"qrNoFactory.dll",
                                   L"other\\qrTestModule.dll"};

// A fresh factory per test, whose map the settings component serves from qrSet.txt. After each
// test, the factory released, no fixture module may still be loaded.
class ObjectFactory : public ::testing::Test {
protected:
    // The program's silo (isolate.ini beside it) and the second copy.
    static void SetUpTestSuite() {
        std::ofstream(fs::path(InRoot(L"isolate.ini")))
            << "[isolation]\nsilo={5B6C7D8E-9FA0-4B1C-8D2E-3F4051627384}\n";
        fs::remove_all(InRoot(L"other"));  // what a crashed run left
        fs::create_directories(InRoot(L"other"));
        fs::copy_file(InRoot(fixture::kTestModule), InRoot(L"other\\qrTestModule.dll"));
    }
    static void TearDownTestSuite() {
        fs::remove(InRoot(L"isolate.ini"));
        fs::remove_all(InRoot(L"other"));
        wintest::DeleteTree(kSiloKey);
    }

    ObjectFactory() { SetExpansion(L"QRROOTX64", Root()); }
    ~ObjectFactory() override {
        EXPECT_EQ(m_factory->Release(), 0u);
        for (const wchar_t* module : kModules) {
            EXPECT_EQ(GetModuleHandleW(InRoot(module).c_str()), nullptr) << module;
        }
        fs::remove(InRoot(L"qrSet.txt"));
    }
    void WriteMap(const std::string& lines) {
        std::ofstream(fs::path(InRoot(L"qrSet.txt"))) << lines;
    }
    // Creates an object and releases it again; one comes out exactly when the call succeeds.
    Status Create(const GUID& clsid, const GUID& iid) {
        qrLib::IQrUnknown* object = reinterpret_cast<qrLib::IQrUnknown*>(0x1);
        const Status status =
            m_factory->CreateInstance(clsid, iid, reinterpret_cast<void**>(&object));
        EXPECT_EQ(object != nullptr, status == kOk);
        if (status == kOk && object != nullptr) {
            EXPECT_EQ(object->Release(), 0u);
        }
        return status;
    }

    qrLib::IQrObjectFactory* m_factory = qrLib::CreateObjectFactory();
};

const char* const kBuiltins[] = {
    "{740AB61D-8B4A-46CC-9D82-86F72E055477}", "{9958D891-C319-4C6C-BEB9-F9BFB37EA493}",
    "{3F05A321-43B7-4578-93C8-CDC5F64A149A}", "{31324564-3B13-4533-8999-33990688F5A9}",
    "{4FDA34C1-9899-494C-A33D-72BA6BB0F4FD}", "{4FDA34C2-9899-494C-A33D-72BA6BB0F4FD}",
    "{4FDA34C3-9899-494C-A33D-72BA6BB0F4FD}", "{4FDA34C4-9899-494C-A33D-72BA6BB0F4FD}",
};

TEST_F(ObjectFactory, WithoutAWorkingSettingsComponentOnlyBuiltinsAreMade) {
    for (const char* call : {"GetFactory", "CreateInstance", "OpenKey", "GetSubkeyCount",
                             "GetSubkeyName", "OpenSubkey", "GetString"}) {
        WriteMap(kTestObjectEntry + ("fail=" + std::string(call)) + "\n");
        EXPECT_FALSE(m_factory->IsClassAvailable(fixture::kClsidTestObject)) << call;
    }
    // The map names the module, but %QRROOTX64% names a folder without the settings component.
    WriteMap(kTestObjectEntry);
    SetExpansion(L"QRROOTX64", InRoot(L"other"));
    EXPECT_EQ(Create(fixture::kClsidTestObject, kBase), kInvalid);
    EXPECT_EQ(qrLib::GetObjectFactory(), qrLib::GetObjectFactory());
    for (const char* text : kBuiltins) {
        EXPECT_EQ(Create(Guid(text), kBase), kOk) << text;
    }
    EXPECT_EQ(Create(Guid(kBuiltins[0]), fixture::kIidTestObject), kNoInterface);
    EXPECT_EQ(m_factory->CreateInstance(Guid(kBuiltins[0]), kBase, nullptr), kInvalid);
    // The factory answers its own two interfaces.
    for (const char* iid :
         {"{88E4C84C-092E-4A86-B8CA-4C3611B9A31E}", "{89A94F96-90E0-4B03-8DF2-1248E42CEE96}"}) {
        void* self = nullptr;
        EXPECT_EQ(m_factory->QueryInterface(Guid(iid), &self), kOk) << iid;
        EXPECT_EQ(self, m_factory);
        m_factory->Release();
    }
}

TEST_F(ObjectFactory, ModuleRegistrationsNameOneLoadedModule) {
    const GUID& clsid = fixture::kClsidTestObject;
    // 259 characters: short enough to be tried, but no such file.
    const std::wstring longPath = InRoot(std::wstring(258 - Root().size(), L'x'));
    std::wstring upper = InRoot(fixture::kTestModule);
    CharUpperW(upper.data());
    // Each: the path, the status, whether the class is registered afterwards.
    const std::tuple<std::wstring, Status, bool> registrations[] = {
        {longPath + L"y", kInvalid, false},
        {longPath, kUnexpected, false},
        {L"", kInvalid, false},
        {InRoot(fixture::kTestModule), kOk, true},
        {upper, kOk, true},
        {InRoot(L"other\\qrTestModule.dll"), kInvalid, true},
    };
    for (const auto& [path, expected, registered] : registrations) {
        EXPECT_EQ(m_factory->RegisterModule(clsid, path.c_str()), expected);
        EXPECT_EQ(m_factory->IsRegistered(clsid), registered);
    }
}

TEST_F(ObjectFactory, TheMapNamesTheModulesOfFurtherClasses) {
    WriteMap(std::string(kTestObjectEntry) +
             "{6A0C1E13-2B3D-4F5E-8091-A2B3C4D5E6F7}=%QRROOTX64%\\qrTestModule.dll\n"
             "{6A0C1E14-2B3D-4F5E-8091-A2B3C4D5E6F7}=%QRROOTX64%\\qrNoFactory.dll\n"
             "not-a-class=%QRROOTX64%\\qrTestModule.dll\n");
    // The settings component stays loaded here so that its objects can be counted.
    const win::unique_hmodule settings(LoadLibraryW(InRoot(L"qrSet.dll").c_str()));
    const auto live =
        qrLib::ExportOf<qrLib::GetObjectCountFunction>(settings.get(), "GetObjectCount");
    ASSERT_NE(live, nullptr);
    EXPECT_TRUE(m_factory->IsClassAvailable(fixture::kClsidTestObject));
    EXPECT_FALSE(m_factory->IsClassAvailable(kClsidUnmapped));
    const std::pair<GUID, Status> cases[] = {
        {fixture::kClsidTestObject, kOk},
        {kClsidRefused, kNotFound},
        {kClsidNoFactory, kNoExport},
        {kClsidUnmapped, kInvalid},
    };
    for (const auto& [clsid, expected] : cases) {
        EXPECT_EQ(Create(clsid, fixture::kIidTestObject), expected);
    }
    EXPECT_EQ(live(), 0u);
    // Of the test module's objects only the class factory the registration holds is still alive.
    const auto count = qrLib::ExportOf<qrLib::GetObjectCountFunction>(
        GetModuleHandleW(InRoot(fixture::kTestModule).c_str()), "GetObjectCount");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count(), 1u);
}

}  // namespace
