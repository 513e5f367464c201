#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that Korvex needs and that are not there yet.
# Usage: scripts/setup.sh [run|test]   (test also brings what the tests need)
set -euo pipefail

packages=(build-essential cmake qt6-base-dev libgl-dev fonts-leckerli-one fonts-kaushanscript librsvg2-bin)
if [ "${1:-run}" = test ]; then
  packages+=(xvfb xauth xdotool x11-utils qt6-base-private-dev clang libclang-rt-14-dev
    dpkg-dev file desktop-file-utils appstream lintian man-db
    libc6-dev-arm64-cross libstdc++-12-dev-arm64-cross)
  packages+=(weston qt6-wayland xwayland)
  # Mesa's EGL, GLX and DRI drivers, named rather than left to recommends: Qt
  # draws its Wayland title bars only with EGL there, and the sanitizer run
  # must meet the same drivers on every machine.
  packages+=(libegl-mesa0 libglx-mesa0 libgl1-mesa-dri)
  packages+=(orca speech-dispatcher openbox dbus-daemon at-spi2-core)
  # a dark desktop style (-style Adwaita-Dark) for the real-window checks
  packages+=(adwaita-qt6)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
