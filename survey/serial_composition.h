#pragma once

// The survey's knowledge of the maker's drives: which identifications belong
// to a supported family, which exact model a drive is, and how its
// serial-information block becomes the serial text. Pure functions; nothing is
// carried from one drive to the next.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "scsi/device_records.h"
#include "scsi/transport_mode.h"
#include "text/text.h"

constexpr size_t kSerialInfoBlockSize = 128;
using SerialInfoBlock = uint8_t[kSerialInfoBlockSize];

// vendorId followed by productId, as the drive reported them; a zero byte
// ends the text there. The view reads the entry itself.
std::string_view IdentificationOf(const DriveEntry& entry);

bool IsSupportedDrive(std::string_view identification);

// The serial-information command's CDB byte 1 for this drive.
uint8_t SerialParamByte(std::string_view identification);

Text ComposeSerial(std::string_view identification, const SerialInfoBlock& block);

// How the list names the drive: its address, "(D:)" under pass-through and
// "(0:2)" under ASPI, then its identification.
Text ComposeDisplayName(TransportMode transport, const DriveEntry& entry);
Text ComposeDriveAddress(TransportMode transport, const DriveEntry& entry);
