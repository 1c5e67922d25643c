#pragma once

// The program's text: a reference-counted string of single-byte or multi-byte
// characters (ASCII, or Shift-JIS for the Japanese texts). Copies share one
// block of characters until one of them is written through WritableData.
//
// When memory for the characters cannot be had, the text is empty instead:
// the program's texts fail silently, like everything else it does.
//
// The reference count is not atomic: all the program's texts live on its one
// user-interface thread.

#include <cstddef>
#include <string_view>

class Text {
public:
    constexpr Text() = default;
    // A zero-terminated text; null gives the empty text. Implicit, so that a
    // literal can stand wherever a text is expected.
    Text(const char* characters);
    Text(const char* characters, size_t length);
    // `length` copies of `fill`.
    Text(size_t length, char fill);
    Text(const Text& other);
    Text(Text&& other) noexcept;
    Text& operator=(const Text& other);
    Text& operator=(Text&& other) noexcept;
    ~Text();

    // Never null; the characters are followed by a zero.
    const char* c_str() const;
    size_t size() const;
    bool empty() const { return size() == 0; }
    void clear();

    // The characters of this text alone, to be written in place: a text that
    // shares them with copies gets its own first. Null for the empty text.
    char* WritableData();

    operator std::string_view() const { return {c_str(), size()}; }

    // Found only through a text, against texts, literals and standard strings.
    friend bool operator==(std::string_view a, std::string_view b) { return a.compare(b) == 0; }

private:
    struct Block;

    // A block of `length` characters and a zero, counted once; null for no
    // characters, or when memory is exhausted.
    static Block* NewBlock(size_t length);
    void Release();

    Block* block_ = nullptr;
};
