#!/usr/bin/env bash
# Runs the main job on the bundled example and says where the results are.
set -euo pipefail
cli="$(realpath "$1")"
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/demo"
mkdir -p "$out"
"$cli" --version
"$cli" preprocess "$root/examples/ogloszenia.rmk" -o "$out/ogloszenia.scratch.txt"
echo "Preprocessed frame file (UTF-16LE tag text): $out/ogloszenia.scratch.txt"
