#!/usr/bin/env bash
# Plays battles with the display, each seed of each battle given, a few processes at once; fails naming the
# battle and seed of every one that does not end (a stall, a cap passed, a crash) with the tool's last word.
#   displayed_battles.sh TOOL DATA JOBS BATTLE:FIRST-LAST[,SEED...] ...
set -u
tool=$1
data=$2
jobs=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

one() {
  local battle=$1 seed=$2 err
  err=$("$tool" "$battle" --seed "$seed" --display --data "$data" 2>&1 >/dev/null)
  local status=$?
  [ "$status" -eq 0 ] || echo "FAILED $battle seed $seed (exit $status): $(tail -n 1 <<<"$err")"
}
export -f one
export tool data

for arg in "$@"; do
  battle=${arg%%:*}
  for part in $(tr ',' ' ' <<<"${arg#*:}"); do
    case $part in
    *-*) seq "${part%-*}" "${part#*-}" ;;
    *) echo "$part" ;;
    esac | sed "s/^/$battle /"
  done
done >"$work/cases"
xargs -P "$jobs" -L 1 bash -c 'one "$@"' _ <"$work/cases" >"$work/failures"
total=$(wc -l <"$work/cases")
if [ -s "$work/failures" ]; then
  sort "$work/failures"
  echo "$(wc -l <"$work/failures") of $total displayed battles did not end"
  exit 1
fi
echo "all $total displayed battles ended"
