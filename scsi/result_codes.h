#pragma once

#include <cstdint>

// What a transport reports for one command. The positive codes are exclusive
// values, not bits.
constexpr int32_t kResultSuccess = 0;
constexpr int32_t kResultRequestStatus = 1;       // ASPI request status neither 00h nor 01h
constexpr int32_t kResultHostAdapterStatus = 2;   // ASPI host-adapter status neither 00h nor 12h
constexpr int32_t kResultCheckCondition = 4;      // check condition with sense data
constexpr int32_t kResultNoEventOrDevice = -1;    // ASPI event or pass-through device unavailable
constexpr int32_t kResultSystemError = -3;        // control request failed without sense data
constexpr int32_t kResultNoMemory = -10;          // no bounce buffer
