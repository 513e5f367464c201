#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds and starts the game. Arguments go to the game (for example /CHEAT).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh run
bash scripts/build.sh
exec "${BUILD_DIR:-build}/bin/korvex" "$@"
