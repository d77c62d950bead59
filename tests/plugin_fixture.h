// Tests of the plug-in DLL as the host drives it: the test program exports the
// fake host's entry points, loads the DLL from its own folder with the real
// loader, and calls the DLL's exports.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "fake_host.h"

HMODULE PluginModule();

// An export of the loaded plug-in; a missing one fails the test.
template <typename Fn>
Fn PluginExportAs(const char* name) {
    Fn export_ = ExportOf<Fn>(PluginModule(), name);
    if (!export_) ADD_FAILURE() << "missing export " << name;
    return export_;
}

// UTF-16 text from code page 932 bytes, to compare Shift_JIS with readable text.
std::wstring FromShiftJis(const std::string& bytes);

class PluginTest : public testing::Test {
protected:
    void SetUp() override;
    FakeHost& host() { return TheFakeHost(); }

    int MenuInit(HMENU menu, int menuType);
    // The command callback, registered as a pop-up menu build registers it.
    CommandCallback RegisteredCommand();
    StateCallback RegisteredState();
};

// A data folder of the host in the temporary folder, removed at the end.
class TempDataFolder {
public:
    TempDataFolder();
    ~TempDataFolder();
    TempDataFolder(const TempDataFolder&) = delete;
    TempDataFolder& operator=(const TempDataFolder&) = delete;

    // Ends in a path separator, as the host's data folder does.
    const std::string& path() const { return path_; }
    // Writes MAILBOX\MailBox.ini (MAILBOX ends in a separator, or is empty).
    void WriteSettings(const std::string& mailBox, const std::string& content) const;

private:
    std::string path_;
};
