#include "ansi_text.h"

#include <windows.h>

#include <climits>

namespace {

LeadByteTable g_leadBytes;

// The platform's conversions answer 0 both for a failure and for an empty
// text, so an empty text never reaches them.
int CheckedLength(size_t length) {
    if (length > INT_MAX) throw TextConversionError{};
    return static_cast<int>(length);
}

}  // namespace

void LoadAnsiLeadBytes() {
    CPINFO info{};
    LeadByteTable table;
    if (GetCPInfo(CP_ACP, &info)) {
        for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
            table.MarkRange(info.LeadByte[i], info.LeadByte[i + 1]);
        }
    }
    g_leadBytes = table;
}

const LeadByteTable& AnsiLeadBytes() { return g_leadBytes; }

std::wstring WidenAnsi(std::string_view text) {
    std::wstring wide;
    if (text.empty()) return wide;
    const int length = CheckedLength(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) throw TextConversionError{};
    wide.resize(static_cast<size_t>(needed));
    if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), needed) != needed) {
        throw TextConversionError{};
    }
    return wide;
}

std::string NarrowToAnsi(std::wstring_view text) {
    std::string narrow;
    if (text.empty()) return narrow;
    const int length = CheckedLength(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) throw TextConversionError{};
    narrow.resize(static_cast<size_t>(needed));
    if (WideCharToMultiByte(CP_ACP, 0, text.data(), length, narrow.data(), needed, nullptr, nullptr) != needed) {
        throw TextConversionError{};
    }
    return narrow;
}
