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
    AppendWidened(wide, text);
    return wide;
}

void AppendWidened(std::wstring& out, std::string_view text) {
    if (text.empty()) return;
    const int length = CheckedLength(text.size());
    // Code page 932 and its kind never make more UTF-16 units than bytes.
    const size_t start = out.size();
    out.resize(start + text.size());
    const int written = MultiByteToWideChar(CP_ACP, 0, text.data(), length, out.data() + start, length);
    if (written <= 0) throw TextConversionError{};
    out.resize(start + static_cast<size_t>(written));
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
