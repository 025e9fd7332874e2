#!/usr/bin/env bash
# A private, headless Wayland desktop for tests and benchmarks, on a session bus of its own;
# nothing of the machine's own session is touched. Two kinds:
#   sway   sway (as an unprivileged user, it refuses root), PipeWire, WirePlumber and the XDG
#          desktop portal with its wlroots backend
#   gnome  mutter (headless, one virtual monitor of 1280x720), PipeWire, WirePlumber and the
#          portal with GNOME's own backend, xdg-desktop-portal-gnome; GNOME's portal asks with a
#          dialog unless a grant is stored, so one is stored in the permission store first:
#          DIR/grant-token holds its id, the restore token that shares the monitor at once
#
#   scripts/wayland-session.sh install          packages, and the portal backend build (once)
#   scripts/wayland-session.sh start DIR [KIND] start a session (sway by default) in DIR
#                                               (created, must not exist); prints the
#                                               environment to use, one VAR=value a line
#   scripts/wayland-session.sh stop DIR         end every process of that session by its PID,
#                                               the helpers the bus started included
#
# DIR/portal-backend.pid is the screen-cast backend's PID and DIR/portal-backend.bin its
# program, for tests that end it as a desktop does when the user stops sharing.
#
# The backend is Debian's xdg-desktop-portal-wlr built from its source package with one
# change (portal-wlr-shm.patch): without a GPU the compositor offers no DMA-BUF format, and
# the packaged backend then refuses to share a screen although its shared-memory path works.
# The build lands in $BUILD_DIR/wayland-portal and is reused.
#
# The output chooser is a script: it names the output in DIR/chooser-answer (HEADLESS-1 at
# start; an empty file cancels, as a user would) and appends a line to DIR/chooser-asked
# each time it is asked; DIR/chooser-delay, when not empty, is how many seconds the "user"
# takes to answer.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR=$ROOT/$BUILD_DIR ;; esac
PORTAL_DIR=$BUILD_DIR/wayland-portal
PORTAL_BIN=$PORTAL_DIR/xdg-desktop-portal-wlr
SWAY_UID=65534

PACKAGES=(sway swaybg foot pipewire pipewire-bin wireplumber libpipewire-0.3-dev libsystemd-dev
  xdg-desktop-portal xdg-desktop-portal-wlr dbus libglib2.0-bin qt6-wayland
  meson ninja-build dpkg-dev libdrm-dev libinih-dev libgbm-dev libwayland-dev wayland-protocols
  mutter xdg-desktop-portal-gnome)

install_packages() {
  local missing=() p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  # GNOME's packages recommend PipeWire's sound server, which would take PulseAudio's place:
  # the tests' private PulseAudio stays when it is installed, named in the same request.
  local keep=()
  dpkg-query -W -f='${Status}' pulseaudio 2>/dev/null | grep -q "install ok installed" && keep=(pulseaudio)
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" "${keep[@]}"
  if [ ${#keep[@]} -gt 0 ] && ! dpkg-query -W -f='${Status}' pulseaudio 2>/dev/null | grep -q "install ok installed"; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq pulseaudio
  fi
}

# Source entries made from the machine's own binary entries, in private apt folders, so
# the machine's apt configuration stays as it was.
build_portal() {
  [ -x "$PORTAL_BIN" ] && return 0
  local work version apto
  work=$(mktemp -d /tmp/pelta-portal-build-XXXXXX)
  version=$(dpkg-query -W -f='${Version}' xdg-desktop-portal-wlr)
  mkdir -p "$work/parts" "$work/lists/partial" "$work/cache/archives/partial"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$work/parts/src.sources"
  fi
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list > "$work/parts/src.list"
  fi
  apto=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/parts"
        -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o APT::Sandbox::User=root)
  apt-get "${apto[@]}" update -qq
  (cd "$work" && apt-get "${apto[@]}" source --download-only -qq "xdg-desktop-portal-wlr=$version")
  (cd "$work" && dpkg-source -x ./*.dsc src >/dev/null 2>&1)
  patch -s -d "$work/src" -p1 < "$ROOT/scripts/portal-wlr-shm.patch"
  meson setup -Dman-pages=disabled -Dsystemd=disabled "$work/src/build" "$work/src" >/dev/null
  ninja -C "$work/src/build" >/dev/null
  mkdir -p "$PORTAL_DIR"
  cp "$work/src/build/xdg-desktop-portal-wlr" "$PORTAL_BIN.tmp"
  mv "$PORTAL_BIN.tmp" "$PORTAL_BIN"
  rm -rf "$work"
}

# Polls a command until it succeeds (up to about 10 s).
wait_for() {
  local i
  for i in $(seq 1 100); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  echo "wayland-session: timed out waiting for: $*" >&2
  return 1
}

has_bus_name() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" | grep -q true
}

start_session() {
  local dir=$1
  [ -x "$PORTAL_BIN" ] || { echo "wayland-session: run '$0 install' first" >&2; return 1; }
  mkdir -m 700 "$dir"
  dir=$(cd "$dir" && pwd)
  local rt=$dir/runtime sway_rt=$dir/sway cfg=$dir/config
  mkdir -m 700 "$rt"
  mkdir -m 700 "$sway_rt"
  chown "$SWAY_UID:$SWAY_UID" "$sway_rt"
  mkdir -p "$cfg/xdg-desktop-portal-wlr" "$dir/data/dbus-1/services"
  chmod 755 "$dir"
  : > "$dir/pids"

  cat > "$dir/sway.conf" <<EOF
output HEADLESS-1 resolution 1280x720 position 0,0 bg #204080 solid_color
xwayland disable
default_border none
for_window [app_id="pelta-clock"] floating enable, move position 0 0
EOF
  chmod 644 "$dir/sway.conf"
  echo HEADLESS-1 > "$dir/chooser-answer"
  cat > "$dir/chooser" <<EOF
#!/bin/sh
echo asked >> "$dir/chooser-asked"
[ -s "$dir/chooser-delay" ] && sleep "\$(cat "$dir/chooser-delay")"
cat "$dir/chooser-answer"
EOF
  chmod 755 "$dir/chooser"
  cat > "$cfg/xdg-desktop-portal-wlr/config" <<EOF
[screencast]
chooser_type=simple
chooser_cmd=$dir/chooser
max_fps=60
EOF
  # A backend the bus starts by itself (after a test ended it) must be the mended one.
  cat > "$dir/data/dbus-1/services/org.freedesktop.impl.portal.desktop.wlr.service" <<EOF
[D-BUS Service]
Name=org.freedesktop.impl.portal.desktop.wlr
Exec=$PORTAL_BIN
EOF

  export XDG_RUNTIME_DIR=$rt XDG_CONFIG_HOME=$cfg XDG_DATA_HOME=$dir/data
  export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$rt/bus
  export WAYLAND_DISPLAY=$sway_rt/wayland-1
  export WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1
  unset DISPLAY

  local pid
  dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" >"$dir/dbus.log" 2>&1 &
  pid=$!; echo "$pid" >> "$dir/pids"
  wait_for test -S "$rt/bus"

  XDG_RUNTIME_DIR=$sway_rt HOME=$sway_rt setpriv --reuid=$SWAY_UID --regid=$SWAY_UID --clear-groups \
    sway -c "$dir/sway.conf" >"$dir/sway.log" 2>&1 &
  pid=$!; echo "$pid" >> "$dir/pids"
  wait_for test -S "$WAYLAND_DISPLAY" || { tail -5 "$dir/sway.log" >&2; return 1; }
  export SWAYSOCK
  SWAYSOCK=$(ls "$sway_rt"/sway-ipc.*.sock 2>/dev/null | head -1 || true)
  wait_for sh -c 'ls '"$sway_rt"'/sway-ipc.*.sock'
  SWAYSOCK=$(ls "$sway_rt"/sway-ipc.*.sock | head -1)
  wait_for sh -c "swaymsg -t get_outputs | grep -q HEADLESS-1"

  pipewire >"$dir/pipewire.log" 2>&1 &
  pid=$!; echo "$pid" >> "$dir/pids"
  wait_for test -S "$rt/pipewire-0"
  wireplumber >"$dir/wireplumber.log" 2>&1 &
  pid=$!; echo "$pid" >> "$dir/pids"

  dbus-update-activation-environment WAYLAND_DISPLAY XDG_CURRENT_DESKTOP XDG_SESSION_TYPE XDG_RUNTIME_DIR \
    XDG_CONFIG_HOME XDG_DATA_HOME SWAYSOCK
  "$PORTAL_BIN" >"$dir/portal-wlr.log" 2>&1 &
  pid=$!; echo "$pid" >> "$dir/pids"; echo "$pid" > "$dir/portal-backend.pid"
  echo "$PORTAL_BIN" > "$dir/portal-backend.bin"
  wait_for has_bus_name org.freedesktop.impl.portal.desktop.wlr
  /usr/libexec/xdg-desktop-portal >"$dir/portal.log" 2>&1 &
  pid=$!; echo "$pid" >> "$dir/pids"
  wait_for has_bus_name org.freedesktop.portal.Desktop

  echo "$DBUS_SESSION_BUS_ADDRESS" > "$dir/bus-address"
  local v
  for v in XDG_RUNTIME_DIR XDG_CONFIG_HOME XDG_CURRENT_DESKTOP XDG_SESSION_TYPE DBUS_SESSION_BUS_ADDRESS \
           WAYLAND_DISPLAY SWAYSOCK; do
    echo "$v=${!v}"
  done
}

# GNOME's compositor headless, with GNOME's own portal backend and a stored grant.
start_gnome() {
  local dir=$1
  mkdir -m 700 "$dir"
  dir=$(cd "$dir" && pwd)
  local rt=$dir/runtime
  mkdir -m 700 "$rt" "$dir/config" "$dir/data" "$dir/home"
  : > "$dir/pids"
  export XDG_RUNTIME_DIR=$rt XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data HOME=$dir/home
  export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$rt/bus
  export WAYLAND_DISPLAY=wayland-0 GSETTINGS_BACKEND=memory
  unset DISPLAY SWAYSOCK
  echo "$DBUS_SESSION_BUS_ADDRESS" > "$dir/bus-address"

  local pid
  dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" >"$dir/dbus.log" 2>&1 &
  pid=$!; echo "$pid" >> "$dir/pids"
  wait_for test -S "$rt/bus"
  pipewire >"$dir/pipewire.log" 2>&1 &
  pid=$!; echo "$pid" >> "$dir/pids"
  wait_for test -S "$rt/pipewire-0"
  wireplumber >"$dir/wireplumber.log" 2>&1 &
  pid=$!; echo "$pid" >> "$dir/pids"
  mutter --headless --wayland --no-x11 --virtual-monitor 1280x720 >"$dir/mutter.log" 2>&1 &
  pid=$!; echo "$pid" >> "$dir/pids"
  wait_for test -S "$rt/wayland-0" || { tail -5 "$dir/mutter.log" >&2; return 1; }
  wait_for has_bus_name org.gnome.Mutter.ScreenCast || { tail -5 "$dir/mutter.log" >&2; return 1; }

  dbus-update-activation-environment WAYLAND_DISPLAY XDG_CURRENT_DESKTOP XDG_SESSION_TYPE XDG_RUNTIME_DIR \
    XDG_CONFIG_HOME XDG_DATA_HOME HOME GSETTINGS_BACKEND
  # The grant, as GNOME's portal keeps one the user gave for the first monitor: its id is the
  # restore token that shares the monitor without a dialog.
  local token now
  token=$(cat /proc/sys/kernel/random/uuid)
  now=$(date +%s%6N)
  gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore \
    --object-path /org/freedesktop/impl/portal/PermissionStore \
    --method org.freedesktop.impl.portal.PermissionStore.Set screencast true "$token" "{'': ['yes']}" \
    "<('GNOME', uint32 1, <(int64 $now, int64 $now, [(uint32 0, uint32 1, <'MetaVendor:MetaVirtualMonitor:0x00'>)])>)>" \
    >/dev/null || { echo "wayland-session: the grant could not be stored" >&2; return 1; }
  echo "$token" > "$dir/grant-token"

  /usr/libexec/xdg-desktop-portal-gnome >"$dir/portal-gnome.log" 2>&1 &
  pid=$!; echo "$pid" >> "$dir/pids"; echo "$pid" > "$dir/portal-backend.pid"
  echo /usr/libexec/xdg-desktop-portal-gnome > "$dir/portal-backend.bin"
  wait_for has_bus_name org.freedesktop.impl.portal.desktop.gnome
  /usr/libexec/xdg-desktop-portal >"$dir/portal.log" 2>&1 &
  pid=$!; echo "$pid" >> "$dir/pids"
  wait_for has_bus_name org.freedesktop.portal.Desktop

  # The display by its whole path: a client may keep a runtime folder of its own.
  WAYLAND_DISPLAY=$rt/wayland-0
  local v
  for v in XDG_RUNTIME_DIR XDG_CONFIG_HOME XDG_CURRENT_DESKTOP XDG_SESSION_TYPE DBUS_SESSION_BUS_ADDRESS \
           WAYLAND_DISPLAY; do
    echo "$v=${!v}"
  done
  echo "GRANT_TOKEN=$token"
}

# Processes the session's bus started by itself (the permission store, the document portal,
# dconf...), by the PIDs the bus names for its connections.
bus_helpers() {
  local dir=$1
  [ -f "$dir/bus-address" ] || return 0
  local pid
  for pid in $(busctl --address="$(cat "$dir/bus-address")" list --no-legend 2>/dev/null |
               awk '$2 ~ /^[0-9]+$/ {print $2}' | sort -u); do
    # Only the desktop's helper programs: never a client of the desktop (a test program).
    case "$(readlink "/proc/$pid/exe" 2>/dev/null)" in /usr/libexec/*|/usr/bin/gnome-keyring-daemon) echo "$pid" ;; esac
  done
}

stop_session() {
  local dir=$1 pid
  [ -f "$dir/pids" ] || return 0
  local helpers ours
  ours=$(cat "$dir/pids")
  helpers=$(bus_helpers "$dir" | grep -vxF "$ours" || true)
  # Newest first: the portals before the bus they talk on; the bus's own helpers first of all.
  for pid in $helpers $(tac "$dir/pids"); do kill "$pid" 2>/dev/null || true; done
  for pid in $helpers $(tac "$dir/pids"); do
    for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$dir"
}

case "${1:-}" in
  install) install_packages; build_portal ;;
  start)
    case "${3:-sway}" in
      sway) start_session "${2:?session folder}" ;;
      gnome) start_gnome "${2:?session folder}" ;;
      *) echo "$0: no desktop kind '$3' (sway, gnome)" >&2; exit 2 ;;
    esac ;;
  stop) stop_session "${2:?session folder}" ;;
  *) echo "usage: $0 install | start DIR [sway|gnome] | stop DIR" >&2; exit 2 ;;
esac
