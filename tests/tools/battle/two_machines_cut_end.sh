#!/usr/bin/env bash
# The line between two vael-battle processes is lost in place of the host's batch that carries the end of
# the battle (the tool's --cut-before EndOfGame on the host). Where the guest's own count of the reports
# already has the rules decide the battle (a side at or over its limit), the loss completes that end: the
# guest names the host's winner, and nobody wins by default; otherwise the guest claims the battle by
# default. Either way the guest exits 1 with the loss, and the host, whose end was never acknowledged, says
# that it lost the other machine too, with its reason, rather than end as if all were well. Neither
# commentary says that a player left: each tells the line lost. The same seeds played unbroken end cleanly on
# both, the host hearing the guest's leave. Each row is SCENARIO:SEED, or SCENARIO:SEED:decided for a row
# whose guest must find the battle decided.
#   two_machines_cut_end.sh TOOL [--data DIR] ROW...
set -u
. "$(dirname "$0")/host_port.sh"
tool=$1
shift
data=()
if [ "${1:-}" = --data ]; then
  data=(--data "$2")
  shift 2
fi
pair_workspace

# pair NAME SCENARIO SEED HOST-OPTIONS...: plays a pair; sets $hosted and $guested to the exit codes.
pair() {
  local name=$1 scenario=$2 seed=$3
  shift 3
  : >"$work/$name-host.err"
  "$tool" "$scenario" "${data[@]}" --seed "$seed" "$@" --host 0 >"$work/$name-host.out" 2>"$work/$name-host.err" &
  local host=$! port
  pids+=("$host")
  if ! port=$(host_port "$host" "$work/$name-host.err"); then
    fail "$name: the host never listened: $(cat "$work/$name-host.err")"
    hosted=-1 guested=-1
    return
  fi
  timeout -s KILL 120 "$tool" "$scenario" "${data[@]}" --seed "$seed" --join "127.0.0.1:$port" \
    >"$work/$name-guest.out" 2>"$work/$name-guest.err"
  guested=$?
  wait "$host"
  hosted=$?
}

# Whether a side of the outcome in this file lost as much troop quality as its limit or more.
over_limit() {
  awk '/^Outcome: / { outcome = 1; next }
    outcome && match($0, /: lost [0-9]+ of [0-9]+ /) {
      split(substr($0, RSTART + 7, RLENGTH - 8), n, " of ")
      if (n[1] + 0 >= n[2] + 0) found = 1
    }
    END { exit !found }' "$1"
}

for row in "$@"; do
  IFS=: read -r scenario seed must <<<"$row"
  case="$scenario seed $seed"
  name="$scenario-$seed"
  pair "$name-whole" "$scenario" "$seed"
  [ "$hosted" -eq 0 ] && [ "$guested" -eq 0 ] ||
    fail "$case unbroken: the host exited $hosted, the guest $guested: $(cat "$work/$name-whole-host.err")"
  home=$(sed -n 's/^\(.*\): lost .*$/\1/p' "$work/$name-whole-host.out" | sed -n 1p)
  visitor=$(sed -n 's/^\(.*\): lost .*$/\1/p' "$work/$name-whole-host.out" | sed -n 2p)
  pair "$name-cut" "$scenario" "$seed" --cut-before EndOfGame
  hout="$work/$name-cut-host.out" herr="$work/$name-cut-host.err"
  gout="$work/$name-cut-guest.out" gerr="$work/$name-cut-guest.err"
  [ "$guested" -eq 1 ] || fail "$case cut: the guest exited $guested"
  hostWon=$(sed -n 's/^Outcome: \(.*\) won .*$/\1/p' "$hout")
  guestWon=$(sed -n 's/^Outcome: \(.*\) won .*$/\1/p' "$gout")
  if over_limit "$gout"; then
    # Decided by the guest's own count: the host's winner, and no win by default.
    decided="decided"
    [ -n "$hostWon" ] && [ "$guestWon" = "$hostWon" ] ||
      fail "$case cut: decided on the guest, which names \"$guestWon\" while the host names \"$hostWon\""
    grep -q "won by default" "$gout" && fail "$case cut: the guest claims a decided battle by default: $(grep "won by default" "$gout")"
    grep -q "^The connection to Host was lost: " "$gout" ||
      fail "$case cut: the guest's commentary does not tell the line lost: $(tail -3 "$gout")"
  else
    decided="undecided"
    [ "$must" = decided ] && fail "$case cut: the guest's own count did not decide the battle: $(grep ': lost ' "$gout")"
    # The guest lost the line before the end came: it claims the battle by default.
    grep -q "^Outcome: $visitor won" "$gout" || fail "$case cut: the guest says $(grep '^Outcome' "$gout") (not $visitor)"
    grep -q "won by default" "$gout" || fail "$case cut: the guest's commentary does not tell the loss: $(tail -3 "$gout")"
  fi
  # Nobody left: the host tells its line lost, and neither says a player left the game.
  grep -q "^The connection to Guest was lost: " "$hout" ||
    fail "$case cut: the host's commentary does not tell the line lost: $(tail -3 "$hout")"
  grep -h "has left the game" "$hout" "$gout" | sed -n 1p | grep -q . &&
    fail "$case cut: the commentary says a player left: $(grep -h "has left the game" "$hout" "$gout")"
  # The host knows its end never reached the other machine, and says so as the guest says its loss.
  [ "$hosted" -eq 1 ] || fail "$case cut: the host exited $hosted, as if the guest had its end: $(cat "$herr")"
  grep -q "^vael-battle: seed $seed: the other machine is gone: the connection was lost before the other machine acknowledged the end of the battle" "$herr" ||
    fail "$case cut: the host did not say its end went unacknowledged: $(cat "$herr")"
  told=$(grep -c "the other machine is gone" "$herr")
  [ "$told" -eq 1 ] || fail "$case cut: the host told the loss $told times"
  grep -q "^Outcome: " "$hout" || fail "$case cut: the host printed no outcome"
  echo "$case: unbroken $(grep '^Outcome' "$work/$name-whole-host.out"); cut ($decided on the guest): the host $(grep '^Outcome' "$hout"), the guest $(grep '^Outcome' "$gout")"
done
exit $status
