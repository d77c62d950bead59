// A programmable stand-in for the Ombry host. Linked into a Windows program, it
// exports every OMA_ entry point from that program, so a plug-in that binds the
// executable binds this. Tests and the host simulator set its state and read
// back what the plug-in asked of it.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host_abi.h"

struct FakeCommand {
    int id;
    std::string text;
    const char* textPointer;  // as received, to check that it stays valid
    int menuType;
    CommandCallback onCommand;
};

struct FakeStateCallback {
    int commandId;
    StateCallback onState;
};

struct FakeHeaderSet {
    HWND compose;
    std::string name;
    std::optional<std::string> value;
};

struct FakeHost {
    // Texts the host hands out; nullopt makes the entry point return null.
    std::optional<std::string> version = "2.00.06";
    std::optional<std::string> dataFolder = "C:\\";
    std::optional<std::string> mailBox = "";
    std::optional<std::string> currentMail = "1";
    std::optional<std::string> headerBlock = "";
    // Values of the current message's headers, by name as the plug-in asks.
    std::map<std::string, std::string> headers;

    // Misbehaviour on request.
    bool fillBufferWithoutTerminator = false;  // header values fill all N bytes, no NUL
    bool shareOneTextBuffer = false;           // every text is returned in one buffer
    std::optional<HWND> composeHandle;         // what OMA_ComposeMail returns, if set

    // A host with windows: when set, OMA_ComposeMail opens a compose window
    // with openCompose and returns its handle, and OMA_CompSetSpecifiedHeader
    // sets that window's field with setComposeHeader, answering 1 if it did.
    std::function<HWND()> openCompose;
    std::function<bool(HWND compose, const char* name, const char* value)> setComposeHeader;

    // What the plug-in asked.
    std::vector<std::string> calls;
    std::vector<int> headerBufferSizes;       // sizes offered to OMA_GetSpecifiedHeader
    std::vector<size_t> headerBufferCapacities;  // bytes the plug-in allocated for them
    std::vector<FakeCommand> commands;
    std::vector<FakeStateCallback> stateCallbacks;
    std::vector<std::string> composeArguments;
    std::vector<FakeHeaderSet> headerSets;
    int nextCommandId = 40001;

    // Forgets what the plug-in asked, keeping the host's state.
    void ForgetRecords();
    // Sets the headers and a header block that holds them, as a host's would.
    void SetMessage(const std::map<std::string, std::string>& values);
    // The value set on a compose window's header, or nullopt if never set.
    std::optional<std::string> ComposeHeader(const std::string& name) const;
};

// The host state behind the exports of this program.
FakeHost& TheFakeHost();

// How the host measures a block that the plug-in allocated: by default the C
// runtime's _msize, since the plug-in allocates from the heap this program
// shares with it. A program that gives the plug-in another heap sets its own.
extern size_t (*g_pluginBlockSize)(const void* block);

// The export `name` of `module` as a function of type Fn; null when missing.
template <typename Fn>
Fn ExportOf(HMODULE module, const char* name) {
    // The void(*)() step keeps GCC from warning about the function-type cast.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
