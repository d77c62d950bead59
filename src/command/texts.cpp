// Compiled with -fexec-charset=CP932: every narrow literal here is Shift_JIS.
#include "texts.h"

#include "plugin_name.h"

const char kCommandText[] = "トヴァナルメール";
const char kRecipientsMenuText[] = "新規メールの宛先";
const char kCommandMenuLabel[] = "トヴァナルメール(&A)";

const char kPlugInName[] = OMBRY_PLUGIN_NAME;
const char kPlugInVendor[] = "Corvelle";
const char kPlugInVersion[] = "1.1";
const char kPlugInDescription[] =
    "「全員に返信」ではなく「トヴァナル」でメールを送ることができるようになるプラグインです。";

static_assert(sizeof kCommandText == 16 + 1);
static_assert(sizeof kRecipientsMenuText == 16 + 1);
static_assert(sizeof kCommandMenuLabel == 20 + 1);
static_assert(sizeof kPlugInDescription == 88 + 1);
