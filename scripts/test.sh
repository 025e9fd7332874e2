#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite. Tests that need a display or a sound
# server start their own private Xvfb and PulseAudio (with a null sink) and stop them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
cd "${BUILD_DIR:-build}"
ctest --output-on-failure -j"$(nproc)" "$@"
