#!/usr/bin/env bash
# exe2ico end to end: golden files byte for byte, naming, failures, exit codes.
# usage: exe2ico_test.sh EXE2ICO GOLDEN_DIR
set -u
exe2ico=$(realpath "$1")
golden=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}

# Every ok input in one batch, each written beside itself, byte for byte.
# (.ico inputs are written elsewhere: beside themselves they would replace themselves.)
ok=$(awk '$1 == "ok" && $2 !~ /[.]ico$/ {print $2}' "$golden/status.tsv")
for name in $ok; do cp "$golden/$name" "$work/"; done
(cd "$work" && "$exe2ico" $ok) >"$work/out" 2>"$work/err"
check "batch of ok inputs exits 0" test $? -eq 0
check "batch of ok inputs prints nothing" test ! -s "$work/err"
for name in $ok; do
  out="$work/${name%???}ico"
  if [ "$name" = alpha-without-mask.exe ]; then
    # The mask comes from alpha here on purpose; all before the mask is the platform's.
    check "$name all but the mask" cmp -s -n 638 "$out" "$golden/expected/$name.ico"
  else
    check "$name byte for byte" cmp -s "$out" "$golden/expected/$name.ico"
  fi
done

# The name is made as the Save button makes it, and -o and -o - write elsewhere.
cp "$golden/classic-4bpp.exe" "$work/run.py"
check "run.py gives runico" "$exe2ico" "$work/run.py"
check "runico holds the icon" cmp -s "$work/runico" "$golden/expected/classic-4bpp.exe.ico"
check "-o OUT" "$exe2ico" "$golden/ne-program.exe" -o "$work/chosen.ico"
check "-o OUT content" cmp -s "$work/chosen.ico" "$golden/expected/ne-program.exe.ico"
"$exe2ico" "$golden/icon-file.ico" -o - >"$work/stdout.ico"
check "-o - content" cmp -s "$work/stdout.ico" "$golden/expected/icon-file.ico.ico"

# Failures: the error box's text with its full stop, and the next file still goes.
cp "$golden/no-icons.exe" "$golden/monochrome.exe" "$golden/only-16.exe" "$work/"
rm -f "$work/only-16.ico"
"$exe2ico" "$work/no-icons.exe" "$work/monochrome.exe" "$work/only-16.exe" 2>"$work/err"
check "a failed file makes exit 1" test $? -eq 1
printf 'exe2ico: %s: Icon image is not valid.\nexe2ico: %s: Bitmap image is not valid.\n' \
  "$work/no-icons.exe" "$work/monochrome.exe" >"$work/want"
check "failure messages" cmp -s "$work/err" "$work/want"
check "the file after a failure is written" cmp -s "$work/only-16.ico" "$golden/expected/only-16.exe.ico"
cp "$golden/icon-file.ico" "$work/"
"$exe2ico" "$work/icon-file.ico" 2>"$work/err"
check "an .ico saved beside itself is refused" grep -qx \
  "exe2ico: $work/icon-file.ico: Cannot create file \"$work/icon-file.ico\". It is the file the icon was taken from." "$work/err"
check "the refused .ico is untouched" cmp -s "$work/icon-file.ico" "$golden/icon-file.ico"
"$exe2ico" "$golden/classic-4bpp.exe" -o "$work/missing/x.ico" 2>"$work/err"
check "missing folder exits 1" test $? -eq 1
printf 'exe2ico: %s: Cannot create file "%s". No such file or directory.\n' \
  "$golden/classic-4bpp.exe" "$work/missing/x.ico" >"$work/want"
check "missing folder message" cmp -s "$work/err" "$work/want"
"$exe2ico" "$work/does-not-exist.exe" 2>"$work/err"
check "a missing input is a file without icons" grep -qx "exe2ico: $work/does-not-exist.exe: Icon image is not valid." "$work/err"
# A well-formed icon past the pixel limit (1024 x 1024) is refused as a file without icons.
past_limit=$golden/../../regress/png-1024x1024-grey1-decodes-too-slowly.ico
"$exe2ico" "$past_limit" -o "$work/out.ico" 2>"$work/err"
check "past a limit: exit 1" test $? -eq 1
check "past a limit: a file without icons" grep -qxF "exe2ico: $past_limit: Icon image is not valid." "$work/err"
check "past a limit: nothing written" test ! -e "$work/out.ico"

# Usage.
for args in "" "-o" "a b -o c" "--bogus x" "a -o b -o c"; do
  # shellcheck disable=SC2086
  "$exe2ico" $args >/dev/null 2>&1
  check "usage error for '$args' exits 2" test $? -eq 2
done
check "--help" sh -c "'$exe2ico' --help | grep -q '^usage: exe2ico FILE'"
check "--version" sh -c "'$exe2ico' --version | grep -q '^exe2ico [0-9]'"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
