#!/usr/bin/env bash
# Pictures for the documentation: runs kurvimat-demo for a few seconds of streaming from its
# virtual instrument and saves the main window as docs/kurvimat-demo.png.
# Usage: packaging/screenshots.sh [build directory]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
demo="$build/src/app/kurvimat-demo"
[ -x "$demo" ] || { echo "kurvimat-demo not built in $build" >&2; exit 1; }
mkdir -p "$root/docs"
out="$root/docs/kurvimat-demo.png"
export KURVIMAT_SCREENSHOT="$out"
export KURVIMAT_SCREENSHOT_MS=${KURVIMAT_SCREENSHOT_MS:-3000}
# The signal list the demo reads lives in a scratch folder, not in the user's settings.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch"
if command -v xvfb-run >/dev/null 2>&1; then
    xvfb-run -a -s "-screen 0 1280x800x24" "$demo"
else
    QT_QPA_PLATFORM=offscreen "$demo"
fi
echo "wrote $out"
