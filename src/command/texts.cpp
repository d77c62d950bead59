// Compiled with -fexec-charset=CP932: every narrow literal here is Shift_JIS.
#include "texts.h"

const char kCommandText[] = "トヴァナルメール";
const char kRecipientsMenuText[] = "新規メールの宛先";
const char kCommandMenuLabel[] = "トヴァナルメール(&A)";

static_assert(sizeof kCommandText == 16 + 1);
static_assert(sizeof kRecipientsMenuText == 16 + 1);
static_assert(sizeof kCommandMenuLabel == 20 + 1);
