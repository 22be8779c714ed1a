#!/bin/bash
# Turns the screens the end-to-end suites saved (build/windows/artifacts/*.ppm, written by
# make test) into PNG files in docs/screens/ (or $SCREENS) for the README: trimmed to the windows on the black
# screen and reduced to 256 colours, so the repository stays small.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
from=$top/build/windows/artifacts
to=${SCREENS:-$top/docs/screens}
screens="launcher-at-rest launcher-hover-exit install-options copy-progress install-error clean-up-done
journey-installed uninstall-win95 directx-question"
mkdir -p "$to"
for name in $screens; do
    if [ ! -f "$from/$name.ppm" ]; then
        echo "screenshots: $from/$name.ppm is missing; run make test first" >&2
        exit 1
    fi
    convert "$from/$name.ppm" -trim +repage -colors 256 "PNG8:$to/$name.png"
done
echo "screenshots: $(echo $screens | wc -w) screens in $to"
