// The host simulator: reading messages as the host gives them to plug-ins, and
// the whole run over the bundled samples.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "guard_heap.h"
#include "mail_message.h"
#include "simulator.h"

namespace {

// RunSimulator loads the plug-in by name: loaded here first, it is this very
// module, allocating from the guard heap.
const HMODULE g_plugin = LoadLibraryA("OmbryTovanal.dll");
const GuardHeap g_guardHeap(g_plugin);

struct DecodeCase {
    const char* name;
    std::string raw;
    std::string utf8;  // expected value, as UTF-8; empty with `fails`
    bool fails = false;
};

class DecodeHeader : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeHeader, ToShiftJis) {
    std::string error;
    std::optional<std::string> decoded = DecodeHeaderValue(GetParam().raw, error);
    if (GetParam().fails) {
        EXPECT_FALSE(decoded) << ShiftJisToUtf8(decoded.value_or(""));
        EXPECT_FALSE(error.empty());
        return;
    }
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(*decoded, Utf8ToShiftJis(GetParam().utf8));
    EXPECT_EQ(ShiftJisToUtf8(*decoded), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DecodeHeader,
    testing::Values(
        DecodeCase{"Plain", "Taro <t@x.jp>", "Taro <t@x.jp>"},
        DecodeCase{"Utf8Base64", "=?UTF-8?B?5bGx55SwIOWkqumDjg==?= <t@x.jp>", "山田 太郎 <t@x.jp>"},
        DecodeCase{"Utf8Q", "=?utf-8?q?=E7=94=B0=E4=B8=AD_=E6=AC=A1=E9=83=8E?= <j@x.jp>", "田中 次郎 <j@x.jp>"},
        DecodeCase{"Iso2022Jp", "=?ISO-2022-JP?B?GyRCTmtMWjJWO1IbKEI=?= <h@x.jp>", "鈴木花子 <h@x.jp>"},
        DecodeCase{"Iso2022JpKanaAndAscii", "=?ISO-2022-JP?B?GyhJMTIbKEJhYg==?=", "ｱｲab"},
        DecodeCase{"TrailBytes5CAnd7C", "=?UTF-8?B?44K944OV44OI6KGo56S6IOODnQ==?=", "ソフト表示 ポ"},
        DecodeCase{"AdjacentWordsJoin", "=?UTF-8?B?5bGx?= \t =?UTF-8?B?55Sw?=", "山田"},
        DecodeCase{"SpaceBeforePlainTextStays", "=?UTF-8?B?5bGx?= <a@x>", "山 <a@x>"},
        DecodeCase{"ShiftJisWord", "=?Shift_JIS?B?g1yDdINn?=", "ソフト"},
        DecodeCase{"EucJpWord", "=?EUC-JP?B?pb2l1aXI?=", "ソフト"},
        DecodeCase{"LanguageTag", "=?UTF-8*ja?B?5bGx?=", "山"},
        DecodeCase{"RawUtf8", "\"伊藤, 健二\" <k@x.org>", "\"伊藤, 健二\" <k@x.org>"},
        DecodeCase{"NotAWord", "=?UTF-8?X?abc?= =?broken", "=?UTF-8?X?abc?= =?broken"},
        DecodeCase{"BadBase64", "=?UTF-8?B?!!!!?=", "", true},
        DecodeCase{"BadQ", "=?UTF-8?Q?=G1?=", "", true},
        DecodeCase{"UnknownCharset", "=?KOI8-R?B?5bGx?=", "", true},
        DecodeCase{"InvalidUtf8InWord", "=?UTF-8?B?/w==?=", "", true},
        DecodeCase{"RawBytesNotUtf8", "\xFF\xFE <a@x>", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseMessage, UnfoldsAndFindsFieldsByAnyCase) {
    MessageResult result = ParseMessage(
        "From: a@x.jp\r\nTo: b@x.jp,\r\n\tc@x.jp\r\nCC: =?UTF-8?B?5bGx?= <d@x.jp>\r\n\r\nTo: body@x.jp\r\n");
    ASSERT_TRUE(result.message) << result.error;
    EXPECT_EQ(result.message->Field("to"), "b@x.jp,\tc@x.jp");
    EXPECT_EQ(result.message->Field("Cc"), Utf8ToShiftJis("山 <d@x.jp>"));
    EXPECT_EQ(result.message->fields.size(), 3u);
    EXPECT_EQ(result.message->HeaderBlock(), "From: a@x.jp\r\nTo: b@x.jp,\tc@x.jp\r\nCC: " +
                                                 Utf8ToShiftJis("山 <d@x.jp>") + "\r\n");
}

TEST(ParseMessage, MalformedMessagesSayWhy) {
    const struct {
        std::string raw;
        std::string error;
    } cases[] = {
        {"", "no header fields"},
        {"\r\nbody", "no header fields"},
        {" folded: first\r\n", "line 1: continuation line before any header field"},
        {"From: a@x\r\nnot a header\r\n", "line 2: header line without a name and colon"},
        {": value\r\n", "line 1: header line without a name and colon"},
        {"Bad Name: v\r\n", "line 1: white space in a field name"},
        {"To: =?UTF-8?B?!!!!?=\r\n", "To: cannot decode '=?UTF-8?B?!!!!?='"},
    };
    for (const auto& c : cases) {
        MessageResult result = ParseMessage(c.raw);
        EXPECT_FALSE(result.message) << c.raw;
        EXPECT_EQ(result.error, c.error) << c.raw;
    }
}

// What the command makes of each sample, from samples/expected.tsv, which the
// windowed host's test reads too.
struct Expected {
    std::string mailBox;
    std::string file;
    std::string outcome;  // compose, nothing or unreadable
    std::string to;       // UTF-8
    std::string cc;
};

std::vector<Expected> ExpectedOutcomes() {
    std::vector<Expected> expected;
    std::ifstream file(SAMPLES_EXPECTED);
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields(1);
        for (char c : line) {
            if (c == '\t') {
                fields.emplace_back();
            } else {
                fields.back().push_back(c);
            }
        }
        fields.resize(5);
        expected.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
    }
    return expected;
}

TEST(Simulator, BundledSamplesAreAddressedAsExpected) {
    ASSERT_TRUE(g_guardHeap.hooked());
    SimulatorOptions options;
    options.dataFolder = SAMPLES_DATA_FOLDER;
    std::ostringstream out;
    std::vector<MessageOutcome> outcomes;
    ASSERT_EQ(RunSimulator(options, out, &outcomes), 0) << out.str();

    const std::vector<Expected> expected = ExpectedOutcomes();
    ASSERT_EQ(expected.size(), 9u) << SAMPLES_EXPECTED;
    ASSERT_EQ(outcomes.size(), expected.size()) << out.str();
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const MessageOutcome& got = outcomes[i];
        const Expected& want = expected[i];
        SCOPED_TRACE(want.file);
        EXPECT_EQ(got.mailBox, want.mailBox);
        EXPECT_EQ(got.file, want.file);
        EXPECT_EQ(!got.error.empty(), want.outcome == "unreadable") << got.error;
        EXPECT_EQ(got.composed, want.outcome == "compose");
        EXPECT_EQ(ShiftJisToUtf8(got.to), want.to);
        EXPECT_EQ(ShiftJisToUtf8(got.cc), want.cc);
        if (want.outcome != "unreadable") {
            EXPECT_EQ(got.state, 0u);
        }
    }

    // The menus as the user sees them, and the state with nothing selected.
    const std::string text = out.str();
    EXPECT_NE(text.find("    3  トヴァナルメール(&A)  [id 40001]\n    4  差出人と宛先(&B)"), std::string::npos) << text;
    EXPECT_NE(text.find("    3  トヴァナルメール(&A)  [id 40002]"), std::string::npos);
    EXPECT_NE(text.find("State with no message selected: 1"), std::string::npos);
    EXPECT_NE(text.find("07-malformed.eml: line 1: header line without a name and colon\n"), std::string::npos);
}

TEST(Simulator, OptionsChooseMailboxAndMessage) {
    SimulatorOptions options;
    options.dataFolder = SAMPLES_DATA_FOLDER;
    options.mailBox = "Inbox";
    options.message = "03-sent-by-me.eml";
    std::ostringstream out;
    std::vector<MessageOutcome> outcomes;
    ASSERT_EQ(RunSimulator(options, out, &outcomes), 0);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].file, "03-sent-by-me.eml");

    options.dataFolder = "no-such-folder";
    EXPECT_EQ(RunSimulator(options, out), 2);
    options.dataFolder = SAMPLES_DATA_FOLDER;
    options.plugin = "no-such-plugin.dll";
    EXPECT_EQ(RunSimulator(options, out), 1);
}

}  // namespace
