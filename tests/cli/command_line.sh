#!/usr/bin/env bash
# The one parser every command goes through, the texts made from its definitions, and
# several frame files in one paginate run (worker processes, summary lines, worst exit code,
# Ctrl-C leaving every file as it was).
set -uo pipefail
bin="$1"
root="$(cd "$2/../.." && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export TARVELIN_WORKSPACE="$tmp/workspace.tvw" XDG_DATA_HOME="$tmp/data" XDG_CACHE_HOME="$tmp/cache"
source "$(dirname "$0")/lib/usage.bash"

# Every command's --help: exit 0, its own usage on stdout, nothing on stderr.
commands="$("$bin" --help | sed -n '/^Commands:/,/^$/p' | awk '/^  [a-z]/ {print $1}')"
[ "$(echo "$commands" | wc -w)" -ge 14 ] || fail "the overview lists too few commands: $commands"
for c in $commands; do
  "$bin" "$c" --help >"$tmp/out" 2>"$tmp/err" || fail "$c --help: exit $?"
  grep -q "^Usage: tarvelin $c " "$tmp/out" || fail "$c --help: no usage line"
  [ ! -s "$tmp/err" ] || fail "$c --help wrote to stderr"
  expect_usage_error_of "$c" "$c unknown option" "unknown option '--bogus' for $c (usage: tarvelin $c " --bogus
done
"$bin" help paginate | cmp -s - <("$bin" paginate --help) || fail "help paginate differs"

# --opt=value is --opt value; a flag given a value and a missing value are usage errors.
"$bin" preprocess "$2/anons_wince.rmk" --encoding=macce -o="$tmp/a.txt" || fail "--opt=value"
"$bin" preprocess "$2/anons_wince.rmk" --encoding macce -o "$tmp/b.txt" || fail "--opt value"
cmp -s "$tmp/a.txt" "$tmp/b.txt" || fail "--opt=value and --opt value differ"
expect_usage_error_of tags "flag with a value" "force-macce" "$2/styles_wince.xtg" --force-macce=1
expect_usage_error_of preprocess "missing value" "encoding" "$2/anons_wince.rmk" --encoding
expect_usage_error_of paginate "bad jobs" "--jobs" a.rmk b.rmk -j 0
expect_usage_error_of paginate "one output, many files" "--pdf" a.rmk b.rmk --pdf x.pdf
expect_usage_error_of paginate "a file twice" "given twice" a.rmk ./a.rmk

# The manual page and the completion in the tree are what the definitions make now.
"$bin" help --man | cmp -s - "$root/docs/tarvelin.1" ||
  fail "docs/tarvelin.1 is stale: tarvelin help --man > docs/tarvelin.1"
"$bin" help --bash-completion | cmp -s - "$root/scripts/tarvelin.bash-completion" ||
  fail "the completion is stale: tarvelin help --bash-completion > scripts/tarvelin.bash-completion"
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tarvelin
           printf "%s\n" "${COMPREPLY[@]}"' _ "$root/scripts/tarvelin.bash-completion" "$@"
}
[ "$(complete_words tarvelin pag)" = paginate ] || fail "command completion"
[ "$(complete_words tarvelin paginate --pdf-st)" = --pdf-standard ] || fail "option completion"
[ "$(complete_words tarvelin paginate --pdf-standard x)" = "$(printf 'x1a\nx4')" ] ||
  fail "value completion"

# Several frame files: one line each, outputs beside each, the worst exit code.
mkdir "$tmp/ed"
cp "$root/examples/ogloszenia.rmk" "$tmp/ed/north.rmk"
printf '{#WT hs=48mm, vs=20mm, fw=-2pt}Text of the ad.{$}' >"$tmp/ed/south.rmk"
"$bin" paginate "$tmp/ed/north.rmk" "$tmp/ed/none.rmk" "$tmp/ed/south.rmk" -j 2 --no-pdf \
  --on-missing=continue >"$tmp/out" 2>"$tmp/err"
rc=$?
[ $rc -eq 2 ] || fail "batch: exit $rc, expected 2 (the missing file)"
[ "$(wc -l <"$tmp/out")" -eq 3 ] || fail "batch: not one line per file: $(cat "$tmp/out")"
grep -q "^$tmp/ed/north.rmk: done with warnings, exit 1, .*; frames: 9," "$tmp/out" || fail "north line"
grep -q "^$tmp/ed/none.rmk: failed, exit 2, .*no such file" "$tmp/out" || fail "none line"
grep -q "^$tmp/ed/south.rmk: done with warnings, exit 1" "$tmp/out" || fail "south line"
grep -q "^\[$tmp/ed/south.rmk\] tarvelin: warning: .*SetStrokeWeight failed" "$tmp/err" ||
  fail "a worker's warning is not passed on with its file"
[ -s "$tmp/ed/north.tvd" ] && [ -s "$tmp/ed/south.tvd" ] || fail "batch: a document is missing"
[ ! -e "$tmp/ed/north.pdf" ] || fail "batch: --no-pdf was not passed on"

# Ctrl-C: the running edition stops, the next never starts, nothing on disk changes.
mkdir "$tmp/big"
python3 -c "
src = open('$root/examples/ogloszenia.rmk', 'rb').read()
open('$tmp/big/first.rmk', 'wb').write(src * 4000)"
cp "$tmp/big/first.rmk" "$tmp/big/second.rmk"
for f in first second; do echo old >"$tmp/big/$f.tvd"; echo old >"$tmp/big/$f.pdf"; done
"$bin" paginate "$tmp/big/first.rmk" "$tmp/big/second.rmk" -j 1 --on-missing continue \
  >"$tmp/out" 2>"$tmp/err" &
pid=$!
sleep 1.5
kill -INT $pid
wait $pid
rc=$?
[ $rc -eq 3 ] || fail "cancel: exit $rc, expected 3: $(cat "$tmp/out")"
grep -q "^$tmp/big/first.rmk: cancelled, exit 3" "$tmp/out" || fail "cancel: $(cat "$tmp/out")"
grep -q "^$tmp/big/second.rmk: cancelled, not started" "$tmp/out" || fail "cancel: second started"
for f in first second; do
  [ "$(cat "$tmp/big/$f.tvd")" = old ] && [ "$(cat "$tmp/big/$f.pdf")" = old ] ||
    fail "cancel: $f's files were changed"
done
ls "$tmp/big" | grep -q 'pending\|\.tmp' && fail "cancel: a file written aside was left"
echo "command line: ok"
