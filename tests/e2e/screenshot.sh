#!/usr/bin/env bash
# Saves an X display as PNG: screenshot.sh <display> <file.png> [window title]
# With a title, only the top-level window of that exact title is saved (its
# frame included where Wine draws it), else the whole screen.
set -euo pipefail
display=${1:?display, e.g. :91}
output=${2:?output file}
title=${3:-}
target=(-root)
if [ -n "$title" ]; then
    id=$(xwininfo -display "$display" -root -children | grep -F "\"$title\": (" | awk '{ print $1 }' | head -1)
    [ -n "$id" ] || { echo "no window titled $title on $display" >&2; exit 1; }
    target=(-id "$id")
fi
xwd -display "$display" "${target[@]}" -silent | convert xwd:- "png:$output"
