#include "survey/model_table.h"

constexpr std::string_view SupportedFamilyPrefixes[4] = {
    "KORVANE DVDR   KV-9",
    "KORVANE CD-R   VALO",
    "KORVANE CD-R   KV-R",
    "KORVANE CD-R   KV-6",
};

constexpr SupportedModel SupportedModelTable[8] = {
    {"KORVANE DVDR   KV-935A2 ", "50689", LotDigitRule::Dvd},
    {"KORVANE DVDR   KV-942A  ", "50658", LotDigitRule::Dvd},
    {"KORVANE DVDR   KV-948A  ", "50742", LotDigitRule::ThreeBand},
    {"KORVANE DVDR   KV-935A  ", "50588", LotDigitRule::Dvd},
    {"KORVANE DVDR   KV-931A  ", "50663", LotDigitRule::Dvd},
    {"KORVANE CD-R   KV-R2080A", "50351", LotDigitRule::AlwaysZero},
    {"KORVANE CD-R   VALORIX  ", "50538", LotDigitRule::Cd},
    {"KORVANE CD-R   KV-R4410A", "50562", LotDigitRule::Cd},
};

const SupportedModel* FindSupportedModel(std::string_view identification) {
    for (const SupportedModel& model : SupportedModelTable) {
        if (model.identification == identification) return &model;
    }
    return nullptr;
}

const char* LotDigit(LotDigitRule rule, int32_t n) {
    switch (rule) {
    case LotDigitRule::Dvd:
        if (n < 100001) return "0";
        if (n <= 999999) return "4";
        return "";
    case LotDigitRule::ThreeBand:
        // 999999 itself gets no digit here, unlike the other rules.
        if (n < 5001) return "0";
        if (n <= 100000) return "5";
        if (n < 999999) return "4";
        return "";
    case LotDigitRule::Cd:
        if (n < 4001) return "0";
        if (n <= 999999) return "4";
        return "";
    case LotDigitRule::AlwaysZero:
        return "0";
    }
    return "";
}
