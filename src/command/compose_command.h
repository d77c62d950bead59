// The command "トヴァナルメール": a new compose window addressed to every
// participant of the current message except the user.
#pragma once

#include <windows.h>

// The command callback registered with the host. Its arguments are not read.
void WINAPI OnComposeToParticipants(LONG, LONG);
