// The lead bytes of code page 932 (Shift_JIS), for the tokenizer's native
// tests, fuzzing and benchmarks. The plug-in itself asks the platform.
#pragma once

#include "address_tokenizer.h"

constexpr LeadByteTable ShiftJisLeadBytes() {
    LeadByteTable table;
    table.MarkRange(0x81, 0x9F);
    table.MarkRange(0xE0, 0xFC);
    return table;
}
