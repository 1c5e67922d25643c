#!/usr/bin/env bash
# Builds the preload that keeps each thread's thread pointers its own in
# Wine's 32-bit processes under qemu's user-mode emulator, for both word
# sizes (the 64-bit one is empty, so that 64-bit processes load it quietly):
#   tests/emulator/build.sh <output-dir>
# gives <output-dir>/lib/{i386,x86_64}-linux-gnu/libkorv_threads_apart.so, to be
# named as LD_PRELOAD='<output-dir>/$LIB/libkorv_threads_apart.so'.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:?output directory}
source=$root/tests/emulator/threads_apart.c
for target in i386-linux-gnu:-m32 x86_64-linux-gnu:-m64; do
    dir=$out/lib/${target%%:*}
    library=$dir/libkorv_threads_apart.so
    [ "$library" -nt "$source" ] && continue
    mkdir -p "$dir"
    gcc "${target##*:}" -std=c11 -O2 -Wall -Wextra -Werror -fPIC -shared "$source" -o "$library.new" -ldl -lpthread
    mv "$library.new" "$library"
done
