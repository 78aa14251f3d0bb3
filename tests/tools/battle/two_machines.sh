#!/usr/bin/env bash
# Plays a battle between two vael-battle processes on this machine, one hosting on a free port and one
# joining it, for each seed given; fails, naming the seed, when either does not end its battle cleanly or
# the two do not print the same commentary and outcome.
set -u
tool=$1
scenario=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for seed in "$@"; do
  # Emptied here: the background host empties its own files only once it runs.
  : >"$work/host.err"
  "$tool" "$scenario" --seed "$seed" --host 0 >"$work/host.out" 2>"$work/host.err" &
  host=$!
  port=""
  for _ in $(seq 1 400); do
    port=$(sed -n 's/^hosting on port \([0-9][0-9]*\)$/\1/p' "$work/host.err")
    [ -n "$port" ] && break
    sleep 0.05
  done
  if [ -z "$port" ]; then
    echo "seed $seed: the host never listened"; cat "$work/host.err"
    kill "$host" 2>/dev/null; wait "$host" 2>/dev/null; status=1; continue
  fi
  "$tool" "$scenario" --seed "$seed" --join "127.0.0.1:$port" >"$work/guest.out" 2>"$work/guest.err"
  guest=$?
  wait "$host"
  hosted=$?
  if [ "$hosted" -ne 0 ] || [ "$guest" -ne 0 ]; then
    echo "seed $seed: the host exited $hosted, the guest $guest"
    cat "$work/host.err" "$work/guest.err"; status=1; continue
  fi
  if ! grep -q '^Outcome: ' "$work/host.out"; then
    echo "seed $seed: the host printed no outcome"; status=1; continue
  fi
  if ! diff -u "$work/host.out" "$work/guest.out" >"$work/diff"; then
    echo "seed $seed: the two machines printed different battles"; head -40 "$work/diff"; status=1; continue
  fi
  echo "seed $seed: $(grep '^Outcome: ' "$work/host.out") ($(wc -l <"$work/host.out") lines on both)"
done
exit $status
