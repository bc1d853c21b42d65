#include "objects/Identifier.h"

#include <gtest/gtest.h>

namespace {

using qrLib::Identifier;

TEST(Identifier, ParsesOnlyTheBracedTextFormAndWritesIt) {
    const Identifier digest = {
        0x4FDA34C1, 0x9899, 0x494C, {0xA3, 0x3D, 0x72, 0xBA, 0x6B, 0xB0, 0xF4, 0xFD}};
    const std::pair<const char16_t*, bool> cases[] = {
        {u"{4FDA34C1-9899-494C-A33D-72BA6BB0F4FD}", true},
        {u"{4fda34c1-9899-494c-a33d-72ba6bb0f4fd}", true},
        {u"{4FDA34C1-9899-494C-A33D-72BA6BB0F4FD0}", false},
        {u"(4FDA34C1-9899-494C-A33D-72BA6BB0F4FD}", false},
        {u"{4FDA34C1-9899-494C-A33D-72BA6BB0F4FD)", false},
        {u"{4FDA34C1-9899-494C-A33D72BA6BB0F4FD0}", false},
        {u"{4FDA34C1-9899-494C-A33D-72BA6BB0F4FG}", false},
    };
    for (const auto& [text, valid] : cases) {
        Identifier id = {1, 2, 3, {4}};
        EXPECT_EQ(qrLib::ParseIdentifier(text, id), valid);
        const Identifier untouched = {1, 2, 3, {4}};
        EXPECT_EQ(id, valid ? digest : untouched);
    }
    const Identifier id = {
        0x0000ABCD, 0x00EF, 0x0102, {0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A}};
    EXPECT_EQ(qrLib::IdentifierText(id), u"{0000ABCD-00EF-0102-0304-05060708090A}");
}

}  // namespace
