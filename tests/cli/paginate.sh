#!/usr/bin/env bash
# The main job and the actions on a saved document, run as a user runs them.
set -euo pipefail
cli="$1"
data="$2"
examples="$(cd "$data/../../examples" && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export TARVELIN_WORKSPACE="$tmp/workspace.tvw"
# Scratch copies and process logs stay private to this script (tests run in parallel).
export XDG_DATA_HOME="$tmp/data" XDG_CACHE_HOME="$tmp/cache"
fail() { echo "FAIL: $*"; exit 1; }

cp "$examples/ogloszenia.rmk" "$examples/dzialka.jpg" "$examples/komis_logo.tif" "$tmp/"

# One picture, one object style and one swatch are missing on purpose: done with warnings.
set +e
"$cli" paginate "$tmp/ogloszenia.rmk" --on-missing continue > "$tmp/out.txt"
code=$?
set -e
[ "$code" -eq 1 ] || fail "paginate exit $code"
for f in ogloszenia.tvd ogloszenia.pdf ogloszenia.log; do [ -s "$tmp/$f" ] || fail "no $f"; done
head -c 5 "$tmp/ogloszenia.pdf" | grep -q '%PDF-' || fail "not a PDF"
# The job's PDF is for the press: PDF/X-1a, clean, fonts embedded as subsets, text searchable,
# the ad's CMYK fill (0/0/20/0) and the black text written as their own CMYK values.
pdf="$tmp/ogloszenia.pdf"
grep -qa "/GTS_PDFXConformance (PDF/X-1a:2001)" "$pdf" || fail "the PDF is not PDF/X-1a"
qpdf --check "$pdf" >/dev/null || fail "qpdf finds errors in the PDF"
pdffonts "$pdf" | tail -n +3 > "$tmp/fonts.txt"
[ -s "$tmp/fonts.txt" ] || fail "no fonts in the PDF"
! grep -v " yes yes yes " "$tmp/fonts.txt" || fail "a font is not embedded, subset and mapped"
pdftotext -enc UTF-8 "$pdf" - | grep -q "Łódź-Bałuty" || fail "the text cannot be extracted"
qpdf --qdf --object-streams=disable "$pdf" "$tmp/plain.pdf"
grep -qa "^0 0 0.2 0 k$" "$tmp/plain.pdf" || fail "the CMYK swatch did not keep its values"
grep -qa "^0 0 0 1 k$" "$tmp/plain.pdf" || fail "black text is not 100 % K"
! grep -qa "RGB" "$tmp/plain.pdf" || fail "RGB left in a PDF/X-1a file"
"$cli" log "$tmp/ogloszenia.log" > "$tmp/log.txt"
grep -q '^Started processing of file ".*ogloszenia.rmk".$' "$tmp/log.txt" || fail "log start line"
grep -q '^Cannot read the file named "zguba pies.jpg"' "$tmp/log.txt" || fail "missing picture line"
grep -q '^The object style named "Ramka świąteczna" does not exist' "$tmp/log.txt" || fail "style line"

"$cli" dump "$tmp/ogloszenia.tvd" > "$tmp/dump.json"
missing_uid="$(python3 - "$tmp/dump.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
inline = [f for f in d["frames"] if f["inline"]]
assert len(inline) == 9, len(inline)
ad = {f["uid"]: dict(map(tuple, f["advertisement"]["attributes"])) for f in inline}
first = next(f for f in inline if "t1" in ad[f["uid"]] and ad[f["uid"]]["t1"] == "Kowalski, Jan")
keys = [k for k, _ in first["advertisement"]["attributes"]]
assert keys[:2] == ["FitContentToFrame", "kInDesignElement_ListOfAttributesKey"], keys
assert keys[2:] == ["hs", "vs", "fc", "bc", "fw", "TI", "t1", "os"], keys
assert first["objectStyle"] == "Ramka ogłoszenia", first["objectStyle"]
placed = [f for f in inline if f["image"]]
assert sorted(f["image"]["file"].rsplit("/", 1)[1] for f in placed) == ["dzialka.jpg", "komis_logo.tif"]
missing = [f for f in inline if ad[f["uid"]].get("imageLoaded") == "false"]
assert len(missing) == 1 and ad[missing[0]["uid"]]["imageFilename"] == "zguba pies.jpg"
print(missing[0]["uid"])
PY
)"

# The picture arrives later: reconnect places it and saves the document.
cp "$examples/dzialka.jpg" "$tmp/zguba pies.jpg"
# (Exit 1: the log notes that the frame names no fitting type, as every reconnect does.)
set +e
"$cli" reconnect "$tmp/ogloszenia.tvd" --frame "$missing_uid" --on-missing stop > "$tmp/re.txt"
code=$?
set -e
[ "$code" -le 1 ] || fail "reconnect exit $code"
grep -q "(saved)" "$tmp/re.txt" || fail "reconnect did not save"
"$cli" dump "$tmp/ogloszenia.tvd" | python3 -c "
import json, sys
d = json.load(sys.stdin)
f = next(f for f in d['frames'] if f['uid'] == $missing_uid)
a = dict(map(tuple, f['advertisement']['attributes']))
assert a['imageLoaded'] == 'true' and f['image'] is not None, (a, f['image'])
"

# Processing a frame with no definitions left changes nothing and keeps the file as it was.
main_uid="$("$cli" dump "$tmp/ogloszenia.tvd" | python3 -c "
import json, sys
print(next(f['uid'] for f in json.load(sys.stdin)['frames'] if f['inline'] is None))")"
before="$(sha256sum "$tmp/ogloszenia.tvd")"
"$cli" process "$tmp/ogloszenia.tvd" --frame "$main_uid" > "$tmp/pr.txt" || fail "process exit $?"
grep -q "(unchanged)" "$tmp/pr.txt" || fail "process changed the document"
[ "$before" = "$(sha256sum "$tmp/ogloszenia.tvd")" ] || fail "unchanged document was rewritten"

# A user's mistakes: one line on stderr, exit 2, nothing written.
check_usage() {
  set +e
  err="$("$cli" "$@" 2>&1 >/dev/null)"
  code=$?
  set -e
  [ "$code" -eq 2 ] || fail "exit $code for: $*"
  [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "stderr not one line for $*: $err"
}
check_usage paginate "$tmp/none.rmk"
check_usage paginate "$tmp/ogloszenia.rmk" --on-missing sometimes
check_usage paginate "$tmp/ogloszenia.rmk" --pdf x.pdf --no-pdf
check_usage process "$tmp/ogloszenia.tvd" --frame 999999
check_usage process "$tmp/ogloszenia.tvd"
check_usage reconnect "$tmp/none.tvd" --frame 1
check_usage import "$tmp/ogloszenia.tvd" "$tmp/none.rmk" --frame "$main_uid"

# Stop on the first missing picture: the run is cancelled and nothing is written.
mkdir "$tmp/stop"
cp "$examples/ogloszenia.rmk" "$tmp/stop/"
set +e
"$cli" paginate "$tmp/stop/ogloszenia.rmk" --on-missing stop > /dev/null 2>&1
code=$?
set -e
[ "$code" -eq 3 ] || fail "stop: exit $code"
[ ! -e "$tmp/stop/ogloszenia.tvd" ] || fail "stop: a document was written"
[ ! -e "$tmp/stop/ogloszenia.pdf" ] || fail "stop: a PDF was written"
echo "paginate: ok"
