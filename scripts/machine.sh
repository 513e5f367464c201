#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What this machine is, in a few lines, so that a test run's log can be read
# without it: processor and the features the code or its tests care about,
# cores, memory, load, the graphics stack the real-session tests meet, and
# the versions of Qt and of the tools.
# Usage: scripts/machine.sh
set -u

row() { printf '%-12s %s\n' "$1:" "$2"; }
version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo "not installed"; }

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
flags=" $(sed -n 's/^flags[[:space:]]*: //p' /proc/cpuinfo | head -n1) "
virt=$(systemd-detect-virt 2>/dev/null || true)
row processor "${cpu:-unknown} ($(uname -m)${virt:+, $virt})"
have=()
lack=()
for f in sse4_2 avx avx2 fma bmi2 avx512f avx512bw avx512vl; do
  case "$flags" in
    *" $f "*) have+=("$f") ;;
    *) lack+=("$f") ;;
  esac
done
row features "${have[*]:-none}${lack:+ (not: ${lack[*]})}"
# The advisor's solver asks the processor the same question at run time.
if [ "$(uname -m)" = x86_64 ] && [[ $flags == *" avx2 "* ]]; then
  row advisor "four rounds at once (AVX2); the portable build tests the one-round path"
else
  row advisor "one round at a time (no AVX2); the four-round path is not exercised here"
fi
row cores "$(nproc) usable of $(getconf _NPROCESSORS_ONLN 2>/dev/null || echo '?'), load $(cut -d' ' -f1-3 /proc/loadavg)"
row memory "$(awk '/^MemTotal/ { t = $2 } /^MemAvailable/ { a = $2 }
  END { printf "%.1f GiB, %.1f GiB available", t / 1048576, a / 1048576 }' /proc/meminfo)"
row disk "$(df -h --output=avail,fstype . 2>/dev/null | tail -n1 | awk '{ print $1 " free (" $2 ")" }') here, /tmp on $(df --output=fstype /tmp 2>/dev/null | tail -n1)"
row system "$(. /etc/os-release 2>/dev/null && echo "${PRETTY_NAME:-?}") $(cat /etc/debian_version 2>/dev/null), kernel $(uname -r)"

# Graphics: which Mesa, which of its drivers are there, and whether any
# hardware is: without a render node Mesa draws in software (llvmpipe).
dri=$(ls /usr/lib/*/dri/*_dri.so 2>/dev/null | sed 's|.*/||; s|_dri\.so$||' | tr '\n' ' ')
if ls /dev/dri/renderD* >/dev/null 2>&1; then
  node="render nodes: $(ls /dev/dri | grep renderD | tr '\n' ' ')"
else
  node="no render node: software (swrast/llvmpipe)"
fi
row mesa "$(version libgl1-mesa-dri) (EGL $(version libegl-mesa0)), $node"
row "dri drivers" "${dri:-none}"
env_gl=$(env | grep -E '^(LIBGL_|GALLIUM_|MESA_|EGL_|__EGL|QT_QPA|QT_WAYLAND|QT_XCB)' | tr '\n' ' ')
[ -n "$env_gl" ] && row "gl settings" "$env_gl"
row qt "$(version qt6-base-dev) (Wayland $(version qt6-wayland))"
row displays "Xvfb $(version xvfb), weston $(version weston), Xwayland $(version xwayland), openbox $(version openbox)"
row compilers "$(g++ -dumpfullversion 2>/dev/null || echo none) g++, $(clang++ -dumpversion 2>/dev/null || echo none) clang++, cmake $(cmake --version 2>/dev/null | sed -n '1s/.* //p')"
