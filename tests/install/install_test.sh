#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks the installed data, then starts the
# installed tarvelcut and TarvelCutter with a fresh HOME and no user registry: the machine
# registration made at install must be all they need.
set -euo pipefail
build=$1
src=${KEZ_SOURCE_DIR:?}
work=$(mktemp -d)
xvfb=""
cleanup() { [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "install"; }
share=$prefix/share
for f in bin/TarvelCutter bin/tarvelcut bin/regsvr share/man/man1/tarvelcut.1 share/man/man1/regsvr.1 \
         share/icons/hicolor/scalable/apps/tarvelcutter.svg share/icons/hicolor/256x256/apps/tarvelcutter.png; do
  [ -e "$prefix/$f" ] || fail "$f not installed"
done
hive=$(find "$prefix" -path '*/tarvelcutter/registry/HKEY_CLASSES_ROOT.hive')
[ -n "$hive" ] || fail "no machine registration installed"
grep -q "$prefix/" "$hive" || fail "the machine hive does not name the installed modules"
! find "$prefix" -name '.lock' -o -name '*.tmp.*' | grep -q . || fail "registration left files behind"

desktop-file-validate "$share"/applications/*.desktop || fail "desktop entry"
appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml >"$work/as.log" || { cat "$work/as.log"; fail "metainfo"; }
for page in "$share"/man/man1/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man page $page: $warnings"
done

# A user who never registered anything.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
unset PLATFORM_REGISTRY_DIR PLATFORM_MACHINE_REGISTRY_DIR
mkdir -p "$HOME"
cd "$work"

"$prefix/bin/tarvelcut" --version | grep -q '^tarvelcut [0-9]' || fail "tarvelcut --version"
sample=/usr/share/sounds/alsa/Front_Center.wav
[ -f "$sample" ] || sample=$(ls /usr/share/sounds/freedesktop/stereo/*.oga | head -1)
"$prefix/bin/tarvelcut" info "$sample" >"$work/info.txt" 2>&1 || { cat "$work/info.txt"; fail "tarvelcut info"; }
grep -qi 'duration\|length' "$work/info.txt" || { cat "$work/info.txt"; fail "tarvelcut info printed no length"; }
"$prefix/bin/tarvelcut" cut "$sample" -o "$work/out" --format=ogg --pieces 2 -q || fail "tarvelcut cut"
[ "$(ls "$work/out" | wc -l)" = 2 ] || fail "tarvelcut cut wrote $(ls "$work/out")"

# The program: its main window and no other (an error box would be a second window).
# The server picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -n1 "$work/display") QT_QPA_PLATFORM=xcb
"$prefix/bin/TarvelCutter" "$sample" >"$work/gui.log" 2>&1 &
gui=$!
windows=""
for _ in $(seq 100); do
  windows=$(xdotool search --onlyvisible --name '.' 2>/dev/null || true)
  [ -n "$windows" ] && break
  sleep 0.1
done
sleep 2
names=$(for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do xdotool getwindowname "$w"; done)
kill "$gui" 2>/dev/null || true
wait "$gui" 2>/dev/null || true
echo "$names"
[ "$(printf '%s\n' "$names" | grep -c .)" = 1 ] || { cat "$work/gui.log"; fail "expected the main window alone"; }
printf '%s\n' "$names" | grep -q 'Tarvel Free Audio Cutter' || fail "no main window"
[ ! -e "$prefix/bin/grid.ini" ] || fail "the program wrote beside its binary"
echo "install_prefix: passed"
