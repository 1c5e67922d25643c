#!/usr/bin/env bash
# Some kernels (this workplace's virtual machines among them) refuse 32-bit
# ELF programs. Where that happens, hand them to qemu's user-mode emulator
# through binfmt_misc, so that the 32-bit unit tests and Wine's 32-bit side run.
set -euo pipefail

probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
echo 'int main(void) { return 0; }' > "$probe_dir/probe.c"
gcc -m32 "$probe_dir/probe.c" -o "$probe_dir/probe"
if "$probe_dir/probe" 2>/dev/null; then
    "$(dirname "$0")/i386-runner.sh"
    exit 0
fi

binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
if [ ! -e "$binfmt/qemu-i386" ]; then
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::${magic}:${mask}:/usr/bin/qemu-i386:OCF" > "$binfmt/register"
fi
"$probe_dir/probe"
"$(dirname "$0")/i386-runner.sh"
