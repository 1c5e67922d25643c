#include "tests/sim_drives/scenario.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

// Format, one statement per line, '#' starts a comment:
//
//   support <status-hex> [<adapter-count>]
//   completion now|later
//   abort honoured|ignored     (what the manager does with an abort request)
//   adapter <id> [align=<hex>] [targets=<n>]
//   drive <adapter>:<target> <key>=<value> ...    (behind the ASPI manager)
//   drive <letter>: <key>=<value> ...              (a pass-through device)
//
// Drive keys: type=<hex> (INQUIRY byte 0), byte3=<hex>, vendor, product,
// revision (quoted text, padded with blanks to 8/16/4 characters),
// serial=<5 characters> (serial block bytes 26..30), iface49=<hex>,
// iface64=<hex>, completion=now|later,
// check=<opcode>:<key>/<asc>/<ascq> (CHECK CONDITION with that sense),
// fail=<opcode>:<srb-status>/<ha-status> (request or host-adapter failure;
// status 00h leaves the request pending for good),
// errno=<opcode>:<decimal errno> (the pass-through request itself fails),
// hang=<opcode> (the pass-through request waits out its time-out and then
// fails with ETIMEDOUT, as to a drive that has stopped answering),
// open=readonly|readwrite (whether a pass-through device refuses writing),
// open=held|denied (every open refused: another program holds the drive
// without sharing it, or access is denied; the errnos that Wine's server
// turns into ERROR_SHARING_VIOLATION and ERROR_ACCESS_DENIED),
// delay=<decimal ms> (every request takes that long, inside the asking call).
// Numbers marked <hex> are hexadecimal without prefix.

namespace {

std::vector<std::string> SplitWords(const std::string& line, bool& ok) {
    std::vector<std::string> words;
    std::string current;
    bool inWord = false;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
            continue;
        }
        if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
            if (inWord) words.push_back(current);
            current.clear();
            inWord = false;
            continue;
        }
        current += c;
        inWord = true;
    }
    if (inWord) words.push_back(current);
    ok = !quoted;
    return words;
}

bool ParseNumber(const std::string& text, int base, unsigned long maximum, unsigned long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, base);
    return *end == '\0' && value <= maximum;
}

bool ParseByte(const std::string& text, int base, uint8_t& value) {
    unsigned long number = 0;
    if (!ParseNumber(text, base, 0xFF, number)) return false;
    value = static_cast<uint8_t>(number);
    return true;
}

bool PutPadded(uint8_t* target, size_t width, const std::string& text) {
    if (text.size() > width) return false;
    std::memset(target, ' ', width);
    std::memcpy(target, text.data(), text.size());
    return true;
}

// "<opcode>:<a>/<b>[/<c>]" with every number hexadecimal.
bool ParseOpcodeTriple(const std::string& text, uint8_t& opcode, uint8_t parts[3], int wanted) {
    size_t colon = text.find(':');
    if (colon == std::string::npos || !ParseByte(text.substr(0, colon), 16, opcode)) return false;
    std::string rest = text.substr(colon + 1);
    for (int i = 0; i < wanted; ++i) {
        size_t slash = rest.find('/');
        std::string part = i + 1 < wanted ? rest.substr(0, slash) : rest;
        if ((i + 1 < wanted && slash == std::string::npos) || !ParseByte(part, 16, parts[i])) return false;
        if (i + 1 < wanted) rest = rest.substr(slash + 1);
    }
    return true;
}

bool ParseCompletion(const std::string& text, bool& later) {
    if (text == "now") later = false;
    else if (text == "later") later = true;
    else return false;
    return true;
}

bool ParseDriveKey(const std::string& key, const std::string& value, SimDrive& drive) {
    uint8_t parts[3] = {};
    SimFailure failure;
    if (key == "type") return ParseByte(value, 16, drive.inquiry[0]);
    if (key == "byte3") return ParseByte(value, 16, drive.inquiry[3]);
    if (key == "vendor") return PutPadded(drive.inquiry + 8, 8, value);
    if (key == "product") return PutPadded(drive.inquiry + 16, 16, value);
    if (key == "revision") return PutPadded(drive.inquiry + 32, 4, value);
    if (key == "serial") {
        if (value.size() != 5) return false;
        std::memcpy(drive.serialBlock + 26, value.data(), 5);
        return true;
    }
    if (key == "iface49") return ParseByte(value, 16, drive.serialBlock[49]);
    if (key == "iface64") return ParseByte(value, 16, drive.serialBlock[64]);
    if (key == "completion") return ParseCompletion(value, drive.completeLater);
    if (key == "check") {
        if (!ParseOpcodeTriple(value, failure.opcode, parts, 3)) return false;
        drive.failures.push_back(CheckCondition(failure.opcode, parts[0], parts[1], parts[2]));
        return true;
    }
    if (key == "errno") {
        unsigned long number = 0;
        size_t colon = value.find(':');
        if (colon == std::string::npos || !ParseByte(value.substr(0, colon), 16, failure.opcode) ||
            !ParseNumber(value.substr(colon + 1), 10, 4095, number) || number == 0) {
            return false;
        }
        failure.systemError = static_cast<int>(number);
        drive.failures.push_back(failure);
        return true;
    }
    if (key == "hang") {
        if (!ParseByte(value, 16, failure.opcode)) return false;
        failure.systemError = ETIMEDOUT;
        failure.waitsOutTimeOut = true;
        drive.failures.push_back(failure);
        return true;
    }
    if (key == "delay") {
        unsigned long milliseconds = 0;
        if (!ParseNumber(value, 10, 600000, milliseconds)) return false;
        drive.answerDelayMs = static_cast<uint32_t>(milliseconds);
        return true;
    }
    if (key == "open") {
        if (value == "readonly") drive.readOnly = true;
        else if (value == "readwrite") drive.readOnly = false;
        else if (value == "held") drive.openErrno = ETXTBSY;
        else if (value == "denied") drive.openErrno = EACCES;
        else return false;
        return true;
    }
    if (key == "fail") {
        if (!ParseOpcodeTriple(value, failure.opcode, parts, 2)) return false;
        failure.requestStatus = parts[0];
        failure.adapterStatus = parts[1];
        drive.failures.push_back(failure);
        return true;
    }
    return false;
}

// "<adapter>:<target>" in decimal, or a drive letter C to Z and a colon.
bool ParseAddress(const std::string& text, SimDrive& drive) {
    if (text.size() == 2 && text[1] == ':') {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        if (letter < 'C' || letter > 'Z') return false;
        drive.letter = letter;
        return true;
    }
    size_t colon = text.find(':');
    return colon != std::string::npos && ParseByte(text.substr(0, colon), 10, drive.adapter) &&
           ParseByte(text.substr(colon + 1), 10, drive.target);
}

bool ParseDrive(const std::vector<std::string>& words, const Scenario& scenario, SimDrive& drive) {
    if (words.size() < 2 || !ParseAddress(words[1], drive)) return false;
    drive.completeLater = scenario.completeLater;
    for (size_t i = 2; i < words.size(); ++i) {
        size_t equals = words[i].find('=');
        if (equals == std::string::npos) return false;
        if (!ParseDriveKey(words[i].substr(0, equals), words[i].substr(equals + 1), drive)) return false;
    }
    return true;
}

bool ParseAdapter(const std::vector<std::string>& words, SimAdapter& adapter) {
    if (words.size() < 2 || !ParseByte(words[1], 10, adapter.id)) return false;
    for (size_t i = 2; i < words.size(); ++i) {
        size_t equals = words[i].find('=');
        if (equals == std::string::npos) return false;
        std::string key = words[i].substr(0, equals);
        std::string value = words[i].substr(equals + 1);
        unsigned long number = 0;
        if (key == "align" && ParseNumber(value, 16, 0xFFFF, number)) {
            adapter.alignmentMask = static_cast<uint16_t>(number);
        } else if (key == "targets" && ParseNumber(value, 10, 0xFF, number)) {
            adapter.maxTargets = static_cast<uint8_t>(number);
        } else {
            return false;
        }
    }
    return true;
}

bool ParseStatement(const std::vector<std::string>& words, Scenario& scenario) {
    const std::string& verb = words[0];
    if (verb == "support") {
        unsigned long count = 0;
        if (words.size() < 2 || words.size() > 3 || !ParseByte(words[1], 16, scenario.supportStatus)) return false;
        if (words.size() == 3) {
            if (!ParseNumber(words[2], 10, 0xFF, count)) return false;
            scenario.adapterCountOverride = static_cast<int>(count);
        }
        return true;
    }
    if (verb == "completion") return words.size() == 2 && ParseCompletion(words[1], scenario.completeLater);
    if (verb == "abort" && words.size() == 2 && (words[1] == "honoured" || words[1] == "ignored")) {
        scenario.abortHonoured = words[1] == "honoured";
        return true;
    }
    if (verb == "adapter") {
        SimAdapter adapter;
        if (!ParseAdapter(words, adapter)) return false;
        scenario.adapters.push_back(adapter);
        return true;
    }
    if (verb == "drive") {
        SimDrive drive;
        if (!ParseDrive(words, scenario, drive)) return false;
        scenario.drives.push_back(drive);
        return true;
    }
    return false;
}

}  // namespace

const SimAdapter* Scenario::FindAdapter(uint8_t id) const {
    for (const SimAdapter& adapter : adapters) {
        if (adapter.id == id) return &adapter;
    }
    return nullptr;
}

const SimDrive* Scenario::FindDrive(uint8_t adapter, uint8_t target) const {
    for (const SimDrive& drive : drives) {
        if (drive.letter == 0 && drive.adapter == adapter && drive.target == target) return &drive;
    }
    return nullptr;
}

const SimDrive* Scenario::FindLetter(char letter) const {
    for (const SimDrive& drive : drives) {
        if (drive.letter != 0 && drive.letter == letter) return &drive;
    }
    return nullptr;
}

uint8_t Scenario::AdapterCount() const {
    if (adapterCountOverride >= 0) return static_cast<uint8_t>(adapterCountOverride);
    return static_cast<uint8_t>(adapters.size());
}

bool ParseScenario(const std::string& text, Scenario& scenario, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        bool balanced = true;
        std::vector<std::string> words = SplitWords(line, balanced);
        if (words.empty() && balanced) continue;
        if (!balanced || !ParseStatement(words, scenario)) {
            error = "line " + std::to_string(number) + ": " + line;
            return false;
        }
    }
    return true;
}

bool LoadScenarioFile(const std::string& path, Scenario& scenario, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot read " + path;
        return false;
    }
    std::string text;
    char chunk[4096];
    size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, count);
    std::fclose(file);
    if (ParseScenario(text, scenario, error)) return true;
    error = path + " " + error;
    return false;
}
