#!/usr/bin/env bash
# Installs what the program needs on Debian 12 (only what is missing) and builds it.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake g++ make pkg-config ccache qt6-base-dev libgl-dev
  libavdevice-dev libavformat-dev libavcodec-dev libavfilter-dev libswscale-dev libswresample-dev libavutil-dev
  libpulse-dev libv4l-dev libx11-dev libxrandr-dev libxcb1-dev libxcb-damage0-dev libxcb-xfixes0-dev libxcb-xkb-dev libxkbcommon-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core ffmpeg xvfb x11-utils xdotool pulseaudio pulseaudio-utils imagemagick)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

BUILD_DIR=${BUILD_DIR:-build}

# Wayland desktop for the screen-portal tests: its packages and the portal backend built
# once into the build folder (see scripts/wayland-session.sh). Without it the program still
# builds; only the Wayland tests fail, saying why.
BUILD_DIR=$BUILD_DIR scripts/wayland-session.sh install ||
  echo "setup: the Wayland test desktop could not be prepared (see above)" >&2
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
