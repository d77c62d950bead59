// Binding the host: refusal of incomplete hosts, the version gate, and binding
// the executable itself. Host modules are real DLLs built from the fake host,
// each exporting the entry points its name says.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_host.h"
#include "host_api.h"
#include "import_hook.h"

namespace {

using SetVersionFn = void(WINAPI*)(const char*);
using VersionCallsFn = int(WINAPI*)();

struct HostModule {
    HMODULE handle;
    SetVersionFn setVersion;
    VersionCallsFn versionCalls;
};

HostModule LoadHost(const std::string& name) {
    HMODULE handle = LoadLibraryA((name + ".dll").c_str());
    EXPECT_NE(handle, nullptr) << name << ": error " << GetLastError();
    return {handle, ExportOf<SetVersionFn>(handle, "FakeHost_SetVersion"),
            ExportOf<VersionCallsFn>(handle, "FakeHost_VersionCalls")};
}

std::vector<std::string> RequiredEntryPoints() {
    std::vector<std::string> names;
#define REQUIRED_NAME_Required(name) names.push_back(#name);
#define REQUIRED_NAME_Optional(name)
#define OMBRY_ENTRY_POINT(name, use, need) REQUIRED_NAME_##need(name)
#include "host_entry_points.inc"
    return names;
}

class RefusedWithout : public testing::TestWithParam<std::string> {};

TEST_P(RefusedWithout, MissingRequiredEntryPoint) {
    HostModule host = LoadHost("host_without_" + GetParam());
    ASSERT_NE(host.handle, nullptr);
    // The module really lacks that one entry point and offers the optional ones.
    EXPECT_EQ(GetProcAddress(host.handle, ("OMA_" + GetParam()).c_str()), nullptr);
    EXPECT_NE(GetProcAddress(host.handle, "OMA_SetStatus"), nullptr);

    HostApi api{};
    EXPECT_EQ(api.BindTo(host.handle), 0);
    EXPECT_EQ(api.module, nullptr);
}

INSTANTIATE_TEST_SUITE_P(EachRequired, RefusedWithout, testing::ValuesIn(RequiredEntryPoints()),
                         [](const auto& info) { return info.param; });

TEST(HostEntryPoints, FiftyFourOfFiftyEightAreRequired) { EXPECT_EQ(RequiredEntryPoints().size(), 54u); }

struct GateCase {
    const char* version;  // null: the host returns no text
    const char* module;
    int bound;
};

// The text functions as a platform may have them without the null check that
// Windows' own happen to make: a null text is a fault (here, a failure).
int WINAPI StrictLength(LPCSTR text) {
    if (!text) {
        ADD_FAILURE() << "lstrlenA called with a null text";
        return 0;
    }
    return int(std::strlen(text));
}

int WINAPI StrictCompare(LPCSTR first, LPCSTR second) {
    if (!first || !second) {
        ADD_FAILURE() << "lstrcmpA called with a null text";
        return 0;
    }
    return CompareStringA(LOCALE_USER_DEFAULT, 0, first, -1, second, -1) - CSTR_EQUAL;
}

class VersionGate : public testing::TestWithParam<GateCase> {};

TEST_P(VersionGate, AcceptsOrRefuses) {
    const GateCase& c = GetParam();
    HostModule host = LoadHost(c.module);
    ASSERT_NE(host.handle, nullptr);
    host.setVersion(c.version);

    // The binding is linked into this program: its text functions are ours.
    ImportHook length(GetModuleHandleA(nullptr), "kernel32.dll", "lstrlenA", reinterpret_cast<const void*>(&StrictLength));
    ImportHook compare(GetModuleHandleA(nullptr), "kernel32.dll", "lstrcmpA",
                       reinterpret_cast<const void*>(&StrictCompare));
    ASSERT_TRUE(length.hooked() && compare.hooked());
    HostApi api{};
    EXPECT_EQ(api.BindTo(host.handle), c.bound);
    EXPECT_EQ(api.module, c.bound ? host.handle : nullptr);
    if (c.bound) {
        EXPECT_EQ(api.GetCurrentMail, ExportOf<GetCurrentMailFn>(host.handle, "OMA_GetCurrentMail"));
        EXPECT_EQ(api.SetStatus != nullptr, GetProcAddress(host.handle, "OMA_SetStatus") != nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, VersionGate,
    testing::Values(
        // Below "2.00.06" by character comparison: no OMA_SetStatus needed.
        GateCase{"2.00.05", "host_without_SetStatus", 1}, GateCase{"2.00.05", "host_without_optional", 1},
        GateCase{"", "host_without_optional", 1}, GateCase{nullptr, "host_without_optional", 1},
        GateCase{"10.0", "host_without_optional", 1}, GateCase{"2.00.0", "host_without_SetStatus", 1},
        GateCase{"1.99.99", "host_without_SetStatus", 1},
        // From "2.00.06" on, OMA_SetStatus decides.
        GateCase{"2.00.06", "host_without_SetStatus", 0}, GateCase{"2.00.06", "host_full", 1},
        GateCase{"2.00.07", "host_without_SetStatus", 0}, GateCase{"2.00.07", "host_full", 1},
        GateCase{"2.1", "host_without_optional", 0}, GateCase{"2.1", "host_full", 1},
        // Longer than 7 bytes: no comparison, OMA_SetStatus decides.
        GateCase{"2.00.059", "host_without_SetStatus", 0}, GateCase{"1.0.0.0.0", "host_without_SetStatus", 0},
        GateCase{"1.0.0.0.0", "host_full", 1}, GateCase{"2.00.05 beta", "host_full", 1}));

// What the binding asks of the platform, seen through this program's imports
// (the binding is linked into it).
// The hooks replace this program's own imports, so they reach the platform
// through the functions themselves, found before any hook is in place.
std::vector<std::string> g_lookups;
int g_moduleHandleCalls = 0;
const auto g_platformGetProcAddress =
    ExportOf<decltype(&GetProcAddress)>(GetModuleHandleA("kernel32.dll"), "GetProcAddress");
const auto g_platformGetModuleHandleA =
    ExportOf<decltype(&GetModuleHandleA)>(GetModuleHandleA("kernel32.dll"), "GetModuleHandleA");

FARPROC WINAPI RecordingGetProcAddress(HMODULE module, LPCSTR name) {
    g_lookups.push_back(HIWORD(reinterpret_cast<UINT_PTR>(name)) ? name : "#ordinal");
    return g_platformGetProcAddress(module, name);
}

HMODULE WINAPI CountingGetModuleHandleA(LPCSTR name) {
    ++g_moduleHandleCalls;
    return g_platformGetModuleHandleA(name);
}

class PlatformCalls {
public:
    // Records only what happens after the hooks are in place.
    PlatformCalls() {
        g_lookups.clear();
        g_moduleHandleCalls = 0;
    }
    bool hooked() const { return lookups_.hooked() && moduleHandles_.hooked(); }

private:
    ImportHook lookups_{GetModuleHandleA(nullptr), "kernel32.dll", "GetProcAddress",
                        reinterpret_cast<const void*>(&RecordingGetProcAddress)};
    ImportHook moduleHandles_{GetModuleHandleA(nullptr), "kernel32.dll", "GetModuleHandleA",
                              reinterpret_cast<const void*>(&CountingGetModuleHandleA)};
};

TEST(Bind, LooksUpRequiredEntryPointsInSlotOrderThenTheOptionalOnes) {
    HostModule host = LoadHost("host_full");
    ASSERT_NE(host.handle, nullptr);
    HostApi api{};
    {
        PlatformCalls calls;
        ASSERT_TRUE(calls.hooked());
        ASSERT_EQ(api.BindTo(host.handle), 1);
    }
    std::vector<std::string> expected;
    for (const std::string& name : RequiredEntryPoints()) expected.push_back("OMA_" + name);
    expected.insert(expected.end(), {"OMA_SetStatus", "OMA_NextUnread", "OMA_ProcessMail", "OMA_GetSize"});
    EXPECT_EQ(g_lookups, expected);
}

TEST(Bind, SecondBindKeepsTheFirstAndCallsNothing) {
    TheFakeHost() = FakeHost{};
    ASSERT_EQ(g_host.Bind(), 1);
    const HostApi before = g_host;
    TheFakeHost().calls.clear();
    {
        PlatformCalls calls;
        ASSERT_TRUE(calls.hooked());
        EXPECT_EQ(g_host.Bind(), 1);
        EXPECT_EQ(g_moduleHandleCalls, 0);
        EXPECT_TRUE(g_lookups.empty());
    }
    EXPECT_TRUE(TheFakeHost().calls.empty());  // not even the version

    // Bound to another module meanwhile: BindTo keeps the first one too.
    HostModule other = LoadHost("host_without_optional");
    other.setVersion("2.00.05");
    EXPECT_EQ(g_host.BindTo(other.handle), 1);
    EXPECT_EQ(g_host.module, before.module);
    EXPECT_EQ(g_host.GetVersion, before.GetVersion);
    EXPECT_EQ(other.versionCalls(), 0);
}

TEST(Bind, NullModuleIsRefused) {
    HostApi api{};
    EXPECT_EQ(api.BindTo(nullptr), 0);
    EXPECT_EQ(api.module, nullptr);
}

TEST(Bind, BindsTheExecutableAsHost) {
    TheFakeHost() = FakeHost{};
    ASSERT_EQ(g_host.Bind(), 1);
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(g_host.module, self);
    EXPECT_EQ(g_host.ComposeMail, ExportOf<ComposeMailFn>(self, "OMA_ComposeMail"));
    EXPECT_EQ(g_host.ProcessMail, GetProcAddress(self, "OMA_ProcessMail"));
    EXPECT_EQ(g_host.GetVersion(), std::string("2.00.06"));
}

}  // namespace
