// Fuzzes the address tokenizer and the own-address filter with Shift_JIS lead
// bytes. Input: the own address, a line feed, then the header value, so seeds
// are readable text (fuzz/corpus). Without a line feed the whole input is the
// value and the own address is "@"; an empty own address also counts as "@".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "address_run_check.h"
#include "shift_jis_byte_classes.h"

namespace {

constexpr AddressByteClasses kShiftJis = ShiftJisByteClasses();

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    std::string own = newline == std::string::npos ? "" : input.substr(0, newline);
    const std::string value = newline == std::string::npos ? input : input.substr(newline + 1);
    own = own.c_str();  // up to its first NUL
    if (own.empty()) own = "@";

    if (!CheckAddressRun(value, own, kShiftJis).empty()) std::abort();
    return 0;
}
