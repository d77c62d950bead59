// Fuzzes the address tokenizer and the own-address filter with Shift_JIS lead
// bytes. Input: one byte giving the own address's length (mod 16, at least 1),
// that many bytes of own address, then the header value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "address_tokenizer.h"
#include "shift_jis_lead_bytes.h"

namespace {

constexpr LeadByteTable kShiftJis = ShiftJisLeadBytes();

bool IsSpace(char byte) { return static_cast<unsigned char>(byte) <= 0x20; }

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t ownLength = 1 + data[0] % 16;
    if (ownLength > size - 1) return 0;
    std::string own(reinterpret_cast<const char*>(data + 1), ownLength);
    own = own.c_str();  // up to its first NUL
    if (own.empty()) own = "@";

    std::vector<char> text(data + 1 + ownLength, data + size);
    text.push_back('\0');
    const std::vector<char> original = text;
    const char* const begin = text.data();
    const char* const end = begin + std::strlen(begin);  // the value ends at its first NUL

    // Every address is non-empty, trimmed, inside the value, after the last
    // one, and the run ends: each address takes at least one byte.
    const char* previousEnd = begin;
    std::vector<std::string> addresses;
    for (char* a = NextAddress(text.data(), kShiftJis); a; a = NextAddress(nullptr, kShiftJis)) {
        const size_t length = std::strlen(a);
        Check(a >= previousEnd && a + length <= end);
        Check(length > 0 && !IsSpace(a[0]) && !IsSpace(a[length - 1]));
        // The address's bytes are the input's own bytes.
        Check(std::memcmp(a, original.data() + (a - begin), length) == 0);
        previousEnd = a + length + 1;
        addresses.emplace_back(a, length);
        Check(addresses.size() <= size);
    }
    Check(NextAddress(nullptr, kShiftJis) == nullptr);

    // The filter keeps, in order, exactly the addresses without the own address.
    std::vector<std::string> expected;
    for (const std::string& a : addresses) {
        if (a.find(own) == std::string::npos) expected.push_back(a);
    }
    std::vector<std::string> kept;
    std::vector<char> again = original;
    ForEachOtherAddress(again.data(), own.c_str(), kShiftJis, [&kept](const char* a) {
        kept.emplace_back(a);
        return true;
    });
    Check(kept == expected);
    return 0;
}
