#!/usr/bin/env bash
# Plays battles with the battle tool and holds what happens once a battle is decided, and to a unit once
# it is gone. Each battle is one row SCENARIO:SEED, followed by :display to play it with --display and by
# :plans=KIND to play the plans of that kind rather than those the seed draws (the battle as it was
# recorded); every row goes through the same check:
#   - nothing happens after the trace's end line ("VLL: My nation is N and I won"): no shock combat, no
#     die rolled, no cohesion hit taken or posted, no unit or leader moving (LOGICAL_OBJECT_MOVED),
#     rampaging, routing, wounded or falling;
#   - no count of the outcome is negative;
#   - when a side is over its rout limit the winner is the one the end-of-game test names: the side not
#     over, or with both over the one less over (an even excess goes against the home side);
#   - the commentary says nothing of a unit after the line that eliminates it (so no unit is eliminated
#     twice), nor of an elephant after the line that tells it rampaging (it throws, and falls, no more),
#     and no unit is eliminated for a rout through it as a routing unit once it has rallied;
#   - no commander (a leader named Vael... or Tezhar...) is said to be replaced: his fall ends the battle.
# A row may end in :says=TEXT, a text the commentary or the outcome must hold (bold marks aside): a loss
# that must be told or counted. Fails naming the row and the line.
#   decided_battles.sh TOOL [--data DIR] ROW...
set -u
tool=$1
shift
data=()
if [ "${1:-}" = --data ]; then
  data=(--data "$2")
  shift 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# check_battle SCENARIO SEED DISPLAY PLANS: plays the battle and prints one line per finding.
check_battle() {
  local scenario=$1 seed=$2 display=$3 plans=$4 row="$1 seed $2${3:+ with the display}${4:+ with the plans of kind $4}"
  local out="$work/out" trace="$work/trace" options=()
  [ -n "$display" ] && options+=(--display)
  [ -n "$plans" ] && options+=(--plans "$plans")
  "$tool" "$scenario" "${data[@]}" --seed "$seed" "${options[@]}" --trace "$trace" >"$out" 2>"$work/err"
  local code=$?
  if [ "$code" -ne 0 ] || ! grep -q '^Outcome: ' "$out"; then
    echo "FAILED $row: the tool exited $code"
    head -5 "$work/err"
    return
  fi
  awk -v row="$row" '
    FILENAME == ARGV[1] && /^VLL: My nation is [0-9]+ and I (won|lost)$/ && !ended { ended = FNR; next }
    # After the end line nothing of the battle happens: no die is rolled, no hit taken or posted, no unit
    # or leader moves, rampages, routs, falls or is wounded.
    FILENAME == ARGV[1] && ended && (/Battle Results for battle #/ || /is rampaging!  Let the carnage begin!/ ||
                                     /Rolling for / || /[Dd]ie ?roll/ || / reaction fired / ||
                                     / posting TQHit of / || /^Total cohesion hits for / ||
                                     /LOGICAL_OBJECT_MOVED/ || / has finished moving and is in hex / ||
                                     / is now routing!$/ || / is preparing to rout:$/ ||
                                     / doing a (rout move|terminal rout)/ || / is killed!$/ ||
                                     / is wounded and reducing his abilities / ||
                                     / has fallen; his side loses him\.$/ || / since he was eliminated\.$/) {
      print "FAILED " row ": trace line " FNR " comes after the end (line " ended "): " $0
      next
    }
    FILENAME == ARGV[1] { next }
    # The commentary, then the outcome.
    /^Outcome: / { outcome = FNR; winner = $0; sub(/^Outcome: /, "", winner); sub(/ won after .*$/, "", winner); next }
    outcome && FNR > outcome {
      if ($0 ~ /-[0-9]/) print "FAILED " row ": the outcome counts below nothing: " $0
      if (match($0, /^[^:]*: lost -?[0-9]+ of -?[0-9]+ /)) {
        name[FNR - outcome] = $0
        sub(/:.*$/, "", name[FNR - outcome])
        split(substr($0, RSTART, RLENGTH), n, / /)
        excess[FNR - outcome] = n[3] - n[5]
      }
      next
    }
    {
      line = $0
      gsub(/\\[Bb]/, "", line)
      for (unit in gone)
        if (index(line, unit) && match(line " ", quote(unit) "[^0-9A-Za-z]")) {
          print "FAILED " row ": commentary line " FNR " speaks of " unit ", gone at line " gone[unit] ": " line
          delete gone[unit]
        }
      # Nobody takes the place of a commander (a leader named Vael... or Tezhar...), whose fall ends the battle.
      if (line ~ / A soldier from the ranks will replace him in command\.$/) {
        who = line
        sub(/ was .*$/, "", who)
        if (who ~ /Vael|Tezhar/) print "FAILED " row ": commentary line " FNR " has the commander " who " replaced: " line
      }
      who = line
      if (sub(/ is routing!$/, "", who)) routing[who] = 1
      else if (sub(/ has successfully rallied\.$/, "", who)) routing[who] = 0
      else if (sub(/ is eliminated for having .* rout through him$/, "", who)) {
        if (who in routing && !routing[who])
          print "FAILED " row ": commentary line " FNR " eliminates a unit that has rallied: " line
        gone[who] = FNR
      } else if (sub(/ (was eliminated!|is doing a terminal rout!|is eliminated!|was eliminated during the charge!|is rampaging!)$/, "", who))
        gone[who] = FNR
      else if (match(line, / and .* is eliminated\.$/)) {
        who = substr(line, RSTART + 5, RLENGTH - 5 - 15)
        gone[who] = FNR
      }
    }
    function quote(text,   out) {
      out = text
      gsub(/[][\\.^$*+?(){}|]/, "\\\\&", out)
      return out
    }
    END {
      if (!(1 in excess) || !(2 in excess)) { print "FAILED " row ": the outcome names no two sides"; exit }
      home = excess[1] >= 0; visitor = excess[2] >= 0
      expected = ""
      if (home && visitor) expected = excess[1] < excess[2] ? name[1] : name[2]
      else if (visitor) expected = name[1]
      else if (home) expected = name[2]
      if (expected != "" && winner != expected)
        print "FAILED " row ": " winner " won, but the rout limits give the battle to " expected
    }' "$trace" "$out"
}

status=0
for row in "$@"; do
  IFS=: read -r scenario seed rest <<<"$row"
  display="" plans="" says=""
  case $rest in
    *says=*) says=${rest#*says=}; rest=${rest%%says=*}; rest=${rest%:} ;;
  esac
  IFS=: read -ra extras <<<"$rest"
  for extra in "${extras[@]}"; do
    case $extra in
      display) display=yes ;;
      plans=*) plans=${extra#plans=} ;;
      *) echo "FAILED $row: unknown part $extra"; status=1; continue 2 ;;
    esac
  done
  check_battle "$scenario" "$seed" "$display" "$plans" >"$work/findings"
  if [ -n "$says" ] && [ -s "$work/out" ] && ! sed 's/\\[Bb]//g' "$work/out" | grep -qF -- "$says"; then
    echo "FAILED $row: the commentary and outcome never say: $says" >>"$work/findings"
  fi
  if [ -s "$work/findings" ]; then
    head -20 "$work/findings"
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "$# battles: each ended where it was decided"
exit "$status"
