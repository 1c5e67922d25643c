#pragma once

// The program's one formatter, for the conversions its texts use: %s, with an
// optional precision that limits the characters taken (%.24s); %d; %c; %X in
// upper case; each with an optional width and the 0 flag (%02X, %04X, %04d);
// and %%. For these it behaves as C99's snprintf. Any other conversion is
// copied as written and takes no argument.
//
// Its own rather than the C runtime's, so that both builds format alike and
// the product carries no general printf engine.

#include <cstdarg>
#include <cstddef>

#include "text/text.h"

// Writes at most size - 1 characters and a terminating zero (nothing at all
// when size is 0, where buffer may be null) and returns the length of the
// whole formatted text, written or not.
int FormatInto(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(gnu_printf, 3, 4)));
int FormatIntoV(char* buffer, size_t size, const char* format, va_list arguments)
    __attribute__((format(gnu_printf, 3, 0)));

// The whole formatted text.
Text FormatText(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
