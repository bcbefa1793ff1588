# Checks shared by the CLI test scripts; sourced, not run. Expects $bin (the tarvelin
# binary) and $tmp (a scratch folder).

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# expect_usage_error_of COMMAND WHAT WORD ARGS...: a user's mistake gives exit 2, exactly
# one line on stderr mentioning WORD, and nothing on stdout.
expect_usage_error_of() {
  local command=$1 what=$2 word=$3
  shift 3
  "$bin" "$command" "$@" >"$tmp/out" 2>"$tmp/err"
  local rc=$?
  [ $rc -eq 2 ] || fail "$what: exit $rc, expected 2"
  [ "$(wc -l <"$tmp/err")" -eq 1 ] || fail "$what: stderr is not one line: $(cat "$tmp/err")"
  grep -q -- "$word" "$tmp/err" || fail "$what: stderr does not mention '$word': $(cat "$tmp/err")"
  [ ! -s "$tmp/out" ] || fail "$what: wrote to stdout"
}
