#include "text/text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

// The characters follow the header in the same allocation.
struct Text::Block {
    size_t references;
    size_t length;

    char* Characters() { return reinterpret_cast<char*>(this + 1); }
};

Text::Block* Text::NewBlock(size_t length) {
    if (length == 0 || length > SIZE_MAX - sizeof(Text::Block) - 1) return nullptr;
    auto* block = static_cast<Text::Block*>(std::malloc(sizeof(Text::Block) + length + 1));
    if (block == nullptr) return nullptr;
    block->references = 1;
    block->length = length;
    block->Characters()[length] = '\0';
    return block;
}

Text::Text(const char* characters) : Text(characters, characters != nullptr ? std::strlen(characters) : 0) {}

Text::Text(const char* characters, size_t length) : block_(NewBlock(length)) {
    if (block_ != nullptr) std::memcpy(block_->Characters(), characters, length);
}

Text::Text(size_t length, char fill) : block_(NewBlock(length)) {
    if (block_ != nullptr) std::memset(block_->Characters(), fill, length);
}

Text::Text(const Text& other) : block_(other.block_) {
    if (block_ != nullptr) ++block_->references;
}

Text::Text(Text&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }

Text& Text::operator=(const Text& other) {
    // Counted first, so that assigning a text to itself keeps its block.
    Block* const shared = other.block_;
    if (shared != nullptr) ++shared->references;
    Release();
    block_ = shared;
    return *this;
}

Text& Text::operator=(Text&& other) noexcept {
    if (this != &other) {
        Release();
        block_ = other.block_;
        other.block_ = nullptr;
    }
    return *this;
}

Text::~Text() { Release(); }

const char* Text::c_str() const { return block_ != nullptr ? block_->Characters() : ""; }

size_t Text::size() const { return block_ != nullptr ? block_->length : 0; }

void Text::clear() { Release(); }

char* Text::WritableData() {
    if (block_ != nullptr && block_->references > 1) *this = Text(block_->Characters(), block_->length);
    return block_ != nullptr ? block_->Characters() : nullptr;
}

void Text::Release() {
    if (block_ != nullptr && --block_->references == 0) std::free(block_);
    block_ = nullptr;
}
