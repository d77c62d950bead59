#include "ansi_text.h"

#include <climits>
#include <cstring>

namespace {

AddressByteClasses g_ansiByteClasses;
// Bytes of the code page's widest character: 2 in code page 932.
size_t g_maxCharSize = 2;

// A conversion the platform refused, as a failure result.
HRESULT ConversionFailure() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace

void LoadAnsiCodePage() {
    CPINFO info{};
    AddressByteClasses table;
    if (GetCPInfo(CP_ACP, &info)) {
        for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
            table.MarkLeadBytes(info.LeadByte[i], info.LeadByte[i + 1]);
        }
        g_maxCharSize = info.MaxCharSize;
    }
    g_ansiByteClasses = table;
}

const AddressByteClasses& AnsiByteClasses() { return g_ansiByteClasses; }

// The platform's conversions answer 0 both for a failure and for an empty
// text, so an empty text never reaches them.
HRESULT AppendWidened(WideText& out, const char* text, size_t length) {
    if (length == 0) return S_OK;
    // ANSI code pages never make more UTF-16 units than bytes.
    const HRESULT result = out.Reserve(length);
    if (FAILED(result)) return result;
    const int written = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), out.Tail(),
                                            static_cast<int>(length));
    if (written <= 0) return ConversionFailure();
    out.Commit(static_cast<size_t>(written));
    return S_OK;
}

HRESULT AppendWidened(WideText& out, const char* text) { return AppendWidened(out, text, std::strlen(text)); }

// Into room for the widest character of each UTF-16 unit: one pass over the
// text instead of one to measure it and one to convert it.
HRESULT AppendNarrowed(AnsiText& out, const WideText& text) {
    if (text.empty()) return S_OK;
    if (text.size() > INT_MAX / g_maxCharSize) return E_OUTOFMEMORY;
    const int room = static_cast<int>(text.size() * g_maxCharSize);
    const HRESULT result = out.Reserve(static_cast<size_t>(room));
    if (FAILED(result)) return result;
    const int written = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.Tail(), room,
                                            nullptr, nullptr);
    if (written <= 0) return ConversionFailure();
    out.Commit(static_cast<size_t>(written));
    return S_OK;
}
