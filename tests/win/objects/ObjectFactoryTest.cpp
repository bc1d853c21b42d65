// The object factory against real module loading, with the fixture component modules copied into
// a scratch folder that the path-expansion map names as %QRROOTX64%.
#include "objects/qrZanInstanceFactoryImpl.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "TestModule.h"
#include "objects/ClassObjects.h"
#include "objects/qrObjectFactory.h"
#include "win/unique_any.h"

namespace {

using qrLib::Status;

constexpr Status kOk = 0x10000;
constexpr Status kNoInterface = static_cast<Status>(0x80010200);
constexpr Status kInvalid = static_cast<Status>(0x80010203);
constexpr Status kNotFound = static_cast<Status>(0x80010300);
constexpr Status kNoExport = static_cast<Status>(0x80010302);
constexpr Status kUnexpected = static_cast<Status>(0x8001FFFF);

constexpr char kTestObjectText[] = "{6A0C1E11-2B3D-4F5E-8091-A2B3C4D5E6F7}";
constexpr char kRefusedText[] = "{6A0C1E13-2B3D-4F5E-8091-A2B3C4D5E6F7}";
constexpr char kNoFactoryText[] = "{6A0C1E14-2B3D-4F5E-8091-A2B3C4D5E6F7}";
constexpr char kLongPathText[] = "{6A0C1E15-2B3D-4F5E-8091-A2B3C4D5E6F7}";
constexpr GUID kClsidNoFactory = {
    0x6A0C1E14, 0x2B3D, 0x4F5E, {0x80, 0x91, 0xA2, 0xB3, 0xC4, 0xD5, 0xE6, 0xF7}};
constexpr GUID kClsidLongPath = {
    0x6A0C1E15, 0x2B3D, 0x4F5E, {0x80, 0x91, 0xA2, 0xB3, 0xC4, 0xD5, 0xE6, 0xF7}};
constexpr GUID kClsidUnmapped = {
    0x6A0C1E16, 0x2B3D, 0x4F5E, {0x80, 0x91, 0xA2, 0xB3, 0xC4, 0xD5, 0xE6, 0xF7}};
constexpr GUID kBase = {};

constexpr wchar_t kSilo[] = L"{5B6C7D8E-9FA0-4B1C-8D2E-3F4051627384}";
const std::wstring kExpansionMap =
    std::wstring(L"Software\\Zanthrex\\Isolation\\") + kSilo + L"\\Quarry\\PathExpansionMap";

std::wstring ProgramDir() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L'\\'));
}

void SetExpansion(const wchar_t* name, const std::wstring& value) {
    win::unique_hkey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kExpansionMap.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void WriteText(const std::wstring& path, const std::string& text) {
    const win::unique_handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(file);
    ASSERT_TRUE(
        WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
}

// The program's silo (isolate.ini beside it) and a scratch folder holding copies of the fixture
// modules, with a second folder below it that holds nothing.
class Scene : public ::testing::Environment {
public:
    void SetUp() override {
        const std::wstring program = ProgramDir();
        WriteText(program + L"\\isolate.ini",
                  "[isolation]\r\nsilo={5B6C7D8E-9FA0-4B1C-8D2E-3F4051627384}\r\n");
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        root = std::wstring(temp) + L"objects-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(root.c_str(), nullptr);
        CreateDirectoryW((root + L"\\empty").c_str(), nullptr);
        CreateDirectoryW((root + L"\\other").c_str(), nullptr);
        for (const wchar_t* module :
             {L"qrSet.dll", fixture::kTestModule, fixture::kNoFactoryModule}) {
            CopyFileW((program + L"\\" + module).c_str(), (root + L"\\" + module).c_str(), FALSE);
        }
        CopyFileW((program + L"\\" + fixture::kTestModule).c_str(),
                  (root + L"\\other\\" + fixture::kTestModule).c_str(), FALSE);
    }
    void TearDown() override {
        DeleteFileW((ProgramDir() + L"\\isolate.ini").c_str());
        const std::wstring from = root + L'\0';
        SHFILEOPSTRUCTW operation{};
        operation.wFunc = FO_DELETE;
        operation.pFrom = from.c_str();
        operation.fFlags = FOF_NO_UI;
        SHFileOperationW(&operation);
        win::unique_hkey isolation;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Zanthrex\\Isolation", 0,
                          KEY_ALL_ACCESS | KEY_WOW64_32KEY, isolation.put()) == ERROR_SUCCESS) {
            RegDeleteTreeW(isolation.get(), kSilo);
        }
    }
    std::wstring root;
};

Scene* g_scene = nullptr;
const auto g_registered = ::testing::AddGlobalTestEnvironment(g_scene = new Scene);

std::wstring InRoot(const std::wstring& name) {
    return g_scene->root + L"\\" + name;
}

// A fresh factory per test, whose map the settings component serves from qrSet.txt. After each
// test, the factory released, no fixture module may still be loaded.
class ObjectFactory : public ::testing::Test {
protected:
    ObjectFactory() { SetExpansion(L"QRROOTX64", g_scene->root); }
    ~ObjectFactory() override {
        if (m_factory != nullptr) {
            EXPECT_EQ(m_factory->Release(), 0u);
        }
        for (const wchar_t* module : {L"qrSet.dll", fixture::kTestModule, fixture::kNoFactoryModule,
                                      L"other\\qrTestModule.dll"}) {
            EXPECT_EQ(GetModuleHandleW(InRoot(module).c_str()), nullptr) << module;
        }
        DeleteFileW(InRoot(L"qrSet.txt").c_str());
    }
    void WriteMap(const std::string& lines) { WriteText(InRoot(L"qrSet.txt"), lines); }
    Status Create(const GUID& clsid, const GUID& iid, bool* gotObject = nullptr) {
        qrLib::IQrUnknown* object = reinterpret_cast<qrLib::IQrUnknown*>(0x1);
        const Status status =
            m_factory->CreateInstance(clsid, iid, reinterpret_cast<void**>(&object));
        if (gotObject != nullptr) {
            *gotObject = object != nullptr;
        }
        if (object != nullptr && object != reinterpret_cast<qrLib::IQrUnknown*>(0x1)) {
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

GUID Guid(const char* text) {
    GUID guid{};
    const std::wstring wide(text, text + strlen(text));
    EXPECT_EQ(CLSIDFromString(wide.c_str(), &guid), S_OK) << text;
    return guid;
}

TEST_F(ObjectFactory, WithoutTheSettingsComponentOnlyBuiltinsAreMade) {
    // The map names the module, but %QRROOTX64% names a folder without the settings component.
    WriteMap(std::string(kTestObjectText) + "=%QRROOTX64%\\qrTestModule.dll\n");
    SetExpansion(L"QRROOTX64", InRoot(L"empty"));
    EXPECT_EQ(Create(fixture::kClsidTestObject, kBase), kInvalid);
    qrLib::IQrObjectFactory* process = qrLib::GetObjectFactory();
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(qrLib::GetObjectFactory(), process);
    for (const char* text : kBuiltins) {
        bool got = false;
        EXPECT_EQ(Create(Guid(text), kBase, &got), kOk) << text;
        EXPECT_TRUE(got) << text;
        EXPECT_EQ(Create(Guid(text), fixture::kIidTestObject, &got), kNoInterface) << text;
        EXPECT_FALSE(got) << text;
    }
    EXPECT_EQ(m_factory->CreateInstance(Guid(kBuiltins[0]), kBase, nullptr), kInvalid);
    // The factory answers its own two interfaces and the base one.
    for (const char* iid :
         {"{00000000-0000-0000-0000-000000000000}", "{88E4C84C-092E-4A86-B8CA-4C3611B9A31E}",
          "{89A94F96-90E0-4B03-8DF2-1248E42CEE96}"}) {
        void* self = nullptr;
        EXPECT_EQ(m_factory->QueryInterface(Guid(iid), &self), kOk) << iid;
        EXPECT_EQ(self, m_factory);
        m_factory->Release();
    }
    void* other = this;
    EXPECT_EQ(m_factory->QueryInterface(fixture::kIidTestObject, &other), kNoInterface);
    EXPECT_EQ(other, nullptr);
}

TEST_F(ObjectFactory, ModuleRegistrationsNameOneLoadedModule) {
    const std::wstring module = InRoot(fixture::kTestModule);
    std::wstring upper = module;
    for (wchar_t& c : upper) {
        c = static_cast<wchar_t>(towupper(c));
    }
    const GUID& clsid = fixture::kClsidTestObject;
    const std::wstring other = InRoot(L"other\\qrTestModule.dll");
    const std::wstring noFactory = InRoot(fixture::kNoFactoryModule);
    // 259 characters: short enough to be tried, but no such file.
    const std::wstring longPath =
        g_scene->root + L"\\" + std::wstring(258 - g_scene->root.size(), L'x');
    struct Step {
        GUID clsid;
        std::function<Status()> call;
        Status expected;
        bool registered;  // afterwards
    };
    const GUID& tooLong = kClsidLongPath;
    const Step steps[] = {
        {tooLong, [&] { return m_factory->RegisterModule(tooLong, (longPath + L"y").c_str()); },
         kInvalid, false},
        {tooLong, [&] { return m_factory->RegisterModule(tooLong, longPath.c_str()); }, kUnexpected,
         false},
        {clsid, [&] { return m_factory->RegisterModule(clsid, L""); }, kInvalid, false},
        {clsid, [&] { return m_factory->RegisterModule(clsid, module.c_str()); }, kOk, true},
        {clsid, [&] { return m_factory->RegisterModule(clsid, upper.c_str()); }, kOk, true},
        {clsid, [&] { return m_factory->RegisterModule(clsid, other.c_str()); }, kInvalid, true},
        {clsid, [&] { return m_factory->RegisterModule(clsid, noFactory.c_str()); }, kInvalid,
         true},
        {clsid, [&] { return m_factory->Unregister(clsid); }, kOk, true},
        {clsid, [&] { return m_factory->Unregister(clsid); }, kOk, false},
    };
    for (const Step& step : steps) {
        const int index = static_cast<int>(&step - steps);
        EXPECT_EQ(step.call(), step.expected) << "step " << index;
        EXPECT_EQ(m_factory->IsRegistered(step.clsid), step.registered) << "step " << index;
    }
}

TEST_F(ObjectFactory, TheMapNamesTheModulesOfFurtherClasses) {
    const std::string module = "%QRROOTX64%\\qrTestModule.dll";
    WriteMap(std::string(kTestObjectText) + "=" + module + "\n" + kRefusedText + "=" + module +
             "\n" + kNoFactoryText + "=%QRROOTX64%\\qrNoFactory.dll\n" + kLongPathText + "=C:\\" +
             std::string(297, 'x') + "\nnot-a-class=" + module +
             "\n{6A0C1E16-2B3D-4F5E-8091-A2B3C4D5E6F7}\n");
    EXPECT_TRUE(m_factory->IsClassAvailable(fixture::kClsidTestObject));
    EXPECT_FALSE(m_factory->IsClassAvailable(kClsidUnmapped));
    // Each: the class, the status, whether an object came out.
    const std::tuple<GUID, Status, bool> cases[] = {
        {fixture::kClsidTestObject, kOk, true}, {fixture::kClsidRefused, kNotFound, false},
        {kClsidNoFactory, kNoExport, false},    {kClsidLongPath, kInvalid, false},
        {kClsidUnmapped, kInvalid, false},
    };
    for (const auto& [clsid, expected, object] : cases) {
        bool got = true;
        EXPECT_EQ(Create(clsid, fixture::kIidTestObject, &got), expected);
        EXPECT_EQ(got, object);
    }
    EXPECT_TRUE(m_factory->IsRegistered(fixture::kClsidTestObject));
    EXPECT_FALSE(m_factory->IsRegistered(kClsidNoFactory));
    EXPECT_EQ(GetModuleHandleW(InRoot(fixture::kNoFactoryModule).c_str()), nullptr);
    EXPECT_EQ(GetModuleHandleW(InRoot(L"qrSet.dll").c_str()), nullptr);
}

TEST_F(ObjectFactory, AnUnmappedClassCostsOneResolutionOfTwoReads) {
    // The settings component stays loaded here so that its objects can be counted.
    win::unique_hmodule settings(LoadLibraryW(InRoot(L"qrSet.dll").c_str()));
    ASSERT_TRUE(settings);
    const auto liveObjects =
        qrLib::ExportOf<qrLib::GetObjectCountFunction>(settings.get(), "GetObjectCount");
    const auto created = qrLib::ExportOf<std::uint32_t (*)()>(settings.get(), "GetCreatedSettings");
    ASSERT_NE(created, nullptr);
    WriteMap(std::string(kTestObjectText) + "=%QRROOTX64%\\qrTestModule.dll\n");
    const std::uint32_t before = created();
    bool got = true;
    EXPECT_EQ(Create(kClsidUnmapped, kBase, &got), kInvalid);
    EXPECT_FALSE(got);
    EXPECT_EQ(created() - before, 2u);  // read, and read again for the missing class
    EXPECT_EQ(Create(fixture::kClsidTestObject, kBase), kOk);
    EXPECT_EQ(created() - before, 2u);  // found in the map already read
    EXPECT_EQ(liveObjects(), 0u);
}

TEST_F(ObjectFactory, ASettingsComponentFailingAnyCallLeavesTheClassUnknown) {
    const std::string entry = std::string(kTestObjectText) + "=%QRROOTX64%\\qrTestModule.dll\n";
    for (const char* call : {"GetFactory", "CreateInstance", "OpenKey", "GetSubkeyCount",
                             "GetSubkeyName", "OpenSubkey", "GetString"}) {
        WriteMap(entry + "fail=" + call + "\n");
        qrLib::IQrObjectFactory* factory = qrLib::CreateObjectFactory();
        void* object = this;
        EXPECT_EQ(factory->CreateInstance(fixture::kClsidTestObject, kBase, &object), kInvalid)
            << call;
        EXPECT_EQ(object, nullptr) << call;
        EXPECT_EQ(factory->Release(), 0u);
        EXPECT_EQ(GetModuleHandleW(InRoot(L"qrSet.dll").c_str()), nullptr) << call;
    }
}

TEST_F(ObjectFactory, EightThreadsCreateAtOnce) {
    WriteMap(std::string(kTestObjectText) + "=%QRROOTX64%\\qrTestModule.dll\n");
    std::vector<GUID> classes = {fixture::kClsidTestObject};
    for (const char* builtin : kBuiltins) {
        classes.push_back(Guid(builtin));
    }
    std::vector<std::thread> threads;
    std::vector<int> failures(8, 0);
    for (int& failed : failures) {
        threads.emplace_back([this, &failed, &classes] {
            for (int i = 0; i < 50; ++i) {
                for (const GUID& clsid : {classes[0], classes[1 + i % 8]}) {
                    qrLib::IQrUnknown* object = nullptr;
                    if (m_factory->CreateInstance(clsid, kBase,
                                                  reinterpret_cast<void**>(&object)) != kOk ||
                        object == nullptr || object->Release() != 0) {
                        ++failed;
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(8, 0));
    // Only the module's class factory, held by the registration, is still alive.
    const auto count = qrLib::ExportOf<qrLib::GetObjectCountFunction>(
        GetModuleHandleW(InRoot(fixture::kTestModule).c_str()), "GetObjectCount");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count(), 1u);
}

}  // namespace
