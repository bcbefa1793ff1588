#!/usr/bin/env bash
# Broken and hostile frame files through the main job: each gives a document and a log
# (exit 0 or 1) or a clear refusal (exit 2); none crashes, none leaves a half-written file.
set -euo pipefail
cli="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export TARVELIN_WORKSPACE="$tmp/workspace.tvw"
# Scratch copies and process logs stay private to this script (tests run in parallel).
export XDG_DATA_HOME="$tmp/data" XDG_CACHE_HOME="$tmp/cache"
fail() { echo "FAIL: $*"; exit 1; }

head -c 20000 /dev/urandom > "$tmp/binary.rmk"
: > "$tmp/empty.rmk"
printf '{' > "$tmp/brace.rmk"
printf 'text {#DEF a=1' > "$tmp/def.rmk"
printf 'x {#WT a=1}the end marker never comes' > "$tmp/noend.rmk"
printf 'a\0b\203c {#WT t1="Kowalski, Jan"}x{$}' > "$tmp/nul.rmk"
python3 -c "open('$tmp/nested.rmk','w').write('{#WT '*20000)"
python3 -c "open('$tmp/deep.rmk','w').write('{#BE a=1}' + '<innerbox a=\"1\">'*2000 + 'x' + '</innerbox>'*2000 + '{\$\$}')"
printf '{#WG fn=../../etc/passwd}{$} {#WG fn=/etc/hostname}{$}' > "$tmp/paths.rmk"

for f in "$tmp"/*.rmk; do
  base="${f%.rmk}"
  set +e
  "$cli" paginate "$f" --on-missing continue > /dev/null 2> "$tmp/err.txt"
  code=$?
  set -e
  [ "$code" -le 1 ] || fail "$(basename "$f"): exit $code: $(cat "$tmp/err.txt")"
  [ -s "$base.tvd" ] && [ -s "$base.pdf" ] && [ -s "$base.log" ] || fail "$(basename "$f"): output missing"
  ls "$tmp" | grep -q '\.tmp' && fail "$(basename "$f"): a temporary file was left"
  "$cli" dump "$base.tvd" > /dev/null || fail "$(basename "$f"): the document does not load"
done

# Pictures named by a path are never looked up, and the log says why.
"$cli" log "$tmp/paths.log" | grep -q 'names a path, not a plain file name' || fail "path line"
# NULs and undecodable bytes are dropped or replaced, and the rest of the file is kept.
"$cli" log "$tmp/nul.log" | grep -q 'NUL' || fail "nul line"
"$cli" dump "$tmp/nul.tvd" | python3 -c "
import json, sys
d = json.load(sys.stdin)
text = ''.join(s['text'] for s in d['stories'])
assert 'ab\ufffdc' in text, text
attrs = [dict(map(tuple, f['advertisement']['attributes'])) for f in d['frames'] if f['inline']]
assert attrs and attrs[0]['t1'] == 'Kowalski, Jan', attrs
"

# A frame command that fails (a negative stroke weight) is a warning, not "done".
printf '{#WT hs=48mm, vs=20mm, fw=-2pt}Text of the ad.{$}' > "$tmp/weight.rmk"
set +e
"$cli" paginate "$tmp/weight.rmk" --no-pdf > /dev/null 2> "$tmp/err.txt"
code=$?
set -e
[ "$code" -eq 1 ] || fail "failed frame command: exit $code"
grep -q 'SetStrokeWeight failed' "$tmp/err.txt" || fail "failed frame command not reported"
echo "paginate bad input: ok"
