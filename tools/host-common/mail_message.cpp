#include "mail_message.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace {

constexpr UINT kShiftJis = 932;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::optional<std::wstring> ToWide(std::string_view text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

std::string FromWide(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::optional<std::string> Utf8ToShiftJisChecked(std::string_view text) {
    std::optional<std::wstring> wide = ToWide(text, CP_UTF8);
    if (!wide) return std::nullopt;
    return FromWide(*wide, kShiftJis);
}

// A JIS X 0208 row and cell (0x21-0x7E each) as Shift_JIS bytes.
void AppendJisAsShiftJis(std::string& out, unsigned j1, unsigned j2) {
    const unsigned s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
    const unsigned s2 = (j1 & 1) ? j2 + (j2 < 0x60 ? 0x1F : 0x20) : j2 + 0x7E;
    out += char(s1);
    out += char(s2);
}

bool IsJisByte(unsigned char byte) { return byte >= 0x21 && byte <= 0x7E; }

std::optional<std::string> Iso2022JpToShiftJis(std::string_view text) {
    enum class Set : unsigned char { Ascii, Jis0208, Katakana } set = Set::Ascii;
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '\x1B') {
            const std::string_view escape = text.substr(i + 1, 2);
            if (escape == "(B" || escape == "(J") set = Set::Ascii;
            else if (escape == "$B" || escape == "$@") set = Set::Jis0208;
            else if (escape == "(I") set = Set::Katakana;
            else return std::nullopt;
            i += 3;
            continue;
        }
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) return std::nullopt;
        if (set == Set::Jis0208 && IsJisByte(byte)) {
            if (i + 1 >= text.size() || !IsJisByte(static_cast<unsigned char>(text[i + 1]))) return std::nullopt;
            AppendJisAsShiftJis(out, byte, static_cast<unsigned char>(text[i + 1]));
            i += 2;
        } else if (set == Set::Katakana && byte >= 0x21 && byte <= 0x5F) {
            out += char(byte + 0x80);
            ++i;
        } else {
            out += char(byte);
            ++i;
        }
    }
    return out;
}

std::optional<std::string> EucJpToShiftJis(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out += char(byte);
            continue;
        }
        if (i + 1 >= text.size()) return std::nullopt;
        const unsigned char next = static_cast<unsigned char>(text[i + 1]);
        if (byte == 0x8E && next >= 0xA1 && next <= 0xDF) {
            out += char(next);  // half-width katakana
        } else if (byte >= 0xA1 && byte <= 0xFE && next >= 0xA1 && next <= 0xFE) {
            AppendJisAsShiftJis(out, byte - 0x80, next - 0x80);
        } else {
            return std::nullopt;  // JIS X 0212 and the like have no Shift_JIS form
        }
        ++i;
    }
    return out;
}

std::optional<std::string> CharsetToShiftJis(std::string charset, std::string_view bytes) {
    if (const size_t star = charset.find('*'); star != std::string::npos) charset.resize(star);  // language tag
    std::transform(charset.begin(), charset.end(), charset.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (charset == "utf-8" || charset == "us-ascii") return Utf8ToShiftJisChecked(bytes);
    if (charset == "iso-2022-jp") return Iso2022JpToShiftJis(bytes);
    if (charset == "shift_jis" || charset == "cp932" || charset == "windows-31j") {
        if (!ToWide(bytes, kShiftJis)) return std::nullopt;
        return std::string(bytes);
    }
    if (charset == "euc-jp") return EucJpToShiftJis(bytes);
    if (charset == "iso-8859-1") {
        std::optional<std::wstring> wide = ToWide(bytes, 28591);
        if (!wide) return std::nullopt;
        return FromWide(*wide, kShiftJis);
    }
    return std::nullopt;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
    std::string out;
    unsigned bits = 0;
    int count = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] != '='; ++i) {
        const int value = Base64Value(text[i]);
        if (value < 0) return std::nullopt;
        bits = (bits << 6) | unsigned(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += char((bits >> count) & 0xFF);
        }
    }
    for (; i < text.size(); ++i) {
        if (text[i] != '=') return std::nullopt;
    }
    if (count >= 6) return std::nullopt;  // a lone trailing character
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> DecodeQ(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_') {
            out += ' ';
        } else if (text[i] == '=') {
            const int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
            if (high < 0 || low < 0) return std::nullopt;
            out += char(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// An encoded-word "=?charset?B|Q?text?=" starting at `start`, if there is one.
// (cppcheck misses the uses of its members through the std::optional.)
struct EncodedWord {
    // cppcheck-suppress unusedStructMember
    size_t end;
    // cppcheck-suppress unusedStructMember
    std::string charset;
    // cppcheck-suppress unusedStructMember
    char encoding;
    // cppcheck-suppress unusedStructMember
    std::string_view text;
};

std::optional<EncodedWord> EncodedWordAt(std::string_view value, size_t start) {
    if (value.substr(start, 2) != "=?") return std::nullopt;
    const size_t charsetEnd = value.find('?', start + 2);
    if (charsetEnd == std::string_view::npos || charsetEnd + 2 >= value.size() || value[charsetEnd + 2] != '?') {
        return std::nullopt;
    }
    const char encoding = char(std::toupper(static_cast<unsigned char>(value[charsetEnd + 1])));
    if (encoding != 'B' && encoding != 'Q') return std::nullopt;
    const size_t textStart = charsetEnd + 3;
    const size_t textEnd = value.find("?=", textStart);
    if (textEnd == std::string_view::npos) return std::nullopt;
    const std::string_view text = value.substr(textStart, textEnd - textStart);
    if (text.find_first_of(" \t") != std::string_view::npos) return std::nullopt;
    return EncodedWord{textEnd + 2, std::string(value.substr(start + 2, charsetEnd - start - 2)), encoding, text};
}

}  // namespace

std::optional<std::string> MailMessage::Field(std::string_view name) const {
    for (const auto& [fieldName, value] : fields) {
        if (EqualsIgnoringCase(fieldName, name)) return value;
    }
    return std::nullopt;
}

std::string MailMessage::HeaderBlock() const {
    std::string block;
    for (const auto& [name, value] : fields) block.append(name).append(": ").append(value).append("\r\n");
    return block;
}

std::optional<std::string> DecodeHeaderValue(std::string_view value, std::string& error) {
    std::string out;
    std::string plain;        // undecoded text since the last encoded-word
    bool afterWord = false;   // white space between two encoded-words is dropped
    auto flushPlain = [&]() -> bool {
        std::optional<std::string> converted = Utf8ToShiftJisChecked(plain);
        if (!converted) {
            error = "text that is not UTF-8";
            return false;
        }
        out += *converted;
        plain.clear();
        return true;
    };

    for (size_t i = 0; i < value.size();) {
        if (std::optional<EncodedWord> word = EncodedWordAt(value, i)) {
            if (afterWord && plain.find_first_not_of(" \t") == std::string::npos) plain.clear();
            if (!flushPlain()) return std::nullopt;
            std::optional<std::string> bytes = word->encoding == 'B' ? DecodeBase64(word->text) : DecodeQ(word->text);
            std::optional<std::string> decoded = bytes ? CharsetToShiftJis(word->charset, *bytes) : std::nullopt;
            if (!decoded) {
                error = "cannot decode '" + std::string(value.substr(i, word->end - i)) + "'";
                return std::nullopt;
            }
            out += *decoded;
            afterWord = true;
            i = word->end;
            continue;
        }
        if (value[i] != ' ' && value[i] != '\t') afterWord = false;
        plain += value[i++];
    }
    if (!flushPlain()) return std::nullopt;
    return out;
}

namespace {

// The lines of the header block, which ends at the first empty line.
std::vector<std::string> HeaderLines(std::string_view raw) {
    std::vector<std::string> lines;
    size_t position = 0;
    while (position < raw.size()) {
        const size_t end = raw.find('\n', position);
        std::string_view line = raw.substr(position, end == std::string_view::npos ? std::string_view::npos : end - position);
        position = end == std::string_view::npos ? raw.size() : end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) break;
        lines.emplace_back(line);
    }
    return lines;
}

// Unfolds the lines into raw fields: a line starting with white space
// continues the field before it. Returns why a line is malformed, if one is.
std::optional<std::string> Unfold(const std::vector<std::string>& lines,
                                  std::vector<std::pair<std::string, std::string>>& fields) {
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        const std::string where = "line " + std::to_string(n + 1) + ": ";
        if (line[0] == ' ' || line[0] == '\t') {
            if (fields.empty()) return where + "continuation line before any header field";
            fields.back().second += line;
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) return where + "header line without a name and colon";
        std::string name = line.substr(0, colon);
        if (name.find_first_of(" \t") != std::string::npos) return where + "white space in a field name";
        fields.emplace_back(std::move(name), line.substr(colon + 1));
    }
    return std::nullopt;
}

}  // namespace

MessageResult ParseMessage(std::string_view raw) {
    const std::vector<std::string> lines = HeaderLines(raw);
    if (lines.empty()) return {std::nullopt, "no header fields"};
    std::vector<std::pair<std::string, std::string>> raws;
    if (std::optional<std::string> malformed = Unfold(lines, raws)) return {std::nullopt, *malformed};

    MailMessage message;
    for (auto& [name, value] : raws) {
        const size_t first = value.find_first_not_of(" \t");
        const size_t last = value.find_last_not_of(" \t");
        const std::string trimmed = first == std::string::npos ? "" : value.substr(first, last - first + 1);
        std::string error;
        std::optional<std::string> decoded = DecodeHeaderValue(trimmed, error);
        if (!decoded) return {std::nullopt, std::string(name).append(": ").append(error)};
        message.fields.emplace_back(name, std::move(*decoded));
    }
    return {std::move(message), ""};
}

MessageResult ReadMessageFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return {std::nullopt, "cannot open the file"};
    const std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return ParseMessage(raw);
}

std::wstring ShiftJisToWide(std::string_view text) {
    if (std::optional<std::wstring> wide = ToWide(text, kShiftJis)) return *wide;
    // Not valid Shift_JIS: convert what the platform can, replacing the rest.
    const int length = MultiByteToWideChar(kShiftJis, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
    MultiByteToWideChar(kShiftJis, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

std::string WideToUtf8(std::wstring_view text) { return FromWide(text, CP_UTF8); }

std::string ShiftJisToUtf8(std::string_view text) { return WideToUtf8(ShiftJisToWide(text)); }

std::string Utf8ToShiftJis(std::string_view text) { return Utf8ToShiftJisChecked(text).value_or(std::string()); }
