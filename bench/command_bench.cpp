// The whole command under Wine, as the host runs it: the plug-in DLL loaded by
// a program that plays the host, the command run on a message whose From, To
// and Cc hold 1,000, 10,000 and 100,000 addresses in all. Prints the median
// time of a run and how it grows.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fake_host.h"

namespace {

std::string Addresses(size_t count, size_t first) {
    // Shift_JIS display names: 山田 and 鈴木, 一郎.
    std::string list;
    for (size_t i = first; i < first + count; ++i) {
        if (!list.empty()) list += ", ";
        // Appended piece by piece: GCC 12 misreports chains of string additions (-Wrestrict).
        const char* const names[] = {"\x8E\x52\x93\x63 <", "\"\x97\xE9\x96\xD8, \x88\xEA\x98\x59\" <", ""};
        const char* const domains[] = {"@example.co.jp>", "@example.jp>", "@example.ne.jp"};
        list.append(names[i % 3]).append("user").append(std::to_string(i)).append(domains[i % 3]);
    }
    return list;
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

    std::printf("%10s %12s %10s %14s %12s\n", "addresses", "median ms", "min ms", "us/address", "growth");
    double previous = 0;
    for (size_t total : {1000u, 10000u, 100000u}) {
        const size_t to = total / 2;
        host.SetMessage({{"From", Addresses(1, 0)}, {"To", Addresses(to, 1) + ", me@example.jp"},
                         {"Cc", Addresses(total - 1 - to, to + 1)}});
        const int runs = total >= 100000 ? 21 : total >= 10000 ? 101 : 201;
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            host.ForgetRecords();
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            command(0, 0);
            QueryPerformanceCounter(&end);
            times.push_back(Milliseconds(start, end));
        }
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        const double spread = (times[times.size() * 3 / 4] - times[times.size() / 4]) / median * 100;
        std::printf("%10zu %12.3f %10.3f %14.4f %12s   (interquartile spread %.0f%%)\n", total, median, times[0],
                    median * 1000 / double(total), previous ? (std::to_string(median / previous) + "x").c_str() : "-",
                    spread);
        previous = median;
        if (host.ComposeHeader("To")->size() < total) std::printf("  unexpected: short To list\n");
    }
    std::filesystem::remove_all(data);
    return 0;
}
