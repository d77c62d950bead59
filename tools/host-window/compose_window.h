// The host's compose window, 新規作成: To, Cc and Subject fields and a body,
// all edit controls the user can type in, and a button that closes it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What a compose window held when it closed, as GetWindowText read its fields.
struct ComposeRecord {
    int serial;  // 1 for the first window opened, and so on
    std::wstring to;
    std::wstring cc;
    std::wstring subject;
    std::wstring body;
};

bool RegisterComposeWindowClass(HINSTANCE instance);

// Opens an empty compose window beside `owner`, which owns it; null if it
// cannot be made.
HWND OpenComposeWindow(HWND owner);
bool IsComposeWindow(HWND window);
std::vector<HWND> OpenComposeWindows();

// Sets the field named `header` ("To", "Cc" or "Subject", any letter case) of
// a compose window to a Shift_JIS value. False when `compose` is no compose
// window or the header is none of its fields.
bool SetComposeField(HWND compose, const char* header, const char* value);

// Closes every open compose window, which records what each holds.
void CloseComposeWindows();
// The windows closed so far, in the order they were opened.
std::vector<ComposeRecord> ClosedComposeWindows();
