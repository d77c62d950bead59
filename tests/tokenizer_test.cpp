// The address tokenizer, byte for byte. Builds natively and for Windows; the
// Shift_JIS texts are written as byte escapes so that no compiler recodes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "address_tokenizer.h"
#include "shift_jis_lead_bytes.h"

namespace {

constexpr LeadByteTable kShiftJis = ShiftJisLeadBytes();

std::vector<std::string> Tokenize(std::string text, const LeadByteTable& leads = kShiftJis) {
    std::vector<std::string> addresses;
    for (char* a = NextAddress(text.data(), leads); a; a = NextAddress(nullptr, leads)) addresses.push_back(a);
    return addresses;
}

struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> addresses;
};

class Tokenizer : public testing::TestWithParam<Case> {};

TEST_P(Tokenizer, SplitsAsExpected) { EXPECT_EQ(Tokenize(GetParam().text), GetParam().addresses); }

// "鈴木" = 97 E9 96 D8, "ソ" = 83 5C (trail byte '\'), "ポ" = 83 7C (trail '|'),
// "表" = 95 5C, "，" = 81 43, "、" = 81 41; 0x2C and 0x3B never occur as trail bytes.
INSTANTIATE_TEST_SUITE_P(
    Table, Tokenizer,
    testing::Values(
        Case{"CommaAndSemicolon", "a@x,b@y;c@z", {"a@x", "b@y", "c@z"}},
        Case{"RunsOfSpacesAndSeparators", " \t,, a@x ,;\r\n b@y ;, ", {"a@x", "b@y"}},
        Case{"ControlBytesAreSpaces", "\x01\x1f" "a@x\x7f\x1f", {"a@x\x7f"}},
        Case{"InnerSpacesStay", "Taro Yamada  <t@x> , b@y", {"Taro Yamada  <t@x>", "b@y"}},
        Case{"QuotedComma", "\"Suzuki, Ichiro\" <s@x>, b@y", {"\"Suzuki, Ichiro\" <s@x>", "b@y"}},
        Case{"QuotedSemicolon", "\"a;b\" <a@x>;c@y", {"\"a;b\" <a@x>", "c@y"}},
        Case{"BackslashEscapesNothing", "\"a\\\",b\" <a@x>", {"\"a\\\"", "b\" <a@x>"}},
        Case{"UnclosedQuoteTakesTheRest", "a@x, \"Open, <b@y>; c@z", {"a@x", "\"Open, <b@y>; c@z"}},
        Case{"LeadingCommentDropped", "(note) a@x, b@y", {"a@x", "b@y"}},
        Case{"LeadingCommentThenSeparators", "(note),; a@x", {"a@x"}},
        Case{"SecondLeadingCommentStays", "(one)(two) a@x", {"(two) a@x"}},
        Case{"TrailingCommentStays", "a@x (work, home), b@y", {"a@x (work, home)", "b@y"}},
        Case{"CommentHidesQuote", "a@x (\"), b@y", {"a@x (\")", "b@y"}},
        Case{"CommentInsideQuotes", "\"A (x\" <a@x>, b@y", {"\"A (x\" <a@x>, b@y"}},
        Case{"CommentsDoNotNest", "a@x (1 (2) 3), b@y", {"a@x (1 (2) 3)", "b@y"}},
        Case{"UnclosedLeadingComment", "(never closed, a@x", {}},
        Case{"UnclosedLaterComment", "a@x (open, b@y; c@z", {"a@x (open, b@y; c@z"}},
        Case{"OnlyAComment", "(just a comment)", {}},
        Case{"CommentThenNothing", "  (c)  ", {}},
        Case{"Empty", "", {}},
        Case{"OnlySpacesAndSeparators", " ,;\t ;, ", {}},
        Case{"ShiftJisDisplayName", "\x97\xE9\x96\xD8 <s@x>, b@y", {"\x97\xE9\x96\xD8 <s@x>", "b@y"}},
        Case{"TrailByte5CAnd7C", "\x83\x5C\x83\x74\x83\x67 \x95\x5C\x83\x7C <s@x>,t@y",
             {"\x83\x5C\x83\x74\x83\x67 \x95\x5C\x83\x7C <s@x>", "t@y"}},
        Case{"SeparatorAfterLeadByte", "\x81,a@x, b@y", {"\x81,a@x", "b@y"}},
        Case{"SemicolonAfterLeadByte", "a\xE0;b@x;c@y", {"a\xE0;b@x", "c@y"}},
        Case{"QuoteAfterLeadByteIsNoQuote", "\x81\"a@x, b@y", {"\x81\"a@x", "b@y"}},
        Case{"ParenAfterLeadByteIsNoComment", "\x81(a@x, b@y)", {"\x81(a@x", "b@y)"}},
        Case{"LeadByteBeforeTerminator", "a@x, b@y\x81", {"a@x", "b@y\x81"}},
        Case{"LoneLeadByte", "\x9F", {"\x9F"}},
        Case{"FullWidthCommaDoesNotCut", "\x81\x43 a@x\x81\x41 b@y", {"\x81\x43 a@x\x81\x41 b@y"}},
        Case{"HighBytesOutsideLeadRanges", "\xA0,\xFD;\x80", {"\xA0", "\xFD", "\x80"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TokenizerRun, NullAfterTheLastAddressUntilANewText) {
    std::string text = "a@x, b@y";
    EXPECT_STREQ(NextAddress(text.data(), kShiftJis), "a@x");
    EXPECT_STREQ(NextAddress(nullptr, kShiftJis), "b@y");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(NextAddress(nullptr, kShiftJis), nullptr);

    std::string next = "c@z";
    EXPECT_STREQ(NextAddress(next.data(), kShiftJis), "c@z");
    EXPECT_EQ(NextAddress(nullptr, kShiftJis), nullptr);
}

TEST(TokenizerRun, NewTextAbandonsTheRunningOne) {
    std::string first = "a@x, b@y";
    std::string second = "c@z";
    EXPECT_STREQ(NextAddress(first.data(), kShiftJis), "a@x");
    EXPECT_STREQ(NextAddress(second.data(), kShiftJis), "c@z");
    EXPECT_EQ(NextAddress(nullptr, kShiftJis), nullptr);
}

TEST(TokenizerRun, UnclosedLeadingCommentKeepsAnsweringNull) {
    std::string text = "a@x, (open";
    EXPECT_STREQ(NextAddress(text.data(), kShiftJis), "a@x");
    EXPECT_EQ(NextAddress(nullptr, kShiftJis), nullptr);
    EXPECT_EQ(NextAddress(nullptr, kShiftJis), nullptr);
}

TEST(TokenizerRun, WritesInPlaceAndStaysInsideTheText) {
    std::string text = " a@x ,  b@y\t";
    const std::string original = text;
    char* first = NextAddress(text.data(), kShiftJis);
    char* second = NextAddress(nullptr, kShiftJis);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first, text.data() + 1);
    EXPECT_EQ(second, text.data() + 8);
    // Separator and trailing spaces became NULs; nothing else changed.
    EXPECT_EQ(text, std::string(" a@x\0\0  b@y\0", 12));
    EXPECT_EQ(text.size(), original.size());
}

TEST(TokenizerRun, WithoutLeadBytesEveryByteIsSingle) {
    const LeadByteTable none;
    EXPECT_EQ(Tokenize("\x81,a@x", none), (std::vector<std::string>{"\x81", "a@x"}));
}

}  // namespace
