// The windowed host: one main window, "Ombry", with the mailboxes, the message
// list (差出人, 件名, 日付), a preview of the selected message and a status
// bar; the host's menu bar and the message list's pop-up menu, into which the
// plug-in inserts its command; and the compose windows the plug-in opens.
#pragma once

#include <windows.h>

#include <string>

struct WindowOptions {
    std::string dataFolder = "samples\\data";
    std::string plugin;  // empty: OmbryTovanal.dll as the loader finds it
    // At exit, writes the status bar's text, the recipients submenus and what
    // each compose window held (UTF-8, one tab-separated record a line).
    std::string record;
    // Kept up to date with where the window, its list rows and any open menus
    // are on the screen, and the menu items' texts and states, for a program
    // that drives the host with real input.
    std::string layout;
    // The plug-in allocates from a heap that faults on the first byte past a
    // block and on any use of a freed one (for tests).
    bool guardHeap = false;
};

// Runs the host until its main window is closed; returns the exit code.
int RunHostWindow(HINSTANCE instance, const WindowOptions& options);
