// Replaces a function that a loaded module imports, for as long as the hook
// lives: the module's import address table entry for it points to another
// function. Lets tests make the platform fail where the plug-in calls it
// (allocation, code-page conversion) and watch what the code under test asks
// of the platform, without building anything special into the module.
//
// Entries are found by the imported name, whatever they hold now, so hooks
// stack: a hook over another one restores it when it ends. End them in the
// reverse order of their start.
#pragma once

#include <windows.h>

class ImportHook {
public:
    // Hooks `module`'s imports of `function` from `dll` (case-insensitive name).
    ImportHook(HMODULE module, const char* dll, const char* function, const void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    // Whether the module imports the function at all: a hook that hooked
    // nothing would make a test pass for the wrong reason.
    bool hooked() const { return count_ > 0; }

private:
    static constexpr int kMaxEntries = 4;
    void** entries_[kMaxEntries] = {};
    void* replaced_[kMaxEntries] = {};
    int count_ = 0;
};
