#!/usr/bin/env bash
# tarvelin boxes: the JSON a user reads to see why a box was not recognised.
# Usage: boxes.sh <tarvelin binary> <tests/data dir>
set -u
bin="$1"
data="$2"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# run STORY EXPECTED_EXIT: output in $tmp/out.json
run() {
  "$bin" boxes "$1" >"$tmp/out.json" 2>"$tmp/err.txt"
  local rc=$?
  [ "$rc" -eq "$2" ] || fail "$1: exit $rc, expected $2"
}

# has LINE...: each line appears, as written (leading blanks ignored), in the output
has() {
  local line
  for line in "$@"; do
    sed 's/^ *//' "$tmp/out.json" | grep -qxF -- "$line" || fail "$story: missing line: $line"
  done
}

count() {
  local n
  n=$(sed 's/^ *//' "$tmp/out.json" | grep -cxF -- "$1")
  [ "$n" -eq "$2" ] || fail "$story: '$1' appears $n times, expected $2"
}

# The whole document for the simplest story: field names, order and number forms are the contract.
story="$data/story_single.txt"
run "$story" 0
cat >"$tmp/expected.json" <<'JSON'
{
  "length": 19,
  "definitions": [
    {
      "start": 1,
      "end": 18,
      "recordedStart": 2,
      "recordedEnd": 19,
      "headerEnd": 17,
      "endTagStart": -1,
      "valid": true,
      "kind": 1,
      "kindName": "boxtext",
      "width": 0,
      "height": 0,
      "texts": ["A", "", "", ""],
      "objectStyle": "",
      "fileName": "",
      "fittingSelector": -3,
      "fillColour": {
        "space": 3,
        "components": [0, 0, 0, 1],
        "process": 1,
        "swatch": ""
      },
      "borderColour": {
        "space": 0,
        "components": [0, 0, 0, 0],
        "process": 0,
        "swatch": ""
      },
      "strokeWeight": 0,
      "insets": [0, 0, 0, 0],
      "insetsSet": false,
      "offsetFlag": true,
      "offsets": [0, 0, 0, 0],
      "attributes": [
        ["t1", "A"]
      ],
      "innerBoxes": []
    }
  ],
  "rejected": [],
  "stopped": false,
  "endDepth": 0
}
JSON
diff -u "$tmp/expected.json" "$tmp/out.json" >&2 || fail "$story: output differs"

# A group is one definition; its inner boxes are decoded with it.
story="$data/story_group.txt"
run "$story" 0
count '"kindName": "boxgroup",' 1
count '"kindName": "innerbox",' 1
count '"kindName": "boxpicture",' 1
count '"kindName": "boxtext",' 1
has '"start": 4,' '"end": 187,' '"headerEnd": 80,' '"endTagStart": 172,' \
  '"start": 193,' '"recordedStart": 195,' '"width": 141.73228,' \
  '"components": [0, 1, 1, 0],' '"swatch": "Ad red"' \
  '"insets": [0, 5.6692915, 5.6692915, 5.6692915],' '"insetsSet": true,' \
  '"fileName": "logo.tif",' '"fittingSelector": 1,' '"offsetFlag": false,' \
  '"strokeWeight": 0.5,' '["bc", "SWATCHNAME:Ad red"]' '"start": null,'

# Definitions left as text, each with its reason; the exit code says something was left.
story="$data/story_rejected.txt"
run "$story" 1
count '"valid": true,' 1
has '"reason": "endBeforeBegin",' '"reason": "unbalanced",' '"reason": "unclosed",' \
  '"start": 42,' '"start": 59,' '"end": 84,' '"start": 89,' '"end": 135,' '"endDepth": 1'

# A stray end tag throws every later definition off by one level.
story="$data/story_stray.txt"
run "$story" 1
has '"definitions": [],' '"endDepth": -1'
count '"reason": "endBeforeBegin",' 2

# A record that does not parse stops the pass: it is listed with the parser's message.
story="$data/story_invalid.txt"
run "$story" 1
has '"valid": false,' '"Node \"boxtexts\" is not an allowed entity."' '"stopped": true,'
count '"start": 0,' 1
grep -q 'never reached' "$tmp/out.json" && fail "$story: read on past the invalid record"

# UTF-16 with a byte-order mark; positions are UTF-16 units; text comes out as UTF-8.
story="$data/story_utf16.txt"
run "$story" 0
has '"start": 7,' '"end": 60,' '"texts": ["gęślą", "😀 \\ &lt; '"'"'q'"'"'", "", ""],'

# Quotes and backslashes escaped; an ampersand stands for itself.
story="$data/story_escapes.txt"
run "$story" 0
has '["t1", "say \"hi\" \\ back"],' '["t2", "a&b"]'

story="$data/story_none.txt"
run "$story" 0
has '"definitions": [],' '"rejected": [],'

# Bad usage and unreadable input: one line on stderr, exit 2, nothing on stdout.
for args in "" "$tmp/missing.txt" "$data" "$data/story_single.txt $data/story_none.txt"; do
  # shellcheck disable=SC2086
  "$bin" boxes $args >"$tmp/out.json" 2>"$tmp/err.txt"
  rc=$?
  [ "$rc" -eq 2 ] || fail "boxes $args: exit $rc, expected 2"
  [ "$(wc -l <"$tmp/err.txt")" -eq 1 ] || fail "boxes $args: stderr is not one line"
  [ -s "$tmp/out.json" ] && fail "boxes $args: wrote to stdout"
done
printf '\xff\xfex\x00<' >"$tmp/odd.txt"
"$bin" boxes "$tmp/odd.txt" >/dev/null 2>"$tmp/err.txt"
[ $? -eq 2 ] || fail "odd-length UTF-16 accepted"

# Hostile text: nothing crashes, the output stays one JSON document.
{
  printf '<boxtext a="'
  head -c 200000 /dev/zero | tr '\0' 'x'
  printf '">y</boxtext> <<<<>>>> /> /> <boxgroup><boxgroup><boxgroup>'
  printf '\xed\xa0\x80 lone surrogate bytes \xff\xfe <boxtext'
} >"$tmp/hostile.txt"
"$bin" boxes "$tmp/hostile.txt" >"$tmp/out.json" 2>"$tmp/err.txt"
rc=$?
[ "$rc" -le 1 ] || fail "hostile text: exit $rc"
tail -c 2 "$tmp/out.json" | grep -q '}' || fail "hostile text: output is cut short"

printf '\xff\xfe' >"$tmp/surrogates.txt"
printf '\x00\xd8<\x00b\x00o\x00x\x00t\x00e\x00x\x00t\x00 \x00t\x001\x00=\x00"\x00\x00\xdc"\x00/\x00>\x00' >>"$tmp/surrogates.txt"
"$bin" boxes "$tmp/surrogates.txt" >"$tmp/out.json" 2>"$tmp/err.txt"
rc=$?
[ "$rc" -le 1 ] || fail "lone surrogates: exit $rc"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "boxes: all checks passed"
