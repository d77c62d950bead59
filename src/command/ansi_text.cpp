#include "ansi_text.h"

#include <cstring>

namespace {

AddressByteClasses g_ansiByteClasses;

// A conversion the platform refused, as a failure result.
HRESULT ConversionFailure() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace

void LoadAnsiByteClasses() {
    CPINFO info{};
    AddressByteClasses table;
    if (GetCPInfo(CP_ACP, &info)) {
        for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
            table.MarkLeadBytes(info.LeadByte[i], info.LeadByte[i + 1]);
        }
    }
    g_ansiByteClasses = table;
}

const AddressByteClasses& AnsiByteClasses() { return g_ansiByteClasses; }

// The platform's conversions answer 0 both for a failure and for an empty
// text, so an empty text never reaches them.
HRESULT AppendWidened(WideText& out, const char* text, size_t length) {
    if (length == 0) return S_OK;
    // ANSI code pages never make more UTF-16 units than bytes.
    HRESULT result = out.Reserve(length);
    if (FAILED(result)) return result;
    const int written = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), out.Tail(),
                                            static_cast<int>(length));
    if (written <= 0) return ConversionFailure();
    out.Commit(static_cast<size_t>(written));
    return S_OK;
}

HRESULT AppendWidened(WideText& out, const char* text) { return AppendWidened(out, text, std::strlen(text)); }

HRESULT AppendNarrowed(AnsiText& out, const WideText& text) {
    if (text.empty()) return S_OK;
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.c_str(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return ConversionFailure();
    HRESULT result = out.Reserve(static_cast<size_t>(needed));
    if (FAILED(result)) return result;
    if (WideCharToMultiByte(CP_ACP, 0, text.c_str(), length, out.Tail(), needed, nullptr, nullptr) != needed) {
        return ConversionFailure();
    }
    out.Commit(static_cast<size_t>(needed));
    return S_OK;
}
