// Compiled with -fexec-charset=CP932: every narrow literal here is Shift_JIS.
#include "plugin_texts.h"

#include "plugin_name.h"

const char kPlugInName[] = OMBRY_PLUGIN_NAME;
const char kPlugInVendor[] = "Corvelle";
const char kPlugInVersion[] = "1.1";
const char kPlugInDescription[] =
    "「全員に返信」ではなく「トヴァナル」でメールを送ることができるようになるプラグインです。";

// GCC makes these literals Shift_JIS; clang, which only analyses this file,
// keeps them UTF-8.
#ifndef __clang__
static_assert(sizeof kPlugInDescription == 88 + 1);
#endif
