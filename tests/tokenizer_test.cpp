// The address tokenizer, byte for byte. Builds natively and for Windows; the
// Shift_JIS texts are written as byte escapes so that no compiler recodes them.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "address_tokenizer.h"
#include "shift_jis_byte_classes.h"

namespace {

constexpr AddressByteClasses kShiftJis = ShiftJisByteClasses();

std::vector<std::string> Tokenize(std::string text, const AddressByteClasses& bytes = kShiftJis) {
    std::vector<std::string> addresses;
    for (char* a = NextAddress(text.data(), bytes); a; a = NextAddress(nullptr, bytes)) addresses.push_back(a);
    return addresses;
}

std::vector<std::string> OtherAddresses(std::string text, const char* own) {
    std::vector<std::string> kept;
    ForEachOtherAddress(text.data(), own, kShiftJis, [&kept](const char* a) {
        kept.push_back(a);
        return true;
    });
    return kept;
}

// Header text as C++ would spell it: printable ASCII as it is, other bytes as
// \xNN, so that a failing row reads like the row.
std::string Spelled(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string spelled = "\"";
    for (unsigned char byte : text) {
        if (byte == '"' || byte == '\\') {
            spelled += '\\';
            spelled += char(byte);
        } else if (byte >= 0x20 && byte < 0x7F) {
            spelled += char(byte);
        } else {
            spelled += "\\x";
            spelled += kHex[byte >> 4];
            spelled += kHex[byte & 15];
        }
    }
    return spelled + "\"";
}

struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> addresses;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name << ": " << Spelled(c.text); }

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

struct OwnCase {
    const char* name;
    std::string text;
    const char* own;
    std::vector<std::string> kept;
};

void PrintTo(const OwnCase& c, std::ostream* out) {
    *out << c.name << ": " << Spelled(c.text) << ", own address " << Spelled(c.own);
}

class OwnAddress : public testing::TestWithParam<OwnCase> {};

TEST_P(OwnAddress, IsLeftOut) { EXPECT_EQ(OtherAddresses(GetParam().text, GetParam().own), GetParam().kept); }

INSTANTIATE_TEST_SUITE_P(
    Table, OwnAddress,
    testing::Values(
        OwnCase{"Bare", "a@x, me@example.jp, b@y", "me@example.jp", {"a@x", "b@y"}},
        OwnCase{"Alone", " me@example.jp ", "me@example.jp", {}},
        OwnCase{"First", "me@example.jp;a@x", "me@example.jp", {"a@x"}},
        OwnCase{"DisplayNameForms", "\"Me, myself\" <me@example.jp>, Me <me@example.jp>, a@x", "me@example.jp", {"a@x"}},
        OwnCase{"InsideALongerAddress", "home@example.jp, me@example.jp.other, a@x", "me@example.jp", {"a@x"}},
        OwnCase{"CaseDifferenceStays", "ME@example.jp, Me@Example.jp", "me@example.jp",
                {"ME@example.jp", "Me@Example.jp"}},
        OwnCase{"SeveralTimes", "me@example.jp, a@x, me@example.jp (again), b@y, <me@example.jp>", "me@example.jp",
                {"a@x", "b@y"}},
        OwnCase{"InAComment", "a@x (cc me@example.jp), b@y", "me@example.jp", {"b@y"}},
        OwnCase{"ShiftJisName", "\x8E\x52\x93\x63 <me@example.jp>, \x97\xE9\x96\xD8 <s@x>", "me@example.jp",
                {"\x97\xE9\x96\xD8 <s@x>"}},
        OwnCase{"NotThere", "a@x, b@y", "me@example.jp", {"a@x", "b@y"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TokenizerRun, StoppingEarlyLeavesTheTokenizerIdle) {
    std::string text = "a@x, b@y, c@z";
    int seen = 0;
    ForEachOtherAddress(text.data(), "me@example.jp", kShiftJis, [&seen](const char*) { return ++seen < 2; });
    EXPECT_EQ(seen, 2);
    // The text may be gone now: nothing may lead back into it.
    EXPECT_EQ(NextAddress(nullptr, kShiftJis), nullptr);
}

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
    const AddressByteClasses none;
    EXPECT_EQ(Tokenize("\x81,a@x", none), (std::vector<std::string>{"\x81", "a@x"}));
}

}  // namespace
