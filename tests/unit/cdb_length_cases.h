#pragma once

// The CDB bytes a request carries, written out: a drive whose twelveByteCdb
// is set (any non-zero value) gets 12 whatever the length says, any other
// drive the length up to the 16 a request holds. The rule's own table, and
// what the transports' fuzz tests draw their lengths from.

#include <cstdint>

struct CdbLengthCase {
    int32_t twelveByteCdb;
    uint8_t cdbLength;
    uint8_t sent;
};

inline constexpr CdbLengthCase kCdbLengthCases[] = {
    {0, 0, 0},   {0, 1, 1},   {0, 6, 6},    {0, 10, 10}, {0, 12, 12}, {0, 15, 15},  {0, 16, 16},
    {0, 17, 16}, {0, 40, 16}, {0, 255, 16}, {1, 0, 12},  {1, 6, 12},  {1, 10, 12},  {1, 255, 12},
    {2, 10, 12}, {-1, 6, 12},
};
