#!/usr/bin/env bash
# tarvelin tags: a tagged-text file imported into a new story, as JSON.
# Usage: tags.sh <tarvelin binary> <tests/data dir>
set -u
bin="$1"
data="$2"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
failures=0
export QT_QPA_PLATFORM=offscreen

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# run FILE EXPECTED_EXIT [OPTIONS...]: output in $tmp/out.json, stderr in $tmp/err.txt
run() {
  local file="$1" expected="$2"
  shift 2
  "$bin" tags "$file" "$@" >"$tmp/out.json" 2>"$tmp/err.txt"
  local rc=$?
  [ "$rc" -eq "$expected" ] || fail "$file: exit $rc, expected $expected ($(cat "$tmp/err.txt"))"
}

# check FILE PYTHON: the expression holds for the JSON `d` (and `t`, its text)
check() {
  python3 - "$tmp/out.json" "$2" <<'PY' || fail "$1: $2"
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
t = d["text"]
def run_at(runs, i):
    return next(r for r in runs if r["start"] <= i < r["end"] or r["start"] == i == r["end"])
def style(name, kind="paragraphStyles"):
    return next(s for s in d[kind] if s["name"] == name)
sys.exit(0 if eval(sys.argv[2]) else 1)
PY
}

# The price list in each of its encodings: the same story, styles and no report.
for enc in macce wince utf16; do
  f="$data/cennik_$enc.xtg"
  run "$f" 0
  check "$f" 'set(d) >= {"text", "paragraphs", "runs", "paragraphStyles", "characterStyles", "swatches", "report", "missingFonts"}'
  check "$f" 't.startswith("Cennik og") and t.count("\r") == 5'
  check "$f" '[p["style"] for p in d["paragraphs"]] == ["Tytuł"] + ["Pozycja"] * 5 or "'$enc'" == "wince"'
  check "$f" 'style(d["paragraphs"][0]["style"])["attributes"]["ruleBelow"] == {"on": 1, "width": 1, "colour": "Black", "offset": 30}'
  check "$f" 'style("Cena", "characterStyles")["attributes"] == {"fontStyle": "Bold"}'
  check "$f" 'd["report"] == {"characterStyles": [], "paragraphStyles": [], "colorSwatches": [], "message": "", "encoding": "'"$([ $enc = utf16 ] && echo UTF-16 || echo Mac Central European)"'"}'
  check "$f" 'd["runs"][0]["start"] == 0 and d["runs"][-1]["end"] == len(t)'
  check "$f" 'all(a["end"] == b["start"] for a, b in zip(d["runs"], d["runs"][1:]))'
done
f="$data/cennik_utf16.xtg"
run "$f" 0
check "$f" 'd["encoding"] == "UTF-16" and t.startswith("Cennik ogłoszeń\r")'
check "$f" 'run_at(d["runs"], t.index("15,00"))["style"] == "Cena"'
check "$f" 'run_at(d["runs"], t.index("WERSALIKAMI".lower()))["overrides"] == {"capitalisation": 2}'

# Tagged text as current programs write it: a UTF-8 file with a long header keeps its letters,
# quotes and styles, and has no empty first paragraph.
f="$data/wild_long_utf8.xtg"
run "$f" 0
check "$f" 'd["report"]["encoding"] == "UTF-8" and t.startswith("Gull’s „Überschrift” – Łódź\r")'
check "$f" 'd["paragraphs"][0]["style"] == "Überschrift" and style("Überschrift")["attributes"]["pointSize"] == 14'
f="$data/wild_invalid_utf8.xtg"
run "$f" 0
check "$f" 'd["report"]["encoding"].startswith("Mac Central European (declared UTF-8, but byte 228")'

# Attributes: values as the tags give them.
f="$data/attributes_macce.xtg"
run "$f" 0
check "$f" 'run_at(d["runs"], t.index("14 pt"))["overrides"] == {"pointSize": 14}'
check "$f" 'run_at(d["runs"], t.index("wąsko"))["overrides"] == {"horizontalScale": 0.8}'
check "$f" 'run_at(d["runs"], t.index("kerning"))["overrides"] == {"kerning": 0.1}'
check "$f" 'run_at(d["runs"], t.index("czarny"))["overrides"] == {"colour": "Black"}'
check "$f" 'run_at(d["runs"], t.index("cyjan"))["overrides"] == {"colour": ""}'
check "$f" '{"name": "", "space": "CMYK", "components": [1, 0, 0, 0], "process": True} in d["swatches"]'
check "$f" 'run_at(d["paragraphs"], t.index("Wyśrodkowany"))["overrides"] == {"alignment": 1}'
check "$f" 'run_at(d["paragraphs"], t.index("Linie nad"))["overrides"]["ruleBelow"] == {"on": 1, "width": 1, "colour": "Black", "leftIndent": 2, "rightIndent": 3, "offset": 50, "mode": 2}'
check "$f" '"d" not in t.replace("Do ", "").split("\r")[0]'

# Definitions: colours and styles made by the file.
f="$data/styles_macce.xtg"
run "$f" 0
check "$f" '{"name": "Czerwony", "space": "CMYK", "components": [0, 1, 1, 0], "process": True} in d["swatches"]'
check "$f" '{"name": "Niebieski", "space": "RGB", "components": [0.1, 0.3, 0.9], "process": True} in d["swatches"]'
check "$f" 'style("Wyróżnienie", "characterStyles")["attributes"] == {"fontStyle": "Bold", "pointSize": 11, "colour": "Czerwony"}'
check "$f" 'style("Nagłówek")["attributes"]["fontStyle"] == "Bold" and style("Nagłówek")["parent"] == ""'
# "@$:" asks for "Normal", which a file with its own paragraph styles does not get: the
# sequence stays as an "@" and the paragraph keeps the style before it.
check "$f" 't.endswith("\r@Koniec.\r") and run_at(d["paragraphs"], t.index("Koniec"))["style"] == "Tekst"'

# Names defined twice: the second time is in the report, exit 1.
printf '<v1.70><e1>\r@Em=<B>\r@Em=<I>\r@Body=[S"","Body"]<z9>\r@Body=[S"","Body"]<z10>\r@Red=[C]<"CMYK",0,0,0,0,1,1,0,0>\r@Red=[C]<"RGB",0,0,0,1,0,0>\r@Body:x<f"No Such Font">y\r' >"$tmp/twice.xtg"
run "$tmp/twice.xtg" 1
check twice 'd["report"]["characterStyles"] == ["Em"] and d["report"]["paragraphStyles"] == ["Body"] and d["report"]["colorSwatches"] == ["Red"]'
check twice 'd["report"]["message"].endswith("\r\rCharacter styles: Em\r\rParagraph styles: Body\r\rColor swatches: Red")'
check twice 'd["missingFonts"] == ["No Such Font"] and t == "xy\r"'
check twice 'style("Body")["attributes"] == {"pointSize": 9}'

# Force MacCE: a UTF-16 file loses only 12 bytes of its header line.
f="$data/cennik_utf16.xtg"
run "$f" 0 --force-macce
check "$f" 't.startswith(">\rCennik")'

# Bad input keeps its text: unterminated tags and quotes, a long tag body, a file ending
# inside a style sequence.
printf '<v1.70><e1>\rab<z12 cd <f"Arial>ef @Name=[S"a"' >"$tmp/bad.xtg"
run "$tmp/bad.xtg" 0
check bad 't == "ab<z12 cd ef @Name=[S\"a\""'
{ printf '<v1.70><e1>\r<'; head -c 1048576 /dev/zero | tr '\0' 'q'; printf '>x'; } >"$tmp/long.xtg"
run "$tmp/long.xtg" 0
check long 't == "x"'

# Refused: not tagged text (with the reason), a byte-order mark, no file, bad usage.
printf 'Hello\r' >"$tmp/plain.xtg"
run "$tmp/plain.xtg" 2
grep -q 'not a tagged-text file' "$tmp/err.txt" || fail "plain: no reason given: $(cat "$tmp/err.txt")"
[ -s "$tmp/out.json" ] && fail "plain: output on stdout"
printf '\xff\xfe<\0v\0' >"$tmp/bom.xtg"
run "$tmp/bom.xtg" 2
run "$tmp/missing.xtg" 2
run "$tmp" 2
"$bin" tags >/dev/null 2>&1
[ $? -eq 2 ] || fail "no file: exit code"
"$bin" tags "$f" --bogus >/dev/null 2>&1
[ $? -eq 2 ] || fail "unknown option: exit code"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "tags: all checks passed"
