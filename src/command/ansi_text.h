// Text in the system's ANSI code page (Shift_JIS on the host's systems) and its
// UTF-16 form, converted with the platform's defaults.
#pragma once

#include <string>
#include <string_view>

#include "address_tokenizer.h"

// Thrown when the platform cannot convert a text; a command ends quietly on it.
struct TextConversionError {};

// Reads the ANSI code page's lead bytes from the platform. Called once when the
// module is loaded.
void LoadAnsiLeadBytes();
const LeadByteTable& AnsiLeadBytes();

std::wstring WidenAnsi(std::string_view text);
// Appends the UTF-16 form of `text` to `out`, converting straight into its end.
void AppendWidened(std::wstring& out, std::string_view text);
std::string NarrowToAnsi(std::wstring_view text);

// A text from the host as a view; a null text reads as empty.
inline std::string_view HostText(const char* text) { return text ? std::string_view(text) : std::string_view(); }
