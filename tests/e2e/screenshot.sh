#!/usr/bin/env bash
# Saves the whole screen of an X display as PNG: screenshot.sh <display> <file.png>
set -euo pipefail
display=${1:?display, e.g. :91}
output=${2:?output file}
xwd -display "$display" -root -silent | convert xwd:- "png:$output"
