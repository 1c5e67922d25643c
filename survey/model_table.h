#pragma once

#include <cstdint>
#include <string_view>

// How a model picks its lot digit from the serial number.
enum class LotDigitRule { Dvd, ThreeBand, Cd, AlwaysZero };

struct SupportedModel {
    std::string_view identification;  // 24 characters, blanks included
    const char* modelCode;            // five decimal digits
    LotDigitRule rule;
};

constexpr size_t kFamilyPrefixLength = 19;

extern const std::string_view SupportedFamilyPrefixes[4];
extern const SupportedModel SupportedModelTable[8];

// The identification that gets 1 in the serial-information command's CDB.
constexpr std::string_view kParamByteModel = "KORVANE DVDR   KV-948A  ";

// The model row whose identification equals this one exactly, or null.
const SupportedModel* FindSupportedModel(std::string_view identification);

// The lot digit for serial number n, empty when the rule gives none.
const char* LotDigit(LotDigitRule rule, int32_t n);
