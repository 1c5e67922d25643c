#!/usr/bin/env bash
# Holds an executable to the instructions of the 80486, the oldest processor
# Windows 98 runs on: disassembles every code section of the image, its
# static runtime pieces included, and fails on any instruction of a later
# processor, naming the function it was found in from the linker's map.
#
# Usage: scripts/check_instruction_set.sh <image.exe> <linker map> [objdump]
set -euo pipefail

image=$1
map=$2
objdump=${3:-i686-w64-mingw32-objdump}
name=$(basename "$image")

# What a later processor added, as objdump spells the mnemonic's start (AT&T
# syntax), one processor or extension a line. UD2 is the Pentium Pro's too,
# even though it is meant to fault.
later_mnemonics=(
    cpuid rdtsc rdmsr wrmsr cmpxchg8b                              # Pentium (CPUID also late 80486s)
    cmov fcmov fcomi fcomip fucomi fucomip rdpmc ud2 nopw nopl      # Pentium Pro
    sysenter sysexit                                               # Pentium II
    prefetch lfence sfence mfence movnt fisttp fxsave fxrstor ldmxcsr stmxcsr emms femms  # MMX, 3DNow!, SSE to SSE3
    syscall sysret endbr popcnt lzcnt tzcnt movbe crc32 xgetbv rdrand rdseed  # later still
    andn bextr blsi blsmsk blsr bzhi mulx pdep pext rorx sarx shlx shrx       # BMI
)
later_instructions="^($(IFS='|'; echo "${later_mnemonics[*]}"))"
# And any register only those processors have: MMX, SSE, AVX, AVX-512 masks.
later_registers='%([xyz]?mm[0-9]+|k[0-7])([^0-9a-z]|$)'

# The map's input sections and symbols with their addresses, lowest first:
# a section's name is the function (the build gives every function its own),
# a library member without such sections is named by its archive and member.
places=$(awk '
    function hex8(text) { sub(/^0x/, "", text); text = "00000000" text; return substr(text, length(text) - 7) }
    function keep(address, size, what) { if (size !~ /^0x0+$/) print hex8(address), what }
    /^ \.text/ {
        section = $1; sub(/^\.text\$?/, "", section)
        if (NF >= 4) { keep($2, $3, section != "" ? section : $4); pending = "" }
        else pending = section
        next
    }
    pending != "" && $1 ~ /^0x/ && NF >= 3 { keep($1, $2, pending); pending = ""; next }
    { pending = "" }
    /^ +0x[0-9a-f]+ +[A-Za-z_.$@?][^ ]*$/ && NF == 2 { print hex8($1), $2 }
' "$map" | sort -u)

# Every instruction, then the later ones as "<address> <instruction>".
disassembly=$("$objdump" -d --no-show-raw-insn "$image" | awk -F'\t' '
    NF >= 2 && $1 ~ /^ *[0-9a-f]+:$/ {
        address = $1; gsub(/[ :]/, "", address)
        instruction = $2; sub(/^ +/, "", instruction)
        print substr("00000000" address, length(address) + 1), instruction
    }')
checked=$(wc -l <<< "$disassembly")
found=$(awk -v later="$later_instructions" -v registers="$later_registers" '
    { instruction = $0; sub(/^[0-9a-f]+ /, "", instruction) }
    instruction ~ later || instruction ~ registers' <<< "$disassembly")

count=0
while read -r address instruction; do
    [ -n "$address" ] || continue
    count=$((count + 1))
    function=$(awk -v at="$address" '("" $1) <= ("" at) { last = $2 } END { print last }' <<< "$places")
    echo "  $instruction at 0x$address in $(c++filt <<< "$function")"
done <<< "$found"

echo "$name: $(stat -c %s "$image") bytes; $count of $checked instructions beyond the 80486"
[ "$count" -eq 0 ]
