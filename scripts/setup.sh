#!/usr/bin/env bash
# Installs what is missing on Debian 12 (as root, or through sudo) and builds.
#   scripts/setup.sh        everything: the program, the test suites and the package tools
#   scripts/setup.sh run    only what building and running the program needs; tests off
set -euo pipefail
cd "$(dirname "$0")/.."
MODE=${1:-test}
case "$MODE" in run|test) ;; *) echo "usage: $0 [run|test]" >&2; exit 2 ;; esac

# Building and running the program.
RUN_PACKAGES=(cmake g++ make pkg-config ccache qt6-base-dev libgl-dev
  libavdevice-dev libavformat-dev libavcodec-dev libavfilter-dev libswscale-dev libswresample-dev libavutil-dev
  libjpeg62-turbo-dev libpulse-dev libasound2-dev libv4l-dev libx11-dev libxrandr-dev libxcb1-dev libxcb-damage0-dev libxcb-xfixes0-dev libxcb-shm0-dev libxcb-xkb-dev libxkbcommon-dev
  libpipewire-0.3-dev libsystemd-dev libwayland-dev fonts-dejavu-core qt6-l10n-tools)

# What the program needs at run time beyond its libraries: the same list as the Debian
# package's Depends and Recommends (packaging/runtime-packages). Of alternatives, one that is
# installed counts; otherwise the one for this desktop (XDG_CURRENT_DESKTOP), or else the
# last one listed (the smallest).
runtime_packages() {
  local rel pkgs alts a pick desktop=${XDG_CURRENT_DESKTOP,,}
  while read -r rel pkgs; do
    case "$rel" in depends|recommends) ;; *) continue ;; esac
    read -r -a alts <<<"${pkgs%%#*}"
    alts=("${alts[@]/|/}")
    pick=
    for a in ${alts[@]}; do
      dpkg-query -W -f='${Status}' "$a" 2>/dev/null | grep -q "install ok installed" && { pick=$a; break; }
    done
    if [ -z "$pick" ]; then
      for a in ${alts[@]}; do
        pick=$a
        case "$desktop:$a" in *gnome*:*-gnome|*kde*:*-kde|*sway*:*-wlr|*wlroots*:*-wlr) break ;; esac
      done
    fi
    echo "$pick"
  done < packaging/runtime-packages
}
mapfile -t RUNTIME_PACKAGES < <(runtime_packages)
RUN_PACKAGES+=("${RUNTIME_PACKAGES[@]}")

# Only for the test suites, the translation template, the benchmarks and the package test.
TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev qt6-tools-dev qt6-l10n-tools
  ffmpeg mediainfo xvfb x11-utils xdotool pulseaudio pulseaudio-utils imagemagick
  dpkg-dev file fakeroot desktop-file-utils appstream lintian debootstrap at-spi2-core python3-pyatspi dbus stress)

PACKAGES=("${RUN_PACKAGES[@]}")
[ "$MODE" = test ] && PACKAGES+=("${TEST_PACKAGES[@]}")

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  cannot() {
    echo "setup: $1" >&2
    echo "setup: these Debian 12 packages are missing: ${missing[*]}" >&2
    echo "setup: install them as root with:  apt-get install ${missing[*]}" >&2
    exit 1
  }
  command -v apt-get >/dev/null || cannot "apt-get was not found (this set-up is for Debian 12)."
  SUDO=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || cannot "not running as root, and sudo is not installed."
    SUDO=(sudo)
  fi
  echo "setup: installing ${missing[*]}"
  "${SUDO[@]}" apt-get update -qq || cannot "apt-get update failed (network or apt sources?)."
  DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -qq "${missing[@]}" \
    || cannot "apt-get install failed."
fi

BUILD_DIR=${BUILD_DIR:-build}
if [ "$MODE" = test ]; then
  # Wayland desktop for the screen-portal tests: its packages and the portal backend built
  # once into the build folder (see scripts/wayland-session.sh). Without it the program still
  # builds; only the Wayland tests fail, saying why.
  BUILD_DIR=$BUILD_DIR scripts/wayland-session.sh install ||
    echo "setup: the Wayland test desktop could not be prepared (see above)" >&2
fi
if [ "$MODE" = run ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DBUILD_TESTING=OFF >/dev/null
  # The default target: the program and everything `cmake --install` installs with it.
  cmake --build "$BUILD_DIR" -j"$(nproc)"
else
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DBUILD_TESTING=ON >/dev/null
  cmake --build "$BUILD_DIR" -j"$(nproc)"
fi
