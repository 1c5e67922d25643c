#include "survey/serial_composition.h"

#include <cstddef>
#include <string_view>

#include "survey/model_table.h"
#include "text/format.h"

namespace {

constexpr size_t kSerialCharsOffset = 26;
constexpr size_t kSerialCharsCount = 5;
// Models from this code on carry their interface code at the earlier offset.
// Model codes all have five digits, so comparing the texts compares the numbers.
constexpr std::string_view kFirstLateModelCode = "50689";
constexpr size_t kLateInterfaceOffset = 49;
constexpr size_t kInterfaceOffset = 64;
// The serial's number field holds six digits; a longer number overflows it.
constexpr int32_t kFirstSevenDigitNumber = 1000000;

// Upper-case hexadecimal digits count as such; every other byte enters with its
// own value, so a field that is not hexadecimal still yields a number.
int32_t DigitValue(uint8_t character) {
    if (character >= '0' && character <= '9') return character - '0';
    if (character >= 'A' && character <= 'F') return character - 'A' + 10;
    return character;
}

int32_t SerialNumber(const SerialInfoBlock& block) {
    int32_t n = 0;
    for (size_t i = 0; i < kSerialCharsCount; ++i) {
        n = n * 16 + DigitValue(block[kSerialCharsOffset + i]);
    }
    return n;
}

// ATAPI (FFh) and S-ATA (01h, 05h) drives sit inside the machine; every other
// code, the USB and IEEE 1394 ones included, counts as external.
bool IsInternalInterface(uint8_t code) { return code == 0xFF || code == 0x01 || code == 0x05; }

}  // namespace

std::string_view IdentificationOf(const DriveEntry& entry) {
    // vendorId and productId are one run of 24 characters.
    const char* run = reinterpret_cast<const char*>(&entry) + offsetof(DriveEntry, vendorId);
    size_t length = 0;
    while (length < kIdentificationLength && run[length] != '\0') ++length;
    return std::string_view(run, length);
}

bool IsSupportedDrive(std::string_view identification) {
    if (identification.size() < kFamilyPrefixLength) return false;
    const std::string_view head(identification.data(), kFamilyPrefixLength);
    for (std::string_view prefix : SupportedFamilyPrefixes) {
        if (head == prefix) return true;
    }
    return false;
}

uint8_t SerialParamByte(std::string_view identification) {
    return identification == kParamByteModel ? 1 : 0;
}

Text ComposeSerial(std::string_view identification, const SerialInfoBlock& block) {
    const int32_t n = SerialNumber(block);
    const char* modelCode = "";
    const char* lotDigit = "";
    if (const SupportedModel* model = FindSupportedModel(identification)) {
        modelCode = model->modelCode;
        lotDigit = LotDigit(model->rule, n);
    }
    const bool listed = *modelCode != '\0';

    const bool lateModel = listed && std::string_view(modelCode) >= kFirstLateModelCode;
    const uint8_t code = block[lateModel ? kLateInterfaceOffset : kInterfaceOffset];
    if (listed && !IsInternalInterface(code)) {
        // External drives show their full digits even past six.
        return FormatText("%s%s%06d ext", modelCode, lotDigit, n);
    }
    if (n >= kFirstSevenDigitNumber) return FormatText("%sxxxxxxx", modelCode);
    return FormatText("%s%s%06d", modelCode, lotDigit, n);
}

Text ComposeDriveAddress(TransportMode transport, const DriveEntry& entry) {
    if (transport == kTransportPassThrough) return FormatText("(%c:)", static_cast<char>('A' + entry.driveLetter));
    return FormatText("(%d:%d)", entry.adapterId, entry.targetId);
}

Text ComposeDisplayName(TransportMode transport, const DriveEntry& entry) {
    // The precision stops at the identification's end, as its zero byte does.
    return FormatText("%s %.24s", ComposeDriveAddress(transport, entry).c_str(), IdentificationOf(entry).data());
}
