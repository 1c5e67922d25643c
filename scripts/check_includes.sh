#!/usr/bin/env bash
# Checks that each layer includes only what sits below it:
#   text/            the texts and their formatter: nothing of ours but itself,
#                    and no window system
#   scsi/            the transport core: no window system, no survey (its port
#                    included), no application, and no window type at all
#   survey/          the survey core: no window system, no application
#   app/framework/   the dialog layer: nothing of the utility's windows, the
#                    binding, the runtime or the core; its texts from text/, and
#                    which system it runs on from app/win32/system_family.h
#   app/win32/       the binding of the core's operating-system seam and the
#                    way out of the process: nothing else of the application,
#                    nothing of the survey
#   app/runtime/     the program's own language and process runtime: nothing of ours
# Prints one line per broken rule and a closing PASS or FAIL line.
set -uo pipefail
cd "$(dirname "$0")/.."

# folder | what an include line of that folder must not name (Perl regular expression)
rules=(
    'text|<(windows|winioctl|commctrl)\.h>|"(app|survey|scsi|res)/'
    'scsi|<(windows|winioctl|commctrl)\.h>|"(app|survey)/'
    'survey|<(windows|winioctl|commctrl)\.h>|"app/'
    'app/framework|"app/[a-z_]+\.h"|"app/win32/(?!system_family\.h)|"app/runtime/|"survey/|"scsi/|"res/'
    'app/win32|"app/(?!win32/)|"survey/'
    'app/runtime|"'
)

broken=0
for rule in "${rules[@]}"; do
    folder=${rule%%|*}
    pattern=${rule#*|}
    while IFS= read -r hit; do
        echo "layer rule broken in $folder: $hit"
        broken=$((broken + 1))
    done < <(grep -rnP --include='*.h' --include='*.cpp' -e "^#include.*($pattern)" "$folder")
done

# The transport knows no windows: no window handle or window type by any name.
while IFS= read -r hit; do
    echo "window type in scsi: $hit"
    broken=$((broken + 1))
done < <(grep -rnP --include='*.h' --include='*.cpp' -e '\b(HWND|HINSTANCE|[A-Z][A-Za-z]*Window)\b' scsi)

if [ "$broken" -eq 0 ]; then
    echo "PASS include rules: every layer includes only what is below it"
else
    echo "FAIL include rules: $broken includes across layers"
    exit 1
fi
