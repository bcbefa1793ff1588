#!/usr/bin/env bash
# The main job on the bundled example: the classifieds frame file is paginated into a
# document, its PDF and its import log. The example is copied first, so the results land
# beside the copy in build/demo and examples/ stays as shipped.
set -euo pipefail
cli="$(realpath "$1")"
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/demo"
rm -rf "$out"
mkdir -p "$out"
cp "$root/examples/ogloszenia.rmk" "$root/examples/dzialka.jpg" "$root/examples/komis_logo.tif" "$out/"
"$cli" --version
set +e
"$cli" paginate "$out/ogloszenia.rmk" --on-missing continue
code=$?
set -e
# 1: done, with warnings in the log (the example misses a picture, a style and a swatch on purpose).
if [ "$code" -gt 1 ]; then
  echo "demo: paginate failed with exit code $code" >&2
  exit "$code"
fi
echo
echo "The import log ($out/ogloszenia.log):"
"$cli" log "$out/ogloszenia.log"
echo
echo "PDF: $out/ogloszenia.pdf"
