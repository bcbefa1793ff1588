#!/usr/bin/env bash
# tarvelin prefs, run as a user would: values persist in the workspace file across runs,
# unset removes one value and keeps the others, mistakes get one line and exit 2, and a
# damaged workspace file is reported and left as it was.
set -u
bin=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME=$tmp/xdg-config
export TARVELIN_WORKSPACE=$tmp/ws.tvw
mkdir -p "$tmp/img one" "$tmp/zdjęcia"

source "$(dirname "$0")/lib/usage.bash"
expect_usage_error() { expect_usage_error_of prefs "$@"; }

# A fresh workspace lists the four folders, all unset, and writes no file.
printf 'image_folder1:\t\nimage_folder2:\t\nimage_folder3:\t\nimage_folder4:\t\n' >"$tmp/empty.txt"
"$bin" prefs list >"$tmp/list" || fail "list on a fresh workspace: exit $?"
cmp -s "$tmp/list" "$tmp/empty.txt" || fail "fresh list: $(cat "$tmp/list")"
[ ! -e "$TARVELIN_WORKSPACE" ] || fail "listing wrote a workspace file"

"$bin" prefs set image_folder3 "$tmp/zdjęcia" || fail "set folder 3: exit $?"
"$bin" prefs set image_folder1: "$tmp/img one" || fail "set folder 1 (stored form): exit $?"
[ -f "$TARVELIN_WORKSPACE" ] || fail "set wrote no workspace file"
[ ! -e "$XDG_CONFIG_HOME/tarvelin/workspace.tvw" ] || fail "TARVELIN_WORKSPACE was not used"

# Each run is a new process: the values come from the file.
[ "$("$bin" prefs get image_folder1)" = "$tmp/img one" ] || fail "folder 1 not kept"
[ "$("$bin" prefs get image_folder3:)" = "$tmp/zdjęcia" ] || fail "folder 3 not kept"
printf 'image_folder1:\t%s\nimage_folder2:\t\nimage_folder3:\t%s\nimage_folder4:\t\n' \
  "$tmp/img one" "$tmp/zdjęcia" >"$tmp/want.txt"
"$bin" prefs >"$tmp/list" || fail "prefs without an action: exit $?"
cmp -s "$tmp/list" "$tmp/want.txt" || fail "list after set: $(cat "$tmp/list")"

# Unset removes one value and keeps the other; getting it then warns (exit 1).
"$bin" prefs unset image_folder3 || fail "unset: exit $?"
"$bin" prefs get image_folder3 >"$tmp/out" 2>"$tmp/err"
[ $? -eq 1 ] || fail "get of an unset folder: expected exit 1"
[ ! -s "$tmp/out" ] || fail "get of an unset folder printed a value"
grep -q 'image_folder3: is not set' "$tmp/err" || fail "get of an unset folder: $(cat "$tmp/err")"
[ "$("$bin" prefs get image_folder1)" = "$tmp/img one" ] || fail "unset lost folder 1"

# A folder that does not exist is stored with a warning.
"$bin" prefs set image_folder2 "$tmp/nowhere" 2>"$tmp/err"
[ $? -eq 1 ] || fail "missing folder: expected exit 1"
grep -q 'not a folder' "$tmp/err" || fail "missing folder: no warning"
[ "$("$bin" prefs get image_folder2)" = "$tmp/nowhere" ] || fail "missing folder not stored"

expect_usage_error "unknown key" "image_folder5" get image_folder5
expect_usage_error "unknown action" "frobnicate" frobnicate
expect_usage_error "set without a value" "usage" set image_folder1
expect_usage_error "get with two keys" "usage" get image_folder1 image_folder2
expect_usage_error "empty value" "unset" set image_folder1 ""

# A damaged workspace is reported, and not replaced: nothing the user stored is lost.
echo "not a workspace" >"$tmp/bad.tvw"
cp "$tmp/bad.tvw" "$tmp/bad.orig"
TARVELIN_WORKSPACE=$tmp/bad.tvw "$bin" prefs set image_folder1 "$tmp/img one" >"$tmp/out" 2>"$tmp/err"
[ $? -eq 2 ] || fail "damaged workspace: expected exit 2"
grep -q 'bad.tvw' "$tmp/err" || fail "damaged workspace: message does not name the file: $(cat "$tmp/err")"
cmp -s "$tmp/bad.tvw" "$tmp/bad.orig" || fail "damaged workspace was overwritten"

"$bin" --help | grep -q 'TARVELIN_WORKSPACE' || fail "--help does not document TARVELIN_WORKSPACE"
echo "prefs: ok"
