#include <benchmark/benchmark.h>

#include <cstring>

#include "scsi/aspi_execute.h"
#include "scsi/buffer_alignment.h"
#include "scsi/drive_device.h"
#include "scsi/pass_through.h"
#include "scsi/transport.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/scoped_aspi_transport.h"
#include "tests/fakes/scsi_state.h"

namespace {

constexpr uint32_t kTimeoutSeconds = 30;

// One INQUIRY through pass-through on a drive whose device is already cached:
// the cost of the transport itself, plus the fake's recording of the request.
void BM_PassThroughCommand(benchmark::State& state) {
    ScopedFakeOs fake;
    ResetScsiState();
    g_usePassThrough = 1;
    DriveEntry drive{};
    drive.driveLetter = 2;
    fake.os.devices[DriveDevicePath(drive.driveLetter)] = FakeDevice{};
    fake.os.ioctlHandler = [](const FakeIoctl&, uint8_t* out, uint32_t&) {
        out[2] = 0;
        return true;
    };
    const uint8_t inquiry[6] = {0x12, 0, 0, 0, 40, 0};
    uint8_t reply[40];

    for (auto _ : state) {
        benchmark::DoNotOptimize(
            PassThroughExecute(&drive, inquiry, sizeof inquiry, reply, sizeof reply, DirectionIn, 30));
        fake.os.ForgetRecords();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PassThroughCommand);

// One INQUIRY through ASPI with the adapter's mask already cached and a manager
// that finishes within the call: event creation and close, the request fill
// and the outcome reduction, plus the fake's recording of the request.
void BM_AspiCommand(benchmark::State& state) {
    ScopedAspiTransport aspi;
    DriveEntry drive{};
    drive.targetId = 1;
    RememberAlignmentMask(0, 0);
    const uint8_t inquiry[6] = {0x12, 0, 0, 0, 40, 0};
    uint8_t reply[40];

    for (auto _ : state) {
        benchmark::DoNotOptimize(AspiExecute(&drive, inquiry, sizeof inquiry, reply, sizeof reply, DirectionIn, kTimeoutSeconds));
        aspi.manager.executed.clear();
        aspi.fake.os.ForgetRecords();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AspiCommand);

}  // namespace

BENCHMARK_MAIN();
