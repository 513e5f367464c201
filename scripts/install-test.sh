#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed game: installs into a temporary prefix and into a Debian
# package, validates the desktop files, and runs the installed program as a
# player who cannot write the install folder (root in CI creates one).
# Usage: scripts/install-test.sh   (BUILD_DIR picks the build folder, default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
player=korvextest
start=$(date +%s)

fail() { echo "install test: $*" >&2; exit 1; }

bash scripts/setup.sh test
# cpack would otherwise build every test first; only these are needed here.
cmake -S . -B "$build" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" --target korvex korvex_icons tst_installedgame -j"$(nproc)" >/dev/null

work=$(mktemp -d /tmp/korvex-install.XXXXXX)
cleanup() { chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
chmod 755 "$work"

# --- install into a prefix
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
expected=(
  bin/korvex
  share/korvex/KVXRules.rtf
  share/applications/korvex.desktop
  share/metainfo/org.korvex.Korvex.metainfo.xml
  share/icons/hicolor/scalable/apps/korvex.svg
)
for size in 16 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/korvex.png")
done
for f in "${expected[@]}"; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
[ -x "$prefix/bin/korvex" ] || fail "the installed program is not executable"
echo "installed ${#expected[@]} files into a prefix"

desktop-file-validate "$prefix/share/applications/korvex.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.korvex.Korvex.metainfo.xml"

# --- the Debian package
(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null)
debs=("$work"/deb/korvex_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one korvex_*.deb, got: ${debs[*]}"
deb=${debs[0]}
echo "package: $(basename "$deb")"
[ "$(dpkg-deb -f "$deb" Package)" = korvex ] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
for need in libqt6core6 libqt6gui6 libqt6widgets6 libc6 libstdc++6 fonts-liberation2; do
  grep -q "\b$need\b" <<<"$depends" || fail "missing dependency $need"
done
# Built in, so no runtime dependency on the decorative font's package.
! grep -q "fonts-leckerli-one" <<<"$depends" || fail "the embedded font must not be a dependency"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in "${expected[@]}"; do
  f=${f/#bin\//usr/bin/}
  f=${f/#share\//usr/share/}
  grep -qx "./$f" <<<"$contents" || fail "not in the package: $f"
done
# Every dependency can be met from the package sources (nothing is installed).
if apt-get install -s -qq "$deb" >"$work/apt.log" 2>&1; then
  grep -q "^Inst korvex" "$work/apt.log" || { cat "$work/apt.log"; fail "apt would not install the package"; }
else
  cat "$work/apt.log"; fail "apt cannot resolve the package's dependencies"
fi
debroot=$work/debroot
dpkg-deb -x "$deb" "$debroot"

# --- a player who cannot write the install folder
if [ "$(id -u)" -eq 0 ]; then
  id -u "$player" >/dev/null 2>&1 \
    || useradd --system --no-create-home --shell /usr/sbin/nologin "$player"
  as_player() { runuser -u "$player" -- "$@"; }
  chown_player() { chown -R "$player" "$@"; }
else
  chmod -R a-w "$prefix" "$debroot"
  as_player() { "$@"; }
  chown_player() { :; }
fi
new_home() {
  local home=$work/home-$1
  mkdir -p "$home/run"
  chmod 700 "$home/run"
  chown_player "$home"
  echo "$home"
}
player_env() {
  local home=$1
  shift
  as_player env -i HOME="$home" XDG_RUNTIME_DIR="$home/run" PATH=/usr/bin:/bin \
    LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen "$@"
}
touch "$work/marker"

# The real program, started and stopped after five seconds: it must still be
# running then, with the per-user folder made and filled.
smoke() {
  local exe=$1 rules=$2 home
  home=$(new_home "$3")
  local dir=$home/.local/share/Korvex rc=0
  player_env "$home" timeout 5 "$exe" >"$work/smoke.log" 2>&1 || rc=$?
  [ $rc -eq 124 ] || { cat "$work/smoke.log"; fail "$exe ended early with status $rc"; }
  [ -d "$dir" ] || fail "no per-user folder $dir"
  cmp -s "$rules" "$dir/KVXRules.rtf" || fail "the rules were not copied into $dir"
  # The top-ten dialog loads (and so creates) the score table at start-up.
  [ -f "$dir/KVXScrP.ini" ] || fail "no top-ten file in $dir"
  [ ! -e "$dir/Korvex.cnf" ] && [ ! -e "$dir/Korvex.lng" ] || fail "start-up must not create the settings files"
  echo "$exe: per-user folder holds $(cd "$dir" && echo *)"
}
smoke "$prefix/bin/korvex" "$prefix/share/korvex/KVXRules.rtf" prefix
smoke "$debroot/usr/bin/korvex" "$debroot/usr/share/korvex/KVXRules.rtf" deb

# The game's own code against the installed copy: rules shown, settings,
# texts, top ten and a saved game all in the per-user folder.
install -m 755 "$build/tests/app/tst_installedgame" "$work/tst_installedgame"
home=$(new_home game)
player_env "$home" KORVEX_INSTALLED_EXE="$prefix/bin/korvex" "$work/tst_installedgame" -silent \
  || fail "the installed game test failed"
for f in Korvex.cnf Korvex.lng KVXScrP.ini KVXScrT.ini KVXRules.rtf installed.sav; do
  [ -f "$home/.local/share/Korvex/$f" ] || fail "$f is not in the per-user folder"
done

# Nothing appeared in either install tree.
changed=$(find "$prefix" "$debroot" -newer "$work/marker" | head)
[ -z "$changed" ] || fail "written into the install tree: $changed"

echo "install test passed in $(( $(date +%s) - start )) s"
