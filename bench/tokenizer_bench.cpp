// The tokenizer on a 1 MB header of typical addresses, some with Japanese
// display names, beside a one-pass baseline over the same bytes (strlen and a
// scan for separators).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "address_tokenizer.h"
#include "shift_jis_byte_classes.h"

namespace {

constexpr AddressByteClasses kShiftJis = ShiftJisByteClasses();

std::string TypicalHeader(size_t bytes) {
    // Shift_JIS: 山田 太郎, 鈴木 一郎, ソフト表示 (trail bytes 0x5C).
    const char* const forms[] = {
        "\x8E\x52\x93\x63 \x91\xBE\x98\x59 <taro.yamada@example.co.jp>",
        "\"\x97\xE9\x96\xD8, \x88\xEA\x98\x59\" <ichiro.suzuki@example.jp>",
        "hanako@example.ne.jp",
        "\x83\x5C\x83\x74\x83\x67\x95\x5C\x8E\xA6 <soft@example.com> (work)",
        "Support Team <support@example.org>",
    };
    std::string header;
    for (size_t i = 0; header.size() < bytes; ++i) {
        if (!header.empty()) header += i % 7 == 0 ? "; " : ", ";
        header += forms[i % 5];
    }
    header.resize(bytes);
    return header;
}

const std::string& Header() {
    static const std::string header = TypicalHeader(1 << 20);
    return header;
}

void BM_Tokenizer(benchmark::State& state) {
    std::vector<char> text(Header().begin(), Header().end());
    text.push_back('\0');
    size_t addresses = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(text.data(), Header().data(), Header().size());
        state.ResumeTiming();
        for (char* a = NextAddress(text.data(), kShiftJis); a; a = NextAddress(nullptr, kShiftJis)) ++addresses;
        benchmark::DoNotOptimize(addresses);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Header().size()));
}
BENCHMARK(BM_Tokenizer)->Unit(benchmark::kMicrosecond);

void BM_Baseline(benchmark::State& state) {
    std::vector<char> text(Header().begin(), Header().end());
    text.push_back('\0');
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(text.data(), Header().data(), Header().size());
        state.ResumeTiming();
        const size_t length = std::strlen(text.data());
        size_t separators = 0;
        for (size_t i = 0; i < length; ++i) separators += text[i] == ',' || text[i] == ';';
        benchmark::DoNotOptimize(separators);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Header().size()));
}
BENCHMARK(BM_Baseline)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
