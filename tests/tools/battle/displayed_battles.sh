#!/usr/bin/env bash
# Plays battles with the display, each seed of each battle given, a few processes at once; fails naming the
# battle and seed of every one that does not end (a stall, a cap passed, a crash) with the tool's last word.
#   displayed_battles.sh TOOL DATA JOBS [--plans KIND] BATTLE:FIRST-LAST[,SEED...] ...
# Each battle draws its plans by its seed as the tool does; after --plans KIND, the battles that follow play
# the plans of that kind (battles recorded with them).
set -u
tool=$1
data=$2
jobs=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

one() {
  local battle=$1 seed=$2 plans=() err
  [ -n "${3:-}" ] && plans=(--plans "$3")
  err=$("$tool" "$battle" --seed "$seed" "${plans[@]}" --display --data "$data" 2>&1 >/dev/null)
  local status=$?
  [ "$status" -eq 0 ] || echo "FAILED $battle seed $seed${3:+ with the plans of kind $3} (exit $status): $(tail -n 1 <<<"$err")"
}
export -f one
export tool data

kind=""
while [ $# -gt 0 ]; do
  if [ "$1" = --plans ]; then
    kind=$2
    shift 2
    continue
  fi
  battle=${1%%:*}
  for part in $(tr ',' ' ' <<<"${1#*:}"); do
    case $part in
    *-*) seq "${part%-*}" "${part#*-}" ;;
    *) echo "$part" ;;
    esac | sed "s/^/$battle /; s/\$/${kind:+ $kind}/"
  done
  shift
done >"$work/cases"
xargs -P "$jobs" -L 1 bash -c 'one "$@"' _ <"$work/cases" >"$work/failures"
total=$(wc -l <"$work/cases")
if [ -s "$work/failures" ]; then
  sort "$work/failures"
  echo "$(wc -l <"$work/failures") of $total displayed battles did not end"
  exit 1
fi
echo "all $total displayed battles ended"
