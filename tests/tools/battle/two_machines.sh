#!/usr/bin/env bash
# Plays a battle between two vael-battle processes on this machine, one hosting on a free port and one
# joining it, for each seed given; fails, naming the seed, when either does not end its battle cleanly,
# when the pair does not end within the time limit (a hang: both are stopped), or when the two do not print the same commentary and outcome.
#   two_machines.sh TOOL SCENARIO [--data DIR] [--jobs N] [--limit SECONDS] [--display] [--turns CAP] [--plans KIND]
#                   [--traces] SEED...
# With --jobs, that many pairs play at once; the limit (120 seconds unless given) holds for each pair.
# With --display both machines play the animations on the game's display layers. Each machine draws its
# plans by the seed as the tool does, or of the kind --plans gives (a battle recorded with those plans).
# With --turns both machines stop at the cap: each exits as the other does and prints the same commentary
# and outcome, and neither takes the other's going for a leave. Nothing names an elephant after the line
# that tells it rampaging: it is bound to leave play on both machines. With --traces both machines write the
# game's trace, and a pair fails where either shows a unit moving, firing, routing or rallying after its
# leader's orders are over and before the battle's next step opens (acts_after_orders.awk).
set -u
. "$(dirname "$0")/host_port.sh"
tool=$1
scenario=$2
shift 2
data=()
display=()
turns=()
plans=()
traces=false
jobs=1
limit=120
while [ $# -gt 0 ]; do
  case $1 in
    --data) data=(--data "$2"); shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --limit) limit=$2; shift 2 ;;
    --display) display=(--display); shift ;;
    --turns) turns=(--turns "$2"); shift 2 ;;
    --plans) plans=(--plans "$2"); shift 2 ;;
    --traces) traces=true; shift ;;
    *) break ;;
  esac
done
pair_workspace

# Each line of the commentary that names a beast after the line that told it rampaging.
beasts_named() {
  awk '/^Outcome: / { exit }
    {
      line = $0
      gsub(/\\[Bb]/, "", line)
      for (b in beast)
        if (match(line " ", quote(b) "[^0-9A-Za-z]")) { print "line " FNR " names " b " (rampaging at line " beast[b] "): " line; delete beast[b] }
      who = line
      if (sub(/ (is rampaging!|rampaged during the charge!)$/, "", who)) beast[who] = FNR
    }
    function quote(text,   out) { out = text; gsub(/[][\\.^$*+?(){}|]/, "\\\\&", out); return out }' "$1"
}

# One pair; its verdict goes to $work/SEED.verdict, its first line "ok" or "FAILED".
play() {
  local seed=$1 dir="$work/$1" verdict="$work/$1.verdict"
  mkdir -p "$dir"
  local hostTrace=() guestTrace=()
  if $traces; then hostTrace=(--trace "$dir/host.trace"); guestTrace=(--trace "$dir/guest.trace"); fi
  : >"$dir/host.err"
  timeout -s KILL "$limit" "$tool" "$scenario" "${data[@]}" "${display[@]}" "${turns[@]}" "${plans[@]}" --seed "$seed" --host 0 \
    "${hostTrace[@]}" >"$dir/host.out" 2>"$dir/host.err" &
  local host=$! port=""
  port=$(host_port "$host" "$dir/host.err")
  if [ -z "$port" ]; then
    kill -9 "$host" 2>/dev/null; { wait "$host"; } 2>/dev/null
    { echo "FAILED seed $seed: the host never listened"; cat "$dir/host.err"; } >"$verdict"
    return
  fi
  timeout -s KILL "$limit" "$tool" "$scenario" "${data[@]}" "${display[@]}" "${turns[@]}" "${plans[@]}" --seed "$seed" \
    --join "127.0.0.1:$port" "${guestTrace[@]}" \
    >"$dir/guest.out" 2>"$dir/guest.err"
  local guest=$?
  { wait "$host"; } 2>/dev/null
  local hosted=$?
  # Killed by the limit: 137 from timeout -s KILL.
  if [ "$hosted" -eq 137 ] || [ "$guest" -eq 137 ]; then
    echo "FAILED seed $seed: the battle hung: the pair did not end within $limit seconds" >"$verdict"
    return
  fi
  if [ "${#turns[@]}" -gt 0 ]; then
    # At a cap each says that the battle did not end within it, or both that it ended.
    if [ "$hosted" -ne "$guest" ] || [ "$hosted" -gt 1 ]; then
      { echo "FAILED seed $seed: the host exited $hosted, the guest $guest"
        cat "$dir/host.err" "$dir/guest.err"; } >"$verdict"
      return
    fi
    if grep -q "left the battle\|won by default\|the other machine is gone" "$dir/host.out" "$dir/host.err" \
      "$dir/guest.out" "$dir/guest.err"; then
      { echo "FAILED seed $seed: a machine took the other's going at the cap for a leave"
        grep -H "left the battle\|won by default\|the other machine is gone" "$dir"/*.out "$dir"/*.err; } >"$verdict"
      return
    fi
    # The same commentary to the cap's last line, and the same outcome after it.
    if ! grep -q '^Outcome: ' "$dir/host.out" || ! diff -u "$dir/host.out" "$dir/guest.out" >"$dir/diff"; then
      { echo "FAILED seed $seed: the two machines printed different battles"; head -40 "$dir/diff"; } >"$verdict"
      return
    fi
    echo "ok seed $seed: $(grep '^Outcome: ' "$dir/host.out") ($(wc -l <"$dir/host.out") lines on both)" >"$verdict"
    rm -rf "$dir"
    return
  fi
  if [ "$hosted" -ne 0 ] || [ "$guest" -ne 0 ]; then
    { echo "FAILED seed $seed: the host exited $hosted, the guest $guest"
      cat "$dir/host.err" "$dir/guest.err"; } >"$verdict"
    return
  fi
  if ! grep -q '^Outcome: ' "$dir/host.out"; then
    echo "FAILED seed $seed: the host printed no outcome" >"$verdict"
    return
  fi
  if ! diff -u "$dir/host.out" "$dir/guest.out" >"$dir/diff"; then
    { echo "FAILED seed $seed: the two machines printed different battles"; head -40 "$dir/diff"; } >"$verdict"
    return
  fi
  local named
  named=$(beasts_named "$dir/host.out")
  if [ -n "$named" ]; then
    { echo "FAILED seed $seed: a beast is named after its rampage"; echo "$named"; } >"$verdict"
    return
  fi
  if $traces; then
    local acts
    acts=$(awk -f "$(dirname "$0")/acts_after_orders.awk" "$dir/host.trace"; awk -f "$(dirname "$0")/acts_after_orders.awk" "$dir/guest.trace")
    if [ -n "$acts" ]; then
      { echo "FAILED seed $seed: a unit acts after its leader's orders are over"; echo "$acts" | head -5; } >"$verdict"
      return
    fi
  fi
  echo "ok seed $seed: $(grep '^Outcome: ' "$dir/host.out") ($(wc -l <"$dir/host.out") lines on both)" >"$verdict"
  rm -rf "$dir"
}

running=()
for seed in "$@"; do
  while [ "${#running[@]}" -ge "$jobs" ]; do
    wait -n 2>/dev/null
    still=()
    for p in "${running[@]}"; do kill -0 "$p" 2>/dev/null && still+=("$p"); done
    running=("${still[@]}")
  done
  play "$seed" &
  running+=($!)
  pids+=($!)
done
wait
status=0
for seed in "$@"; do
  if [ ! -f "$work/$seed.verdict" ]; then
    echo "FAILED seed $seed: no verdict"; status=1; continue
  fi
  sed 's/^ok //' "$work/$seed.verdict"
  grep -q '^FAILED' "$work/$seed.verdict" && status=1
done
exit $status
