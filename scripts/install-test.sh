#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed game: installs into a temporary prefix and into a Debian
# package, validates the desktop files, the manual page and the release notes,
# runs lintian on the package, and runs the installed program as a player who
# cannot write the install folder (root in CI creates one, and installs the
# package into the system for the while of the test).
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
cmake --build "$build" --target korvex korvex_icons korvex_docs tst_installedgame -j"$(nproc)" >/dev/null

work=$(mktemp -d /tmp/korvex-install.XXXXXX)
system_installed=0
cleanup() {
  [ $system_installed -eq 0 ] || dpkg --purge korvex >/dev/null 2>&1 || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

# --- install into a prefix
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
# Debian's layout for games: the program in games/, its data in share/games/.
expected=(
  games/korvex
  share/games/korvex/KVXRules.rtf
  share/applications/korvex.desktop
  share/metainfo/org.korvex.Korvex.metainfo.xml
  share/icons/hicolor/scalable/apps/korvex.svg
  share/man/man6/korvex.6.gz
  share/doc/korvex/changelog.gz
  share/doc/korvex/copyright
)
for size in 16 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/korvex.png")
done
for f in "${expected[@]}"; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
[ -x "$prefix/games/korvex" ] || fail "the installed program is not executable"
echo "installed ${#expected[@]} files into a prefix"

desktop-file-validate "$prefix/share/applications/korvex.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.korvex.Korvex.metainfo.xml"
# The menu entry starts the installed program wherever the prefix is.
exec_of() { sed -n 's/^Exec=//p' "$1"; }
[ "$(exec_of "$prefix/share/applications/korvex.desktop")" = "$prefix/games/korvex" ] \
  || fail "the menu entry's Exec is not $prefix/games/korvex"

# The manual page renders without a warning.
manpage() {
  local out
  out=$(MANWIDTH=80 man --warnings -l "$1" 2>&1 >"$work/man.txt") || fail "man cannot render $1"
  [ -z "$out" ] || { echo "$out"; fail "the manual page renders with warnings"; }
  grep -q "korvex - dice game for one player" "$work/man.txt" || fail "the manual page has no NAME line"
  grep -q "Ctrl+N" "$work/man.txt" || fail "the manual page lists no keys"
}
manpage "$prefix/share/man/man6/korvex.6.gz"

# The release notes: the package's version first, and the same releases with
# the same dates in the software-centre description.
notes=$work/changelog
zcat "$prefix/share/doc/korvex/changelog.gz" >"$notes"
entries=$(dpkg-parsechangelog -l "$notes" --format rfc822 --all)
noted=$(sed -n 's/^Version: //p' <<<"$entries" | tr '\n' ' ')
noted_dates=$(sed -n 's/^Date: //p' <<<"$entries" | while read -r d; do date -u -d "$d" +%F; done | tr '\n' ' ')
meta=$prefix/share/metainfo/org.korvex.Korvex.metainfo.xml
released=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$meta" | tr '\n' ' ')
released_dates=$(sed -n 's/.*<release version="[^"]*" date="\([^"]*\)".*/\1/p' "$meta" | tr '\n' ' ')
[ "$noted" = "$released" ] || fail "release notes ($noted) and metainfo ($released) differ"
[ "$noted_dates" = "$released_dates" ] || fail "release dates differ: $noted_dates / $released_dates"
echo "releases: $noted($noted_dates)"

# --- the Debian package
(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null)
debs=("$work"/deb/korvex_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one korvex_*.deb, got: ${debs[*]}"
deb=${debs[0]}
echo "package: $(basename "$deb")"
[ "$(dpkg-deb -f "$deb" Package)" = korvex ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "${noted%% *}" ] || fail "the newest release noted is not the package's version"
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "the package's section is not games"

# Debian's package checker: no error and no warning. Its whole report, notes
# included, is shown.
lintian_log=$work/lintian.log
lintian_rc=0
lintian --fail-on error,warning --display-info --pedantic "$deb" >"$lintian_log" 2>&1 || lintian_rc=$?
sed 's/^/lintian: /' "$lintian_log"
[ $lintian_rc -eq 0 ] || fail "lintian reports errors or warnings"

depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
for need in libqt6core6 libqt6gui6 libqt6widgets6 libc6 libstdc++6 fonts-liberation2; do
  grep -q "\b$need\b" <<<"$depends" || fail "missing dependency $need"
done
# Built in, so no runtime dependency on the decorative font's package.
! grep -q "fonts-leckerli-one" <<<"$depends" || fail "the embedded font must not be a dependency"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in "${expected[@]}"; do
  grep -qx "./usr/$f" <<<"$contents" || fail "not in the package: /usr/$f"
done
# Every dependency can be met from the package sources (nothing is installed).
if apt-get install -s -qq "$deb" >"$work/apt.log" 2>&1; then
  grep -q "^Inst korvex" "$work/apt.log" || { cat "$work/apt.log"; fail "apt would not install the package"; }
else
  cat "$work/apt.log"; fail "apt cannot resolve the package's dependencies"
fi
debroot=$work/debroot
dpkg-deb -x "$deb" "$debroot"
[ "$(exec_of "$debroot/usr/share/applications/korvex.desktop")" = /usr/games/korvex ] \
  || fail "the package's menu entry does not start /usr/games/korvex"

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
# As root, the package itself for the while of the test (removed again at
# the end), unless a korvex package is already there.
if [ "$(id -u)" -eq 0 ]; then
  if dpkg-query -W -f='${Status}' korvex 2>/dev/null | grep -q 'install ok installed'; then
    echo "a korvex package is already installed: the system install is not tried"
  else
    system_installed=1
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt-install.log" 2>&1 \
      || { cat "$work/apt-install.log"; fail "the package does not install"; }
    man -w korvex | grep -qx /usr/share/man/man6/korvex.6.gz || fail "man korvex does not find the installed page"
    manpage /usr/share/man/man6/korvex.6.gz
    echo "installed into the system: $(dpkg-query -W -f='${Package} ${Version}' korvex)"
  fi
fi
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
smoke "$prefix/games/korvex" "$prefix/share/games/korvex/KVXRules.rtf" prefix
smoke "$debroot/usr/games/korvex" "$debroot/usr/share/games/korvex/KVXRules.rtf" deb
if [ $system_installed -eq 1 ]; then
  # On a player's search path as Debian sets it, korvex is the installed game.
  found=$(as_player env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games sh -c 'command -v korvex')
  [ "$found" = /usr/games/korvex ] || fail "korvex on the search path is ${found:-nothing}, not /usr/games/korvex"
  smoke /usr/games/korvex /usr/share/games/korvex/KVXRules.rtf system
fi

# The game's own code against the installed copy: rules shown, settings,
# texts, top ten and a saved game all in the per-user folder.
install -m 755 "$build/tests/app/tst_installedgame" "$work/tst_installedgame"
home=$(new_home game)
player_env "$home" KORVEX_INSTALLED_EXE="$prefix/games/korvex" "$work/tst_installedgame" -silent \
  || fail "the installed game test failed"
for f in Korvex.cnf Korvex.lng KVXScrP.ini KVXScrT.ini KVXRules.rtf installed.sav; do
  [ -f "$home/.local/share/Korvex/$f" ] || fail "$f is not in the per-user folder"
done

# Nothing appeared in either install tree.
trees=("$prefix" "$debroot")
[ $system_installed -eq 0 ] || trees+=(/usr/games/korvex /usr/share/games/korvex)
changed=$(find "${trees[@]}" -newer "$work/marker" | head)
[ -z "$changed" ] || fail "written into the install tree: $changed"

echo "install test passed in $(( $(date +%s) - start )) s"
