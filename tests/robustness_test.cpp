// A host that misbehaves, and a process short of memory: every callback still
// returns to the host normally and nothing is written where it should not be.
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "import_hook.h"
#include "plugin_fixture.h"

namespace {

class Robustness : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        data.WriteSettings("box\\", "[Account]\r\nMailAddress=me@example.jp\r\n");
        host().dataFolder = data.path();
        host().mailBox = "box\\";
    }
    void Run() {
        CommandCallback command = RegisteredCommand();
        ASSERT_NE(command, nullptr);
        command(0, 0);
    }

    TempDataFolder data;
};

TEST_F(Robustness, EveryTextFromTheHostNull) {
    host().currentMail = std::nullopt;
    host().headerBlock = std::nullopt;
    host().dataFolder = std::nullopt;
    host().mailBox = std::nullopt;
    Run();
    EXPECT_TRUE(host().composeArguments.empty());
    EXPECT_EQ(RegisteredState()(0, 0), 0u);
}

TEST_F(Robustness, HeaderTextsNullButSettingsFound) {
    host().currentMail = std::nullopt;
    host().headerBlock = std::nullopt;
    Run();
    EXPECT_EQ(host().ComposeHeader("To"), "");
    EXPECT_EQ(host().ComposeHeader("Cc"), "");
}

TEST_F(Robustness, SixteenMegabyteHeaderBlock) {
    host().SetMessage({{"From", "s@x.jp"}, {"To", "me@example.jp, a@x.jp"}});
    host().headerBlock = std::string(16 << 20, 'h');
    Run();
    EXPECT_EQ(host().headerBufferSizes, (std::vector<int>(3, 16 << 20)));
    EXPECT_EQ(host().ComposeHeader("To"), "s@x.jp, a@x.jp");
}

TEST_F(Robustness, SixteenMegabyteValueFillingTheWholeBuffer) {
    std::string value;
    while (value.size() < (16u << 20)) value += "a@x.jp, ";
    value.resize(16u << 20);  // ends in ", " cut anywhere: no terminator from the host
    host().headers = {{"To", value}};
    host().headerBlock = value;
    host().fillBufferWithoutTerminator = true;
    Run();
    const std::optional<std::string> to = host().ComposeHeader("To");
    ASSERT_TRUE(to);
    EXPECT_EQ(to->size(), value.size() - 2);  // the trailing separator is gone
    EXPECT_EQ(to->substr(0, 14), "a@x.jp, a@x.jp");
}

// Reserves the process's free address space, leaving only small holes, for as
// long as it lives.
class AddressSpaceHog {
public:
    explicit AddressSpaceHog(SIZE_T smallest) {
        for (SIZE_T size = SIZE_T(1) << 30; size >= smallest; size /= 2) {
            while (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) blocks_.push_back(block);
        }
    }
    ~AddressSpaceHog() {
        for (void* block : blocks_) VirtualFree(block, 0, MEM_RELEASE);
    }

private:
    std::vector<void*> blocks_;
};

TEST_F(Robustness, ExhaustedAddressSpaceEndsQuietlyWithoutAWindow) {
    if (sizeof(void*) > 4) {
        GTEST_SKIP() << "only a 32-bit address space can be used up: reserving a 64-bit one costs Wine tens of "
                        "GB of memory (FailingPlatform covers running out of memory on every build)";
    }
    // A header block far larger than what is left to allocate.
    host().SetMessage({{"From", "s@x.jp"}});
    host().headerBlock = std::string(48 << 20, 'h');
    CommandCallback command = RegisteredCommand();
    ASSERT_NE(command, nullptr);
    host().calls.reserve(64);
    {
        AddressSpaceHog hog(1 << 20);
        command(0, 0);
    }
    EXPECT_TRUE(host().composeArguments.empty());
    // With memory back, the same command works.
    command(0, 0);
    EXPECT_EQ(host().ComposeHeader("To"), "s@x.jp");
}

// Platform functions that fail where the plug-in calls them.
void* __cdecl NoMemory(size_t, size_t) { return nullptr; }
void* __cdecl NoMemoryToGrow(void*, size_t) { return nullptr; }
// A text's block holds its capacity, always even, and a terminator: the
// Shift_JIS texts ask for odd sizes, the UTF-16 ones for even sizes. So the
// UTF-16 texts grow, and the first Shift_JIS one (the settings path) cannot.
void* __cdecl NoMemoryForShiftJisTexts(void* block, size_t size) {
    return size % 2 ? nullptr : std::realloc(block, size);
}

// Conversions fail for texts holding an address, so the settings path still
// converts and the failure hits the recipients. The platform may fail one
// without setting an error code (Error 0): that is a failure all the same.
template <DWORD Error>
int WINAPI WideningFailsOnAddresses(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out, int room) {
    if (std::string(text, length < 0 ? std::strlen(text) : size_t(length)).find('@') != std::string::npos) {
        SetLastError(Error);
        return 0;
    }
    return MultiByteToWideChar(codePage, flags, text, length, out, room);
}

template <DWORD Error>
int WINAPI NarrowingFailsOnAddresses(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out, int room,
                                     LPCSTR defaultChar, LPBOOL usedDefault) {
    if (std::wstring(text, length < 0 ? std::wcslen(text) : size_t(length)).find(L'@') != std::wstring::npos) {
        SetLastError(Error);
        return 0;
    }
    return WideCharToMultiByte(codePage, flags, text, length, out, room, defaultChar, usedDefault);
}

struct PlatformFailure {
    const char* name;
    const char* dll;
    const char* function;
    const void* replacement;
};

void PrintTo(const PlatformFailure& failure, std::ostream* out) { *out << failure.dll << "!" << failure.function; }

class FailingPlatform : public Robustness, public testing::WithParamInterface<PlatformFailure> {};

TEST_P(FailingPlatform, NoWindowOpensAndTheNextRunWorks) {
    host().SetMessage({{"From", "s@x.jp"}, {"To", "me@example.jp, a@x.jp"}, {"Cc", "c@x.jp"}});
    CommandCallback command = RegisteredCommand();
    ASSERT_NE(command, nullptr);
    {
        ImportHook failing(PluginModule(), GetParam().dll, GetParam().function, GetParam().replacement);
        ASSERT_TRUE(failing.hooked()) << "the plug-in does not import " << GetParam().function;
        command(0, 0);
    }
    // No window with some recipients silently missing.
    EXPECT_TRUE(host().composeArguments.empty());
    EXPECT_TRUE(host().headerSets.empty());

    command(0, 0);
    EXPECT_EQ(host().ComposeHeader("To"), "s@x.jp, a@x.jp");
    EXPECT_EQ(host().ComposeHeader("Cc"), "c@x.jp");
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailingPlatform,
    testing::Values(PlatformFailure{"WorkingBuffer", "msvcrt.dll", "calloc", reinterpret_cast<const void*>(&NoMemory)},
                    PlatformFailure{"GrowingText", "msvcrt.dll", "realloc",
                                    reinterpret_cast<const void*>(&NoMemoryToGrow)},
                    PlatformFailure{"GrowingAShiftJisText", "msvcrt.dll", "realloc",
                                    reinterpret_cast<const void*>(&NoMemoryForShiftJisTexts)},
                    PlatformFailure{"Widening", "kernel32.dll", "MultiByteToWideChar",
                                    reinterpret_cast<const void*>(&WideningFailsOnAddresses<ERROR_NO_UNICODE_TRANSLATION>)},
                    PlatformFailure{"WideningWithoutAnErrorCode", "kernel32.dll", "MultiByteToWideChar",
                                    reinterpret_cast<const void*>(&WideningFailsOnAddresses<0>)},
                    PlatformFailure{"Narrowing", "kernel32.dll", "WideCharToMultiByte",
                                    reinterpret_cast<const void*>(&NarrowingFailsOnAddresses<ERROR_INVALID_PARAMETER>)},
                    PlatformFailure{"NarrowingWithoutAnErrorCode", "kernel32.dll", "WideCharToMultiByte",
                                    reinterpret_cast<const void*>(&NarrowingFailsOnAddresses<0>)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Robustness, HostThatWritesNothingIntoTheBuffer) {
    host().headerBlock = "From: s@x.jp\r\n";
    host().headers.clear();  // every header missing, the buffer left as it was
    Run();
    EXPECT_EQ(host().ComposeHeader("To"), "");
}

}  // namespace
