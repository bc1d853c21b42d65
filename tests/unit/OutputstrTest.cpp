#include "diagnostics/outputstr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

TEST(Outputstr, BufferGrowsInSixteenByteSteps) {
    EXPECT_EQ(outputstr::CapacityFor(0), 0u);
    EXPECT_EQ(outputstr::CapacityFor(1), 16u);
    EXPECT_EQ(outputstr::CapacityFor(15), 16u);
    EXPECT_EQ(outputstr::CapacityFor(16), 32u);
    EXPECT_EQ(outputstr::CapacityFor(31), 32u);
    EXPECT_EQ(outputstr::CapacityFor(32), 48u);

    // Growing one character at a time crosses each step with the text intact.
    outputstr text;
    std::string expected;
    for (int i = 0; i < 70; ++i) {
        const char piece[2] = {static_cast<char>('a' + i % 26), '\0'};
        text.append(piece);
        expected += piece;
        ASSERT_STREQ(text.c_str(), expected.c_str());
        ASSERT_EQ(text.length(), expected.size());
    }
}

TEST(Outputstr, EmptyOperandsChangeNothing) {
    outputstr empty;
    EXPECT_EQ(empty.data(), nullptr);
    EXPECT_STREQ(empty.c_str(), "");

    outputstr text("abc");
    text.append(nullptr);
    text.append("");
    EXPECT_STREQ(text.c_str(), "abc");
    EXPECT_STREQ((outputstr("abc") + outputstr()).c_str(), "abc");
    EXPECT_STREQ((outputstr("abc") + static_cast<const char*>(nullptr)).c_str(), "abc");
    EXPECT_EQ((outputstr() + "").data(), nullptr);
}

TEST(Outputstr, ConcatenationsWriteNumbersInDecimalAndConsumeTheLeftOperand) {
    EXPECT_STREQ((outputstr("n=") + -42).c_str(), "n=-42");
    EXPECT_STREQ((outputstr("l=") + -2147483647L).c_str(), "l=-2147483647");
    EXPECT_STREQ((outputstr("u=") + 4294967295u).c_str(), "u=4294967295");
    EXPECT_STREQ((outputstr("a") + outputstr("b") + "c" + 1).c_str(), "abc1");

    outputstr left("left");
    outputstr joined = std::move(left) + " right";
    EXPECT_STREQ(joined.c_str(), "left right");
    EXPECT_TRUE(left.empty());  // NOLINT(bugprone-use-after-move): consumed by design

    const outputstr kept("kept");
    EXPECT_STREQ((kept + "!").c_str(), "kept!");
    EXPECT_STREQ(kept.c_str(), "kept");
}

TEST(Outputstr, CopyAssignmentTakesACopy) {
    outputstr a("first text");
    const outputstr b("second, longer text than the first");
    a = b;
    EXPECT_STREQ(a.c_str(), b.c_str());
    EXPECT_NE(a.data(), b.data());
    a = a;
    EXPECT_STREQ(a.c_str(), b.c_str());
}

// Hands out blocks and, on release, keeps a copy of what the string left in them.
struct RecordingAllocator {
    static inline int allocationsLeft = -1;  // -1: never fail
    static inline std::string released;
    static void* Allocate(std::size_t size) {
        if (allocationsLeft == 0) {
            return nullptr;
        }
        if (allocationsLeft > 0) {
            --allocationsLeft;
        }
        void* block = std::malloc(size);
        std::memset(block, 'X', size);
        return block;
    }
    static void Release(void* block) {
        released.assign(static_cast<const char*>(block), 16);
        std::free(block);
    }
};

class OutputstrAllocation : public ::testing::Test {
protected:
    void SetUp() override {
        RecordingAllocator::allocationsLeft = -1;
        SetOutputstrAllocatorForTest({&RecordingAllocator::Allocate, &RecordingAllocator::Release});
    }
    void TearDown() override { SetOutputstrAllocatorForTest({nullptr, nullptr}); }
};

TEST_F(OutputstrAllocation, ReleasedTextIsWipedFirst) {
    { outputstr secret("password=hunter"); }
    EXPECT_EQ(RecordingAllocator::released, std::string(16, '\0'));

    outputstr overwritten("old secret text");
    overwritten = outputstr("new");
    EXPECT_EQ(RecordingAllocator::released, std::string(16, '\0'));
}

TEST_F(OutputstrAllocation, FailureThrowsTheNamedErrorAndKeepsTheText) {
    outputstr text("fifteen chars..");
    RecordingAllocator::allocationsLeft = 0;
    try {
        text.append("!");
        FAIL() << "expected an allocation failure";
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ(e.what(), "outputstr failed to allocate memory");
    }
    EXPECT_STREQ(text.c_str(), "fifteen chars..");
    EXPECT_THROW(outputstr("x") + "y", outputstr_alloc_error);
}

}  // namespace
