// Compiled with -fexec-charset=CP932: every narrow literal here is Shift_JIS.
#include "texts.h"

const char kCommandText[] = "トヴァナルメール";
const char kRecipientsMenuText[] = "新規メールの宛先";
const char kCommandMenuLabel[] = "トヴァナルメール(&A)";

// GCC makes these literals Shift_JIS; clang, which only analyses this file,
// keeps them UTF-8.
#ifndef __clang__
static_assert(sizeof kCommandText == 16 + 1);
static_assert(sizeof kRecipientsMenuText == 16 + 1);
static_assert(sizeof kCommandMenuLabel == 20 + 1);
#endif
