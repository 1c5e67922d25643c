#include <benchmark/benchmark.h>

#include "scsi/transport.h"
#include "survey/survey.h"
#include "tests/fakes/fake_drives.h"
#include "tests/fakes/fake_survey_port.h"
#include "tests/fakes/scsi_state.h"

namespace {

const char kWriter[] = "KORVANE DVDR   KV-942A  ";

void ForgetResults() {
    for (int i = 0; i < kResultSlots; ++i) {
        g_driveNames[i].clear();
        g_driveSerials[i].clear();
    }
    g_driveCount = 0;
}

// A whole survey over pass-through: C: to Z:, every letter a supported writer
// that answers at once. Reports the program's own cost per probed address.
void BM_SurveyPassThroughAllLetters(benchmark::State& state) {
    ScopedFakeOs fake;
    FakeSurveyPort ui;
    FakeDrives drives;
    for (int letter = 2; letter < 26; ++letter) drives.letters[letter] = Writer(kWriter);
    drives.ServePassThrough(fake.os);

    for (auto _ : state) {
        ResetScsiState();
        ForgetResults();
        SurveyDrives(nullptr);
        fake.os.ForgetRecords();
        drives.commands.clear();
        ui.standardOutput.clear();
    }
    ResetScsiState();
    state.counters["addresses"] = 24;
    state.counters["per_address"] = benchmark::Counter(24.0 * state.iterations(),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SurveyPassThroughAllLetters)->Unit(benchmark::kMicrosecond);

// A whole survey over ASPI: 4 adapters of 16 targets, one writer per adapter;
// the other addresses answer that no device is installed there.
void BM_SurveyAspiFourAdapters(benchmark::State& state) {
    ScopedFakeOs fake;
    FakeSurveyPort ui;
    FakeAspiManager manager(fake.os);
    manager.adapters.assign(4, {0, 16});
    manager.supportInfo = (SS_COMP << 8) | 4;
    FakeDrives drives;
    for (int adapter = 0; adapter < 4; ++adapter) drives.targets[{adapter, 3}] = Writer(kWriter);
    drives.ServeAspi(manager);

    for (auto _ : state) {
        ResetScsiState();
        ForgetResults();
        SurveyDrives(nullptr);
        fake.os.ForgetRecords();
        drives.commands.clear();
        ui.standardOutput.clear();
        manager.executed.clear();
        manager.inquiries.clear();
    }
    ResetScsiState();
    state.counters["addresses"] = 64;
    state.counters["per_address"] = benchmark::Counter(64.0 * state.iterations(),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SurveyAspiFourAdapters)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
