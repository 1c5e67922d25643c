#!/usr/bin/env bash
# Compares the version texts in the built executable with the expected ones:
# the version information, the manifest's assembly version that the build
# derives from it, and the About box's own line, which stays as it is:
#   tests/res/check_version.sh <windows-build-dir>
set -euo pipefail
build=${1:?windows build directory}
# shellcheck source=tests/res/compare.sh
. "$(dirname "$0")/compare.sh"
expected='  CONTROL "KorvSerial Version 1.0", -1, "STATIC", 0x50020080, 40, 10, 119, 8
 FILEVERSION 1, 0, 0, 5
 PRODUCTVERSION 1, 0, 0, 5
      VALUE "FileVersion", "1, 0, 0, 5"
      VALUE "ProductVersion", "1, 0, 0, 5"
  "<assemblyIdentity type=""win32"" name=""Korvane.KorvSerial"" version=""1.0.0.5"" processorArchitecture=""x86""/>\n"'
actual=$(i686-w64-mingw32-windres -J coff -i "$build/app/KorvSerial.exe" -O rc \
    | grep -E '^ (FILE|PRODUCT)VERSION |"(File|Product)Version"|name=""Korvane\.KorvSerial""|"KorvSerial Version')
compare "version texts: version information 1, 0, 0, 5, manifest 1.0.0.5, About box 'KorvSerial Version 1.0'" "$expected" "$actual"
