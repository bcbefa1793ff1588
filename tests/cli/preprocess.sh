#!/usr/bin/env bash
# tarvelin preprocess, run as a user would: the three encodings of one frame file give the
# same scratch text, the internal copy is removed, mistakes get one line and exit 2.
set -u
bin=$1
data=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_DATA_HOME=$tmp/xdg
scratch=$XDG_DATA_HOME/tarvelin/Vesquin03

source "$(dirname "$0")/lib/usage.bash"
expect_usage_error() { expect_usage_error_of preprocess "$@"; }

"$bin" preprocess "$data/anons_wince.rmk" -o "$tmp/w.txt" || fail "wince exit $?"
"$bin" preprocess --encoding macce "$data/anons_macce.rmk" -o "$tmp/m.txt" || fail "macce exit $?"
"$bin" preprocess "$data/anons_utf16.rmk" --encoding unicode -o "$tmp/u.txt" || fail "unicode exit $?"
"$bin" preprocess "$data/anons_utf8.rmk" -o "$tmp/u8.txt" || fail "utf8 exit $?"
cmp -s "$tmp/w.txt" "$tmp/m.txt" || fail "Mac CE and Win CE copies differ"
cmp -s "$tmp/w.txt" "$tmp/u8.txt" || fail "UTF-8 (marked) and Win CE copies differ"
cmp -s "$tmp/w.txt" "$tmp/u.txt" || fail "UTF-16 and Win CE copies differ"
"$bin" preprocess "$data/anons_wince.rmk" | cmp -s - "$tmp/w.txt" || fail "stdout differs from -o"
[ -z "$(ls -A "$scratch")" ] || fail "internal scratch copy left behind: $(ls "$scratch")"

# UTF-16LE without a byte-order mark.
[ "$(head -c 2 "$tmp/w.txt" | od -An -tx1 | tr -d ' ')" = "3c00" ] || fail "output does not start with '<' in UTF-16LE"
iconv -f UTF-16LE -t UTF-8 "$tmp/w.txt" | tr '\r' '\n' >"$tmp/w8.txt" || fail "output is not UTF-16LE"
for want in 'Zażółć gęślą jaźń. ZAŻÓŁĆ GĘŚLĄ JAŹŃ. „Cytat”' \
  '<\<>boxtext  hs="40mm"  vs="10mm"  fc="CMYK:PROCESS:0,1,1,0"  bc="1"  fw="0.5pt"  t1="Nowak, Anna"<\>>' \
  'Sprzedam rower, Łódź.<\<>/boxtext<\>>' \
  '<\<>boxgroup  hs="80mm"  t1="grupa"<\>>' \
  '<\<>innerbox  fn="rower.jpg"  hs="20mm"<\>>' \
  'Tel. 600 100 200<\<>/innerbox<\>>' \
  '<\<>/boxgroup<\>>'; do
  grep -qF -- "$want" "$tmp/w8.txt" || fail "missing from the scratch text: $want"
done
! grep -qF '{#' "$tmp/w8.txt" || fail "a brace definition was left in the scratch text"
! grep -qF 'numer=12' "$tmp/w8.txt" || fail "the {#DEF line was not dropped"

# The realistic example goes through as well.
"$bin" preprocess "$(dirname "$data")/../examples/ogloszenia.rmk" -o "$tmp/ex.txt" ||
  fail "example exit $?"
[ -s "$tmp/ex.txt" ] || fail "example gave no text"

# A NUL and the undefined Windows byte 0x83 no longer end the copy: done with a warning.
printf 'ab\000c\203d' >"$tmp/nul.rmk"
"$bin" preprocess "$tmp/nul.rmk" -o "$tmp/nul.txt" 2>"$tmp/err"
rc=$?
[ $rc -eq 1 ] || fail "NUL file: exit $rc, expected 1"
grep -q "warning" "$tmp/err" || fail "NUL file: no warning"
[ "$(iconv -f UTF-16LE -t UTF-8 "$tmp/nul.txt")" = "abc�d" ] || fail "NUL file: wrong text"

# An empty file and a file of one brace.
: >"$tmp/empty.rmk"
"$bin" preprocess "$tmp/empty.rmk" -o "$tmp/empty.txt" || fail "empty file exit $?"
[ ! -s "$tmp/empty.txt" ] || fail "empty file gave text"
printf '{' >"$tmp/brace.rmk"
"$bin" preprocess "$tmp/brace.rmk" -o "$tmp/brace.txt" || fail "brace file exit $?"
[ "$(od -An -tx1 "$tmp/brace.txt" | tr -d ' \n')" = "7b00" ] || fail "brace file: wrong text"

expect_usage_error "missing file" "no such file" "$tmp/none.rmk"
expect_usage_error "folder" "folder" "$tmp"
expect_usage_error "unknown option" "--fast" "$data/anons_wince.rmk" --fast
expect_usage_error "unknown encoding" "latin9" --encoding latin9 "$data/anons_wince.rmk"
expect_usage_error "missing value" "-o" "$data/anons_wince.rmk" -o
expect_usage_error "no frame file" "frame file"
expect_usage_error "two frame files" "one frame file" "$data/anons_wince.rmk" "$data/anons_macce.rmk"
expect_usage_error "unwritable output" "cannot write" "$data/anons_wince.rmk" -o "$tmp/no/such/dir/out.txt"
if [ "$(id -u)" -ne 0 ]; then
  printf 'x' >"$tmp/locked.rmk"
  chmod 000 "$tmp/locked.rmk"
  expect_usage_error "unreadable file" "cannot read" "$tmp/locked.rmk"
fi
[ -z "$(ls -A "$scratch")" ] || fail "scratch copy left behind after errors: $(ls "$scratch")"
exit 0
