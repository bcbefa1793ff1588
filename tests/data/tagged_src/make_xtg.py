#!/usr/bin/env python3
"""Writes the tagged-text samples from their UTF-8 sources: tests/data/<name>_macce.xtg,
<name>_wince.xtg and <name>_utf16.xtg (little-endian, no byte order mark), and
examples/cennik.xtg in Mac Central European. Lines end in CR; the first line is the
12-character header that the import skips.

wild.txt is written in the shapes other programs write tagged text, each to tests/data/
wild_<shape>.xtg: long and short headers, UTF-8 with and without a byte-order mark, CR LF
and CR line ends, and a UTF-8 file with one invalid byte. Every shape but the invalid one
imports to the same story. Frame files: anons_utf8.rmk is anons_wince.rmk as UTF-8 with a
byte-order mark."""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent
DATA = HERE.parent
EXAMPLES = DATA.parent.parent / "examples"
HEADER = "<v1.70><e1>\r"
ENCODINGS = {"macce": "mac_latin2", "wince": "cp1250", "utf16": "utf-16-le"}

for src in sorted(p for p in HERE.glob("*.txt") if p.stem != "wild"):
    text = HEADER + src.read_text(encoding="utf-8").replace("\n", "\r")
    for suffix, codec in ENCODINGS.items():
        (DATA / f"{src.stem}_{suffix}.xtg").write_bytes(text.encode(codec))
    if src.stem == "cennik":
        (EXAMPLES / "cennik.xtg").write_bytes(text.encode("mac_latin2"))

BOM = b"\xef\xbb\xbf"
wild = (HERE / "wild.txt").read_text(encoding="utf-8").rstrip("\n")
SHAPES = {
    # shape: (header, line end, codec, byte-order mark)
    "macce": ("<v1.70><e1>", "\r", "mac_latin2", b""),
    "short_macce": ("<v2><e1>", "\r", "mac_latin2", b""),
    "long_utf8": ("<v11.10><e9>", "\r\n", "utf-8", b""),
    "long_utf8_cr": ("<v11.10><e9>", "\r", "utf-8", b""),
    "bom_utf8": ("<v11.10><e9>", "\r\n", "utf-8", BOM),
    "bom_undeclared_utf8": ("<v1.70><e0>", "\r", "utf-8", BOM),
    "long_utf16": ("<v11.10><e9>", "\r\n", "utf-16-le", b""),
}
for shape, (header, eol, codec, mark) in SHAPES.items():
    text = header + eol + wild.replace("\n", eol) + eol
    (DATA / f"wild_{shape}.xtg").write_bytes(mark + text.encode(codec))
# Declared UTF-8 with one byte that cannot start a sequence: read as Mac CE.
broken = ("<v11.10><e9>\r\n" + wild.replace("\n", "\r\n")).encode("utf-8")
cut = broken.index(b"Stra")
(DATA / "wild_invalid_utf8.xtg").write_bytes(broken[:cut] + b"\xff" + broken[cut:])

anons = (DATA / "anons_wince.rmk").read_bytes().decode("cp1250")
(DATA / "anons_utf8.rmk").write_bytes(BOM + anons.encode("utf-8"))
