// The command "トヴァナルメール" through the callback the host received: own
// address from the mailbox's settings file, recipients of From, To and Cc, and
// the compose window. Compiled with -fexec-charset=CP932, so narrow literals
// are Shift_JIS as the host's texts are.
#include <map>
#include <ostream>
#include <optional>
#include <string>

#include "plugin_fixture.h"

namespace {

constexpr char kOwn[] = "me@example.jp";

class CommandTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        host().dataFolder = data.path();
        host().mailBox = "inbox\\";
        data.WriteSettings("inbox\\", std::string("[Account]\r\nMailAddress=") + kOwn + "\r\n");
    }

    void Run() {
        CommandCallback command = RegisteredCommand();
        ASSERT_NE(command, nullptr);
        host().calls.clear();
        command(0, 0);
    }
    bool WindowOpened() const { return !TheFakeHost().composeArguments.empty(); }

    TempDataFolder data;
};

struct AddressingCase {
    const char* name;
    std::map<std::string, std::string> headers;
    std::string to;
    std::string cc;
};

void PrintTo(const AddressingCase& c, std::ostream* out) { *out << c.name; }

class Addressing : public CommandTest, public testing::WithParamInterface<AddressingCase> {};

TEST_P(Addressing, ToAndCcOfTheNewMessage) {
    host().SetMessage(GetParam().headers);
    Run();
    ASSERT_EQ(host().composeArguments, std::vector<std::string>{""});
    ASSERT_EQ(host().headerSets.size(), 2u);
    EXPECT_EQ(host().headerSets[0].name, "To");
    EXPECT_EQ(host().headerSets[1].name, "Cc");
    EXPECT_EQ(host().headerSets[0].compose, host().headerSets[1].compose);
    EXPECT_EQ(host().ComposeHeader("To"), GetParam().to);
    EXPECT_EQ(host().ComposeHeader("Cc"), GetParam().cc);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Addressing,
    testing::Values(
        AddressingCase{"ToTheUserAlone", {{"From", "Sender <s@x.jp>"}, {"To", kOwn}}, "Sender <s@x.jp>", ""},
        AddressingCase{"ToTheUserAndOthersWithCc",
                       {{"From", "s@x.jp"}, {"To", "a@x.jp, me@example.jp, b@x.jp"}, {"Cc", "c@x.jp"}},
                       "s@x.jp, a@x.jp, b@x.jp",
                       "c@x.jp"},
        AddressingCase{"SentByTheUser",
                       {{"From", "Me <me@example.jp>"}, {"To", "a@x.jp; b@x.jp"}},
                       "a@x.jp, b@x.jp",
                       ""},
        AddressingCase{"OtherBeforeTheUser", {{"From", "s@x.jp"}, {"To", "a@x.jp, me@example.jp"}}, "s@x.jp, a@x.jp", ""},
        AddressingCase{"UserOnlyInCc",
                       {{"From", "s@x.jp"}, {"To", "a@x.jp"}, {"Cc", "me@example.jp, c@x.jp"}},
                       "s@x.jp, a@x.jp",
                       "c@x.jp"},
        AddressingCase{"UserFirstThenOthers",
                       {{"From", "s@x.jp"}, {"To", "me@example.jp, a@x.jp;b@x.jp"}},
                       "s@x.jp, a@x.jp, b@x.jp",
                       ""},
        AddressingCase{"DisplayNameFormOfTheUser",
                       {{"From", "s@x.jp"}, {"To", "\"自分\" <me@example.jp>, 自分 <me@example.jp>"}},
                       "s@x.jp",
                       ""},
        AddressingCase{"CaseDifferenceStays", {{"From", "s@x.jp"}, {"To", "ME@example.jp"}}, "s@x.jp, ME@example.jp", ""},
        AddressingCase{"DuplicatesKept", {{"From", "s@x.jp"}, {"To", "s@x.jp, a@x.jp, a@x.jp"}},
                       "s@x.jp, s@x.jp, a@x.jp, a@x.jp", ""},
        AddressingCase{"QuotedComma", {{"From", "\"鈴木, 一郎\" <s@x.jp>"}, {"To", kOwn}}, "\"鈴木, 一郎\" <s@x.jp>", ""},
        AddressingCase{"OwnAddressInsideALongerOne",
                       {{"From", "s@x.jp"}, {"To", "home@example.jp, me@example.jp.other"}, {"Cc", "c@x.jp"}},
                       "s@x.jp",
                       "c@x.jp"},
        AddressingCase{"JapaneseDisplayNamesByteForByte",
                       {{"From", "ソフト表示 ポ <s@x.jp>"}, {"To", "山田 太郎 <t@x.jp>, me@example.jp"}, {"Cc", "能 <n@x.jp>"}},
                       "ソフト表示 ポ <s@x.jp>, 山田 太郎 <t@x.jp>",
                       "能 <n@x.jp>"},
        // A lead byte makes the separator after it the second byte of a character.
        AddressingCase{"CommaAfterALeadByte", {{"From", "s@x.jp"}, {"To", "\x81,me@example.jp, b@x.jp"}}, "s@x.jp, b@x.jp", ""},
        AddressingCase{"SemicolonAfterALeadByte", {{"Cc", "\xFC;me@example.jp;c@x.jp"}}, "", "c@x.jp"},
        // Half-width katakana are single bytes in code page 932: the separator
        // after one cuts, or the address before it would swallow the user's.
        AddressingCase{"CommaAfterHalfWidthKana", {{"From", "s@x.jp"}, {"To", "a@x.jp ﾒｰﾙ,me@example.jp, b@x.jp"}},
                       "s@x.jp, a@x.jp ﾒｰﾙ, b@x.jp", ""},
        AddressingCase{"SemicolonAfterHalfWidthKana", {{"Cc", "ｱ <a@x.jp>;me@example.jp;ﾟ;c@x.jp"}}, "",
                       "ｱ <a@x.jp>, ﾟ, c@x.jp"},
        AddressingCase{"CommentsAsTheyStand", {{"From", "(sender) s@x.jp (work)"}, {"To", kOwn}}, "s@x.jp (work)", ""},
        AddressingCase{"HeaderWithoutAddresses", {{"From", " ,; "}, {"To", kOwn}, {"Cc", "\t"}}, "", ""},
        AddressingCase{"MissingHeaders", {{"Subject", "hello"}}, "", ""},
        AddressingCase{"OnlyCc", {{"Cc", "c@x.jp, d@x.jp"}}, "", "c@x.jp, d@x.jp"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandTest, NoOwnAddressMeansNoWindow) {
    host().SetMessage({{"From", "s@x.jp"}});
    for (const char* settings : {"", "[Account]\r\n", "[Account]\r\nMailAddress=\r\n", "[Other]\r\nMailAddress=a@b\r\n"}) {
        data.WriteSettings("inbox\\", settings);
        Run();
        EXPECT_FALSE(WindowOpened()) << settings;
        EXPECT_TRUE(host().headerSets.empty());
    }
    host().mailBox = "no-such-mailbox\\";
    Run();
    EXPECT_FALSE(WindowOpened());
}

TEST_F(CommandTest, OwnAddressIsReadFromTheCurrentMailbox) {
    data.WriteSettings("work\\", "[Account]\r\nMailAddress=a@x.jp\r\n");
    host().SetMessage({{"From", "a@x.jp"}, {"To", "me@example.jp"}});
    Run();
    EXPECT_EQ(host().ComposeHeader("To"), "a@x.jp");

    host().ForgetRecords();
    host().mailBox = "work\\";
    Run();
    EXPECT_EQ(host().ComposeHeader("To"), "me@example.jp");
}

TEST_F(CommandTest, JapaneseMailboxFolderName) {
    // 表 and ソ end in 0x5C, the path separator's byte.
    host().mailBox = "表ソ\\";
    data.WriteSettings("表ソ\\", "[Account]\r\nMailAddress=me@example.jp\r\n");
    host().SetMessage({{"From", "s@x.jp"}, {"To", kOwn}});
    Run();
    EXPECT_EQ(host().ComposeHeader("To"), "s@x.jp");
}

TEST_F(CommandTest, HostTextsReturnedInOneBuffer) {
    host().shareOneTextBuffer = true;
    host().SetMessage({{"From", "s@x.jp"}, {"To", kOwn}});
    Run();
    EXPECT_EQ(host().ComposeHeader("To"), "s@x.jp");
}

TEST_F(CommandTest, AsksTheHostInOrder) {
    host().SetMessage({{"From", "s@x.jp"}});
    Run();
    const std::vector<std::string> collect = {"GetCurrentMail", "GetHeader", "GetSpecifiedHeader"};
    std::vector<std::string> expected = {"GetCurrentMailBox", "GetDataFolder"};
    for (int i = 0; i < 3; ++i) expected.insert(expected.end(), collect.begin(), collect.end());
    expected.insert(expected.end(), {"ComposeMail", "CompSetSpecifiedHeader", "CompSetSpecifiedHeader"});
    EXPECT_EQ(host().calls, expected);
}

TEST_F(CommandTest, OffersTheHeaderBlockLengthInABufferOneByteLonger) {
    for (const std::string& block : {std::string(), std::string("From: s@x.jp\r\n"), std::string(4096, 'h')}) {
        host().SetMessage({{"From", "s@x.jp"}});
        host().headerBlock = block;
        host().ForgetRecords();
        Run();
        EXPECT_EQ(host().headerBufferSizes, std::vector<int>(3, int(block.size())));
        // The byte past the offered ones holds the terminator when the host fills them all.
        for (size_t capacity : host().headerBufferCapacities) EXPECT_GE(capacity, block.size() + 1);
        EXPECT_EQ(host().headerBufferCapacities.size(), 3u);
    }
}

TEST_F(CommandTest, ValueThatFillsTheWholeBuffer) {
    // The header block is exactly the value, and the host writes no NUL.
    host().headers = {{"From", "s@x.jp, t@x.jp"}, {"To", "u@x.jp, me@example.jp, v@x.jp"}};
    host().headerBlock = "u@x.jp, me@example.jp, v@x.jp";
    host().fillBufferWithoutTerminator = true;
    Run();
    EXPECT_EQ(host().ComposeHeader("To"), "s@x.jp, t@x.jp, u@x.jp, v@x.jp");

    // Shorter block: the value is cut at the block's length, never read past it.
    host().headerSets.clear();
    host().headerBlock = "12345678";
    Run();
    EXPECT_EQ(host().ComposeHeader("To"), "s@x.jp, u@x.jp");
}

TEST_F(CommandTest, MissingHeaderBlockGivesAnEmptyWindow) {
    host().headers = {{"From", "s@x.jp"}, {"To", "a@x.jp"}};
    host().headerBlock = std::nullopt;
    Run();
    EXPECT_EQ(host().headerBufferSizes, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(host().ComposeHeader("To"), "");
    EXPECT_EQ(host().ComposeHeader("Cc"), "");
}

TEST_F(CommandTest, NullTextsFromTheHostReadAsEmpty) {
    host().SetMessage({{"From", "s@x.jp"}, {"To", kOwn}});
    host().currentMail = std::nullopt;
    Run();
    EXPECT_EQ(host().ComposeHeader("To"), "s@x.jp");

    // Without folders the settings file is not found: no own address, no window.
    for (auto folder : {&FakeHost::dataFolder, &FakeHost::mailBox}) {
        host() = FakeHost{};
        host().mailBox = "inbox\\";
        host().dataFolder = data.path();
        host().*folder = std::nullopt;
        Run();
        EXPECT_FALSE(WindowOpened());
    }
}

TEST_F(CommandTest, NullComposeHandleStillGetsBothHeaders) {
    host().composeHandle = nullptr;
    host().SetMessage({{"From", "s@x.jp"}});
    Run();
    ASSERT_EQ(host().headerSets.size(), 2u);
    EXPECT_EQ(host().headerSets[0].compose, nullptr);
    EXPECT_EQ(host().headerSets[1].compose, nullptr);
}

// The own address is read into 260 bytes: a value of up to 259 bytes is used
// whole, a longer one is cut to its first 259. Recipients holding the 258-,
// 259- and 260-byte prefixes of the value tell where the cut fell.
class OwnAddressAtTheBufferEdge : public CommandTest, public testing::WithParamInterface<size_t> {};

TEST_P(OwnAddressAtTheBufferEdge, IsCutAfter259Bytes) {
    const std::string value = (std::string(300, 'm') + "@example.jp").substr(0, GetParam());
    data.WriteSettings("inbox\\", "[Account]\r\nMailAddress=" + value + "\r\n");
    auto holding = [&](size_t prefix) { return "<" + value.substr(0, prefix) + ">"; };
    host().SetMessage({{"From", "s@x.jp"}, {"To", holding(258) + ", " + holding(259) + ", " + holding(260)}});
    Run();
    EXPECT_EQ(host().ComposeHeader("To"), "s@x.jp, " + holding(258));
}

INSTANTIATE_TEST_SUITE_P(ValueLengths, OwnAddressAtTheBufferEdge, testing::Values(259u, 260u, 311u));

TEST_F(CommandTest, TextsOfEveryLengthUpTo150Bytes) {
    // Each text the command builds (the mailbox folder, the settings path, the
    // lists in UTF-16 and in Shift_JIS) takes every length here, so each one
    // fills the room it reserved at some length: a reservation one character
    // short overruns its block, which the guard heap under the plug-in faults on.
    for (size_t length = 1; length <= 150; ++length) {
        const std::string mailBox = std::string(length, 'b') + "\\";
        const std::string sender = std::string(length, 's') + "@x";
        data.WriteSettings(mailBox, std::string("[Account]\r\nMailAddress=") + kOwn + "\r\n");
        host().mailBox = mailBox;
        host().SetMessage({{"From", sender}, {"To", kOwn}, {"Cc", sender}});
        host().ForgetRecords();
        Run();
        ASSERT_EQ(host().ComposeHeader("To"), sender) << length;
        ASSERT_EQ(host().ComposeHeader("Cc"), sender) << length;
    }
}

}  // namespace
