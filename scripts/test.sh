#!/usr/bin/env bash
# Installs what is missing, builds the native and the Windows build, and runs
# every test, announcing each stage as it starts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

stage() { echo "=== test.sh: $1"; }

stage "set-up and source checks"
scripts/install-deps.sh
tests/scripts/check_install_deps.sh
scripts/check_includes.sh
tests/docs/check_guides.sh
tests/e2e/check_startup_times.sh

jobs=$(nproc)
# The unit tests first: they take seconds and say the most about a fault.
stage "native build and unit tests"
cmake --preset native >/dev/null
cmake --build build/native -j "$jobs"
ctest --test-dir build/native --output-on-failure --verbose

stage "Windows build and the checks of the executable"
cmake --preset windows >/dev/null
cmake --build build/windows -j "$jobs"
tests/res/check_styles.sh build/windows
tests/res/check_version.sh build/windows
tests/res/check_icon.sh build/windows
# The product stays lean: under 64 KB, importing nothing but system DLLs; its
# header says what a Windows linker says of a windowed program, and its code
# holds to the instructions of the 80486.
cmake --build build/windows --target check_image
# One source gives one executable, wherever it is built.
scripts/check_reproducible.sh

# Benchmarks print figures for comparison between changes; they assert nothing
# and are built without sanitizers so that the figures mean something.
stage "benchmarks"
cmake --preset bench >/dev/null
cmake --build build/bench -j "$jobs" --target korv_transport_bench korv_survey_bench
for bench in build/bench/tests/korv_transport_bench build/bench/tests/korv_survey_bench; do
    "$bench" --benchmark_min_time=0.1
done

# The release's signing path, with a throwaway certificate, and the real
# executable under Wine and Xvfb with the simulated drives.
stage "signing check, then the end-to-end suite, which starts the signed copy the check leaves"
scripts/check_signing.sh build/windows
scripts/e2e.sh build/windows
