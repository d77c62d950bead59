// Text in the system's ANSI code page (Shift_JIS on the host's systems) and its
// UTF-16 form, converted with the platform's defaults.
#pragma once

#include <windows.h>

#include <cstddef>

#include "address_tokenizer.h"
#include "growable_text.h"

// Reads the ANSI code page's lead bytes and widest character from the
// platform. Called once when the module is loaded.
void LoadAnsiCodePage();
// The tokenizer's byte classes for the ANSI code page.
const AddressByteClasses& AnsiByteClasses();

// Appends the UTF-16 form of `length` ANSI bytes to `out`.
HRESULT AppendWidened(WideText& out, const char* text, size_t length);
HRESULT AppendWidened(WideText& out, const char* text);
// Appends the ANSI form of `text` to `out`, converted in one pass.
HRESULT AppendNarrowed(AnsiText& out, const WideText& text);

// A text from the host; a null text reads as empty.
inline const char* HostText(const char* text) { return text ? text : ""; }
