// A text that grows while a command runs and is released when the call ends.
// The module uses no C++ exceptions: a failed allocation is an E_OUTOFMEMORY
// result, and the text is left as it was.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

template <typename Char>
class GrowableText {
public:
    GrowableText() = default;
    GrowableText(const GrowableText&) = delete;
    GrowableText& operator=(const GrowableText&) = delete;
    ~GrowableText() { std::free(data_); }

    // Always NUL-terminated; the empty text when nothing was added.
    const Char* c_str() const { return data_ ? data_ : kEmpty; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Makes room for `extra` more characters and the terminator; on success
    // Tail() points into the text's own memory, even for Reserve(0).
    HRESULT Reserve(size_t extra) {
        if (data_ && extra <= capacity_ - size_) return S_OK;
        if (extra > kMaxLength - size_) return E_OUTOFMEMORY;
        size_t capacity = capacity_ < 16 ? 16 : capacity_;
        while (capacity < size_ + extra) capacity = capacity > kMaxLength / 2 ? kMaxLength : capacity * 2;
        Char* grown = static_cast<Char*>(std::realloc(data_, (capacity + 1) * sizeof(Char)));
        if (!grown) return E_OUTOFMEMORY;
        data_ = grown;
        capacity_ = capacity;
        return S_OK;
    }

    HRESULT Append(const Char* text, size_t length) {
        if (length == 0) return S_OK;
        const HRESULT result = Reserve(length);
        if (FAILED(result)) return result;
        std::memcpy(data_ + size_, text, length * sizeof(Char));
        Commit(length);
        return S_OK;
    }

    // Writing straight into the text: Reserve(n), write up to n characters at
    // Tail(), then Commit() the number written.
    Char* Tail() { return data_ + size_; }
    void Commit(size_t written) {
        size_ += written;
        data_[size_] = Char();
    }

private:
    static constexpr Char kEmpty[1] = {};
    // Sizes in bytes must fit the platform's int-sized lengths.
    static constexpr size_t kMaxLength = (INT32_MAX - 16) / sizeof(Char) - 1;

    Char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;  // characters, not counting the terminator's place
};

using WideText = GrowableText<wchar_t>;
using AnsiText = GrowableText<char>;
