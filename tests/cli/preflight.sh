#!/usr/bin/env bash
# tarvelin preflight, run as a user would: the job's PDF/X-1a file passes at the ink limit
# of its profile; a document with an RGB picture shown at low resolution and a missing
# picture gets each finding with its page (and place), and exit 1; a screen PDF lacks
# TrimBox and is RGB; mistakes exit 2.
set -u
bin=$1
data=$2
examples="$(cd "$data/../../examples" && pwd)"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export TARVELIN_WORKSPACE="$tmp/workspace.tvw" XDG_DATA_HOME="$tmp/xdg" XDG_CACHE_HOME="$tmp/cache"
source "$(dirname "$0")/lib/usage.bash"

cp "$examples/dzialka.jpg" "$tmp/"
# The photo, 1/8 of its pixels shown at the same size: far below 200 ppi.
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=jpeg -g40x30 -r72 -sOutputFile="$tmp/small.jpg" \
  -c "0.2 0.5 0.8 setrgbcolor 0 0 40 30 rectfill showpage" || fail "gs made no picture"
printf '@Normal:Zażółć {#WG fn=small.jpg, hs=30mm, vs=22mm}{$} gęślą {#WG fn=brak.jpg, hs=20mm, vs=20mm}{$} jaźń.\r' |
  iconv -f UTF-8 -t CP1250 >"$tmp/ad.rmk"
"$bin" paginate "$tmp/ad.rmk" --on-missing continue >/dev/null 2>&1
[ -s "$tmp/ad.tvd" ] && [ -s "$tmp/ad.pdf" ] || fail "paginate wrote no document"

"$bin" preflight "$tmp/ad.tvd" >"$tmp/out" 2>"$tmp/err"
[ $? -eq 1 ] || fail "a document with an RGB, low-resolution picture passed: $(cat "$tmp/out")"
grep -q "^FAIL page 1, x [0-9.]* y [0-9.]* pt: picture Im1 is RGB" "$tmp/out" || fail "no RGB finding: $(cat "$tmp/out")"
grep -q "^FAIL page 1, .*picture Im1 at [0-9]* ppi, below 200 ppi" "$tmp/out" || fail "no resolution finding: $(cat "$tmp/out")"
grep -q '^FAIL page 1: the picture "brak.jpg" of frame [0-9]* is missing' "$tmp/out" || fail "no missing picture finding: $(cat "$tmp/out")"

# The press file converted the picture: only the resolution is left.
"$bin" preflight "$tmp/ad.pdf" --max-ink 300 >"$tmp/out" 2>&1
[ $? -eq 1 ] || fail "the PDF's low resolution passed"
! grep -q "RGB" "$tmp/out" || fail "the PDF/X-1a file still has RGB: $(cat "$tmp/out")"
"$bin" preflight "$tmp/ad.pdf" --max-ink 300 --min-ppi 20 >"$tmp/out" 2>&1 ||
  fail "the PDF/X-1a file did not pass: $(cat "$tmp/out")"
grep -q "^preflight: passed$" "$tmp/out" || fail "no pass line"

"$bin" render "$tmp/ad.tvd" --pdf "$tmp/screen.pdf" >/dev/null 2>&1 || fail "render"
"$bin" preflight "$tmp/screen.pdf" --min-ppi 20 >"$tmp/out" 2>&1
[ $? -eq 1 ] || fail "the screen PDF passed"
grep -q "^FAIL page 1: the page has no TrimBox" "$tmp/out" || fail "no TrimBox finding"
grep -q "RGB colour in a text" "$tmp/out" || fail "no RGB text finding"

expect_usage_error() { expect_usage_error_of preflight "$@"; }
expect_usage_error "missing file" "nothere.pdf" "$tmp/nothere.pdf"
expect_usage_error "not a PDF" "not a readable PDF" "$tmp/dzialka.jpg"
expect_usage_error "bad ink" "--max-ink" "$tmp/ad.pdf" --max-ink 0
expect_usage_error "bad ppi" "--min-ppi" "$tmp/ad.pdf" --min-ppi x
expect_usage_error "no file" "usage" --max-ink 200
echo "preflight: all checks passed"
