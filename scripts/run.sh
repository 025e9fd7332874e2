#!/usr/bin/env bash
# Sets up, builds and starts Pelta-RX.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec "${BUILD_DIR:-build}/pelta-rx"
