#!/usr/bin/env python3
"""Every text the studio passes to tr() has a Polish entry in its translation table, so a
window never shows English in a Polish interface. Usage: polish_texts.py APPS_STUDIO_DIR"""
import pathlib
import re
import sys

# Texts that read the same in both languages.
NEUTRAL = {"%1:\\n%2", "X", "Y", "\u2014", "PDF (*.pdf)", "Tarvelin Studio"}
LITERAL = r'"((?:[^"\\]|\\.)*)"'

root = pathlib.Path(sys.argv[1])
table = (root / "studio_language.cpp").read_text(encoding="utf-8")
polish = set(re.findall(r"\{" + LITERAL + r",\s*" + LITERAL, table))
known = {english for english, _ in polish}
missing = []
for source in sorted(root.rglob("*.cpp")):
    text = source.read_text(encoding="utf-8")
    for match in re.finditer(r"\btr\(\s*" + LITERAL, text):
        english = match.group(1)
        if english not in known and english not in NEUTRAL:
            line = text.count("\n", 0, match.start()) + 1
            missing.append(f"{source.relative_to(root)}:{line}: no Polish for \"{english}\"")
print("\n".join(missing) if missing else f"all tr() texts of {root} have Polish entries")
sys.exit(1 if missing else 0)
