#!/usr/bin/env bash
# Builds the simulated pass-through preload for both word sizes:
#   tests/sim_sg/build.sh <output-dir>
# gives <output-dir>/lib/{i386,x86_64}-linux-gnu/libkorv_sg.so, to be named as
# LD_PRELOAD='<output-dir>/$LIB/libkorv_sg.so' so that the dynamic loader of
# each process picks the one of its own word size. Wine's 32-bit programs
# need the 32-bit one; its server is the 64-bit program wherever wine64 is
# installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:?output directory}
sources=(
    "$root/tests/sim_sg/sg_preload.cpp"
    "$root/tests/sim_drives/scenario.cpp"
    "$root/tests/sim_drives/sim_device.cpp"
    "$root/tests/sim_drives/sim_log.cpp"
)
for target in i386-linux-gnu:-m32 x86_64-linux-gnu:-m64; do
    dir=$out/lib/${target%%:*}
    mkdir -p "$dir"
    # The runtime is linked in and kept private, so that the library brings
    # nothing into Wine's processes but its hooks.
    g++ "${target##*:}" -std=c++17 -O2 -Wall -Wextra -Werror -fPIC -shared -fvisibility=hidden \
        -I "$root" "${sources[@]}" -o "$dir/libkorv_sg.so.new" \
        -static-libstdc++ -static-libgcc -Wl,--exclude-libs,ALL \
        -Wl,--version-script="$root/tests/sim_sg/exports.map" -ldl
    mv "$dir/libkorv_sg.so.new" "$dir/libkorv_sg.so"
done
