#include "app/framework/wide_text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

WideText::WideText(size_t length) {
    if (length == 0 || length >= SIZE_MAX / sizeof(wchar_t)) return;
    characters_ = static_cast<wchar_t*>(std::calloc(length + 1, sizeof(wchar_t)));
    if (characters_ != nullptr) length_ = length;
}

WideText::WideText(const wchar_t* characters, size_t length) : WideText(length) {
    if (characters_ != nullptr) std::memcpy(characters_, characters, length * sizeof(wchar_t));
}

WideText::WideText(WideText&& other) noexcept : characters_(other.characters_), length_(other.length_) {
    other.characters_ = nullptr;
    other.length_ = 0;
}

WideText::~WideText() { std::free(characters_); }

void WideText::Truncate(size_t length) {
    if (length >= length_) return;
    length_ = length;
    characters_[length] = L'\0';
}
