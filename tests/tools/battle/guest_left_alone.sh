#!/usr/bin/env bash
# A guest with the display whose host dies mid-battle finds the line broken, at times while its display is
# closing the battle: it names its own side, the visitor's, the winner, whatever has been closed by then
# (it once named "NoNation", in one pair of twenty). Each case is a battle, a seed and the line at which the
# host kills itself, played eight times: the moment the guest learns of the loss is the race's.
#   guest_left_alone.sh TOOL SCENARIO:SEED:LINE...
set -u
. "$(dirname "$0")/host_port.sh"
tool=$1
shift
pair_workspace

for case in "$@"; do
 for round in 1 2 3 4 5 6 7 8; do
  IFS=: read -r scenario seed line <<<"$case"
  name="$scenario-$seed-$line-$round"
  : >"$work/$name-host.err"
  # In a subshell of its own, so that its death by its own signal is not reported here.
  (setsid "$tool" "$scenario" --seed "$seed" --display --signal-at "$line" KILL --host 0 \
    >"$work/$name-host.out" 2>"$work/$name-host.err"; true) 2>/dev/null &
  host=$!
  pids+=("$host")
  if ! port=$(host_port "$host" "$work/$name-host.err"); then
    fail "$case: the host never listened: $(cat "$work/$name-host.err")"
    continue
  fi
  "$tool" "$scenario" --seed "$seed" --display --join "127.0.0.1:$port" \
    >"$work/$name-guest.out" 2>"$work/$name-guest.err"
  wait "$host"
  out="$work/$name-guest.out"
  # The outcome names the winner, then the home side's tallies, then the visitor's. The host may have
  # told the battle's end before it died (its rules had ended it): the guest then names whom it was told;
  # otherwise the line's loss ends the battle, won by default by the side played here.
  home=$(sed -n '/^Outcome: /{n;p;q}' "$out" | sed 's/: lost .*//')
  visitor=$(sed -n '/^Outcome: /{n;n;p;q}' "$out" | sed 's/: lost .*//')
  winner=$(sed -n 's/^Outcome: \(.*\) won after .*$/\1/p' "$out")
  if grep -q "The battle ends, won by default by Guest\." "$out"; then
    [ -n "$visitor" ] && [ "$winner" = "$visitor" ] ||
      fail "$case: the guest says $(grep -A2 '^Outcome: ' "$out" | paste -sd'|') (not its own side, $visitor)"
  else
    [ -n "$winner" ] && { [ "$winner" = "$home" ] || [ "$winner" = "$visitor" ] || [ "$winner" = nobody ]; } ||
      fail "$case: the guest says $(grep -A2 '^Outcome: ' "$out" | paste -sd'|')"
  fi
 done
done
[ "$status" -eq 0 ] && echo "each guest named the winner it was told, or its own side when left alone: $*"
exit "$status"
