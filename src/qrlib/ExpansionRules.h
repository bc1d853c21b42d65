// The rules of path expansion: %NAME% variables replaced from the isolation profile's variable map
// and the built-in table, pass after pass, until no "%" is left. The platform supplies the map and
// the folders through IExpansionSource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qrLib {

class IExpansionSource {
public:
    virtual ~IExpansionSource() = default;
    // Opens the variable map of the isolation profile; false when there is no profile or no map.
    // Called by every expansion, nested ones included; opening an open map must succeed.
    virtual bool OpenMap() = 0;
    // The map's value for `name` (in lower case); false when there is none.
    virtual bool ReadMapValue(const std::u16string& name, std::u16string& value) = 0;
    // The default location of shell folder `csidl`; false when the shell has none.
    virtual bool ShellFolder(std::uint32_t csidl, std::u16string& path) = 0;
    // A directory value ("ProgramFilesDir", "CommonFilesDir") of the 64-bit CurrentVersion key.
    virtual bool CurrentVersionDir(const char16_t* valueName, std::u16string& path) = 0;
    // Special folder `csidl` with `extension` and then the silo name appended; false on any
    // failure, an unavailable silo name included.
    virtual bool SiloDataPath(std::uint32_t csidl, const std::u16string& extension,
                              std::u16string& path) = 0;
};

// No path is longer; an expansion that would grow beyond it fails instead of growing on.
constexpr std::size_t kMaxExpandedLength = 32767;
// The silo data directories take at most this much of the expanded "%APPDATAEXTENSION%".
constexpr std::size_t kMaxExtensionLength = 49;
constexpr char16_t kDefaultExtension[] = u"Zanthrex";

// Expands `input`; 1 on success with the result in `output`, 0 on failure. A null input, or a map
// that cannot be opened, fails with `output` untouched. Otherwise `output` starts as the input;
// input of fewer than three characters fails there. A failure during the passes (a lone "%", an
// empty or unknown name, a name met a second time, growth beyond kMaxExpandedLength) leaves the
// input in `output`. After the passes `output` goes through CollapseBackslashes.
std::int32_t ExpandVariables(const char16_t* input, std::u16string& output,
                             IExpansionSource& source);

// Collapses every run of backslashes to one; text that began with two keeps two in front, so a
// UNC prefix survives.
void CollapseBackslashes(std::u16string& text);

}  // namespace qrLib
