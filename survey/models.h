#pragma once

// The survey's knowledge of the maker's drives: which identifications belong
// to a supported family, which exact model a drive is, and how its
// serial-information block becomes the serial text. Pure functions; nothing is
// carried from one drive to the next.

#include <cstddef>
#include <cstdint>
#include <string>

#include "scsi/records.h"
#include "scsi/transport_mode.h"

constexpr size_t kSerialInfoBlockSize = 128;
using SerialInfoBlock = uint8_t[kSerialInfoBlockSize];

// vendorId followed by productId, as the drive reported them; a zero byte
// ends the text there.
std::string IdentificationOf(const DriveEntry& entry);

bool IsSupportedDrive(const std::string& identification);

// The serial-information command's CDB byte 1 for this drive.
uint8_t SerialParamByte(const std::string& identification);

std::string ComposeSerial(const std::string& identification, const SerialInfoBlock& block);

std::string ComposeDisplayName(TransportMode transport, const DriveEntry& entry);
