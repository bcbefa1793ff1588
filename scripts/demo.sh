#!/usr/bin/env bash
# The main job on the bundled examples: each frame file is paginated into a document, its
# PDF and its import log. The examples are copied first, so the results land beside the
# copies in build/demo and examples/ stays as shipped.
set -euo pipefail
cli="$(realpath "$1")"
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/demo"
rm -rf "$out"
mkdir -p "$out/strona"
cp "$root/examples/ogloszenia.rmk" "$root/examples/dzialka.jpg" "$root/examples/komis_logo.tif" "$out/"
cp "$root/examples/strona/"*.rmk "$root/examples/strona/"*.png "$out/strona/"
"$cli" --version

# 1: done, with warnings in the log (the small example misses a picture, a style and a
# swatch on purpose).
paginate() {
  local frame="$1" code
  echo
  set +e
  "$cli" paginate "$frame" --on-missing continue
  code=$?
  set -e
  if [ "$code" -gt 1 ]; then
    echo "demo: paginate $frame failed with exit code $code" >&2
    exit "$code"
  fi
  echo
  echo "The import log (${frame%.rmk}.log):"
  "$cli" log "${frame%.rmk}.log"
  echo
  echo "PDF: ${frame%.rmk}.pdf"
  echo "Preflight of the PDF/X-1a file:"
  "$cli" preflight "${frame%.rmk}.pdf"
}

paginate "$out/ogloszenia.rmk"
paginate "$out/strona/strona.rmk"
