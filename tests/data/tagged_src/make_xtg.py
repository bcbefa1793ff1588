#!/usr/bin/env python3
"""Writes the tagged-text samples from their UTF-8 sources: tests/data/<name>_macce.xtg,
<name>_wince.xtg and <name>_utf16.xtg (little-endian, no byte order mark), and
examples/cennik.xtg in Mac Central European. Lines end in CR; the first line is the
12-character header that the import skips."""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent
DATA = HERE.parent
EXAMPLES = DATA.parent.parent / "examples"
HEADER = "<v1.70><e1>\r"
ENCODINGS = {"macce": "mac_latin2", "wince": "cp1250", "utf16": "utf-16-le"}

for src in sorted(HERE.glob("*.txt")):
    text = HEADER + src.read_text(encoding="utf-8").replace("\n", "\r")
    for suffix, codec in ENCODINGS.items():
        (DATA / f"{src.stem}_{suffix}.xtg").write_bytes(text.encode(codec))
    if src.stem == "cennik":
        (EXAMPLES / "cennik.xtg").write_bytes(text.encode("mac_latin2"))
