#!/usr/bin/env bash
# A save taken with the display in the middle of the computer's orders owes replies whose boxes are read by
# the types the display registers when it is made. A process whose first act is loading such a save headless
# has made no display: it registers them itself, reads the replies owed, answers them at once and plays the
# battle to its end, as the battle saved would have. Seeds 3 (at message 250) and 21 (at 900) of the
# demonstration battle.
#   first_load_headless.sh TOOL SCENARIO
set -u
tool=$1
scenario=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAILED: $*"; status=1; }
for row in 3:250 21:900; do
  seed=${row%%:*}
  step=${row#*:}
  timeout 600 "$tool" "$scenario" --seed "$seed" --display --save-at-step "$step" "$work/saved.vel" \
    > /dev/null 2> "$work/err" || fail "seed $seed: no save at message $step: $(head -n 3 "$work/err")"
  timeout 600 "$tool" "$scenario" --seed "$seed" --load "$work/saved.vel" > "$work/out" 2> "$work/err"
  code=$?
  [ "$code" -eq 0 ] || fail "seed $seed loaded headless ended with $code: $(head -n 3 "$work/err")"
  grep -q "^Outcome: " "$work/out" || fail "seed $seed loaded headless printed no outcome"
done
exit $status
