#!/usr/bin/env bash
# tarvelin log: prints an import log (UTF-16LE, lines ended by CR) as text lines.
set -euo pipefail
cli="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

printf '// ----\r// Log started on today.\rCannot read the file named "żółw.tif".\r' |
  iconv -f UTF-8 -t UTF-16LE > "$tmp/ad.log"
out="$("$cli" log "$tmp/ad.log")"
expected=$'// ----\n// Log started on today.\nCannot read the file named "żółw.tif".'
[ "$out" = "$expected" ] || { echo "unexpected output: $out"; exit 1; }

# A user's mistakes: one line on stderr, exit 2.
for args in "" "$tmp/missing.log" "$tmp"; do
  set +e
  err="$("$cli" log $args 2>&1 >/dev/null)"
  code=$?
  set -e
  [ "$code" -eq 2 ] || { echo "exit $code for 'log $args'"; exit 1; }
  [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || { echo "stderr not one line: $err"; exit 1; }
done
echo "log: ok"
