#include "qrlib/ExpansionRules.h"

#include <set>

#include "qrlib/BuiltinFolders.h"
#include "qrlib/CaseFold.h"

namespace qrLib {

namespace {

// Replaces every occurrence of `token` (exact match, left to right) by `value`. False, leaving
// `text` unchanged, when the result would grow beyond kMaxExpandedLength.
bool ReplaceAll(std::u16string& text, const std::u16string& token, const std::u16string& value) {
    const std::size_t limit = text.size() > kMaxExpandedLength ? text.size() : kMaxExpandedLength;
    std::u16string replaced;
    std::size_t from = 0;
    for (std::size_t at = text.find(token); at != std::u16string::npos;
         at = text.find(token, from)) {
        replaced.append(text, from, at - from);
        replaced += value;
        from = at + token.size();
        if (replaced.size() > limit) {
            return false;
        }
    }
    replaced.append(text, from, std::u16string::npos);
    if (replaced.size() > limit) {
        return false;
    }
    text.swap(replaced);
    return true;
}

class CExpansion {
public:
    CExpansion(IExpansionSource& source, bool nested) : m_source(source), m_nested(nested) {}

    std::int32_t Run(const char16_t* input, std::u16string& output) {
        if (input == nullptr || !m_source.OpenMap()) {
            return 0;
        }
        output = input;
        std::u16string work = input;
        if (work.size() < 3) {
            return 0;
        }
        const std::int32_t result = ExpandPasses(work);
        if (result == 1) {
            output.swap(work);
        }
        CollapseBackslashes(output);
        return result;
    }

private:
    std::int32_t ExpandPasses(std::u16string& work) {
        std::set<std::u16string> resolved;
        for (;;) {
            const std::size_t open = work.find(u'%');
            if (open == std::u16string::npos) {
                return 1;
            }
            const std::size_t close = work.find(u'%', open + 1);
            if (close == std::u16string::npos || close == open + 1) {
                return 0;
            }
            const std::u16string token = work.substr(open, close - open + 1);
            const std::u16string name = FoldCase(token.substr(1, token.size() - 2));
            std::u16string value;
            if (!m_source.ReadMapValue(name, value) && !ResolveBuiltin(name, value)) {
                return 0;
            }
            // A name met again means a cycle, or a value that brings back a replaced variable.
            if (!resolved.insert(name).second) {
                return 0;
            }
            if (!ReplaceAll(work, token, value)) {
                return 0;
            }
        }
    }

    bool ResolveBuiltin(const std::u16string& name, std::u16string& value) {
        const BuiltinFolder* entry = FindBuiltinFolder(name);
        if (entry == nullptr) {
            return false;
        }
        switch (entry->id) {
            case kCommonSiloData:
                return SiloData(kFolderCommonAppData, value);
            case kLocalSiloData:
                return SiloData(kFolderLocalAppData, value);
            case kProgramFilesX64:
                return m_source.CurrentVersionDir(u"ProgramFilesDir", value);
            case kProgramFilesCommonX64:
                return m_source.CurrentVersionDir(u"CommonFilesDir", value);
            default:
                return m_source.ShellFolder(entry->id, value);
        }
    }

    // The silo data directories expand "%APPDATAEXTENSION%" themselves. Inside that nested
    // expansion they are not available: a map that leads the extension back to them would
    // otherwise recurse without end, so the nested expansion fails and the default applies.
    bool SiloData(std::uint32_t csidl, std::u16string& value) {
        if (m_nested) {
            return false;
        }
        std::u16string extension;
        if (CExpansion(m_source, true).Run(u"%APPDATAEXTENSION%", extension) != 1) {
            extension = kDefaultExtension;
        }
        if (extension.size() > kMaxExtensionLength) {
            extension.resize(kMaxExtensionLength);
        }
        return m_source.SiloDataPath(csidl, extension, value);
    }

    IExpansionSource& m_source;
    bool m_nested;
};

}  // namespace

std::int32_t ExpandVariables(const char16_t* input, std::u16string& output,
                             IExpansionSource& source) {
    return CExpansion(source, false).Run(input, output);
}

void CollapseBackslashes(std::u16string& text) {
    if (text.find(u"\\\\") == std::u16string::npos) {
        return;
    }
    const bool unc = text[0] == u'\\' && text[1] == u'\\';
    std::u16string collapsed;
    collapsed.reserve(text.size());
    for (const char16_t c : text) {
        if (c == u'\\' && !collapsed.empty() && collapsed.back() == u'\\') {
            continue;
        }
        collapsed += c;
    }
    if (unc) {
        collapsed.insert(collapsed.begin(), u'\\');
    }
    text.swap(collapsed);
}

}  // namespace qrLib
