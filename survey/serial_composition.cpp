#include "survey/serial_composition.h"

#include <cstddef>
#include <string_view>

#include "scsi/format.h"
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
// Its tail is the zero fill of a number of that many digits.
constexpr char kSixZeros[] = "000000";

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
    const Text digits = FormatText("%d", n);
    const char* zeroFill = kSixZeros + (digits.size() < kSixDigits ? digits.size() : kSixDigits);

    const char* modelCode = "";
    const char* lotDigit = "";
    if (const SupportedModel* model = FindSupportedModel(identification)) {
        modelCode = model->modelCode;
        lotDigit = LotDigit(model->rule, n);
    }
    const bool listed = *modelCode != '\0';

    const bool lateModel = listed && std::string_view(modelCode) >= kFirstLateModelCode;
    const uint8_t code = block[lateModel ? kLateInterfaceOffset : kInterfaceOffset];
    if (listed && !IsInternal(InterfaceLabel(code))) {
        // External drives show their full digits even past six.
        return FormatText("%s%s%s%s ext", modelCode, lotDigit, zeroFill, digits.c_str());
    }
    if (digits.size() > kSixDigits) return FormatText("%sxxxxxxx", modelCode);
    return FormatText("%s%s%s%s", modelCode, lotDigit, zeroFill, digits.c_str());
}

Text ComposeDisplayName(TransportMode transport, const DriveEntry& entry) {
    // The precision stops at the identification's end, as its zero byte does.
    const char* identification = IdentificationOf(entry).data();
    if (transport == kTransportPassThrough) {
        return FormatText("(%c:) %.24s", static_cast<char>('A' + entry.driveLetter), identification);
    }
    return FormatText("(%d:%d) %.24s", entry.adapterId, entry.targetId, identification);
}
