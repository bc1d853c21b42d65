#include "trust/VerifyPathRules.h"

#include "qrlib/CaseFold.h"

namespace qrLib {

namespace {

constexpr std::u16string_view kVolumePrefix = u"\\device\\harddiskVolume";
constexpr std::u16string_view kDosPrefix = u"\\??\\";

}  // namespace

std::u16string NormalizeVerifyPathText(std::u16string_view path, const DosDeviceQuery& query) {
    const std::size_t first = path.find_first_not_of(u'"');
    if (first == std::u16string_view::npos) {
        return std::u16string();
    }
    path = path.substr(first, path.find_last_not_of(u'"') - first + 1);

    if (StartsWithNoCase(path, kVolumePrefix)) {
        // "\device" and "\harddiskVolumeN" make the device; what follows is the remainder.
        const std::size_t split = path.find(u'\\', kVolumePrefix.size());
        const std::u16string_view device = path.substr(0, split);
        const std::u16string_view remainder =
            split == std::u16string_view::npos ? std::u16string_view() : path.substr(split);
        for (char16_t drive = u'A'; drive <= u'Z'; ++drive) {
            std::u16string target;
            if (query(drive, target) && CompareNoCase(target, device) == 0) {
                return std::u16string{drive, u':'} + std::u16string(remainder);
            }
        }
        return std::u16string(remainder);
    }
    if (StartsWithNoCase(path, kDosPrefix)) {
        const std::size_t start = path.find_first_not_of(u"\\?");
        return start == std::u16string_view::npos ? std::u16string()
                                                  : std::u16string(path.substr(start));
    }
    return std::u16string(path);
}

}  // namespace qrLib
