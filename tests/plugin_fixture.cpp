#include "plugin_fixture.h"

#include <filesystem>
#include <fstream>

#include "guard_heap.h"

namespace {

// The plug-in, loaded once for the whole run, allocating from the guard heap.
struct GuardedPlugin {
    HMODULE module = LoadLibraryA("OmbryTovanal.dll");
    GuardHeap heap{module};
    GuardedPlugin() { g_pluginBlockSize = &GuardHeap::BlockSize; }
};

const GuardedPlugin& Plugin() {
    static const GuardedPlugin plugin;
    return plugin;
}

}  // namespace

HMODULE PluginModule() { return Plugin().module; }

std::wstring FromShiftJis(const std::string& bytes) {
    if (bytes.empty()) return {};
    std::wstring wide(bytes.size(), L'\0');
    int length = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), wide.data(),
                                     int(wide.size()));
    wide.resize(size_t(length));
    return wide;
}

void PluginTest::SetUp() {
    ASSERT_NE(PluginModule(), nullptr) << "LoadLibraryA failed: " << GetLastError();
    ASSERT_TRUE(Plugin().heap.hooked()) << "the plug-in's calloc, realloc and free are not on the guard heap";
    host() = FakeHost{};
}

int PluginTest::MenuInit(HMENU menu, int menuType) {
    return PluginExportAs<OnMenuInitFn>("OMC_OnMenuInit")(nullptr, menu, menuType);
}

CommandCallback PluginTest::RegisteredCommand() {
    MenuInit(nullptr, 1);
    return host().commands.empty() ? nullptr : host().commands.back().onCommand;
}

StateCallback PluginTest::RegisteredState() {
    MenuInit(nullptr, 1);
    return host().stateCallbacks.empty() ? nullptr : host().stateCallbacks.back().onState;
}

TempDataFolder::TempDataFolder() {
    static int serial = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "ombry-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++serial) + "\\";
    std::filesystem::create_directories(path_);
}

TempDataFolder::~TempDataFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempDataFolder::WriteSettings(const std::string& mailBox, const std::string& content) const {
    // Narrow paths go through the ANSI code page, as the host's own do.
    const std::string folder = path_ + mailBox;
    CreateDirectoryA(folder.c_str(), nullptr);
    std::ofstream(folder + "MailBox.ini", std::ios::binary) << content;
}
