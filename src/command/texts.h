// The command's texts, as Shift_JIS (code page 932) bytes, spelled once.
#pragma once

// The command as registered with the host.
extern const char kCommandText[];        // "トヴァナルメール"
// Text of the host's menu item whose submenu receives the command.
extern const char kRecipientsMenuText[];  // "新規メールの宛先"
// Label of the inserted menu item; "A" is its mnemonic.
extern const char kCommandMenuLabel[];    // "トヴァナルメール(&A)"
