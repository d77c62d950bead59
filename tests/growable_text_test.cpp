// The text the command's lists and paths grow in: always terminated, and
// unchanged by a failed allocation.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "growable_text.h"

namespace {

TEST(GrowableText, EmptyTextTakesWritesOfNothing) {
    AnsiText text;
    EXPECT_STREQ(text.c_str(), "");
    ASSERT_EQ(text.Reserve(0), S_OK);
    text.Commit(0);  // writes the terminator into the text's own memory
    EXPECT_STREQ(text.c_str(), "");
    EXPECT_TRUE(text.empty());
}

TEST(GrowableText, GrowsAndStaysTerminated) {
    WideText text;
    std::wstring expected;
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(text.Append(L"ab, ", 4), S_OK);
        expected += L"ab, ";
    }
    EXPECT_EQ(std::wstring(text.c_str()), expected);
    EXPECT_EQ(text.size(), expected.size());
}

TEST(GrowableText, RefusedGrowthLeavesTheTextAsItWas) {
    AnsiText text;
    ASSERT_EQ(text.Append("kept", 4), S_OK);
    EXPECT_EQ(text.Reserve(SIZE_MAX / 2), E_OUTOFMEMORY);
    EXPECT_EQ(text.Reserve(INT32_MAX), E_OUTOFMEMORY);
    EXPECT_STREQ(text.c_str(), "kept");
    EXPECT_EQ(text.size(), 4u);
}

}  // namespace
