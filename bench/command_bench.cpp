// The whole command under Wine, as the host runs it: the plug-in DLL loaded by
// a program that plays the host, the command run on a message whose From, To
// and Cc hold 1,000, 10,000 and 100,000 addresses in all. Prints the median
// time of a run and how it grows, beside its floor: the code-page conversions
// that the command cannot do without (each kept address and each separator
// widened, each list narrowed once), timed in the same run on the same
// addresses, into buffers made beforehand.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fake_host.h"

namespace {

// Addresses number `first` to `first + count - 1`, with Shift_JIS display
// names: 山田 and 鈴木, 一郎.
std::vector<std::string> Addresses(size_t count, size_t first) {
    std::vector<std::string> addresses;
    for (size_t i = first; i < first + count; ++i) {
        // Appended piece by piece: GCC 12 misreports chains of string additions (-Wrestrict).
        const char* const names[] = {"\x8E\x52\x93\x63 <", "\"\x97\xE9\x96\xD8, \x88\xEA\x98\x59\" <", ""};
        const char* const domains[] = {"@example.co.jp>", "@example.jp>", "@example.ne.jp"};
        addresses.push_back(std::string(names[i % 3]).append("user").append(std::to_string(i)).append(domains[i % 3]));
    }
    return addresses;
}

std::string Joined(const std::vector<std::string>& addresses) {
    std::string list;
    for (const std::string& address : addresses) (list.empty() ? list : list.append(", ")).append(address);
    return list;
}

// The conversions alone: what the command makes of its kept addresses,
// without tokenizing, filtering, allocating, or asking the host.
class ConversionFloor {
public:
    explicit ConversionFloor(std::vector<std::vector<std::string>> lists) : lists_(std::move(lists)) {
        size_t longest = 0;
        for (const auto& list : lists_) longest = std::max(longest, Joined(list).size());
        wide_.resize(longest + 1);
        narrow_.resize(2 * longest + 1);
    }

    // Returns the bytes of the narrowed lists, so that nothing is left out.
    size_t Run() {
        size_t bytes = 0;
        for (const auto& list : lists_) {
            int length = 0;
            for (size_t i = 0; i < list.size(); ++i) {
                if (i > 0) length += Widen(", ", 2, length);
                length += Widen(list[i].data(), int(list[i].size()), length);
            }
            bytes += size_t(WideCharToMultiByte(CP_ACP, 0, wide_.data(), length, narrow_.data(), int(narrow_.size()),
                                                nullptr, nullptr));
        }
        return bytes;
    }

private:
    int Widen(const char* text, int length, int at) {
        return MultiByteToWideChar(CP_ACP, 0, text, length, wide_.data() + at, int(wide_.size()) - at);
    }

    std::vector<std::vector<std::string>> lists_;
    std::vector<wchar_t> wide_;
    std::vector<char> narrow_;
};

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

}  // namespace

int main() {
    HMODULE plugin = LoadLibraryA("OmbryTovanal.dll");
    if (!plugin) {
        std::printf("cannot load OmbryTovanal.dll: error %lu\n", GetLastError());
        return 1;
    }
    auto menuInit = ExportOf<OnMenuInitFn>(plugin, "OMC_OnMenuInit");

    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string data = std::string(temp) + "ombry-bench-" + std::to_string(GetCurrentProcessId()) + "\\";
    std::filesystem::create_directories(data);
    std::ofstream(data + "MailBox.ini") << "[Account]\r\nMailAddress=me@example.jp\r\n";

    FakeHost& host = TheFakeHost();
    host.dataFolder = data;
    host.mailBox = "";
    menuInit(nullptr, nullptr, 1);
    CommandCallback command = host.commands.back().onCommand;

    std::printf("%10s %12s %12s %10s %14s %12s\n", "addresses", "command ms", "floor ms", "ratio", "us/address",
                "growth");
    double previous = 0;
    for (size_t total : {1000u, 10000u, 100000u}) {
        const size_t to = total / 2;
        const std::vector<std::string> from = Addresses(1, 0);
        const std::vector<std::string> toAddresses = Addresses(to, 1);
        const std::vector<std::string> cc = Addresses(total - 1 - to, to + 1);
        host.SetMessage({{"From", Joined(from)}, {"To", Joined(toAddresses) + ", me@example.jp"}, {"Cc", Joined(cc)}});
        std::vector<std::string> kept = from;
        kept.insert(kept.end(), toAddresses.begin(), toAddresses.end());
        ConversionFloor floor({kept, cc});

        // The command and its floor by turns, so that both see the same machine.
        const int runs = total >= 100000 ? 21 : total >= 10000 ? 101 : 201;
        std::vector<double> commandTimes;
        std::vector<double> floorTimes;
        size_t floorBytes = 0;
        for (int run = 0; run < runs; ++run) {
            host.ForgetRecords();
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            command(0, 0);
            QueryPerformanceCounter(&end);
            commandTimes.push_back(Milliseconds(start, end));
            QueryPerformanceCounter(&start);
            floorBytes = floor.Run();
            QueryPerformanceCounter(&end);
            floorTimes.push_back(Milliseconds(start, end));
        }
        const double median = Median(commandTimes);
        const double floorMedian = Median(floorTimes);
        std::printf("%10zu %12.3f %12.3f %9.2fx %14.4f %12s\n", total, median, floorMedian, median / floorMedian,
                    median * 1000 / double(total),
                    previous ? (std::to_string(median / previous) + "x").c_str() : "-");
        previous = median;
        const size_t made = host.ComposeHeader("To")->size() + host.ComposeHeader("Cc")->size();
        if (made != floorBytes) std::printf("  unexpected: the command made %zu bytes, the floor %zu\n", made, floorBytes);
    }
    std::filesystem::remove_all(data);
    return 0;
}
