#!/usr/bin/env bash
# The translation template the build writes: well-formed, and holding the program's user
# texts in English exactly as the windows show them (a sample from each kind of window).
# Then the shipped translations: German and French, each brought up to date with today's
# sources by lupdate with no text left unfinished, and each compiled by the build.
#   translation_template_test.sh BUILD_DIR SOURCE_DIR LUPDATE
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

SOURCES="$2"; LUPDATE="$3"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
for lang in de fr; do
  shipped="$SOURCES/data/translations/pelta-rx_$lang.ts"
  [ -s "$shipped" ] || fail "no $lang translation at $shipped"
  [ -s "$1/translations/pelta-rx_$lang.qm" ] || fail "the build did not compile the $lang translation"
  cp "$shipped" "$work/$lang.ts"
  "$LUPDATE" -silent -locations none -no-obsolete -source-language en -I "$SOURCES/src" \
    @"$1/translations/sources.lst" -ts "$work/$lang.ts"
  # A text new in the sources comes in unfinished; one whose English changed also.
  unfinished=$(grep -c 'type="unfinished"' "$work/$lang.ts" || true)
  if [ "$unfinished" -ne 0 ]; then
    grep -B2 'type="unfinished"' "$work/$lang.ts" | grep '<source>' | head -20 >&2
    fail "$unfinished texts have no $lang translation"
  fi
  # A translation keeps the English's placeholders, so no argument is lost.
  python3 - "$work/$lang.ts" <<'PY' || fail "a $lang translation drops or adds a placeholder"
import re, sys, xml.etree.ElementTree as ET
bad = 0
for m in ET.parse(sys.argv[1]).getroot().iter("message"):
    s = "".join(m.find("source").itertext()); t = "".join(m.find("translation").itertext())
    if sorted(re.findall(r"%\d", s)) != sorted(re.findall(r"%\d", t)):
        print("placeholders differ:", s, "->", t, file=sys.stderr); bad += 1
sys.exit(1 if bad else 0)
PY
  echo "$lang: $(grep -c '<translation>' "$work/$lang.ts") texts translated"
done
echo PASS
