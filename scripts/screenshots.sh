#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the main window and the dialogs offscreen into PNG files for review,
# light, under a dark palette and, where adwaita-qt6 is installed, under the
# Adwaita-Dark desktop style.
# Usage: scripts/screenshots.sh [OUTPUT_FOLDER]   (default docs/screenshots)
# BUILD_DIR chooses the build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
build=${BUILD_DIR:-build}
cmake -S . -B "$build" ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" --target korvex_screenshots -j2 >/dev/null
QT_QPA_PLATFORM=offscreen "$build/tests/app/korvex_screenshots" "$out" 2> >(grep -v -e propagateSizeHints -e 'support raise' -e XDG_RUNTIME_DIR >&2)
