#!/usr/bin/env bash
# vael-battle saving under a file-size limit below the game's size (setrlimit RLIMIT_FSIZE through the
# shell's ulimit, in the child that runs the tool): the tool says why, exits 1, and leaves the old file as
# it was and nothing beside it. Each case names itself when it fails.
set -u
tool=$1
scenario=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAILED: $*"; status=1; }

mkdir "$work/saves"
printf 'an earlier save' > "$work/saves/battle.vel"
# 1 KB: the battle saved at its sixth activation is about 2 KB.
( ulimit -f 1; exec "$tool" "$scenario" --seed 7 --save-at 6 "$work/saves/battle.vel" ) \
  > "$work/out" 2> "$work/err"
code=$?
[ "$code" -eq 1 ] || fail "the tool ended with $code, not 1"
# The commentary, past the same limit, is cut short too, and said so.
expected="vael-battle: cannot save the battle: cannot write $work/saves/battle.vel: File too large
vael-battle: cannot write the standard output: what the tool printed is cut short"
[ "$(cat "$work/err")" = "$expected" ] || fail "the tool said: $(cat "$work/err")"
[ "$(cat "$work/saves/battle.vel")" = "an earlier save" ] || fail "the old file changed"
[ "$(ls -A "$work/saves")" = "battle.vel" ] || fail "the folder holds: $(ls -A "$work/saves" | tr '\n' ' ')"

# Room for the whole save: it is written, and the battle plays to its end.
( ulimit -f 64; exec "$tool" "$scenario" --seed 7 --save-at 6 "$work/saves/battle.vel" ) \
  > "$work/out" 2> "$work/err"
code=$?
[ "$code" -eq 0 ] || fail "with room the tool ended with $code: $(cat "$work/err")"
[ "$(stat -c %s "$work/saves/battle.vel")" -gt 1024 ] && [ "$(tail -c 8 "$work/saves/battle.vel" | head -c 4)" = VCRC ] \
  || fail "with room the save is not whole"
[ "$(ls -A "$work/saves")" = "battle.vel" ] || fail "with room the folder holds: $(ls -A "$work/saves" | tr '\n' ' ')"
exit $status
