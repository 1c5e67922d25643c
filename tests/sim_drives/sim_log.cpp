#include "tests/sim_drives/sim_log.h"

#include <cstdio>
#include <cstdlib>

void SimLog(const std::string& line) {
    const char* path = std::getenv("KORV_SIM_LOG");
    if (path == nullptr || *path == '\0') return;
    AppendLine(path, line);
}

void AppendLine(const char* path, const std::string& line) {
    // Opened per line so that every process and thread appends whole lines.
    FILE* file = std::fopen(path, "ab");
    if (file == nullptr) return;
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
}

std::string HexByte(unsigned value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
}

std::string HexBytes(const unsigned char* bytes, unsigned count) {
    std::string text;
    for (unsigned i = 0; i < count; ++i) {
        if (i > 0) text += ' ';
        text += HexByte(bytes[i]);
    }
    return text;
}
