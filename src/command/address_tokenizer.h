// Splits the value of an address header into single addresses, in place.
// Pure byte logic: no Windows headers, so it also builds natively for fuzzing
// and benchmarks. The code page's lead bytes are handed in.
#pragma once

// Which bytes start a double-byte character in the text's code page.
class LeadByteTable {
public:
    constexpr LeadByteTable() = default;
    constexpr void MarkRange(unsigned char first, unsigned char last) {
        for (unsigned value = first; value <= last; ++value) lead_[value] = true;
    }
    constexpr bool IsLead(unsigned char byte) const { return lead_[byte]; }

private:
    bool lead_[256] = {};
};

// Returns the next address of the header value, NUL-terminated and trimmed
// inside the text, or null when none is left. The first call passes the
// writable text; later calls pass null and go on where the last one stopped.
// The cursor is module-wide: one run at a time, and a new text restarts it.
//
// Commas and semicolons separate addresses, except inside double quotes or a
// parenthesised comment, or as the second byte of a double-byte character.
// One comment at the very start of an address is dropped; any other stays.
char* NextAddress(char* text, const LeadByteTable& leadBytes);
