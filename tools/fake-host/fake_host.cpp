#include "fake_host.h"

#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <type_traits>

// Exported from an executable for the plug-in to find; host modules that must
// lack an entry point are linked with a definition file instead.
#ifdef FAKE_HOST_EXPORTS_BY_DEF
#define FAKE_HOST_API extern "C"
#else
#define FAKE_HOST_API extern "C" __declspec(dllexport)
#endif

namespace {

size_t RuntimeBlockSize(const void* block) { return _msize(const_cast<void*>(block)); }

}  // namespace

size_t (*g_pluginBlockSize)(const void*) = &RuntimeBlockSize;

FakeHost& TheFakeHost() {
    static FakeHost host;
    return host;
}

void FakeHost::ForgetRecords() {
    calls.clear();
    headerBufferSizes.clear();
    headerBufferCapacities.clear();
    commands.clear();
    stateCallbacks.clear();
    composeArguments.clear();
    headerSets.clear();
}

void FakeHost::SetMessage(const std::map<std::string, std::string>& values) {
    headers = values;
    std::string block;
    for (const auto& [name, value] : values) block.append(name).append(": ").append(value).append("\r\n");
    headerBlock = block;
}

std::optional<std::string> FakeHost::ComposeHeader(const std::string& name) const {
    // The last value set counts.
    auto set = std::find_if(headerSets.rbegin(), headerSets.rend(),
                            [&name](const FakeHeaderSet& each) { return each.name == name; });
    return set == headerSets.rend() ? std::nullopt : set->value;
}

namespace {

FakeHost& Called(const char* name) {
    FakeHost& host = TheFakeHost();
    host.calls.push_back(name);
    return host;
}

const char* HandOut(const std::optional<std::string>& text) {
    if (!text) return nullptr;
    if (!TheFakeHost().shareOneTextBuffer) return text->c_str();
    static std::string shared;
    shared = *text;
    return shared.c_str();
}

std::optional<std::string> Copy(const char* text) {
    if (!text) return std::nullopt;
    return std::string(text);
}

}  // namespace

FAKE_HOST_API const char* WINAPI OMA_GetVersion() { return HandOut(Called("GetVersion").version); }

FAKE_HOST_API int WINAPI OMA_RegisterCommand(const char* text, int menuType, CommandCallback onCommand) {
    FakeHost& host = Called("RegisterCommand");
    const int id = host.nextCommandId++;
    host.commands.push_back({id, text ? text : "", text, menuType, onCommand});
    return id;
}

FAKE_HOST_API LONG WINAPI OMA_RegisterUICallback(int commandId, StateCallback onState) {
    Called("RegisterUICallback").stateCallbacks.push_back({commandId, onState});
    return 1;
}

FAKE_HOST_API const char* WINAPI OMA_GetDataFolder() { return HandOut(Called("GetDataFolder").dataFolder); }

FAKE_HOST_API const char* WINAPI OMA_GetCurrentMailBox() {
    return HandOut(Called("GetCurrentMailBox").mailBox);
}

FAKE_HOST_API const char* WINAPI OMA_GetCurrentMail() { return HandOut(Called("GetCurrentMail").currentMail); }

FAKE_HOST_API const char* WINAPI OMA_GetHeader(const char*) { return HandOut(Called("GetHeader").headerBlock); }

FAKE_HOST_API LONG WINAPI OMA_GetSpecifiedHeader(const char* name, char* buffer, int size) {
    FakeHost& host = Called("GetSpecifiedHeader");
    host.headerBufferSizes.push_back(size);
    // What the plug-in really allocated, not what it offered.
    host.headerBufferCapacities.push_back(buffer ? g_pluginBlockSize(buffer) : 0);
    auto found = name ? host.headers.find(name) : host.headers.end();
    if (found == host.headers.end() || !buffer || size <= 0) return 0;
    const std::string& value = found->second;
    const size_t room = host.fillBufferWithoutTerminator ? size_t(size) : size_t(size) - 1;
    const size_t length = value.size() < room ? value.size() : room;
    std::memcpy(buffer, value.data(), length);
    if (length < size_t(size)) buffer[length] = '\0';
    return 1;
}

FAKE_HOST_API HWND WINAPI OMA_ComposeMail(const char* unused) {
    FakeHost& host = Called("ComposeMail");
    host.composeArguments.push_back(unused ? unused : "<null>");
    if (host.openCompose) return host.openCompose();
    if (host.composeHandle) return *host.composeHandle;
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7000 + host.composeArguments.size()));
}

FAKE_HOST_API LONG WINAPI OMA_CompSetSpecifiedHeader(HWND compose, const char* name, const char* value) {
    FakeHost& host = Called("CompSetSpecifiedHeader");
    host.headerSets.push_back({compose, name ? name : "<null>", Copy(value)});
    if (host.setComposeHeader) return host.setComposeHeader(compose, name, value) ? 1 : 0;
    return 1;
}

// Entry points the plug-in only looks up.
#define FAKE_HOST_STUB_Called(name)
#define FAKE_HOST_STUB_Uncalled(name) \
    FAKE_HOST_API int WINAPI OMA_##name() { return Called(#name), 0; }
#define OMBRY_ENTRY_POINT(name, use, need) FAKE_HOST_STUB_##use(name)
#include "host_entry_points.inc"

// The entry points the plug-in calls have exactly the types it calls them
// through, calling convention included.
#define FAKE_HOST_CHECK_Called(name) \
    static_assert(std::is_same_v<decltype(&OMA_##name), name##Fn>, "OMA_" #name " has the wrong type");
#define FAKE_HOST_CHECK_Uncalled(name)
#define OMBRY_ENTRY_POINT(name, use, need) FAKE_HOST_CHECK_##use(name)
#include "host_entry_points.inc"

#ifdef FAKE_HOST_EXPORTS_BY_DEF
// Controls for a host built as a DLL, whose state the loading test cannot
// reach directly (it has a runtime of its own).
extern "C" void WINAPI FakeHost_SetVersion(const char* version) { TheFakeHost().version = Copy(version); }

extern "C" int WINAPI FakeHost_VersionCalls() {
    const std::vector<std::string>& calls = TheFakeHost().calls;
    return int(std::count(calls.begin(), calls.end(), "GetVersion"));
}
#endif
