#include "qrlib/IsolateIniSearch.h"

#include "qrlib/Win32Codes.h"

namespace qrLib {

bool RemoveLastComponent(std::u16string& path) {
    const std::size_t last = path.rfind(u'\\');
    if (last == std::u16string::npos) {
        return false;
    }
    const bool driveRoot = last == 2 && path[1] == u':';
    const std::size_t keep = (driveRoot || last == 0) ? last + 1 : last;
    if (keep == path.size()) {
        return false;
    }
    path.resize(keep);
    return true;
}

bool IsUncServer(std::u16string_view path) {
    return path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\' &&
           path.find(u'\\', 2) == std::u16string_view::npos;
}

bool IsolateIniCandidate(std::u16string_view directory, std::u16string& candidate) {
    candidate.assign(directory);
    if (candidate.empty() || candidate.back() != u'\\') {
        candidate += u'\\';
    }
    candidate += kIsolateIniName;
    return candidate.size() < kMaxPath;
}

std::uint32_t FindIsolateIni(std::u16string_view modulePath,
                             const std::function<bool(const std::u16string&)>& exists,
                             std::u16string& found) {
    std::u16string directory(modulePath);
    std::u16string candidate;
    while (RemoveLastComponent(directory)) {
        if (IsUncServer(directory)) {
            return kErrorFileNotFound;
        }
        if (!IsolateIniCandidate(directory, candidate)) {
            return kErrorInternalError;
        }
        if (exists(candidate)) {
            found = candidate;
            return kErrorSuccess;
        }
    }
    return kErrorFileNotFound;
}

}  // namespace qrLib
