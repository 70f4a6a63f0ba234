#!/bin/sh
# Runs vantrel-eval over a transcript and checks its output and exit codes.
# Usage: transcript_test.sh PROGRAM TESTDATA_DIR
set -u
prog=$1
data=$2
out=$(mktemp)
trap 'rm -f "$out"' EXIT
fail=0
check() {  # NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n--- expected\n%s\n--- got\n%s\n' "$1" "$2" "$3"
    fail=1
  fi
}

"$prog" --ini "$data/profile.ini" --bind NAME=vantrel \
  < "$data/transcript.in" > "$out" 2>&1
check "transcript status" 0 $?
check "transcript" "19
    1,234.50
3/15/24
1234.5
VAN|7
café 4
hello
error 801: No BIND on variable (NOWHERE)
error 800: Invalid expression for EVALUATE
error: character U+221E at column 2 has no Windows-1252 code" "$(cat "$out")"

value=$("$prog" "SUB('Vantrel', 2, 3)" 2>/dev/null)
check "one expression status" 0 $?
check "one expression" "ant" "$value"

message=$("$prog" 'XYZ' 2>&1 >/dev/null)
check "error status" 1 $?
check "error on stderr" "error 801: No BIND on variable (XYZ)" "$message"

"$prog" --bind 9=x '1' > /dev/null 2>&1
check "bad bind status" 2 $?
"$prog" '1' '2' > /dev/null 2>&1
check "two expressions status" 2 $?
"$prog" --ini /nonexistent/profile.ini '1' > /dev/null 2>&1
check "missing profile status" 2 $?

# Files that are not regular are refused by name, never read.
for special in "$data" /dev/zero; do
  message=$("$prog" --env "$special" '1' 2>&1 >/dev/null)
  check "--env $special status" 2 $?
  check "--env $special" \
    "vantrel-eval: cannot read $special: is not a regular file" "$message"
done
value=$(VANTREL_ENV="$data" "$prog" '1 + 1' 2>"$out")
check "directory as VANTREL_ENV status" 0 $?
check "directory as VANTREL_ENV" "2 vantrel-eval: environment: $data is not a regular file" "$value $(cat "$out")"

"$prog" --help > "$out"
check "help status" 0 $?
grep -q -- '--bind NAME=VALUE' "$out" && grep -q 'FORMAT' "$out" &&
  grep -q 'DEFORMAT' "$out" || { echo "FAIL help text"; fail=1; }

exit $fail
