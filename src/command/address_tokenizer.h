// Splits the value of an address header into single addresses, in place.
// Pure byte logic: no Windows headers, so it also builds natively for fuzzing
// and benchmarks. The code page's lead bytes are handed in.
#pragma once

#include <initializer_list>
#include <string_view>

// How the tokenizer classes each byte of the text's code page: lead bytes,
// which start a double-byte character, and plain bytes, which it passes over
// without a second look (neither lead bytes nor NUL, quote, parenthesis, comma
// or semicolon). Everything else is one of those special bytes.
class AddressByteClasses {
public:
    constexpr AddressByteClasses() {
        for (bool& plain : plain_) plain = true;
        for (const unsigned char special : {'\0', '"', '(', ',', ';'}) plain_[special] = false;
    }
    constexpr void MarkLeadBytes(unsigned char first, unsigned char last) {
        for (unsigned value = first; value <= last; ++value) {
            lead_[value] = true;
            plain_[value] = false;
        }
    }
    constexpr bool IsLead(unsigned char byte) const { return lead_[byte]; }
    constexpr bool IsPlain(unsigned char byte) const { return plain_[byte]; }

private:
    bool lead_[256] = {};
    bool plain_[256] = {};
};

// Returns the next address of the header value, NUL-terminated and trimmed
// inside the text, or null when none is left. The first call passes the
// writable text; later calls pass null and go on where the last one stopped.
// The cursor is module-wide: one run at a time, and a new text restarts it.
//
// Commas and semicolons separate addresses, except inside double quotes or a
// parenthesised comment, or as the second byte of a double-byte character.
// One comment at the very start of an address is dropped; any other stays.
char* NextAddress(char* text, const AddressByteClasses& bytes);

// Ends the running text early: the next call without a text returns null.
// Used when the caller stops before the last address, so that the cursor
// does not keep pointing into a text that is about to be released.
void AbandonAddressRun();

// Calls onAddress(char*) for each address of `value`, in order, that does not
// contain `ownAddress` (non-empty) as a plain byte substring: the user's own
// address, in any form that holds it, is left out. onAddress returns false to
// stop the run early, which leaves the tokenizer idle.
template <typename OnAddress>
void ForEachOtherAddress(char* value, const char* ownAddress, const AddressByteClasses& bytes, OnAddress&& onAddress) {
    for (char* address = NextAddress(value, bytes); address; address = NextAddress(nullptr, bytes)) {
        // A plain byte search, as strstr's, which under Wine is 7 times slower.
        if (std::string_view(address).find(ownAddress) == std::string_view::npos && !onAddress(address)) {
            AbandonAddressRun();
            return;
        }
    }
}
