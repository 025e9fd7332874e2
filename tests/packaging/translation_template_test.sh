#!/usr/bin/env bash
# The translation template the build writes: well-formed, and holding the program's user
# texts in English exactly as the windows show them (a sample from each kind of window).
#   translation_template_test.sh BUILD_DIR
set -euo pipefail
TS="$1/translations/pelta-rx.ts"
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -s "$TS" ] || fail "no translation template at $TS"
grep -q '<TS version="2.1" sourcelanguage="en">' "$TS" || fail "not an English Qt translation template"
# lupdate escapes XML; these samples hold no characters it would change.
while IFS= read -r text; do
  grep -qF "<source>$text</source>" "$TS" || fail "the template lacks \"$text\""
done <<'TEXTS'
Pelta-RX About
Close
Help
Click here to send e-mail.
Professional
E&amp;xit
&amp;About Quillmere Capture...
Browse...
Pelta-RX Capture Video and Audio
 Press OK to start capture 
TEXTS
count=$(grep -c '<source>' "$TS")
echo "$count texts in the template"
[ "$count" -ge 150 ] || fail "only $count texts: user texts are missing from tr()"
echo PASS
