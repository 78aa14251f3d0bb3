#!/usr/bin/env bash
# vael-battle --load of what is no saved game it could hold: a device that never ends (/dev/zero), a FIFO
# nobody writes to, a sparse file of a gigabyte. Each is refused by name before a byte of it is read: the
# tool says why and exits 1 (a FIFO that was waited on would hold it to the timeout here, a device or the
# gigabyte read would fill its memory). Then a save beside a killed save's temporary file takes that file
# away, and nothing else. Each case names itself when it fails.
set -u
tool=$1
scenario=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAILED: $*"; status=1; }

refused() {
  local what=$1 file=$2 reason=$3
  timeout 120 "$tool" "$scenario" --seed 7 --load "$file" > "$work/out" 2> "$work/err"
  local code=$?
  [ "$code" -eq 1 ] || fail "$what: the tool ended with $code, not 1: $(cat "$work/err")"
  local expected="vael-battle: cannot load the saved game $file: $file $reason"
  [ "$(cat "$work/err")" = "$expected" ] || fail "$what: the tool said: $(cat "$work/err")"
  [ ! -s "$work/out" ] || fail "$what: the tool played: $(head -n 3 "$work/out")"
}

refused "a device" /dev/zero "is not a regular file"
mkfifo "$work/fifo.vel"
refused "a FIFO" "$work/fifo.vel" "is not a regular file"
truncate -s 1G "$work/huge.vel"
refused "a sparse gigabyte" "$work/huge.vel" "is too large: 1073741824 bytes, where at most 4194304 are expected"
refused "a folder" "$work" "is a folder, not a file"

# A killed save's temporary beside the save: gone after the next save of that name; another name's, and a
# name that only looks like one, stay.
mkdir "$work/saves"
printf 'a killed save' > "$work/saves/.battle.vel.aB3dE9"
printf 'another name' > "$work/saves/.other.vel.aB3dE9"
printf 'not a temporary' > "$work/saves/.battle.vel.aB3dE"
"$tool" "$scenario" --seed 7 --save-at 6 "$work/saves/battle.vel" > "$work/out" 2> "$work/err" ||
  fail "the save beside a temporary: $(cat "$work/err")"
[ "$(LC_ALL=C ls -A "$work/saves" | tr '\n' ' ')" = ".battle.vel.aB3dE .other.vel.aB3dE9 battle.vel " ] ||
  fail "after the save the folder holds: $(LC_ALL=C ls -A "$work/saves" | tr '\n' ' ')"
exit $status
