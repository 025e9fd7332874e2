#!/usr/bin/env bash
# Builds the benchmarks and runs them all against a private 1920x1080 Xvfb:
#   scripts/bench.sh [seconds]     (default 30 for captures, 10 for the preview)
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-30}
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target benchmarks >/dev/null

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
trap 'kill $XVFB 2>/dev/null || true' EXIT
read -r -u "$fd" DISPLAY_NUMBER
export DISPLAY=":$DISPLAY_NUMBER"

run() { "$BUILD_DIR/$1" "${@:2}" 2> >(grep -v 'XDG_RUNTIME_DIR\|deprecated pixel format\|dts to muxer\|repeated' >&2); }
run capture_bench "$SECONDS_EACH" 1920x1080 30 mjpeg
run capture_bench "$SECONDS_EACH" 1920x1080 30 mjpeg preview
run capture_bench "$SECONDS_EACH" 1280x720 60 mjpeg
run capture_bench "$SECONDS_EACH" 1920x1080 30 x264
run preview_bench "$(( SECONDS_EACH < 10 ? SECONDS_EACH : 10 ))"

# The Wayland screen (desktop portal + PipeWire) beside the X11 path, 1280x720 at 30 fps,
# Motion JPEG, on a private headless Wayland desktop.
WL_DIR=$(mktemp -d /tmp/pelta-bench-desktop-XXXXXX)
chmod 755 "$WL_DIR"
trap 'scripts/wayland-session.sh stop "$WL_DIR/desktop" || true; rmdir "$WL_DIR" 2>/dev/null || true; kill $XVFB 2>/dev/null || true' EXIT
BUILD_DIR=$BUILD_DIR scripts/wayland-session.sh install
BUILD_DIR=$BUILD_DIR scripts/wayland-session.sh start "$WL_DIR/desktop" > "$WL_DIR/env"
cp "$WL_DIR/desktop/pids" "$WL_DIR/pids"
run wayland_bench "$SECONDS_EACH" 1280x720 30 "$WL_DIR/env" "$WL_DIR/pids"
