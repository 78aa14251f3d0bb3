#!/usr/bin/env bash
# vael-battle --load of what is no saved game it could hold: a device that never ends (/dev/zero), a FIFO
# nobody writes to, a sparse file of a gigabyte. Each is refused by name before a byte of it is read: the
# tool says why and exits 1 (a FIFO that was waited on would hold it to the timeout here, a device or the
# gigabyte read would fill its memory). Then a save beside a killed save's temporary file takes that file
# away, and nothing else; a save over a FIFO or a device, and a trace into a FIFO, into the saved game being
# loaded, into any other saved game, into the settings file or into a file of the data folder, are refused, each
# left whole; so are such files given to --forge-at. Each case names itself when it fails.
set -u
tool=$1
scenario=$2
data=$3
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

# The bytes --forge-at is to send are read as a saved game is: a FIFO nobody writes to, a device or a folder
# is refused on the command line (exit 2) with its reason, before any battle, never waited on or sent as
# nothing.
forge_refused() {
  local what=$1 file=$2 reason=$3
  timeout 120 "$tool" "$scenario" --seed 7 --turns 1 --forge-at 1 "$file" > "$work/out" 2> "$work/err"
  local code=$?
  [ "$code" -eq 2 ] || fail "--forge-at $what: the tool ended with $code, not 2: $(cat "$work/err")"
  [ "$(head -n 1 "$work/err")" = "vael-battle: cannot read the forged bytes: $file $reason" ] ||
    fail "--forge-at $what: the tool said: $(cat "$work/err")"
  [ ! -s "$work/out" ] || fail "--forge-at $what: the tool played: $(head -n 3 "$work/out")"
}
forge_refused "a FIFO" "$work/fifo.vel" "is not a regular file"
forge_refused "a device" /dev/zero "is not a regular file"
forge_refused "a folder" "$work" "is a folder, not a file"

# Beside the save, the player's own hidden files stay through the next save of that name, whatever they look
# like: a file named as a killed save's temporary (".NAME.vael-writing-PID-XXXXXX", its writer gone) that the
# game did not write among them, and so do a temporary whose writer still runs, another name's, and a name
# that only looks like one. (What a killed save truly leaves goes: platform_tests' WholeFile cases.)
mkdir "$work/saves"
dead=$(sh -c 'echo $$')
printf 'a killed save' > "$work/saves/.battle.vel.vael-writing-$dead-aB3dE9"
printf 'still being written' > "$work/saves/.battle.vel.vael-writing-$$-aB3dE9"
printf 'another name' > "$work/saves/.other.vel.vael-writing-$dead-aB3dE9"
printf 'not a temporary' > "$work/saves/.battle.vel.vael-writing-$dead-aB3dE"
printf 'k\n' > "$work/saves/.battle.vel.backup"
printf 'k\n' > "$work/saves/.battle.vel.before"
printf 'k\n' > "$work/saves/.battle.vel.aB3dE9"
"$tool" "$scenario" --seed 7 --save-at 3 "$work/saves/battle.vel" > "$work/out" 2> "$work/err" ||
  fail "the save beside a temporary: $(cat "$work/err")"
expected=$(printf '%s\n' .battle.vel.aB3dE9 .battle.vel.backup .battle.vel.before \
  ".battle.vel.vael-writing-$$-aB3dE9" ".battle.vel.vael-writing-$dead-aB3dE9" \
  ".battle.vel.vael-writing-$dead-aB3dE" ".other.vel.vael-writing-$dead-aB3dE9" battle.vel |
  LC_ALL=C sort | tr '\n' ' ')
[ "$(LC_ALL=C ls -A "$work/saves" | tr '\n' ' ')" = "$expected" ] ||
  fail "after the save the folder holds: $(LC_ALL=C ls -A "$work/saves" | tr '\n' ' ')"
for kept in .battle.vel.backup .battle.vel.before .battle.vel.aB3dE9; do
  [ "$(cat "$work/saves/$kept")" = "k" ] || fail "the player's $kept now holds: $(cat "$work/saves/$kept")"
done
[ "$(cat "$work/saves/.battle.vel.vael-writing-$dead-aB3dE9")" = "a killed save" ] ||
  fail "the player's file named as a temporary now holds: $(cat "$work/saves/.battle.vel.vael-writing-$dead-aB3dE9")"

# A save over what is not a regular file is refused with the reason and leaves it as it was; a device node
# where one can be made, a FIFO everywhere.
mkfifo "$work/saves/fifo.vel"
targets=("$work/saves/fifo.vel:a FIFO")
mknod "$work/saves/mynull" c 1 3 2>/dev/null && targets+=("$work/saves/mynull:a device")
for target in "${targets[@]}"; do
  file=${target%%:*} kind=${target#*:}
  timeout 120 "$tool" "$scenario" --seed 7 --save-at 3 "$file" > "$work/out" 2> "$work/err"
  code=$?
  [ "$code" -eq 1 ] || fail "a save over $kind: the tool ended with $code: $(cat "$work/err")"
  grep -qF "cannot replace $file: it is $kind, not a regular file" "$work/err" ||
    fail "a save over $kind: the tool said: $(cat "$work/err")"
  if [ "$kind" = "a FIFO" ]; then [ -p "$file" ]; else [ -c "$file" ]; fi || fail "$kind was replaced"
done

# A trace that is a FIFO nobody reads: refused at once, as an option the tool cannot follow, never waited on.
timeout 60 "$tool" "$scenario" --seed 7 --turns 1 --trace "$work/saves/fifo.vel" > "$work/out" 2> "$work/err"
code=$?
[ "$code" -eq 2 ] || fail "a FIFO trace: the tool ended with $code (124 is a wait): $(cat "$work/err")"
grep -qF "vael-battle: cannot write the trace: $work/saves/fifo.vel is not a regular file" "$work/err" ||
  fail "a FIFO trace: the tool said: $(cat "$work/err")"
# A trace is emptied as it opens: never the saved game being loaded, whichever option comes first (named by
# another path to it too), nor another saved game; each is refused, as an option the tool cannot follow.
cp "$work/saves/battle.vel" "$work/saves/kept.vel"
cp "$work/saves/battle.vel" "$work/saves/other.vel"
for order in "--load $work/saves/battle.vel --trace $work/saves/battle.vel:the saved game being loaded" \
             "--trace $work/saves/battle.vel --load $work/saves/battle.vel:the saved game being loaded" \
             "--load $work/saves/battle.vel --trace $work/saves/../saves/battle.vel:the saved game being loaded" \
             "--load $work/saves/battle.vel --trace $work/saves/other.vel:a saved game" \
             "--trace $work/saves/other.vel:a saved game"; do
  args=${order%%:*} what=${order#*:}
  trace=${args##* }
  [ "${args%% *}" = "--trace" ] && trace=$(echo "$args" | cut -d' ' -f2)
  # shellcheck disable=SC2086
  timeout 120 "$tool" "$scenario" --seed 7 --turns 1 $args > "$work/out" 2> "$work/err"
  code=$?
  [ "$code" -eq 2 ] || fail "a trace into $what ($args): the tool ended with $code: $(cat "$work/err")"
  if [ "$what" = "a saved game" ]; then reason="holds a saved game"; else reason="is $what"; fi
  grep -qxF "vael-battle: cannot write the trace: $trace $reason; it is left as it is" "$work/err" ||
    fail "a trace into $what ($args): the tool said: $(cat "$work/err")"
  cmp -s "$work/saves/battle.vel" "$work/saves/kept.vel" || fail "a trace into $what ($args) changed the save"
  cmp -s "$work/saves/other.vel" "$work/saves/kept.vel" || fail "a trace into $what ($args) changed the other save"
done
# Nor the player's settings, which the tool itself never writes.
mkdir -p "$work/config/vael"
printf '[Options]\nPath=kept\n' > "$work/config/vael/settings.ini"
cp "$work/config/vael/settings.ini" "$work/settings.kept"
XDG_CONFIG_HOME="$work/config" timeout 120 "$tool" "$scenario" --seed 7 --turns 1 \
  --trace "$work/config/vael/settings.ini" > "$work/out" 2> "$work/err"
code=$?
[ "$code" -eq 2 ] || fail "a trace into the settings file: the tool ended with $code: $(cat "$work/err")"
grep -qxF "vael-battle: cannot write the trace: $work/config/vael/settings.ini is the settings file; it is left as it is" \
  "$work/err" || fail "a trace into the settings file: the tool said: $(cat "$work/err")"
cmp -s "$work/config/vael/settings.ini" "$work/settings.kept" || fail "a trace into the settings file changed it"
# Nor a file of the data folder the battle is played from, by its name in any case, a link or another way to
# its folder: the scenario, the image index, a plan, the display catalogue. The folder holds links to the
# forged data and copies of the files aimed at, so that a trace that went through would empty only a copy.
mkdir "$work/data"
for file in "$data"/*; do ln -s "$file" "$work/data/"; done
for name in ghatmar.scn oiffile.hed ghatmar_v1.pln display_catalogue.txt; do
  rm "$work/data/$name" && cp "$data/$name" "$work/data/$name" && cp "$data/$name" "$work/$name.kept"
done
ln -s "$work/data" "$work/data-link"
ln -s "$work/data/ghatmar_v1.pln" "$work/plan-link"
for case in "the scenario:ghatmar.scn:$work/data/ghatmar.scn" \
            "the scenario named in capitals:ghatmar.scn:$work/data/GHATMAR.SCN" \
            "the image index through a link to its folder:oiffile.hed:$work/data-link/oiffile.hed" \
            "a plan by a link to it:ghatmar_v1.pln:$work/plan-link" \
            "the display catalogue:display_catalogue.txt:$work/data/../data/Display_Catalogue.txt"; do
  what=${case%%:*} rest=${case#*:}
  name=${rest%%:*} trace=${rest#*:}
  timeout 120 "$tool" "$scenario" --seed 7 --turns 1 --data "$work/data" --trace "$trace" > "$work/out" 2> "$work/err"
  code=$?
  [ "$code" -eq 2 ] || fail "a trace into $what: the tool ended with $code: $(cat "$work/err")"
  grep -qxF "vael-battle: cannot write the trace: $trace is the game's data file $work/data/$name; it is left as it is" \
    "$work/err" || fail "a trace into $what: the tool said: $(cat "$work/err")"
  cmp -s "$work/data/$name" "$work/$name.kept" || fail "a trace into $what changed $name"
  [ ! -e "$work/data/GHATMAR.SCN" ] || fail "a trace into $what made GHATMAR.SCN beside the scenario"
done
# A scenario's name whose bytes begin no character (0xA0 to 0xFF alone) is shown escaped, as a plan's is, in
# the refusal and the reason after it: never as invalid text on standard error.
timeout 120 "$tool" $'GH\xe9TMAR\xa0\xff.SCN' --seed 7 --turns 1 > "$work/out" 2> "$work/err"
code=$?
[ "$code" -eq 1 ] || fail "a scenario named in invalid UTF-8: the tool ended with $code: $(cat "$work/err")"
grep -q '^vael-battle: cannot load the scenario GH\\xE9TMAR\\xA0\\xFF\.SCN from ' "$work/err" ||
  fail "a scenario named in invalid UTF-8: the tool said: $(cat "$work/err")"
! LC_ALL=C grep -q $'[\xa0-\xff]' "$work/err" || fail "a scenario named in invalid UTF-8: its bytes were told raw"
exit $status
