#!/usr/bin/env bash
# Takes the pictures of docs/ on a real X server without a screen: the plug-in's face as
# the studio's tests drive it (docs/screenshots/, English and Polish) and the studio's
# window on the example page (docs/studio.png). BUILD is a tree where `make test` ran.
set -euo pipefail
build=${1:-build/asan}
here=$(cd "$(dirname "$0")/.." && pwd)
shots=$here/docs/screenshots
mkdir -p "$shots"
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb TARVELIN_FACE_SHOTS=$shots
export TARVELIN_PLUGIN_PATH=$build/bin/plugins LSAN_OPTIONS=suppressions=$here/tests/lsan.supp
xvfb-run -a -s "-screen 0 1400x1000x24" "$build"/tests/tests_studio_face_wiring_test >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/examples/ogloszenia.rmk "$here"/examples/dzialka.jpg "$here"/examples/komis_logo.tif "$work"/
xvfb-run -a -s "-screen 0 1400x1000x24" "$build"/bin/tarvelin-studio "$work"/ogloszenia.rmk \
  --on-missing continue --screenshot "$here"/docs/studio.png >/dev/null
ls "$shots" "$here"/docs/studio.png
