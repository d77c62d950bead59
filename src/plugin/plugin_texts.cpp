// Compiled with -fexec-charset=CP932: every narrow literal here is Shift_JIS.
#include "plugin_texts.h"

#include "plugin_name.h"

const char kPlugInName[] = OMBRY_PLUGIN_NAME;
const char kPlugInVendor[] = "Corvelle";
const char kPlugInVersion[] = "1.1";
const char kPlugInDescription[] =
    "「全員に返信」ではなく「トヴァナル」でメールを送ることができるようになるプラグインです。";

static_assert(sizeof kPlugInDescription == 88 + 1);
