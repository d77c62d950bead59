#include "address_tokenizer.h"

#include <cstring>

namespace {

// Where the next call goes on; null when the text is used up.
char* g_cursor = nullptr;

bool IsSpace(unsigned char byte) { return byte <= 0x20; }
bool IsSeparator(char byte) { return byte == ',' || byte == ';'; }

char* SkipSpacesAndSeparators(char* p) {
    while (*p != '\0' && (IsSpace(static_cast<unsigned char>(*p)) || IsSeparator(*p))) ++p;
    return p;
}

// Comments hold no lead bytes worth honouring and do not nest.
// cppcheck-suppress constParameterPointer ; the end is returned into the caller's writable text
char* CommentEnd(char* open) { return std::strchr(open + 1, ')'); }

// Overwrites the space bytes before `end` with NUL, down to `first` at most.
void TrimTrailingSpaces(const char* first, char* end) {
    while (end > first && IsSpace(static_cast<unsigned char>(end[-1]))) *--end = '\0';
}

}  // namespace

void AbandonAddressRun() { g_cursor = nullptr; }

char* NextAddress(char* text, const AddressByteClasses& bytes) {
    if (text) g_cursor = text;
    if (!g_cursor) return nullptr;

    char* p = SkipSpacesAndSeparators(g_cursor);
    if (*p == '(') {
        char* close = CommentEnd(p);
        if (!close) {
            g_cursor = p + std::strlen(p);
            return nullptr;
        }
        p = SkipSpacesAndSeparators(close + 1);
    }

    char* const first = p;
    bool inQuotes = false;
    for (;;) {
        while (bytes.IsPlain(static_cast<unsigned char>(*p))) ++p;
        const unsigned char byte = static_cast<unsigned char>(*p);
        if (byte == '\0') break;
        if (bytes.IsLead(byte)) {
            p += p[1] != '\0' ? 2 : 1;
        } else if (byte == '(') {
            char* close = CommentEnd(p);
            p = close ? close + 1 : p + std::strlen(p);
        } else if (byte == '"') {
            inQuotes = !inQuotes;
            ++p;
        } else if (!inQuotes) {
            // What is left is a separator: outside quotes it ends the address.
            *p = '\0';
            TrimTrailingSpaces(first, p);
            g_cursor = p + 1;
            return first;
        } else {
            ++p;  // a separator inside quotes
        }
    }

    g_cursor = nullptr;
    if (p == first) return nullptr;
    TrimTrailingSpaces(first, p);
    return first;
}
