#pragma once

// A zero-terminated UTF-16 text for the window system's W functions, owned by
// one object at a time. It lives only while a text crosses into or out of
// the window system; the program keeps its texts as Text.
//
// When memory for the characters cannot be had, the text is empty instead.

#include <cstddef>

class WideText {
public:
    WideText() = default;
    // `length` zero characters, to be written through data().
    explicit WideText(size_t length);
    WideText(const wchar_t* characters, size_t length);
    WideText(WideText&& other) noexcept;
    ~WideText();
    WideText(const WideText&) = delete;
    WideText& operator=(const WideText&) = delete;

    // Never null.
    const wchar_t* c_str() const { return characters_ != nullptr ? characters_ : L""; }
    // Room for size() characters and the terminating zero; null when empty.
    wchar_t* data() { return characters_; }
    size_t size() const { return length_; }
    bool empty() const { return length_ == 0; }

    // Keeps the first `length` characters, or all when there are fewer.
    void Truncate(size_t length);

private:
    wchar_t* characters_ = nullptr;
    size_t length_ = 0;
};
