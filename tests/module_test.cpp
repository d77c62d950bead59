// The DLL's face: the plug-in information, the inert callbacks, the version
// resource, and the load notification. (Names and ordinals of the exports are
// checked in the DLL's export table, against plugin.def.)
#include <cstring>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace {

using ModuleTest = PluginTest;

TEST_F(ModuleTest, PlugInInfoWritesFourTextsAndNothingElse) {
    std::vector<unsigned char> block(1024, 0xA5);
    EXPECT_EQ(PluginExportAs<OnPlugInInfoFn>("OMC_OnPlugInInfo")(reinterpret_cast<PlugInInfo*>(block.data())), 0);

    const struct {
        size_t offset;
        std::wstring text;
        size_t bytes;
    } fields[] = {{0, L"Ombryトヴァナルプラグイン", 25},
                  {80, L"Corvelle", 8},
                  {160, L"1.1", 3},
                  {240, L"「全員に返信」ではなく「トヴァナル」でメールを送ることができるようになるプラグインです。", 88}};
    std::vector<unsigned char> expected(1024, 0xA5);
    for (const auto& field : fields) {
        const char* text = reinterpret_cast<const char*>(block.data() + field.offset);
        EXPECT_EQ(std::strlen(text), field.bytes) << field.offset;
        EXPECT_EQ(FromShiftJis(text), field.text) << field.offset;
        std::memcpy(expected.data() + field.offset, text, field.bytes + 1);
    }
    EXPECT_EQ(block, expected);  // every other byte still holds the marker
    EXPECT_TRUE(host().calls.empty());
}

TEST_F(ModuleTest, PlugInInfoWithoutABlockDoesNothing) {
    EXPECT_EQ(PluginExportAs<OnPlugInInfoFn>("OMC_OnPlugInInfo")(nullptr), 0);
}

TEST_F(ModuleTest, InertCallbacksAnswerZeroAndTouchNothing) {
    // Their types are fixed at build time; here they must answer 0, leave what
    // their arguments point to alone and ask the host for nothing.
    using Fn0 = int(WINAPI*)();
    using Fn1 = int(WINAPI*)(LONG);
    using Fn2 = int(WINAPI*)(LONG, LONG);
    using Fn3 = int(WINAPI*)(LONG, LONG, LONG);
    using Fn4 = int(WINAPI*)(LONG, LONG, LONG, LONG);
    std::vector<char> marker(64, 'm');
    const LONG p = LONG(reinterpret_cast<INT_PTR>(marker.data()));

    for (const char* name : {"OMC_OnStart", "OMC_OnExit", "OMC_OnEveryMinute"}) {
        EXPECT_EQ(PluginExportAs<Fn0>(name)(), 0) << name;
    }
    for (const char* name : {"OMC_OnOpenFolder", "OMC_OnOpenMail", "OMC_OnSend", "OMC_OnFinishRetrieve",
                             "OMC_OnPlugInSetup"}) {
        EXPECT_EQ(PluginExportAs<Fn1>(name)(p), 0) << name;
        EXPECT_EQ(PluginExportAs<Fn1>(name)(0), 0) << name;
    }
    for (const char* name : {"OMC_OnOpenCompose", "OMC_OnOutgoing", "OMC_OnRetrieve"}) {
        EXPECT_EQ(PluginExportAs<Fn2>(name)(p, -1), 0) << name;
    }
    EXPECT_EQ(PluginExportAs<Fn3>("OMC_OnKeyDispatch")(p, 13, -1), 0);
    for (const char* name : {"OMC_OnDragDrop", "OMC_OnBeforeFilter2"}) {
        EXPECT_EQ(PluginExportAs<Fn4>(name)(p, p, 0, -1), 0) << name;
    }
    EXPECT_EQ(marker, std::vector<char>(64, 'm'));
    EXPECT_TRUE(host().calls.empty());
}

std::string ModulePath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(PluginModule(), path, MAX_PATH);
    return path;
}

// Read back as a host on Japanese Windows reads it: through the ANSI functions.
TEST_F(ModuleTest, VersionResource) {
    const std::string path = ModulePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, DWORD(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_DLL));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 1200);

    const std::string fileName = path.substr(path.find_last_of("\\/") + 1);
    EXPECT_EQ(fileName, "OmbryTovanal.dll");
    const struct {
        const char* key;
        std::wstring value;
    } strings[] = {{"FileDescription", L"Ombryトヴァナルプラグイン"},
                   {"ProductName", L"Ombryトヴァナルプラグイン"},
                   {"FileVersion", L"1, 1, 0, 0"},
                   {"ProductVersion", L"1, 1, 0, 0"},
                   {"InternalName", L"OmbryTovanal"},
                   {"OriginalFilename", L"OmbryTovanal.dll"}};
    for (const auto& s : strings) {
        char* value = nullptr;
        const std::string key = std::string("\\StringFileInfo\\041104b0\\") + s.key;
        ASSERT_TRUE(VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) << s.key;
        EXPECT_EQ(FromShiftJis(value), s.value) << s.key;
    }
}

using LoadNotificationFn = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

// The module's entry point, through which the loader notifies it.
LoadNotificationFn EntryPoint(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    return reinterpret_cast<LoadNotificationFn>(
        reinterpret_cast<void (*)()>(base + nt->OptionalHeader.AddressOfEntryPoint));
}

TEST_F(ModuleTest, ThreadNotificationsAnswerOneAndCallNothing) {
    LoadNotificationFn notify = EntryPoint(PluginModule());
    for (DWORD reason : {DWORD(DLL_THREAD_ATTACH), DWORD(DLL_THREAD_DETACH)}) {
        EXPECT_EQ(notify(reinterpret_cast<HINSTANCE>(PluginModule()), reason, nullptr), TRUE) << reason;
    }
    // A second reference loads nothing new; unloading it detaches nothing.
    HMODULE again = LoadLibraryA("OmbryTovanal.dll");
    EXPECT_EQ(again, PluginModule());
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_TRUE(host().calls.empty());
}

}  // namespace
