// What must hold when the tokenizer and the own-address filter run over any
// header value: shared by the fuzzer and the real-mail test.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "address_tokenizer.h"

// Runs the tokenizer over `value` (up to its first NUL) and the filter with
// `own` (non-empty). Returns what broke, or the empty text when all held:
//  - the run ends, and every address is non-empty and trimmed;
//  - the addresses lie inside the value, in order, and keep its bytes;
//  - after the last address, the tokenizer answers null;
//  - the filter keeps, in order, exactly the addresses without `own`.
inline std::string CheckAddressRun(const std::string& value, const std::string& own, const AddressByteClasses& bytes) {
    auto isSpace = [](char byte) { return static_cast<unsigned char>(byte) <= 0x20; };
    std::vector<char> text(value.begin(), value.end());
    text.push_back('\0');
    const std::vector<char> original = text;
    const char* const begin = text.data();
    const char* const end = begin + std::strlen(begin);

    // Each address takes at least one byte and a separator or the end, so a
    // run that returns more addresses than there are bytes does not end.
    std::vector<std::string> addresses;
    const char* previousEnd = begin;
    for (char* a = NextAddress(text.data(), bytes); a; a = NextAddress(nullptr, bytes)) {
        const size_t length = std::strlen(a);
        if (a < previousEnd || a + length > end) return "address outside the value or out of order";
        if (length == 0 || isSpace(a[0]) || isSpace(a[length - 1])) return "empty or untrimmed address";
        if (std::memcmp(a, original.data() + (a - begin), length) != 0) return "address bytes changed";
        previousEnd = a + length + 1;
        addresses.emplace_back(a, length);
        if (addresses.size() > value.size()) return "the run does not end";
    }
    if (NextAddress(nullptr, bytes) != nullptr) return "an address after the last one";

    std::vector<std::string> expected;
    for (const std::string& a : addresses) {
        if (a.find(own) == std::string::npos) expected.push_back(a);
    }
    std::vector<std::string> kept;
    std::vector<char> again = original;
    ForEachOtherAddress(again.data(), own.c_str(), bytes, [&kept](const char* a) {
        kept.emplace_back(a);
        return true;
    });
    if (kept != expected) return "the filter kept other addresses than those without the own address";
    return {};
}
