#!/usr/bin/env bash
# Renders the README's picture of the main window, docs/main-window.png: the simulator as it
# shows the monitor's greeting after start. Builds tarvok first; needs no screen.
#   tools/screenshot.sh [OUTPUT.png] [tarvok options...]
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/main-window.png}
cmake --preset release >/dev/null
cmake --build --preset release --target tarvok >/dev/null
mkdir -p "$(dirname "$output")"
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=offscreen \
    build/release/bin/tarvok --screenshot "$output" --cycles 300000 "${@:2}"
echo "wrote $output"
