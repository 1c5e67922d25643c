#pragma once

// The English description of a failed command: the error class, the ASPI
// request and host-adapter status in words, the CDB in hexadecimal, the SCSI
// target status and, for a check condition, the sense key and the additional
// sense code. The status bytes come from the record g_lastStatus points at.

#include <cstddef>
#include <cstdint>

// Every description is written into a buffer of this many characters; nothing
// is ever written past it.
constexpr size_t kMessageSize = 512;

// Composes the whole description of `result` into `message`. `cdb` holds 12
// bytes, `sense` at least 14. A result without a class of its own leaves
// `message` as it was.
void DescribeFailure(int32_t result, const uint8_t* cdb, uint8_t cdbLength, const uint8_t* sense,
                     char* message);

// Each writes its lines at character `offset` of `message` (the request-status
// line at the start) and returns the length of the whole text afterwards.
uint16_t DescribeSrbStatus(char* message);
uint16_t DescribeHostAdapterStatus(char* message, uint16_t offset);
uint16_t DescribeScsiStatus(const uint8_t* cdb, uint8_t cdbLength, const uint8_t* sense,
                            char* message, uint16_t offset);
