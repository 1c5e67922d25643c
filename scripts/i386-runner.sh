#!/usr/bin/env bash
# Says in one line how this machine runs 32-bit Linux programs (Wine's 32-bit
# side and the unit tests are such programs): natively, or through the
# emulator that binfmt_misc hands them to, with its version. Timings and
# failures of those programs are read against it.
#   scripts/i386-runner.sh
set -euo pipefail

entry=/proc/sys/fs/binfmt_misc/qemu-i386
# A registered, enabled entry takes every 32-bit program, even where the
# kernel could run them itself.
if [ -r "$entry" ] && grep -qx enabled "$entry"; then
    emulator=$(sed -n 's/^interpreter //p' "$entry")
    echo "32-bit programs run through the emulator: $("$emulator" --version | head -n 1) ($emulator)"
else
    echo "32-bit programs run natively (kernel $(uname -r))"
fi
