#!/usr/bin/env bash
# tarvelin render, run as a user would: a new document renders to a PDF beside it and to
# PNG pages at the resolution asked for; the written files are listed on stdout; mistakes
# get one line on stderr and exit 2, and write nothing.
set -u
bin=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_DATA_HOME=$tmp/xdg XDG_RUNTIME_DIR=$tmp/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

source "$(dirname "$0")/lib/usage.bash"
expect_usage_error() { expect_usage_error_of render "$@"; }

# Big-endian 32-bit number at a byte offset of a file.
u32be() { od -An -tu1 -j "$2" -N4 "$1" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}'; }

"$bin" new "$tmp/doc.tvd" 2>/dev/null || fail "new exit $?"

"$bin" render "$tmp/doc.tvd" >"$tmp/out" 2>"$tmp/err" || fail "render exit $?: $(cat "$tmp/err")"
[ "$(cat "$tmp/out")" = "$tmp/doc.pdf" ] || fail "stdout does not list the PDF: $(cat "$tmp/out")"
[ "$(head -c 5 "$tmp/doc.pdf")" = "%PDF-" ] || fail "doc.pdf is not a PDF"
[ ! -e "$tmp/doc.pdf.part" ] || fail "the partial file was left behind"

"$bin" render "$tmp/doc.tvd" --pdf "$tmp/a.pdf" --png "$tmp/pages" --dpi 36 >"$tmp/out" 2>"$tmp/err" ||
  fail "render --png exit $?: $(cat "$tmp/err")"
[ "$(wc -l <"$tmp/out")" -eq 2 ] || fail "expected two files listed: $(cat "$tmp/out")"
png=$tmp/pages/page-001.png
[ -f "$png" ] || fail "no page-001.png"
[ "$(head -c 4 "$png" | tail -c 3)" = "PNG" ] || fail "page-001.png is not a PNG"
# A4 at 36 dpi: 595.28 x 841.89 pt -> 298 x 421 pixels.
[ "$(u32be "$png" 16)" -eq 298 ] || fail "width $(u32be "$png" 16), expected 298"
[ "$(u32be "$png" 20)" -eq 421 ] || fail "height $(u32be "$png" 20), expected 421"

# The screen PDF by default; a press standard on request, with its output profile.
! grep -qa "GTS_PDFX" "$tmp/doc.pdf" || fail "render's default PDF claims a press standard"
"$bin" render "$tmp/doc.tvd" --pdf "$tmp/x1a.pdf" --pdf-standard x1a >/dev/null 2>"$tmp/err" ||
  fail "render --pdf-standard x1a exit $?: $(cat "$tmp/err")"
grep -qa "/GTS_PDFXConformance (PDF/X-1a:2001)" "$tmp/x1a.pdf" || fail "x1a.pdf is not PDF/X-1a"
qpdf --check "$tmp/x1a.pdf" >/dev/null || fail "qpdf finds errors in x1a.pdf"
"$bin" render "$tmp/doc.tvd" --pdf "$tmp/x4.pdf" --pdf-standard x4 \
  --output-profile /usr/share/color/icc/ghostscript/default_cmyk.icc >/dev/null 2>"$tmp/err" ||
  fail "render --pdf-standard x4 exit $?: $(cat "$tmp/err")"
grep -qa "<pdfxid:GTS_PDFXVersion>PDF/X-4" "$tmp/x4.pdf" || fail "x4.pdf is not PDF/X-4"

# The document file is not changed by rendering.
cp "$tmp/doc.tvd" "$tmp/copy.tvd"
"$bin" render "$tmp/copy.tvd" --pdf "$tmp/b.pdf" >/dev/null 2>&1 || fail "render of the copy"
cmp -s "$tmp/doc.tvd" "$tmp/copy.tvd" || fail "rendering changed the document"

expect_usage_error "bad dpi" "--dpi" "$tmp/doc.tvd" --png "$tmp/p2" --dpi 0
expect_usage_error "dpi not a number" "--dpi" "$tmp/doc.tvd" --dpi 7x
expect_usage_error "missing value" "--pdf" "$tmp/doc.tvd" --pdf
expect_usage_error "missing file" "nothere.tvd" "$tmp/nothere.tvd"
echo "not a document" >"$tmp/bad.tvd"
expect_usage_error "not a document" "bad.tvd" "$tmp/bad.tvd"
expect_usage_error "unwritable output" "cannot write" "$tmp/doc.tvd" --pdf "$tmp/no/such/folder/x.pdf"
expect_usage_error "unknown option" "usage" "$tmp/doc.tvd" --pnk x
expect_usage_error "bad standard" "x1a, x4 or screen" "$tmp/doc.tvd" --pdf-standard x3
expect_usage_error "RGB profile" "not a CMYK output profile" "$tmp/doc.tvd" --pdf "$tmp/c.pdf" \
  --pdf-standard x1a --output-profile /usr/share/color/icc/ghostscript/srgb.icc
expect_usage_error "missing profile" "nothere.icc" "$tmp/doc.tvd" --pdf "$tmp/c.pdf" \
  --pdf-standard x4 --output-profile "$tmp/nothere.icc"
[ ! -e "$tmp/c.pdf" ] || fail "a refused profile still wrote a PDF"
[ ! -e "$tmp/p2" ] || fail "a refused render made its folder"

echo "render: all checks passed"
