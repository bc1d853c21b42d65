#include "objects/qrZanInstanceFactoryImpl.h"

#include <cstdlib>
#include <mutex>
#include <new>

#include "diagnostics/Trace.h"
#include "objects/BuiltinClasses.h"
#include "objects/ClassObjects.h"
#include "objects/ClassResolver.h"
#include "objects/ClassTable.h"
#include "objects/SettingsMapSource.h"
#include "qrlib/WideText.h"

namespace qrLib {

namespace {

void TraceClass(std::uint16_t number, const wchar_t* what, const GUID& clsid, Status status) {
    if (trace::Enabled(trace::kFlagError, trace::kLevelError)) {
        const std::wstring text = std::wstring(what) + L" " + GuidText(clsid);
        trace::Text(trace::kFlagError, trace::kLevelError, number, text.c_str(),
                    static_cast<std::uint32_t>(status));
    }
}

// Runs an operation of the factory; running out of memory anywhere in it becomes a status.
template <typename Operation>
Status Guarded(Operation&& operation) {
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        return kStatusOutOfMemory;
    }
}

class CObjectFactory final : public CQrObject<IQrObjectFactory> {
public:
    CObjectFactory() : m_resolver(m_mapSource) {}

    Status QueryInterface(const GUID& iid, void** out) override {
        return AnswerInterfaces(iid, out, {kIidQrObjectFactory, kIidQrObjectFactoryOwned});
    }

    Status RegisterModuleWithValues(const GUID& clsid, const wchar_t* path, std::uintptr_t,
                                    std::uintptr_t) override {
        return RegisterModule(clsid, path);
    }

    Status RegisterModuleAnsi(const GUID& clsid, const char* path) override {
        return Guarded([&] {
            if (path == nullptr) {
                return kStatusInvalidArgument;
            }
            const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
            std::wstring wide(length > 0 ? length : 1, L'\0');
            MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), length);
            return RegisterModule(clsid, wide.c_str());
        });
    }

    Status RegisterModule(const GUID& clsid, const wchar_t* path) override {
        return Guarded([&] {
            const auto make = [&](std::shared_ptr<IClassObject>& object) {
                if (path == nullptr || *path == L'\0') {
                    return kStatusInvalidArgument;
                }
                auto module = std::make_shared<CModuleClass>(clsid, path);
                const Status status = module->Load();
                if (!Failed(status)) {
                    object = std::move(module);
                }
                return status;
            };
            const auto namesSame = [&](IClassObject& registered) {
                return static_cast<CModuleClass&>(registered).NamesSameModule(path);
            };
            return Register(clsid, ClassKind::Module, make, namesSame);
        });
    }

    Status RegisterCreatorWithValues(const GUID& clsid, CreatorWithValuesFunction creator,
                                     std::uintptr_t first, std::uintptr_t second) override {
        return RegisterCreatorClass(clsid, creator != nullptr,
                                    [=] { return creator(first, second); },
                                    {reinterpret_cast<std::uintptr_t>(creator), first, second});
    }

    Status RegisterCreatorWithContext(const GUID& clsid, CreatorWithContextFunction creator,
                                      void* first, void* second) override {
        return RegisterCreatorClass(
            clsid, creator != nullptr, [=] { return creator(first, second); },
            {reinterpret_cast<std::uintptr_t>(creator), reinterpret_cast<std::uintptr_t>(first),
             reinterpret_cast<std::uintptr_t>(second)});
    }

    Status RegisterCreator(const GUID& clsid, CreatorFunction creator) override {
        return RegisterCreatorClass(clsid, creator != nullptr, creator,
                                    {reinterpret_cast<std::uintptr_t>(creator), 0, 0});
    }

    Status Unregister(const GUID& clsid) override {
        const Status status = m_table.Unregister(ToIdentifier(clsid));
        if (Failed(status)) {
            TraceClass(120, L"Unregister: not registered", clsid, status);
        }
        return status;
    }

    Status CreateInstance(const GUID& clsid, const GUID& iid, void** out) override {
        if (out == nullptr) {
            return kStatusInvalidArgument;
        }
        *out = nullptr;
        return Guarded([&] {
            for (int pass = 0; pass < 2; ++pass) {
                if (const auto object = m_table.Find(ToIdentifier(clsid))) {
                    const Status status = object->CreateInstance(ToIdentifier(iid), out);
                    if (Failed(status)) {
                        TraceClass(121, L"CreateInstance failed", clsid, status);
                    }
                    return status;
                }
                if (pass == 0) {
                    const Status status = RegisterThroughMap(clsid);
                    if (Failed(status)) {
                        return status;
                    }
                }
            }
            TraceClass(122, L"CreateInstance: class still unknown", clsid, kStatusInvalidArgument);
            return kStatusInvalidArgument;
        });
    }

    bool IsClassAvailable(const GUID& clsid) override {
        try {
            std::u16string path;
            return IsRegistered(clsid) ||
                   m_resolver.Resolve(ToIdentifier(clsid), path) != Resolution::NotInMap;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    Status RegisterFromMap(const GUID& clsid, std::uintptr_t, std::uintptr_t) override {
        return Guarded([&] { return RegisterThroughMap(clsid); });
    }

    bool IsRegistered(const GUID& clsid) override { return m_table.Contains(ToIdentifier(clsid)); }

    Status GetOwner(IQrUnknown** owner) override {
        if (owner == nullptr) {
            return kStatusInvalidArgument;
        }
        std::lock_guard<std::mutex> lock(m_ownerLock);
        *owner = m_owner.get();
        if (*owner != nullptr) {
            (*owner)->AddRef();
        }
        return kStatusOk;
    }

    Status SetOwner(IQrUnknown* owner) override {
        if (owner != nullptr) {
            owner->AddRef();
        }
        qr_ptr<IQrUnknown> previous(owner);
        {
            std::lock_guard<std::mutex> lock(m_ownerLock);
            std::swap(previous, m_owner);
        }
        return kStatusOk;  // the previous owner is released outside the lock
    }

private:
    ~CObjectFactory() override = default;

    Status Register(const GUID& clsid, ClassKind kind, const CClassTable::MakeClass& make,
                    const CClassTable::NamesSame& namesSame) {
        const Status status = m_table.Register(ToIdentifier(clsid), kind, make, namesSame);
        if (Failed(status)) {
            TraceClass(123, L"registration refused", clsid, status);
        }
        return status;
    }

    Status RegisterCreatorClass(const GUID& clsid, bool given, std::function<IQrUnknown*()> create,
                                CCreatorClass::Identity identity) {
        return Guarded([&] {
            const auto make = [&](std::shared_ptr<IClassObject>& object) {
                if (!given) {
                    return kStatusInvalidArgument;
                }
                object = std::make_shared<CCreatorClass>(create, identity);
                return kStatusOk;
            };
            const auto namesSame = [&](IClassObject& registered) {
                return static_cast<CCreatorClass&>(registered).identity() == identity;
            };
            return Register(clsid, ClassKind::Creator, make, namesSame);
        });
    }

    // The class registered as a module class with the module the object-identifier map names.
    Status RegisterThroughMap(const GUID& clsid) {
        std::u16string path;
        const Resolution resolution = m_resolver.Resolve(ToIdentifier(clsid), path);
        if (resolution != Resolution::Found) {
            TraceClass(resolution == Resolution::NotInMap ? 124 : 125,
                       resolution == Resolution::NotInMap ? L"class not in the map"
                                                          : L"module path does not expand",
                       clsid, kStatusInvalidArgument);
            return kStatusInvalidArgument;
        }
        return RegisterModule(clsid, ToWide(path).c_str());
    }

    CClassTable m_table;
    CSettingsMapSource m_mapSource;
    CClassResolver m_resolver;
    std::mutex m_ownerLock;
    qr_ptr<IQrUnknown> m_owner;
};

std::mutex& FactoryLock() {
    static std::mutex lock;
    return lock;
}

IQrObjectFactory* g_factory = nullptr;

void ReleaseProcessFactory() {
    std::lock_guard<std::mutex> lock(FactoryLock());
    if (g_factory != nullptr) {
        std::exchange(g_factory, nullptr)->Release();
    }
}

}  // namespace

IQrObjectFactory* CreateObjectFactory() {
    IQrObjectFactory* factory = new (std::nothrow) CObjectFactory;
    if (factory == nullptr) {
        return nullptr;
    }
    for (const BuiltinClass& builtin : kBuiltinClasses) {
        const Status status = factory->RegisterCreator(builtin.clsid, builtin.create);
        if (Failed(status)) {
            TraceClass(126, builtin.name, builtin.clsid, status);
        }
    }
    return factory;
}

IQrObjectFactory* GetObjectFactory() {
    std::lock_guard<std::mutex> lock(FactoryLock());
    static bool exitHandlerRegistered = false;
    if (!exitHandlerRegistered) {
        exitHandlerRegistered = true;
        std::atexit(ReleaseProcessFactory);
    }
    if (g_factory == nullptr) {
        g_factory = CreateObjectFactory();
    }
    return g_factory;
}

}  // namespace qrLib
