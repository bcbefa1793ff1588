#!/bin/bash
# tarvelin new and dump, as a user runs them: documents from templates, bad templates and
# bad document files refused with exit code 2 and nothing on disk damaged.
# Usage: document.sh TARVELIN_BINARY TEST_DATA_DIR
set -u
tarvelin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect CODE DESCRIPTION -- COMMAND...: runs the command, keeps its output and checks the exit code.
expect() {
  local want=$1 what=$2
  shift 3
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" -eq "$want" ] || fail "$what: exit $got, expected $want ($(head -c 300 "$work/err"))"
}
contains() { grep -qF -- "$2" "$1" || fail "$1 lacks: $2"; }

# The built-in template.
expect 0 "new with the default template" -- "$tarvelin" new "$work/ad.tvd"
[ -s "$work/ad.tvd" ] || fail "no document written"
[ ! -s "$work/out" ] || fail "new printed something on stdout"
expect 0 "dump" -- "$tarvelin" dump "$work/ad.tvd"
cp "$work/out" "$work/dump1"
for field in '"pages": [' '"frames": [' '"kind": "text"' '"columns": 4' '"stories": [' \
  '"name": "Ramka ogłoszenia"' '"name": "Registration"' '"name": "Black"' '"name": "Paper"' \
  '"strokeWeight": 0.5' '"inline": null' '"image": null' '"resolved": {' '"paragraphStyles": [' \
  '"name": "ad.tvd"'; do
  contains "$work/dump1" "$field"
done
# A4 at 12 mm margins: the text frame runs from 34.0157... to 561.2598...
contains "$work/dump1" '"bounds": [34.01574803149607, 34.01574803149607, 561.2598425196851, 807.8740157480316]'
expect 0 "dump again" -- "$tarvelin" dump "$work/ad.tvd"
cmp -s "$work/out" "$work/dump1" || fail "two dumps of one file differ"

# An existing document is not replaced without --force.
cp "$work/ad.tvd" "$work/ad.copy"
expect 2 "new over an existing file" -- "$tarvelin" new "$work/ad.tvd"
contains "$work/err" "exists"
cmp -s "$work/ad.tvd" "$work/ad.copy" || fail "the existing document was changed"

# Templates: unknown members warn, impossible values and broken JSON are refused.
cat >"$work/warn.json" <<'JSON'
{ "page": {"width": "100mm", "height": "150mm"}, "columns": 2, "sparkle": true,
  "objectStyles": [{"name": "Box", "fill": "Nowhere"}] }
JSON
expect 1 "template with unknown members" -- "$tarvelin" new "$work/warn.tvd" --template "$work/warn.json"
contains "$work/err" 'unknown member "sparkle"'
contains "$work/err" 'no swatch named "Nowhere"'
expect 0 "dump of the warned document" -- "$tarvelin" dump "$work/warn.tvd"
contains "$work/out" '"columns": 2'
contains "$work/out" '"name": "Box"'

printf '{"page": {"width": "-3mm"}}' >"$work/neg.json"
printf '{"margins": "2000pt"}' >"$work/margins.json"
printf '{"columns": 4,' >"$work/broken.json"
printf '{"objectStyles": [{"name": "S", "insets": [1, 2]}]}' >"$work/insets.json"
head -c 4096 /dev/urandom >"$work/random.json"
for t in neg margins broken insets random; do
  expect 2 "template $t" -- "$tarvelin" new "$work/$t.tvd" --template "$work/$t.json"
  [ ! -e "$work/$t.tvd" ] || fail "template $t: a document was written"
  [ -s "$work/err" ] || fail "template $t: no message"
done
contains "$work/err" "not valid JSON"
expect 2 "missing template" -- "$tarvelin" new "$work/x.tvd" --template "$work/none.json"
expect 2 "new without a file" -- "$tarvelin" new

# Bad document files.
head -c 3000 "$work/ad.tvd" >"$work/truncated.tvd"
printf 'just some text\n' >"$work/text.tvd"
: >"$work/empty.tvd"
head -c 100000 /dev/urandom >"$work/noise.tvd"
for f in truncated text empty noise none; do
  expect 2 "dump $f" -- "$tarvelin" dump "$work/$f.tvd"
  [ ! -s "$work/out" ] || fail "dump $f printed JSON"
  [ -s "$work/err" ] || fail "dump $f: no message"
done
expect 2 "dump without a file" -- "$tarvelin" dump
expect 2 "dump of a folder" -- "$tarvelin" dump "$work"
cmp -s "$work/ad.tvd" "$work/ad.copy" || fail "reading changed a document"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "document.sh: all passed"
