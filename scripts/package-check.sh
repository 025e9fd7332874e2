#!/usr/bin/env bash
# The Debian package on a clean system, as a new user gets it: a minimal Debian 12 root made
# with debootstrap from this machine's mirror, the package installed there with apt (its
# dependencies from the archive, not from this machine), the installed program started on
# X11 (a private Xvfb) and on a headless Wayland desktop with no X server at all (sway),
# clicked through to the main window, a 3 s capture made with --capture and read back, the
# package purged, and nothing of it left.
#   scripts/package-check.sh [BUILD_DIR]     (root; needs the archive)
# Exit 0: passed; 1: failed; 77: cannot run here (not root, or the archive unreachable),
# which fails too when CI=true and the archive is reachable but something else is missing.
# The minimal root and the downloaded packages are kept in BUILD_DIR/package-check-cache,
# so a second run takes about a minute.
set -euo pipefail
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-${BUILD_DIR:-$SRC/build}}" && pwd)
CACHE=$BUILD/package-check-cache
WORK=$(mktemp -d /tmp/pelta-package-check-XXXXXX)
ROOT=$WORK/root
TITLE_RE='Pelta-RX - Quillmere +Capture'
MOUNTS=()
PIDS=()

log() { echo "package-check: $*"; }
fail() { echo "package-check: FAIL: $*" >&2; exit 1; }
skip() {
  echo "package-check: SKIP: $*" >&2
  exit 77
}
cleanup() {
  local p m i
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${PIDS[@]}"; do
    for i in $(seq 1 30); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null || true
  done
  for ((i = ${#MOUNTS[@]} - 1; i >= 0; i--)); do umount -l "${MOUNTS[$i]}" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

[ "$(id -u)" -eq 0 ] || skip "needs root (debootstrap, chroot, mounts)"
for tool in debootstrap chroot cpack Xvfb xdotool sway swaymsg ffprobe gcc wayland-scanner; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup.sh installs it)"
done

# The machine's own Debian mirror.
MIRROR=$(sed -n 's/^URIs: *\([^ ]*\/debian\)$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1)
[ -n "$MIRROR" ] || MIRROR=$(sed -n 's/^deb \(\[[^]]*\] \)\?\([^ ]*\) bookworm .*/\2/p' /etc/apt/sources.list 2>/dev/null | head -1)
[ -n "$MIRROR" ] || MIRROR=http://deb.debian.org/debian
timeout 20 bash -c "exec 3<>/dev/tcp/$(echo "$MIRROR" | sed 's#^[a-z]*://##; s#/.*##')/80" 2>/dev/null \
  || skip "the archive $MIRROR is not reachable"
log "mirror $MIRROR"

# -- the package -------------------------------------------------------------------------
cpack --config "$BUILD/CPackConfig.cmake" -G DEB -B "$WORK/out" >"$WORK/cpack.log" 2>&1 \
  || { cat "$WORK/cpack.log"; fail "cpack could not build the package"; }
DEB=$(ls "$WORK"/out/pelta-rx_*.deb)
log "package $(basename "$DEB")"

# -- a clean root ---------------------------------------------------------------------------
mkdir -p "$CACHE/archives/partial"
if [ ! -s "$CACHE/minbase.tar" ]; then
  log "debootstrap --variant=minbase bookworm (once; kept in $CACHE)"
  debootstrap --variant=minbase bookworm "$WORK/boot" "$MIRROR" >"$WORK/debootstrap.log" 2>&1 \
    || { tail -20 "$WORK/debootstrap.log"; fail "debootstrap failed"; }
  tar -C "$WORK/boot" -cf "$CACHE/minbase.tar.tmp" . && mv "$CACHE/minbase.tar.tmp" "$CACHE/minbase.tar"
  rm -rf "$WORK/boot"
fi
mkdir -p "$ROOT"
tar -C "$ROOT" -xf "$CACHE/minbase.tar"
# The same suites as this machine (the program is built against its updates).
rm -f "$ROOT/etc/apt/sources.list"
cp /etc/apt/sources.list.d/*.sources "$ROOT/etc/apt/sources.list.d/" 2>/dev/null || true
[ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$ROOT/etc/apt/sources.list"
cp -L /etc/resolv.conf "$ROOT/etc/resolv.conf"
bind() { mount --bind "$1" "$2"; MOUNTS+=("$2"); }
mount -t proc proc "$ROOT/proc"; MOUNTS+=("$ROOT/proc")
bind /dev "$ROOT/dev"
mount -t tmpfs -o mode=1777 tmpfs "$ROOT/dev/shm"; MOUNTS+=("$ROOT/dev/shm")
bind "$CACHE/archives" "$ROOT/var/cache/apt/archives"
in_root() { chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

# What the root holds before: after the purge, nothing of the package may be left. The
# user's own files (the program's settings in the home folder) stay, as with any package.
snapshot() {
  (cd "$ROOT" && find . -xdev \( -path ./proc -o -path ./dev -o -path ./tmp -o -path ./root -o -path ./home -o -path ./var/cache \
    -o -path ./var/lib/apt -o -path ./var/lib/dpkg -o -path ./var/log -o -path ./run \) -prune -o -print | sort)
}

log "apt-get install ./$(basename "$DEB") (dependencies from the archive)"
cp "$DEB" "$ROOT/tmp/"
in_root apt-get update -qq >"$WORK/apt.log" 2>&1 || { cat "$WORK/apt.log"; fail "apt-get update failed in the root"; }
before=$(in_root dpkg-query -W -f='${Package}\n' | wc -l)
snapshot >"$WORK/before"
# Recommends left out (a desktop's portal backend pulls in the desktop); they are checked
# to exist in the archive below.
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$DEB")" \
  >>"$WORK/apt.log" 2>&1 || { tail -30 "$WORK/apt.log"; fail "apt could not install the package"; }
after=$(in_root dpkg-query -W -f='${Package}\n' | wc -l)
log "installed with $((after - before)) packages from the archive"
in_root dpkg-query -W -f='${Status}' pelta-rx | grep -q "install ok installed" || fail "pelta-rx is not installed"
in_root dpkg-query -W -f='${Status}' qt6-wayland | grep -q "install ok installed" || fail "qt6-wayland came not with it"
recommends=$(dpkg-deb -f "$DEB" Recommends | sed 's/,/\n/g; s/|/\n/g' | tr -d ' ')
for r in $recommends; do
  in_root apt-cache show "$r" >/dev/null 2>&1 || fail "Recommends names $r, which the archive lacks"
done
log "Recommends all in the archive: $(echo $recommends)"
in_root dpkg -L pelta-rx | grep -v '^/\.$' >"$WORK/package-files"

# -- run it ---------------------------------------------------------------------------------
# The program's user files go to a fresh home inside the root.
mkdir -p -m 700 "$ROOT/home/user" "$ROOT/run/user"
run_env=(HOME=/home/user XDG_CONFIG_HOME=/home/user/.config XDG_RUNTIME_DIR=/run/user LANG=C.UTF-8)
start_app() {  # start_app LOG ENV... -- ARGS...
  local logf=$1; shift
  chroot "$ROOT" env -i PATH=/usr/bin:/bin "${run_env[@]}" "$@" >"$logf" 2>&1 &
  APP=$!
  PIDS+=("$APP")
}
wait_app() {  # wait_app SECONDS: the program's exit status in RC
  RC=0
  timeout "$1" tail --pid="$APP" -f /dev/null || { kill "$APP"; fail "the program did not end within $1 s"; }
  wait "$APP" || RC=$?
}
check_file() {  # check_file PATH: a finished capture of about 3 s with video
  local f=$ROOT$1 probe dur
  [ -s "$f" ] || fail "no capture file $1"
  probe=$(ffprobe -v error -show_entries format=duration:stream=codec_type -of compact "$f") \
    || fail "ffprobe cannot read $1"
  echo "$probe" | grep -q codec_type=video || fail "$1 has no video stream: $probe"
  dur=$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$f")
  awk -v d="$dur" 'BEGIN { exit !(d >= 2.5 && d <= 3.6) }' || fail "$1 lasts $dur s, not about 3 s"
  log "capture $1: $dur s, $(echo "$probe" | grep -c codec_type) streams"
}
capture=(--capture --time-limit 3 --video "Test Pattern" --audio "Test Tone")

# X11: Xvfb; the click and the window title through xdotool.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB=$!
PIDS+=("$XVFB")
read -r -u "$fd" display
export DISPLAY=":$display"
start_app "$WORK/x11.log" DISPLAY="$DISPLAY" /usr/bin/pelta-rx
splash=$(timeout 60 xdotool search --sync --onlyvisible --pid "$APP" | head -1) \
  || { cat "$WORK/x11.log"; fail "X11: the installed program showed no window"; }
xdotool mousemove --window "$splash" 30 30 click 1
main=$(timeout 60 xdotool search --sync --onlyvisible --name "^$TITLE_RE\$" | head -1) \
  || { cat "$WORK/x11.log"; fail "X11: clicking the splash did not bring up the main window"; }
log "X11: main window \"$(xdotool getwindowname "$main")\""
kill -TERM "$APP"
wait_app 30
start_app "$WORK/x11-capture.log" DISPLAY="$DISPLAY" /usr/bin/pelta-rx "${capture[@]}" /tmp/x11.avi
wait_app 60
[ "$RC" = 0 ] || { cat "$WORK/x11-capture.log"; fail "X11: --capture ended with status $RC"; }
check_file /tmp/x11.avi
kill "$XVFB"
unset DISPLAY

# Wayland, no X server (the Xvfb above has ended): sway (as an unprivileged user: it refuses root) with its socket
# inside the root. Headless sway has no pointer device: the click comes from a virtual
# pointer (the wlroots protocol), a small client built here.
VP=$SRC/tests/packaging/vpointer
wayland-scanner client-header "$VP/virtual-pointer.xml" "$WORK/virtual-pointer-client.h"
wayland-scanner private-code "$VP/virtual-pointer.xml" "$WORK/virtual-pointer.c"
gcc -O -I"$WORK" -o "$WORK/click" "$VP/click.c" "$WORK/virtual-pointer.c" -lwayland-client \
  || fail "the virtual pointer client does not build"
WL=$ROOT/run/wayland
mkdir -m 700 "$WL" && chown 65534:65534 "$WL"
cat >"$WORK/sway.conf" <<EOF
output HEADLESS-1 resolution 1280x720 position 0,0
xwayland disable
EOF
chmod 755 "$WORK"; chmod 644 "$WORK/sway.conf"
env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$WL" HOME="$WL" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
  WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1 setpriv --reuid=65534 --regid=65534 --clear-groups \
  sway -c "$WORK/sway.conf" >"$WORK/sway.log" 2>&1 &
PIDS+=("$!")
for _ in $(seq 1 100); do [ -S "$WL/wayland-1" ] && ls "$WL"/sway-ipc.*.sock >/dev/null 2>&1 && break; sleep 0.1; done
[ -S "$WL/wayland-1" ] || { cat "$WORK/sway.log"; fail "sway did not start"; }
SWAYSOCK=$(ls "$WL"/sway-ipc.*.sock | head -1)
sway() { swaymsg -s "$SWAYSOCK" "$@"; }
wl_env=(WAYLAND_DISPLAY=/run/wayland/wayland-1 XDG_SESSION_TYPE=wayland)
start_app "$WORK/wayland.log" "${wl_env[@]}" /usr/bin/pelta-rx
tree() { sway -t get_tree -r; }
for _ in $(seq 1 600); do tree | grep -q '"pid": '"$APP" && break; kill -0 "$APP" 2>/dev/null || break; sleep 0.1; done
tree | grep -q '"pid": '"$APP" || { cat "$WORK/wayland.log"; fail "Wayland: the installed program showed no window"; }
# The splash's middle (sway floats it in the middle of the output), clicked again every
# 2 s until the main window shows: the first may come before the splash takes input.
for _ in $(seq 1 30); do
  WAYLAND_DISPLAY=$WL/wayland-1 "$WORK/click" 640 360 1280 720 || fail "Wayland: the click could not be made"
  for _ in $(seq 1 20); do tree | grep -Eq "\"name\": \"$TITLE_RE\"" && break 2; sleep 0.1; done
done
tree | grep -Eq "\"name\": \"$TITLE_RE\"" || { cat "$WORK/wayland.log"; fail "Wayland: clicking the splash did not bring up the main window"; }
log "Wayland: main window \"$(tree | grep -Eo "\"name\": \"$TITLE_RE\"" | head -1 | cut -d'"' -f4)\" (no X server)"
kill -TERM "$APP"
wait_app 30
start_app "$WORK/wayland-capture.log" "${wl_env[@]}" /usr/bin/pelta-rx "${capture[@]}" /tmp/wayland.avi
wait_app 60
[ "$RC" = 0 ] || { cat "$WORK/wayland-capture.log"; fail "Wayland: --capture ended with status $RC"; }
check_file /tmp/wayland.avi

# -- purge ----------------------------------------------------------------------------------
DEBIAN_FRONTEND=noninteractive in_root apt-get purge -y -qq --autoremove pelta-rx >>"$WORK/apt.log" 2>&1 \
  || { tail -20 "$WORK/apt.log"; fail "apt could not purge the package"; }
in_root dpkg-query -W -f='${Status}' pelta-rx 2>/dev/null | grep -q installed && fail "pelta-rx is still installed"
while read -r f; do
  [ -e "$ROOT$f" ] && [ ! -d "$ROOT$f" ] && fail "left behind after the purge: $f"
done <"$WORK/package-files"
snapshot >"$WORK/after"
left=$(comm -13 "$WORK/before" "$WORK/after" | grep -i pelta || true)
[ -z "$left" ] || fail "left behind after the purge: $left"
log "the user's own files stay in the home folder: $(cd "$ROOT/home/user" && find .config -type f | sort | tr '\n' ' ')"
remaining=$(in_root dpkg-query -W -f='${Package}\n' | wc -l)
log "purged with --autoremove: $((remaining - before)) packages more than the clean root"
log "PASS"
