#!/usr/bin/env bash
# The command line: --help and --version; wrong options refused with status 2; and
# `pelta-rx --capture FILE --time-limit 3` recording a finished 3 s file with the stored
# settings, and SIGTERM during a capture without a limit finishing the file (status 0 both).
# Runs the built program on a private Xvfb and a private sound server.
#   capture_command_test.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "$1" && pwd)
APP=$BUILD/pelta-rx
WORK=$(mktemp -d)
PIDS=()
cleanup() {
  local p
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT
[ -n "${KEEP_WORK:-}" ] && trap - EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
unavailable() {
  [ "${CI:-}" = true ] && fail "$1"
  echo "SKIP: $1"; exit 77
}

export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_RUNTIME_DIR=$WORK/run
mkdir -p -m 700 "$HOME" "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_SESSION_TYPE=x11

# -- options that end at once ------------------------------------------------------------------
status() { local rc=0; "$@" >"$WORK/out" 2>&1 || rc=$?; echo "$rc"; }
[ "$(status env QT_QPA_PLATFORM=offscreen "$APP" --help)" = 0 ] || fail "--help failed"
help=$(cat "$WORK/out")
[[ "$help" == *--capture* && "$help" == *"--time-limit <S>"* ]] || fail "--help: $help"
[ "$(status env QT_QPA_PLATFORM=offscreen "$APP" --version)" = 0 ] || fail "--version failed"
grep -qx 'Pelta-RX 1.5' "$WORK/out" || fail "--version printed: $(cat "$WORK/out")"
for bad in "--no-such-option" "--capture --time-limit soon" "--capture --time-limit 0" "--time-limit 3" \
           "--capture a.avi b.avi"; do
  # shellcheck disable=SC2086
  [ "$(status env QT_QPA_PLATFORM=offscreen "$APP" $bad)" = 2 ] || fail "'$bad' was not refused with status 2"
done

# -- a display and a sound server -------------------------------------------------------------
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1280x720x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
PIDS+=("$!")
read -r -t 20 -u "$fd" display || unavailable "Xvfb did not start"
export DISPLAY=":$display"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit -L module-native-protocol-unix \
  -L 'module-null-sink sink_name=nullsink' >"$WORK/pulse.log" 2>&1 &
PIDS+=("$!")
for _ in $(seq 1 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || unavailable "the sound server did not start"

# A device that does not exist is refused, naming the ones that do.
[ "$(status "$APP" --capture "$WORK/x.avi" --video "No Such Camera")" = 2 ] || fail "an unknown device was taken"
grep -q 'Test Pattern' "$WORK/out" || fail "the refusal names no devices: $(cat "$WORK/out")"

streams() { ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$1"; }
duration() { ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$1"; }
between() { awk -v d="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(d >= lo && d <= hi) }'; }
finished() {  # an AVI whose index was written: only a capture that was ended properly has one
  [ -s "$1" ] || fail "no file $1"
  grep -qa idx1 "$1" || fail "$1 has no index: the file was not finished"
  [ -z "$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames "$1" 2>&1 >/dev/null)" ] \
    || fail "ffprobe reports errors in $1"
  [[ "$(streams "$1")" == *video* ]] || fail "$1 has no video"
}

# -- the time limit, with the stored settings (a first start: the first devices) ----------------
cd "$WORK"
rc=0
timeout 120 "$APP" --capture out.avi --time-limit 3 >"$WORK/limit.log" 2>&1 || rc=$?
[ "$rc" = 0 ] || { cat "$WORK/limit.log"; fail "--capture --time-limit 3 ended with status $rc"; }
finished "$WORK/out.avi"
d=$(duration "$WORK/out.avi")
between "$d" 2.7 3.5 || fail "the 3 s capture lasts $d s"
[[ "$(streams out.avi)" == *audio* ]] || fail "out.avi has no sound"
echo "time limit: out.avi $d s, status 0"

# -- SIGTERM two seconds into a capture without a limit ----------------------------------------
"$APP" --capture "$WORK/term.avi" --video "Test Pattern" --audio "Test Tone" >"$WORK/term.log" 2>&1 &
app=$!
PIDS+=("$app")
timeout 60 bash -c "until grep -q 'recording into' '$WORK/term.log'; do sleep 0.05; done" \
  || { cat "$WORK/term.log"; fail "the capture did not start"; }
sleep 2
kill -TERM "$app"
rc=0
timeout 60 tail --pid="$app" -f /dev/null || fail "SIGTERM did not end the program"
wait "$app" || rc=$?
[ "$rc" = 0 ] || { cat "$WORK/term.log"; fail "after SIGTERM the status is $rc"; }
finished "$WORK/term.avi"
d=$(duration "$WORK/term.avi")
between "$d" 1.5 3.0 || fail "the capture stopped at 2 s lasts $d s"
echo "SIGTERM: term.avi $d s, status 0"

# -- a capture that fails says so in its status -------------------------------------------------
mkdir "$WORK/ro" && chmod 500 "$WORK/ro"
if [ "$(id -u)" -ne 0 ]; then
  [ "$(status timeout 60 "$APP" --capture "$WORK/ro/x.avi" --time-limit 1)" = 1 ] || fail "an unwritable file gave status 0"
fi
rc=$(status timeout 60 "$APP" --capture "$WORK/no/such/folder/x.avi" --time-limit 1)
[ "$rc" = 1 ] || fail "a file in a missing folder gave status $rc"
echo "PASS"
