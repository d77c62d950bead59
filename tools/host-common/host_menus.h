// The host's menus, as it builds them: a menu bar whose fourth pull-down,
// メッセージ(&M), holds the message commands, and the message pop-up menu
// with the same commands. Both hold the recipients submenu
// 新規メールの宛先(&N) with the host's own items, into which a plug-in may
// insert its command. The texts are Shift_JIS, as the host's own.
#pragma once

#include <windows.h>

struct HostMenu {
    HMENU menu;        // the menu bar or the pop-up menu
    HMENU recipients;  // its recipients submenu
};

HostMenu BuildMenuBar();
HostMenu BuildMessagePopup();

// Identifiers of the host's own items: ファイル > 終了(&X), and the first
// of the menu bar's message commands.
constexpr UINT kExitCommand = 100;
constexpr UINT kFirstMessageCommand = 400;

// Texts of the menus, in UTF-8, for printing.
extern const char kMessagePullDownText[];  // "メッセージ(&M)"
extern const char kRecipientsItemText[];   // "新規メールの宛先(&N)"
