#!/usr/bin/env bash
# Battles saved anywhere go on as they would have: saved by message count (--save-at-step), which falls in
# the middle of the computer's orders, wherever the game's own Save Game would save, and loaded and saved
# again at once. For every battle, seed, message and mode (headless or with the display):
# - the battle that saves exits 0 and prints exactly what the unbroken one printed, and says after which
#   line of commentary it saved;
# - the battle loaded from that file prints exactly what the unbroken one printed after that line, and its
#   trace never has the leader saved handed his orders anew;
# - loaded and saved again as it resumes (--save-at 0), it prints the same, and so does the battle loaded
#   from the second file.
# With --inside, the save has to fall inside the orders of the computer leader named (his trace says he goes
# on with them, and never that he has his orders anew), so that a change that only ever saved between
# activations fails. Fails naming battle, seed, message and mode.
#
# midway_saves.sh TOOL DATA JOBS [--inside] BATTLE:SEED:STEPS[:display[:LEADER]] ...
# STEPS is a comma list of message counts; LEADER has '_' for each space of his name.
set -u
tool=$1
data=$2
jobs=$3
shift 3
inside=0
if [ "${1:-}" = --inside ]; then
  inside=1
  shift
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

play() {
  local out=$1
  shift
  "$tool" "$@" --data "$data" >"$out" 2>"$out.err"
}
said() { tail -n 1 "$1.err"; }

# The first line of WANT that GOT does not say the same, or nothing when both are the same.
differs() {
  local want=$1 got=$2 line
  cmp -s "$want" "$got" && return 1
  line=$(cmp "$want" "$got" 2>/dev/null | sed -n 's/.*, line \([0-9]*\)$/\1/p')
  if [ -z "$line" ]; then
    local a b
    a=$(wc -l <"$want") b=$(wc -l <"$got")
    line=$(((a < b ? a : b) + 1))
  fi
  echo "line $line of the rest: \"$(sed -n "${line}p" "$got")\" where the unbroken one said \"$(sed -n "${line}p" "$want")\""
}

one() {
  local battle=$1 seed=$2 step=$3 mode=$4 leader=${5//_/ }
  local name="$battle seed $seed saved at message $step, $mode" display=() at
  [ "$mode" = display ] && display=(--display)
  local base="$work/$battle-$seed-$step-$mode" full="$work/$battle-$seed-$mode.txt"
  if [ ! -s "$full" ]; then
    # Two cases of one battle may play it at once; each keeps its own copy then.
    full="$base.full"
    play "$full" "$battle" --seed "$seed" "${display[@]}" || {
      echo "FAIL $name: the unbroken battle exited $?: $(said "$full")"
      return
    }
  fi
  local trace=(--trace "$base.trace")
  play "$base.saving" "$battle" --seed "$seed" "${display[@]}" --save-at-step "$step" "$base.vel" || {
    echo "FAIL $name: the battle that saved exited $?: $(said "$base.saving")"
    return
  }
  if ! cmp -s "$full" "$base.saving"; then
    echo "FAIL $name: saving changed the battle: $(differs "$full" "$base.saving")"
    return
  fi
  at=$(sed -n 's/^vael-battle: saved before message [0-9]*, after line \([0-9]*\) of the commentary$/\1/p' "$base.saving.err")
  if [ -z "$at" ]; then
    echo "FAIL $name: the battle that saved did not say where: $(said "$base.saving")"
    return
  fi
  tail -n +"$((at + 1))" "$full" >"$base.rest"
  play "$base.loaded" "$battle" --seed "$seed" "${display[@]}" "${trace[@]}" --load "$base.vel" --save-at 0 "$base.again.vel" || {
    echo "FAIL $name: the loaded battle exited $?: $(said "$base.loaded")"
    return
  }
  # The leader saved is never handed his orders anew: in the trace nobody has his orders "initially" before
  # game control activates a leader.
  local handed activated
  handed=$(grep -n -m1 " orders remaining initially$" "$base.trace" | cut -d: -f1)
  activated=$(grep -n -m1 "^Activating Local Leader: " "$base.trace" | cut -d: -f1)
  if [ -n "$handed" ] && { [ -z "$activated" ] || [ "$handed" -lt "$activated" ]; }; then
    echo "FAIL $name: the leader saved was handed his orders anew: $(sed -n "${handed}p" "$base.trace")"
    return
  fi
  if [ "$inside" = 1 ]; then
    if ! grep -q "^$leader goes on with -\?[0-9]* orders remaining$" "$base.trace"; then
      echo "FAIL $name: the save fell outside $leader's orders: $(grep -m1 ' goes on with ' "$base.trace")"
      return
    fi
    if [ "$(grep -m1 -o "^$leader has -\?[0-9]* orders remaining initially$" "$base.trace")" != "" ] &&
      [ "$(grep -n -m1 "^$leader has .* orders remaining initially$" "$base.trace" | cut -d: -f1)" -lt \
        "$(grep -n -m1 "^$leader goes on with" "$base.trace" | cut -d: -f1)" ]; then
      echo "FAIL $name: $leader was handed his orders anew"
      return
    fi
  fi
  local why
  if why=$(differs "$base.rest" "$base.loaded"); then
    echo "FAIL $name: the loaded battle went otherwise at $why"
    return
  fi
  play "$base.again" "$battle" --seed "$seed" "${display[@]}" --load "$base.again.vel" || {
    echo "FAIL $name: the battle loaded from the file saved again exited $?: $(said "$base.again")"
    return
  }
  if why=$(differs "$base.rest" "$base.again"); then
    echo "FAIL $name: the battle loaded from the file saved again went otherwise at $why"
    return
  fi
  rm -f "$base".*
}
export -f play said differs one
export tool data work inside

cases="$work/cases"
: >"$cases"
for arg in "$@"; do
  IFS=: read -r battle seed steps mode leader <<<"$arg"
  mode=${mode:-headless}
  display=()
  [ "$mode" = display ] && display=(--display)
  # The unbroken battle once for all its cases.
  play "$work/$battle-$seed-$mode.txt" "$battle" --seed "$seed" "${display[@]}" || rm -f "$work/$battle-$seed-$mode.txt"
  # No blank may end a line: xargs would take the next line for the rest of this one.
  for step in ${steps//,/ }; do echo "one $battle $seed $step $mode${leader:+ $leader}" >>"$cases"; done
done
xargs -P "$jobs" -L 1 bash -c '"$@"' _ <"$cases" >"$work/failures"
sort "$work/failures"
total=$(wc -l <"$cases")
if [ -s "$work/failures" ]; then
  echo "$(wc -l <"$work/failures") failures in $total saves"
  exit 1
fi
echo "all $total saves went on as they would have"
