// A host that the plug-in refuses: the load notification fails, so the loader
// fails LoadLibraryA with ERROR_DLL_INIT_FAILED. Built into host programs that
// each lack what the compile definitions say.
#include <gtest/gtest.h>
#include <windows.h>

#include "fake_host.h"

namespace {

HMODULE LoadPlugin(const char* version) {
    TheFakeHost() = FakeHost{};
    TheFakeHost().version = version;
    SetLastError(0);
    return LoadLibraryA("OmbryTovanal.dll");
}

#ifdef HOST_LACKS_SET_STATUS
TEST(RefusedLoad, VersionGateDecidesWithoutSetStatus) {
    EXPECT_EQ(GetProcAddress(GetModuleHandleA(nullptr), "OMA_SetStatus"), nullptr);
    EXPECT_EQ(LoadPlugin("2.00.06"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DLL_INIT_FAILED));
    EXPECT_EQ(LoadPlugin("2.1"), nullptr);

    HMODULE plugin = LoadPlugin("2.00.05");
    ASSERT_NE(plugin, nullptr) << GetLastError();
    EXPECT_TRUE(FreeLibrary(plugin));
}
#endif

#ifdef HOST_LACKS_REQUIRED
TEST(RefusedLoad, HostLackingARequiredEntryPoint) {
    EXPECT_EQ(GetProcAddress(GetModuleHandleA(nullptr), "OMA_" HOST_LACKS_REQUIRED), nullptr);
    EXPECT_EQ(LoadPlugin("2.00.05"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DLL_INIT_FAILED));
}
#endif

}  // namespace
