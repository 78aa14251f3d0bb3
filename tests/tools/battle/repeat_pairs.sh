#!/usr/bin/env bash
# Plays each seed's battle between two vael-battle processes, one hosting and one joining, as many times as
# asked, and fails, naming the seed, when a pair does not end cleanly or when the host prints another battle
# on a later run than on the first. Only the lines that say which player is still viewing a step's results
# may differ: which machine checks in first hangs on the two machines' pace.
#   repeat_pairs.sh TOOL SCENARIO [--data DIR] [--times N] [--limit SECONDS] [--display] SEED...
set -u
. "$(dirname "$0")/host_port.sh"
tool=$1
scenario=$2
shift 2
data=()
display=()
times=3
limit=120
while [ $# -gt 0 ]; do
  case $1 in
    --data) data=(--data "$2"); shift 2 ;;
    --times) times=$2; shift 2 ;;
    --limit) limit=$2; shift 2 ;;
    --display) display=(--display); shift ;;
    *) break ;;
  esac
done
pair_workspace

# One pair of the seed; its host's battle without the lines of who is still viewing goes to $1.told.
pair() {
  local seed=$1 dir=$2
  mkdir -p "$dir"
  : >"$dir/host.err"
  timeout -s KILL "$limit" "$tool" "$scenario" "${data[@]}" "${display[@]}" --seed "$seed" --host 0 \
    >"$dir/host.out" 2>"$dir/host.err" &
  local host=$! port=""
  pids+=("$host")
  if ! port=$(host_port "$host" "$dir/host.err"); then
    kill -9 "$host" 2>/dev/null
    fail "seed $seed: the host never listened"
    return 1
  fi
  timeout -s KILL "$limit" "$tool" "$scenario" "${data[@]}" "${display[@]}" --seed "$seed" \
    --join "127.0.0.1:$port" >"$dir/guest.out" 2>"$dir/guest.err"
  local guest=$?
  wait "$host"
  local hosted=$?
  if [ "$hosted" -ne 0 ] || [ "$guest" -ne 0 ] || ! grep -q '^Outcome: ' "$dir/host.out"; then
    fail "seed $seed: the host exited $hosted, the guest $guest"
    cat "$dir/host.err" "$dir/guest.err"
    return 1
  fi
  grep -v ' is still viewing ' "$dir/host.out" >"$dir.told"
}

for seed in "$@"; do
  pair "$seed" "$work/$seed-1" || continue
  for run in $(seq 2 "$times"); do
    pair "$seed" "$work/$seed-$run" || break
    if ! diff -u "$work/$seed-1.told" "$work/$seed-$run.told" >"$work/$seed.diff"; then
      fail "seed $seed: run $run played another battle than run 1"
      head -20 "$work/$seed.diff"
      break
    fi
  done
  [ -f "$work/$seed-$times.told" ] && cmp -s "$work/$seed-1.told" "$work/$seed-$times.told" &&
    echo "ok seed $seed: $(grep '^Outcome: ' "$work/$seed-1/host.out") in each of $times runs"
done
exit "$status"
