// Soak: many runs of the command and many load/unload cycles of the DLL in one
// process, with the process's private memory measured before and after.
#include <gtest/gtest.h>
#include <windows.h>
// After <windows.h>, which it needs.
#include <psapi.h>

#include <cstdio>

#include "plugin_fixture.h"

namespace {

// The process's committed memory (Wine leaves PrivateUsage at 0; the commit
// charge it reports serves the same purpose).
SIZE_T CommittedBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

class Soak : public testing::Test {
protected:
    void SetUp() override {
        data_.WriteSettings("", "[Account]\r\nMailAddress=me@example.jp\r\n");
        TheFakeHost() = FakeHost{};
        TheFakeHost().dataFolder = data_.path();
        TheFakeHost().mailBox = "";
        TheFakeHost().SetMessage({{"From", "\"Sato, Ichiro\" <s@x.jp>"},
                                  {"To", "me@example.jp, a@x.jp, b@x.jp"},
                                  {"Cc", "c@x.jp; (note) d@x.jp"}});
    }

    // Registers the command through a pop-up menu build and returns its callback.
    static CommandCallback Register(HMODULE plugin) {
        auto menuInit = ExportOf<OnMenuInitFn>(plugin, "OMC_OnMenuInit");
        HMENU popup = CreatePopupMenu();
        HMENU recipients = CreatePopupMenu();
        AppendMenuA(recipients, MF_STRING, 1, "a");
        AppendMenuA(popup, MF_POPUP, UINT_PTR(recipients), "\x90\x56\x8B\x4B\x83\x81\x81\x5B\x83\x8B\x82\xCC\x88\xB6\x90\xE6");
        menuInit(nullptr, popup, 1);
        DestroyMenu(popup);
        return TheFakeHost().commands.back().onCommand;
    }

    TempDataFolder data_;
};

TEST_F(Soak, HundredThousandRunsOfTheCommand) {
    HMODULE plugin = LoadLibraryA("OmbryTovanal.dll");
    ASSERT_NE(plugin, nullptr);
    CommandCallback command = Register(plugin);
    auto runs = [&](int count) {
        for (int i = 0; i < count; ++i) {
            TheFakeHost().ForgetRecords();
            command(0, 0);
        }
    };
    runs(1000);  // warm-up: caches and heaps settle
    const SIZE_T before = CommittedBytes();
    runs(100000);
    const SIZE_T after = CommittedBytes();
    EXPECT_EQ(TheFakeHost().ComposeHeader("To"), "\"Sato, Ichiro\" <s@x.jp>, a@x.jp, b@x.jp");
    std::printf("command x100000: committed bytes %lu -> %lu (%+ld)\n", (unsigned long)before, (unsigned long)after,
                long(after) - long(before));
    EXPECT_LT(long(after) - long(before), 1L << 20);
    FreeLibrary(plugin);
}

TEST_F(Soak, ThousandLoadUnloadCycles) {
    auto cycles = [&](int count) {
        for (int i = 0; i < count; ++i) {
            HMODULE plugin = LoadLibraryA("OmbryTovanal.dll");
            ASSERT_NE(plugin, nullptr) << "cycle " << i << ": error " << GetLastError();
            TheFakeHost().ForgetRecords();
            Register(plugin)(0, 0);
            ASSERT_EQ(TheFakeHost().composeArguments.size(), 1u);
            ASSERT_TRUE(FreeLibrary(plugin));
        }
    };
    cycles(20);
    const SIZE_T before = CommittedBytes();
    cycles(1000);
    const SIZE_T after = CommittedBytes();
    std::printf("load/unload x1000: committed bytes %lu -> %lu (%+ld)\n", (unsigned long)before, (unsigned long)after,
                long(after) - long(before));
    EXPECT_LT(long(after) - long(before), 2L << 20);
    EXPECT_EQ(GetModuleHandleA("OmbryTovanal.dll"), nullptr);
}

}  // namespace
