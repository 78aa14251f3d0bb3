#!/usr/bin/env bash
# Saved battles go on as they would have. For every battle, seed and activation asked for, headless and
# with the display, the battle is played unbroken, played again saving at the activation, and loaded from
# that file:
# - every run exits 0 (a run that does not names its last word on standard error);
# - the battle that saved prints exactly what the unbroken one printed (a save changes nothing after it);
# - headless, the loaded battle prints exactly what the unbroken one printed after its N-th "... is now
#   active." line (the announcement of the activation saved at belongs to the battle that saved): its
#   commentary and outcome, line for line;
# - with the display, the loaded battle ends. (What debris of the fallen, made by the display itself, had
#   still to play at the save is not carried: such a battle may end otherwise.)
# - with the display, each of the saves asked for with --same (displays that were saved with figures
#   under way, volleys in flight and flags waving) loads into the unbroken battle, line for line;
# - with the display, each of the saves asked for with --again is loaded and saved again as it resumes
#   (--save-at 0, as the autosave after a load does), and both the battle that saved it again and the one
#   loaded from the second file go on as the unbroken one, line for line;
# - each of the saves asked for with --headless, taken with the display, loads without it and ends (what
#   the display still showed at the save, an elephant's rampage say, ends at once).
# A battle that ends before the activation saves nothing, says after how many activations it ended, exits
# 1, and prints what the unbroken one printed.
# Then, with the display, each battle of the seeds asked for is saved one activation after each leader's
# replacement, and the loaded battle has to end. Fails naming battle, seed, activation and mode.
#
# resumed_battles.sh TOOL DATA JOBS [BATTLE:SEEDS:ACTIVATIONS ...] [--replaced BATTLE:SEEDS ...]
#                    [--ends BATTLE:SEED:ACTIVATION ...] [--same BATTLE:SEED:ACTIVATION ...]
#                    [--again BATTLE:SEED:ACTIVATION ...] [--headless BATTLE:SEED:ACTIVATION ...]
# SEEDS is FIRST-LAST, ACTIVATIONS a comma list.
set -u
tool=$1
data=$2
jobs=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Plays into OUT (standard output) and OUT.err (standard error); answers the tool's exit status.
play() {
  local out=$1
  shift
  "$tool" "$@" --data "$data" >"$out" 2>"$out.err"
}

# The last word a run said on standard error, for a failure's message.
said() { tail -n 1 "$1.err"; }

# The unbroken battle, played once for every case of its battle, seed and mode; its exit status beside it.
unbroken() {
  local battle=$1 seed=$2 mode=$3 file="$work/$1-$2-$3.txt"
  if [ ! -s "$file.status" ]; then
    local display=()
    [ "$mode" = display ] && display=(--display)
    play "$file" "$battle" --seed "$seed" "${display[@]}"
    echo $? >"$file.status"
  fi
  echo "$file"
}

# Whether the loaded battle LOADED printed REST (what the unbroken one printed after the activation saved
# at); else a failure naming the case NAME, what went otherwise (WHICH) and its first line that differs.
same_rest() {
  local name=$1 which=$2 rest=$3 loaded=$4
  cmp -s "$rest" "$loaded" && return 0
  local line
  # The first line that differs; one text ending early differs on the line after its last.
  line=$(cmp "$rest" "$loaded" 2>/dev/null | sed -n 's/.*, line \([0-9]*\)$/\1/p')
  if [ -z "$line" ]; then
    local a b
    a=$(wc -l <"$rest") b=$(wc -l <"$loaded")
    line=$(((a < b ? a : b) + 1))
  fi
  echo "FAIL $name: $which went otherwise at line $line of the rest: \"$(sed -n "${line}p" "$loaded")\" where the unbroken one said \"$(sed -n "${line}p" "$rest")\""
  return 1
}

# One case: battle, seed, activation, mode (headless or display), and what the loaded battle must do
# (same: print the unbroken rest; end: only end; again: print the unbroken rest, saved again as it resumes,
# and so must the battle loaded from that second save; headless: the save taken with the display, loaded
# without it, ends).
resume() {
  local battle=$1 seed=$2 at=$3 mode=$4 want=$5
  local name="$battle seed $seed saved at activation $at, $mode"
  [ "$want" = headless ] && name="$name, loaded headless"
  [ "$want" = again ] && name="$name, saved again as it resumed"
  local full saved="$work/$battle-$seed-$at-$mode" display=() status activations
  [ "$mode" = display ] && display=(--display)
  full=$(unbroken "$battle" "$seed" "$mode")
  status=$(cat "$full.status")
  if [ "$status" -ne 0 ]; then
    echo "FAIL $name: the unbroken battle exited $status: $(said "$full")"
    return
  fi
  activations=$(grep -c 'is now active\.$' "$full")
  play "$saved.saving" "$battle" --seed "$seed" "${display[@]}" --save-at "$at" "$saved.vel"
  status=$?
  if [ "$at" -gt "$activations" ]; then
    local word=activations
    [ "$activations" -eq 1 ] && word=activation
    if [ "$status" -ne 1 ] || [ -e "$saved.vel" ] ||
      [ "$(said "$saved.saving")" != "vael-battle: the battle ended after $activations $word; nothing was saved" ]; then
      echo "FAIL $name: a battle of $activations activations exited $status saving past its end: $(said "$saved.saving")"
    fi
    cmp -s "$full" "$saved.saving" || echo "FAIL $name: the battle that was to save changed"
    rm -f "$saved.vel" "$saved.saving" "$saved.saving.err"
    return
  fi
  if [ "$status" -ne 0 ] || [ ! -s "$saved.vel" ]; then
    echo "FAIL $name: the battle that saved exited $status: $(said "$saved.saving")"
    return
  fi
  cmp -s "$full" "$saved.saving" || echo "FAIL $name: saving changed the battle (line $(cmp "$full" "$saved.saving" | sed -n 's/.*line \([0-9]*\).*/\1/p'))"
  local again=()
  [ "$want" = again ] && again=(--save-at 0 "$saved.again.vel")
  [ "$want" = headless ] && display=()
  play "$saved.loaded" "$battle" --seed "$seed" "${display[@]}" --load "$saved.vel" "${again[@]}"
  status=$?
  # Everything after the announcement of the activation saved at.
  awk -v n="$at" 'rest { print } /is now active\.$/ && ++seen == n { rest = 1 }' "$full" >"$saved.rest"
  if [ "$status" -ne 0 ]; then
    echo "FAIL $name: the loaded battle exited $status: $(said "$saved.loaded")"
  elif [ "$want" = headless ]; then
    grep -q '^Outcome: ' "$saved.loaded" || echo "FAIL $name: the battle loaded without the display told no outcome"
    # An elephant told rampaging before the save is bound to leave play, its rampage still shown or not:
    # the loaded battle never names it (it neither rallies nor fights again).
    awk -v n="$at" '/is now active\.$/ && ++seen == n { exit } / is rampaging!$/ { sub(/ is rampaging!$/, ""); print }' \
      "$full" | sort -u >"$saved.beasts"
    local beast
    while IFS= read -r beast; do
      awk -v b="$beast" -v name="$name" '{
        i = index($0, b)
        if (i && substr($0, i + length(b), 1) !~ /[0-9]/) {
          print "FAIL " name ": the battle loaded without the display names " b ", told rampaging before the save, at line " FNR ": \"" $0 "\""
          exit
        }
      }' "$saved.loaded"
    done <"$saved.beasts"
  elif [ "$want" = same ]; then
    same_rest "$name" "the loaded battle" "$saved.rest" "$saved.loaded"
  elif [ "$want" = again ]; then
    same_rest "$name" "the loaded battle that saved again" "$saved.rest" "$saved.loaded"
    if [ ! -s "$saved.again.vel" ]; then
      echo "FAIL $name: the loaded battle saved nothing again as it resumed"
    else
      play "$saved.again.loaded" "$battle" --seed "$seed" --display --load "$saved.again.vel"
      status=$?
      if [ "$status" -ne 0 ]; then
        echo "FAIL $name: the battle loaded from the second save exited $status: $(said "$saved.again.loaded")"
      else
        same_rest "$name" "the battle loaded from the second save" "$saved.rest" "$saved.again.loaded"
      fi
    fi
  fi
  rm -f "$saved".*
}

# Every activation one after a leader's replacement in the displayed battle.
replaced() {
  local battle=$1 seed=$2 full
  full=$(unbroken "$battle" "$seed" display)
  awk '/is now active\.$/ { n++ } /replace him in command/ { print n + 1 }' "$full" | sort -nu |
    while read -r at; do resume "$battle" "$seed" "$at" display end; done
}
export -f play said unbroken same_rest resume replaced
export tool data work

cases="$work/cases"
: >"$cases"
kind=compare
for arg in "$@"; do
  case "$arg" in
  --replaced) kind=replaced; continue ;;
  --ends) kind=ends; continue ;;
  --same) kind=same; continue ;;
  --again) kind=again; continue ;;
  --headless) kind=headless; continue ;;
  esac
  IFS=: read -r battle seeds rest <<<"$arg"
  if [ "$kind" = ends ]; then
    echo "resume $battle $seeds $rest display end" >>"$cases"
    continue
  fi
  if [ "$kind" = same ] || [ "$kind" = again ] || [ "$kind" = headless ]; then
    echo "unbroken $battle $seeds display" >>"$cases"
    echo "resume $battle $seeds $rest display $kind" >>"$cases"
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
