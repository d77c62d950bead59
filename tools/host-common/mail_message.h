// Reads a message stored as an .eml file and gives its header fields as the
// host gives them to plug-ins: unfolded, MIME encoded-words decoded, in
// Shift_JIS (code page 932).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct MailMessage {
    // Header fields in file order: name as written, value unfolded and decoded.
    std::vector<std::pair<std::string, std::string>> fields;

    // The first field of that name (case-insensitive), if any.
    std::optional<std::string> Field(std::string_view name) const;
    // The whole header block, one "Name: value" line per field, CRLF-ended.
    std::string HeaderBlock() const;
};

struct MessageResult {
    std::optional<MailMessage> message;
    std::string error;  // why the message could not be read, when it could not
};

// Parses the raw bytes of a message.
MessageResult ParseMessage(std::string_view raw);
MessageResult ReadMessageFile(const std::string& path);

// Decodes the MIME encoded-words of an unfolded header value to Shift_JIS.
// Text outside encoded-words is taken as UTF-8 (plain ASCII in most mail).
// Returns nullopt and sets `error` when a word or the text cannot be decoded.
std::optional<std::string> DecodeHeaderValue(std::string_view value, std::string& error);

// Conversions between Shift_JIS and UTF-8, for printing and for test data,
// and to UTF-16 for the platform's wide functions. Bytes that are not valid
// Shift_JIS become what the platform converts them to.
std::string ShiftJisToUtf8(std::string_view text);
std::string Utf8ToShiftJis(std::string_view text);
std::wstring ShiftJisToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
