// The object-identifier map as the settings component holds it: under the key "QuarryCore\OBJID",
// one subkey per class named by its identifier, whose string value "InProc64" is the module path.
#pragma once

#include "objects/ClassResolver.h"

namespace qrLib {

constexpr wchar_t kObjectIdKey[] = L"QuarryCore\\OBJID";
constexpr wchar_t kModulePathValue[] = L"InProc64";
// The folder of the settings component, expanded through the path-expansion map.
constexpr wchar_t kSettingsFolderVariable[] = L"%QRROOTX64%";

class CSettingsMapSource : public IObjectIdMapSource {
public:
    // Loads "qrSet.dll" from the folder, reads the map through its settings object and unloads it
    // again. False when any step up to the enumeration fails; subkeys whose name is not a class
    // identifier or whose value cannot be read are skipped.
    bool ReadMap(ObjectIdMap& map) override;
    // Path expansion through the process's isolation profile.
    bool ExpandPath(const std::u16string& stored, std::u16string& path) override;
};

}  // namespace qrLib
