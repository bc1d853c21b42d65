// An in-memory path expansion map and shell, for the unit tests and the fuzz target: folders are
// "F:\<csidl in hex>", silo data directories "<folder>\<extension>\{silo}"; the recycle bin (0x0A)
// has no path.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "qrlib/ExpansionRules.h"

class CFakeExpansionSource : public qrLib::IExpansionSource {
public:
    bool OpenMap() override { return true; }
    bool ReadMapValue(const std::u16string& name, std::u16string& value) override {
        const auto found = m_map.find(name);
        if (found == m_map.end()) {
            return false;
        }
        value = found->second;
        return true;
    }
    bool ShellFolder(std::uint32_t csidl, std::u16string& path) override {
        const char16_t digits[] = u"0123456789ABCDEF";
        path = std::u16string(u"F:\\") + digits[(csidl >> 4) & 15] + digits[csidl & 15];
        return csidl != 0x0A;
    }
    bool CurrentVersionDir(const char16_t* valueName, std::u16string& path) override {
        path = std::u16string(u"X:\\") + valueName;
        return true;
    }
    bool SiloDataPath(std::uint32_t csidl, const std::u16string& extension,
                      std::u16string& path) override {
        ShellFolder(csidl, path);
        path += u'\\' + extension + u"\\{silo}";
        return true;
    }

    std::map<std::u16string, std::u16string> m_map;  // names folded to lower case
};
