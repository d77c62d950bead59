// Places the command in the host's menus and answers the host's state queries.
#pragma once

#include "host_abi.h"

// Registers the command and inserts its item into the recipients submenu of a
// menu bar or pop-up menu; other menu types are left alone.
void OnMenuInit(HMENU menu, int menuType);

// The command's state: 1 when the host has no current message, else 0.
DWORD WINAPI OnComposeToParticipantsState(LONG, LONG);
