#!/usr/bin/env bash
# Installs what is missing, builds the native and the Windows build, and runs
# every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
tests/scripts/check_install_deps.sh
scripts/check-includes.sh
tests/docs/check_guides.sh

jobs=$(nproc)
cmake --preset native >/dev/null
cmake --build build/native -j "$jobs"
# The unit tests first: they take seconds and say the most about a fault.
ctest --test-dir build/native --output-on-failure --verbose
cmake --preset windows >/dev/null
cmake --build build/windows -j "$jobs"
tests/res/check_styles.sh build/windows
tests/res/check_version.sh build/windows
tests/res/check_icon.sh build/windows
# The product stays lean: at most 48 KB, importing nothing but system DLLs;
# its header says what a Windows linker says of a windowed program.
cmake --build build/windows --target check_image
# One source gives one executable, wherever it is built.
scripts/check-reproducible.sh

# Benchmarks print figures for comparison between changes; they assert nothing
# and are built without sanitizers so that the figures mean something.
cmake --preset bench >/dev/null
cmake --build build/bench -j "$jobs" --target korv_transport_bench korv_survey_bench
for bench in build/bench/tests/korv_transport_bench build/bench/tests/korv_survey_bench; do
    "$bench" --benchmark_min_time=0.1
done

# The release's signing path, with a throwaway certificate; its signed copy
# is started by the end-to-end suite.
scripts/check-signing.sh build/windows

# The real executable under Wine and Xvfb, with the simulated ASPI manager.
scripts/e2e.sh build/windows

