#!/usr/bin/env bash
# Installs what building and running need (only what is missing: the build tools and
# libraries, and packaging/runtime-packages, the list the Debian package depends on and
# recommends), builds the program and everything it installs (no tests) and starts it.
# Arguments go to the program: scripts/run.sh --capture out.avi --time-limit 3
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
exec "${BUILD_DIR:-build}/pelta-rx" "$@"
