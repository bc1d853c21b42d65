#include "diagnostics/outputstr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(Outputstr, ConcatenationsWriteNumbersInDecimalAndSkipEmptyOperands) {
    const std::pair<outputstr, const char*> cases[] = {
        {outputstr("n=") + -42, "n=-42"},
        {outputstr("l=") + -2147483647L, "l=-2147483647"},
        {outputstr("u=") + 4294967295u, "u=4294967295"},
        {outputstr("a") + outputstr("b") + "c" + 1, "abc1"},
        {outputstr("abc") + static_cast<const char*>(nullptr), "abc"}};
    for (const auto& [text, expected] : cases) {
        EXPECT_STREQ(text.c_str(), expected);
    }
    EXPECT_EQ((outputstr() + "").data(), nullptr);
    EXPECT_STREQ(outputstr().c_str(), "");

    outputstr left("left");
    EXPECT_STREQ((std::move(left) + " right").c_str(), "left right");
    const outputstr kept("kept");
    EXPECT_STREQ((kept + "!").c_str(), "kept!");
    EXPECT_STREQ(kept.c_str(), "kept");

    outputstr copy("first text");
    const outputstr source("second, longer text than the first");
    copy = source;
    const outputstr& self = copy;
    copy = self;
    EXPECT_STREQ(copy.c_str(), source.c_str());
    EXPECT_NE(copy.data(), source.data());
}

// Hands out blocks filled with 'X', or none once told to fail; counts released blocks that still
// hold anything but zeros.
struct RecordingAllocator {
    static inline bool fail = false;
    static inline std::vector<std::size_t> sizes;
    static inline std::map<void*, std::size_t> live;
    static inline int unwiped = 0;
    static void* Allocate(std::size_t size) {
        if (fail) {
            return nullptr;
        }
        sizes.push_back(size);
        return live.emplace(std::memset(std::malloc(size), 'X', size), size).first->first;
    }
    static void Release(void* block) {
        const char* bytes = static_cast<const char*>(block);
        unwiped += std::any_of(bytes, bytes + live[block], [](char c) { return c != 0; });
        live.erase(block);
        std::free(block);
    }
};

class OutputstrAllocation : public ::testing::Test {
protected:
    void SetUp() override {
        SetOutputstrAllocatorForTest({&RecordingAllocator::Allocate, &RecordingAllocator::Release});
    }
    void TearDown() override { SetOutputstrAllocatorForTest({nullptr, nullptr}); }
};

TEST_F(OutputstrAllocation, GrowsInSixteenByteStepsWipesWhatItReleasesAndNamesItsFailure) {
    {
        outputstr text;
        std::string expected;
        for (int i = 0; i < 7; ++i) {
            text.append("0123456789");
            expected += "0123456789";
        }
        EXPECT_EQ(text.c_str(), expected);
        EXPECT_EQ(text.length(), 70u);
        EXPECT_EQ(RecordingAllocator::sizes, (std::vector<std::size_t>{16, 32, 48, 64, 80}));
        EXPECT_EQ(RecordingAllocator::live.size(), 1u);  // each outgrown block went back at once
    }
    outputstr text("old secret text");
    text = outputstr("fifteen chars..");  // the overwritten text's block goes back too
    EXPECT_EQ(RecordingAllocator::live.size(), 1u);
    EXPECT_EQ(RecordingAllocator::unwiped, 0);

    RecordingAllocator::fail = true;
    try {
        text.append("!");
        FAIL() << "expected an allocation failure";
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ(e.what(), "outputstr failed to allocate memory");
    }
    EXPECT_STREQ(text.c_str(), "fifteen chars..");
    EXPECT_THROW(outputstr("x") + "y", outputstr_alloc_error);
    RecordingAllocator::fail = false;
}

}  // namespace
