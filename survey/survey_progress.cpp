#include "survey/survey_progress.h"

#include <atomic>

namespace {

// A sequence lock with one writer, the survey's thread: the sequence is odd
// while the fields change, and a reader keeps what it read only when the
// sequence was even and the same before and after. The names live in the
// survey's result slots, each written once, so a pointer read here never
// dangles.
std::atomic<uint32_t> g_sequence{0};
std::atomic<int32_t> g_readingDrive{0};
std::atomic<int32_t> g_drivesToRead{0};
std::atomic<const char*> g_readingName{""};

void Publish(int32_t drive, int32_t drives, const char* name) {
    g_sequence.fetch_add(1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    g_readingDrive.store(drive, std::memory_order_relaxed);
    g_drivesToRead.store(drives, std::memory_order_relaxed);
    g_readingName.store(name, std::memory_order_relaxed);
    g_sequence.fetch_add(1, std::memory_order_release);
}

}  // namespace

void PublishFindingDrives() { Publish(0, 0, ""); }

void PublishReadingDrive(int32_t drive, int32_t drives, const char* name) { Publish(drive, drives, name); }

SurveyProgress CurrentSurveyProgress() {
    SurveyProgress progress;
    for (;;) {
        const uint32_t before = g_sequence.load(std::memory_order_acquire);
        progress.drive = g_readingDrive.load(std::memory_order_relaxed);
        progress.drives = g_drivesToRead.load(std::memory_order_relaxed);
        progress.name = g_readingName.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if ((before & 1) == 0 && g_sequence.load(std::memory_order_relaxed) == before) return progress;
    }
}
