#include "objects/BuiltinClasses.h"

#include <new>

namespace qrLib {

namespace {

// One class per built-in identifier, so that each keeps its own type as it grows.
template <int Kind>
class CBuiltinObject final : public CQrObject<IQrUnknown> {
public:
    static IQrUnknown* Create() { return new (std::nothrow) CBuiltinObject; }

    Status QueryInterface(const GUID& iid, void** out) override {
        return AnswerInterfaces(iid, out, {});
    }

private:
    ~CBuiltinObject() override = default;
};

}  // namespace

const BuiltinClass kBuiltinClasses[kBuiltinClassCount] = {
    {{0x740AB61D, 0x8B4A, 0x46CC, {0x9D, 0x82, 0x86, 0xF7, 0x2E, 0x05, 0x54, 0x77}},
     &CBuiltinObject<0>::Create,
     L"qrZanIndexValueCollectionImpl"},
    {{0x9958D891, 0xC319, 0x4C6C, {0xBE, 0xB9, 0xF9, 0xBF, 0xB3, 0x7E, 0xA4, 0x93}},
     &CBuiltinObject<1>::Create,
     L"qrZanKeyValueCollectionImpl"},
    {{0x3F05A321, 0x43B7, 0x4578, {0x93, 0xC8, 0xCD, 0xC5, 0xF6, 0x4A, 0x14, 0x9A}},
     &CBuiltinObject<2>::Create,
     L"qrZanStringImpl"},
    {{0x31324564, 0x3B13, 0x4533, {0x89, 0x99, 0x33, 0x99, 0x06, 0x88, 0xF5, 0xA9}},
     &CBuiltinObject<3>::Create,
     L"qrZanMemoryImpl"},
    {{0x4FDA34C1, 0x9899, 0x494C, {0xA3, 0x3D, 0x72, 0xBA, 0x6B, 0xB0, 0xF4, 0xFD}},
     &CBuiltinObject<4>::Create,
     L"qrZanDigest"},
    {{0x4FDA34C2, 0x9899, 0x494C, {0xA3, 0x3D, 0x72, 0xBA, 0x6B, 0xB0, 0xF4, 0xFD}},
     &CBuiltinObject<5>::Create,
     L"qrZanDigest"},
    {{0x4FDA34C3, 0x9899, 0x494C, {0xA3, 0x3D, 0x72, 0xBA, 0x6B, 0xB0, 0xF4, 0xFD}},
     &CBuiltinObject<6>::Create,
     L"qrZanDigest"},
    {{0x4FDA34C4, 0x9899, 0x494C, {0xA3, 0x3D, 0x72, 0xBA, 0x6B, 0xB0, 0xF4, 0xFD}},
     &CBuiltinObject<7>::Create,
     L"qrZanDigest"},
};

}  // namespace qrLib
