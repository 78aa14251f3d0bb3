#!/usr/bin/env bash
# The line between two vael-battle processes is lost in place of the host's batch that carries the end of
# the battle (the tool's --cut-before EndOfGame on the host): the guest claims the battle by default, and the
# host, whose end was never acknowledged, says that it lost the other machine too, with its reason, rather
# than end as if all were well. The same seeds played unbroken end cleanly on both, the host hearing the
# guest's leave. Each row is SCENARIO:SEED.
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

for row in "$@"; do
  IFS=: read -r scenario seed <<<"$row"
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
  # The guest lost the line before the end came: it claims the battle by default.
  [ "$guested" -eq 1 ] || fail "$case cut: the guest exited $guested"
  grep -q "^Outcome: $visitor won" "$gout" || fail "$case cut: the guest says $(grep '^Outcome' "$gout") (not $visitor)"
  grep -q "won by default" "$gout" || fail "$case cut: the guest's commentary does not tell the loss: $(tail -3 "$gout")"
  # The host knows its end never reached the other machine, and says so as the guest says its loss.
  [ "$hosted" -eq 1 ] || fail "$case cut: the host exited $hosted, as if the guest had its end: $(cat "$herr")"
  grep -q "^vael-battle: seed $seed: the other machine is gone: the connection was lost before the other machine acknowledged the end of the battle" "$herr" ||
    fail "$case cut: the host did not say its end went unacknowledged: $(cat "$herr")"
  told=$(grep -c "the other machine is gone" "$herr")
  [ "$told" -eq 1 ] || fail "$case cut: the host told the loss $told times"
  grep -q "^Outcome: " "$hout" || fail "$case cut: the host printed no outcome"
  echo "$case: unbroken $(grep '^Outcome' "$work/$name-whole-host.out"); cut: the host $(grep '^Outcome' "$hout"), the guest $(grep '^Outcome' "$gout")"
done
exit $status
