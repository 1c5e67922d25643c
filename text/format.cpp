#include "text/format.h"

#include <cstring>

namespace {

// Takes every character of the formatted text, stores those that fit and
// counts them all.
class Output {
public:
    Output(char* buffer, size_t size) : buffer_(buffer), size_(size) {}

    void Put(char character) {
        if (count_ + 1 < size_) buffer_[count_] = character;
        ++count_;
    }

    void Repeat(char character, size_t times) {
        for (size_t i = 0; i < times; ++i) Put(character);
    }

    void Append(const char* characters, size_t length) {
        for (size_t i = 0; i < length; ++i) Put(characters[i]);
    }

    int Finish() {
        if (size_ > 0) buffer_[count_ < size_ ? count_ : size_ - 1] = '\0';
        return static_cast<int>(count_);
    }

private:
    char* buffer_;
    size_t size_;
    size_t count_ = 0;
};

struct Conversion {
    bool zeroFill = false;
    size_t width = 0;
    bool hasPrecision = false;
    size_t precision = 0;
    char kind = '\0';
};

size_t ReadNumber(const char*& cursor) {
    size_t value = 0;
    while (*cursor >= '0' && *cursor <= '9') value = value * 10 + static_cast<size_t>(*cursor++ - '0');
    return value;
}

// Reads the conversion after a '%'; `cursor` ends past it.
Conversion ReadConversion(const char*& cursor) {
    Conversion conversion;
    while (*cursor == '0') {
        conversion.zeroFill = true;
        ++cursor;
    }
    conversion.width = ReadNumber(cursor);
    if (*cursor == '.') {
        ++cursor;
        conversion.hasPrecision = true;
        conversion.precision = ReadNumber(cursor);
    }
    conversion.kind = *cursor;
    if (*cursor != '\0') ++cursor;
    return conversion;
}

// The field: blanks, or zeros after the sign, up to the width, then the body.
void PutField(Output& output, const Conversion& conversion, const char* sign, const char* body,
              size_t bodyLength) {
    const size_t length = std::strlen(sign) + bodyLength;
    const size_t padding = conversion.width > length ? conversion.width - length : 0;
    if (!conversion.zeroFill) output.Repeat(' ', padding);
    output.Append(sign, std::strlen(sign));
    if (conversion.zeroFill) output.Repeat('0', padding);
    output.Append(body, bodyLength);
}

void PutUnsigned(Output& output, const Conversion& conversion, const char* sign, unsigned value,
                 unsigned base) {
    static const char kDigits[] = "0123456789ABCDEF";
    char digits[sizeof(unsigned) * 8];
    size_t first = sizeof digits;
    do {
        digits[--first] = kDigits[value % base];
        value /= base;
    } while (value != 0);
    PutField(output, conversion, sign, digits + first, sizeof digits - first);
}

// Reads no character past the precision: the text need not be terminated
// within it.
size_t TextLength(const char* text, const Conversion& conversion) {
    if (!conversion.hasPrecision) return std::strlen(text);
    size_t length = 0;
    while (length < conversion.precision && text[length] != '\0') ++length;
    return length;
}

void PutText(Output& output, Conversion conversion, const char* text) {
    if (text == nullptr) text = "(null)";
    const size_t length = TextLength(text, conversion);
    conversion.zeroFill = false;
    PutField(output, conversion, "", text, length);
}

}  // namespace

int FormatIntoV(char* buffer, size_t size, const char* format, va_list arguments) {
    Output output(buffer, size);
    const char* cursor = format;
    while (*cursor != '\0') {
        if (*cursor != '%') {
            output.Put(*cursor++);
            continue;
        }
        const char* start = cursor++;
        Conversion conversion = ReadConversion(cursor);
        switch (conversion.kind) {
            case 's':
                PutText(output, conversion, va_arg(arguments, const char*));
                break;
            case 'c': {
                const char character = static_cast<char>(va_arg(arguments, int));
                conversion.zeroFill = false;
                PutField(output, conversion, "", &character, 1);
                break;
            }
            case 'd': {
                const int value = va_arg(arguments, int);
                // Negated as unsigned, so that the most negative value has its digits too.
                const unsigned magnitude =
                    value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
                PutUnsigned(output, conversion, value < 0 ? "-" : "", magnitude, 10);
                break;
            }
            case 'X':
                PutUnsigned(output, conversion, "", va_arg(arguments, unsigned), 16);
                break;
            case '%':
                output.Put('%');
                break;
            default:
                output.Append(start, static_cast<size_t>(cursor - start));
                break;
        }
    }
    return output.Finish();
}

int FormatInto(char* buffer, size_t size, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int length = FormatIntoV(buffer, size, format, arguments);
    va_end(arguments);
    return length;
}

Text FormatText(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = FormatIntoV(nullptr, 0, format, measuring);
    va_end(measuring);
    Text text(static_cast<size_t>(length), '\0');
    if (char* characters = text.WritableData()) {
        FormatIntoV(characters, text.size() + 1, format, arguments);
    }
    va_end(arguments);
    return text;
}
