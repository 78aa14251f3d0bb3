#!/usr/bin/env bash
# Saved battles go on as they would have. For every battle, seed and activation asked for, headless and
# with the display, the battle is played unbroken, played again saving at the activation, and loaded from
# that file:
# - the battle that saved prints exactly what the unbroken one printed (a save changes nothing after it);
# - headless, the loaded battle prints exactly the unbroken one's rest: commentary and outcome;
# - with the display, the loaded battle ends. (Its figures' animations still under way at the save are not
#   carried, so what they would have drawn from the dice is not drawn again: it may end otherwise.)
# Then, with the display, each battle of the seeds asked for is saved one activation after each leader's
# replacement, and the loaded battle has to end. Fails naming battle, seed, activation and mode.
#
# resumed_battles.sh TOOL DATA JOBS [BATTLE:SEEDS:ACTIVATIONS ...] [--replaced BATTLE:SEEDS ...]
#                    [--ends BATTLE:SEED:ACTIVATION ...]
# SEEDS is FIRST-LAST, ACTIVATIONS a comma list.
set -u
tool=$1
data=$2
jobs=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

play() { "$tool" "$@" --data "$data" 2>/dev/null; }

# The unbroken battle, played once for every case of its battle, seed and mode.
unbroken() {
  local battle=$1 seed=$2 mode=$3 file="$work/$1-$2-$3.txt"
  if [ ! -s "$file" ]; then
    local display=()
    [ "$mode" = display ] && display=(--display)
    play "$battle" --seed "$seed" "${display[@]}" >"$file.part"
    mv "$file.part" "$file"
  fi
  echo "$file"
}

# One case: battle, seed, activation, mode (headless or display), and what the loaded battle must do
# (same: print the unbroken rest; end: only end).
resume() {
  local battle=$1 seed=$2 at=$3 mode=$4 want=$5
  local name="$battle seed $seed saved at activation $at, $mode"
  local full saved="$work/$battle-$seed-$at-$mode" display=()
  [ "$mode" = display ] && display=(--display)
  full=$(unbroken "$battle" "$seed" "$mode")
  play "$battle" --seed "$seed" "${display[@]}" --save-at "$at" "$saved.vel" >"$saved.saving"
  if [ ! -s "$saved.vel" ]; then
    # A battle that ends before the activation has nothing to save: it still plays as the unbroken one.
    cmp -s "$full" "$saved.saving" || echo "FAIL $name: the battle that was to save changed"
    return
  fi
  cmp -s "$full" "$saved.saving" || echo "FAIL $name: saving changed the battle (line $(cmp "$full" "$saved.saving" | sed -n 's/.*line \([0-9]*\).*/\1/p'))"
  if ! play "$battle" --seed "$seed" "${display[@]}" --load "$saved.vel" >"$saved.loaded"; then
    echo "FAIL $name: the loaded battle did not end: $(tail -n 1 "$saved.loaded")"
  elif [ "$want" = same ]; then
    local n
    n=$(wc -l <"$saved.loaded")
    tail -n "$n" "$full" | cmp -s - "$saved.loaded" ||
      echo "FAIL $name: the loaded battle went otherwise: $(grep '^Outcome' "$saved.loaded") against $(grep '^Outcome' "$full")"
  fi
  rm -f "$saved.vel" "$saved.saving" "$saved.loaded"
}

# Every activation one after a leader's replacement in the displayed battle.
replaced() {
  local battle=$1 seed=$2 full
  full=$(unbroken "$battle" "$seed" display)
  awk '/is now active\.$/ { n++ } /replace him in command/ { print n + 1 }' "$full" | sort -nu |
    while read -r at; do resume "$battle" "$seed" "$at" display end; done
}
export -f play unbroken resume replaced
export tool data work

cases="$work/cases"
: >"$cases"
kind=compare
for arg in "$@"; do
  case "$arg" in
  --replaced) kind=replaced; continue ;;
  --ends) kind=ends; continue ;;
  esac
  IFS=: read -r battle seeds rest <<<"$arg"
  if [ "$kind" = ends ]; then
    echo "resume $battle $seeds $rest display end" >>"$cases"
    continue
  fi
  for seed in $(seq "${seeds%-*}" "${seeds#*-}"); do
    if [ "$kind" = replaced ]; then
      echo "replaced $battle $seed" >>"$cases"
    else
      # The unbroken battles first, so that two cases never play the same one at once.
      for mode in headless display; do echo "unbroken $battle $seed $mode" >>"$cases"; done
    fi
  done
  if [ "$kind" = compare ]; then
    for seed in $(seq "${seeds%-*}" "${seeds#*-}"); do
      for at in ${rest//,/ }; do
        for mode in headless display; do
          want=same
          [ "$mode" = display ] && want=end
          echo "resume $battle $seed $at $mode $want" >>"$cases"
        done
      done
    done
  fi
done
grep '^unbroken' "$cases" | xargs -P "$jobs" -L 1 bash -c '"$@" >/dev/null' _
grep -v '^unbroken' "$cases" | xargs -P "$jobs" -L 1 bash -c '"$@"' _ >"$work/failures"
sort "$work/failures"
total=$(grep -vc '^unbroken' "$cases")
if [ -s "$work/failures" ]; then
  echo "$(wc -l <"$work/failures") failures in $total groups of cases"
  exit 1
fi
echo "all $total groups of cases went on as they would have"
