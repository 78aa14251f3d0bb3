#!/usr/bin/env bash
# Callers that never say who they are keep nobody waiting: a host played by vael-battle with fifty such
# connections open when the true guest calls starts the battle as soon as it would with none. Each pair plays
# one turn; the guest's time with the silent callers may not pass its time without them by half a second
# (holding each silent caller a moment took ten seconds for fifty). Each silent caller reads why it was sent
# away before its line closes.
#   silent_callers.sh TOOL SCENARIO [--data DIR]
set -u
. "$(dirname "$0")/host_port.sh"
tool=$1
scenario=$2
shift 2
data=("$@")
pair_workspace
silent=50

# Plays one pair with COUNT silent callers; prints the guest's time in milliseconds.
pair() {
  local count=$1 label=$2
  : >"$work/$label.host.err"
  "$tool" "$scenario" "${data[@]}" --seed 1 --turns 1 --host 0 >"$work/$label.host.out" 2>"$work/$label.host.err" &
  local host=$!
  pids+=("$host")
  local port
  port=$(host_port "$host" "$work/$label.host.err") || { fail "$label: the host never listened"; return; }
  fds=()
  for _ in $(seq 1 "$count"); do
    exec {fd}<>"/dev/tcp/127.0.0.1/$port" || { fail "$label: cannot call the host"; return; }
    fds+=("$fd")
  done
  # The host takes every call before the guest's.
  [ "$count" -eq 0 ] || sleep 1
  local start end
  start=$(date +%s%N)
  "$tool" "$scenario" "${data[@]}" --seed 1 --turns 1 --join "127.0.0.1:$port" >"$work/$label.guest.out" \
    2>"$work/$label.guest.err"
  local guest=$?
  end=$(date +%s%N)
  wait "$host"
  local hosted=$?
  # Each stops at the turn cap and says so (exit 1), having played the same turn.
  [ "$hosted" -eq 1 ] && [ "$guest" -eq 1 ] && [ -s "$work/$label.guest.out" ] &&
    grep -q "did not end within 1 turn" "$work/$label.guest.err" ||
    fail "$label: the host ended with $hosted, the guest with $guest: $(cat "$work/$label.host.err" "$work/$label.guest.err")"
  cmp -s "$work/$label.host.out" "$work/$label.guest.out" || fail "$label: the two machines told different battles"
  local told=0
  for fd in "${fds[@]}"; do
    timeout 5 cat <&"$fd" >"$work/$label.silent" 2>/dev/null
    grep -aqF "the battle has its players already" "$work/$label.silent" && told=$((told + 1))
    exec {fd}<&-
  done
  [ "$told" -eq "$count" ] || fail "$label: $told of $count silent callers were told why they were sent away"
  echo $(((end - start) / 1000000)) >"$work/$label.ms"
}

pair 0 alone
pair "$silent" crowded
alone=$(cat "$work/alone.ms" 2>/dev/null || echo 0)
crowded=$(cat "$work/crowded.ms" 2>/dev/null || echo 999999)
echo "the guest's battle took $alone ms alone and $crowded ms beside $silent silent callers"
[ "$crowded" -lt $((alone + 500)) ] || fail "$silent silent callers held the guest up by $((crowded - alone)) ms"
exit $status
