#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite. Tests that need a display or a sound
# server start their own private Xvfb and PulseAudio (with a null sink) and stop them.
# Then the engine's tests run again built with ThreadSanitizer (folder build-tsan): a data
# race anywhere in the engine fails the run. SKIP_TSAN=1 leaves that out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
status=0
(cd "${BUILD_DIR:-build}" && ctest --output-on-failure -j"$(nproc)" "$@") || status=$?

if [ "${SKIP_TSAN:-0}" != 1 ]; then
  TSAN_DIR=${TSAN_BUILD_DIR:-build-tsan}
  cmake -S . -B "$TSAN_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELTA_SANITIZE=thread >/dev/null
  cmake --build "$TSAN_DIR" -j"$(nproc)" --target test_engine
  export TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp second_deadlock_stack=1 exitcode=66 ${TSAN_OPTIONS:-}"
  export QT_QPA_PLATFORM=offscreen
  # Tests that count what a real-time recording achieves cannot keep up under the
  # sanitizer's slowdown: they run for their races only (exit code 66), their counts are
  # checked by the normal run. The minute-long recording adds nothing the others do not.
  timed='CaptureFiles.VideoAndSoundIntoAvi:CaptureFiles.TheScreenAndTheSoundServersMonitorIntoAviAndWav:CaptureFiles.SixtyFramesASecondComeFromTheDeviceItself:RecordLargeFile.*:RecordBehind.*'
  "$TSAN_DIR/test_engine" --gtest_filter="-*Long*:$timed" || status=$?
  rc=0
  "$TSAN_DIR/test_engine" --gtest_filter="$timed" >"$TSAN_DIR/timed-tests.log" 2>&1 || rc=$?
  if [ "$rc" != 0 ] && [ "$rc" != 1 ]; then cat "$TSAN_DIR/timed-tests.log"; status=$rc; fi
fi
exit $status
