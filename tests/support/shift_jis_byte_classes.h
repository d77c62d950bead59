// The lead bytes of code page 932 (Shift_JIS), for the tokenizer's native
// tests, fuzzing and benchmarks. The plug-in itself asks the platform.
#pragma once

#include "address_tokenizer.h"

constexpr AddressByteClasses ShiftJisByteClasses() {
    AddressByteClasses table;
    table.MarkLeadBytes(0x81, 0x9F);
    table.MarkLeadBytes(0xE0, 0xFC);
    return table;
}
