// The plug-in information reported to the host, as Shift_JIS (code page 932)
// bytes, spelled once.
#pragma once

extern const char kPlugInName[];
extern const char kPlugInVendor[];
extern const char kPlugInVersion[];
extern const char kPlugInDescription[];
