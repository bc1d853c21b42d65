#include "objects/ClassResolver.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using qrLib::Resolution;

const qrLib::Identifier kKnown = {1};
const qrLib::Identifier kLater = {2};
const qrLib::Identifier kUnknown = {3};

// Hands out successive maps, one per read; an exhausted list reads as unreadable.
class CScriptedSource : public qrLib::IObjectIdMapSource {
public:
    std::vector<qrLib::ObjectIdMap> maps;
    int reads = 0;

    bool ReadMap(qrLib::ObjectIdMap& map) override {
        const bool more = ++reads <= static_cast<int>(maps.size());
        map = more ? maps[reads - 1] : qrLib::ObjectIdMap();
        return more;
    }
    // A stored path with a variable does not expand.
    bool ExpandPath(const std::u16string& stored, std::u16string&) override {
        return stored.find(u'%') == std::u16string::npos;
    }
};

TEST(ClassResolver, ReadsTheMapOnceAndAgainOnlyForAMissingClass) {
    CScriptedSource source;
    source.maps = {{{kKnown, u"a.dll"}}, {{kKnown, u"a.dll"}, {kLater, u"%UNSET%\\b.dll"}}};
    qrLib::CClassResolver resolver(source);
    std::u16string path;
    // Each step: the class, the answer, the reads so far.
    const std::tuple<qrLib::Identifier, Resolution, int> steps[] = {
        {kKnown, Resolution::Found, 1},       {kKnown, Resolution::Found, 1},
        {kLater, Resolution::NotExpanded, 2}, {kLater, Resolution::NotExpanded, 2},
        {kUnknown, Resolution::NotInMap, 3},  // the third read fails: no map any more
        {kKnown, Resolution::NotInMap, 5},
    };
    for (const auto& [clsid, expected, reads] : steps) {
        EXPECT_EQ(resolver.Resolve(clsid, path), expected);
        EXPECT_EQ(source.reads, reads);
    }
}

}  // namespace
