#!/usr/bin/env bash
# Proves the ThreadSanitizer suppressions hide no race of ours: the canary races once through
# a Qt queued call and once through a libpulse mainloop callback, and each race must be
# reported under the suppressions given, naming the canary's own function. Fails otherwise.
#   check.sh CANARY_BINARY SUPPRESSIONS_FILE
set -uo pipefail
canary=$1 supp=$2
fail=0
if grep -nE '^[[:space:]]*[a-z_]+:[[:space:]]*(lib|[^#[:space:]]*\.so)' "$supp"; then
  echo "tsan canary: the suppressions above name a whole library" >&2
  fail=1
fi
for how in qt pulse; do
  log=$(mktemp)
  TSAN_OPTIONS="suppressions=$supp exitcode=66 halt_on_error=0" "$canary" "$how" >"$log" 2>&1
  rc=$?
  if [ "$rc" = 66 ] && grep -q 'WARNING: ThreadSanitizer: data race' "$log" &&
     grep -q 'CanaryWriteOnOtherThread' "$log" && grep -q 'CanaryWriteOnMainThread' "$log"; then
    echo "tsan canary ($how): race reported, as it must be"
  else
    echo "tsan canary ($how): the deliberate race was NOT reported (exit $rc); a suppression hides our code:" >&2
    cat "$log" >&2
    fail=1
  fi
  rm -f "$log"
done
exit $fail
