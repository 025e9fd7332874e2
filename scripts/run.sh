#!/usr/bin/env bash
# Installs what running needs, builds only the program (no tests) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
exec "${BUILD_DIR:-build}/pelta-rx"
