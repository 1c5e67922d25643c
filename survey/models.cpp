#include "survey/models.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "survey/model_table.h"

namespace {

constexpr size_t kSerialCharsOffset = 26;
constexpr size_t kSerialCharsCount = 5;
// Models from this code on carry their interface code at the earlier offset.
// Model codes all have five digits, so comparing the texts compares the numbers.
constexpr std::string_view kFirstLateModelCode = "50689";
constexpr size_t kLateInterfaceOffset = 49;
constexpr size_t kInterfaceOffset = 64;
constexpr size_t kSixDigits = 6;

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

std::string_view InterfaceLabel(uint8_t code) {
    switch (code) {
    case 0xFF: return "ATAPI";
    case 0x00: return " USB/1394";
    case 0x08: return "USB only";
    case 0x01:
    case 0x05: return "S-ATA";
    default: return "";
    }
}

bool IsInternal(std::string_view label) { return label == "S-ATA" || label == "ATAPI"; }

}  // namespace

std::string IdentificationOf(const DriveEntry& entry) {
    // vendorId and productId are one run of 24 characters.
    const char* run = reinterpret_cast<const char*>(&entry) + offsetof(DriveEntry, vendorId);
    return std::string(run, strnlen(run, kIdentificationLength));
}

bool IsSupportedDrive(const std::string& identification) {
    if (identification.size() < kFamilyPrefixLength) return false;
    std::string_view head(identification.data(), kFamilyPrefixLength);
    for (std::string_view prefix : SupportedFamilyPrefixes) {
        if (head == prefix) return true;
    }
    return false;
}

uint8_t SerialParamByte(const std::string& identification) {
    return identification == kParamByteModel ? 1 : 0;
}

std::string ComposeSerial(const std::string& identification, const SerialInfoBlock& block) {
    const int32_t n = SerialNumber(block);
    const std::string digits = std::to_string(n);
    const std::string zeroFill(digits.size() < kSixDigits ? kSixDigits - digits.size() : 0, '0');

    std::string modelCode;
    std::string lotDigit;
    if (const SupportedModel* model = FindSupportedModel(identification)) {
        modelCode = model->modelCode;
        lotDigit = LotDigit(model->rule, n);
    }

    const std::string full = modelCode + lotDigit + zeroFill + digits;
    std::string serial = digits.size() > kSixDigits ? modelCode + "xxxxxxx" : full;

    const bool lateModel = !modelCode.empty() && std::string_view(modelCode) >= kFirstLateModelCode;
    const uint8_t code = block[lateModel ? kLateInterfaceOffset : kInterfaceOffset];
    if (!modelCode.empty() && !IsInternal(InterfaceLabel(code))) {
        // External drives show their full digits even past six.
        serial = full + " ext";
    }
    return serial;
}

std::string ComposeDisplayName(TransportMode transport, const DriveEntry& entry) {
    const std::string identification = IdentificationOf(entry);
    char name[64];
    if (transport == kTransportPassThrough) {
        std::snprintf(name, sizeof name, "(%c:) %s", static_cast<char>('A' + entry.driveLetter),
                      identification.c_str());
    } else {
        std::snprintf(name, sizeof name, "(%d:%d) %s", entry.adapterId, entry.targetId,
                      identification.c_str());
    }
    return name;
}
