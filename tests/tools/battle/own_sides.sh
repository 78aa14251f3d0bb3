#!/usr/bin/env bash
# Plays seeds of one of our battles with the battle tool and holds its two armies apart: no unit fires on
# or attacks one of its own side (the commentary's volleys, the trace's shock combats), and each side's
# eliminations in the outcome are those the trace shows up to the battle's end (combat units leaving
# their groups, leaders falling). A unit's side is its group's: our battles give groups 1 to 3 to the
# home army and 4 to 6 to the visitor's, the groups each side's plans order. Fails naming the seed and
# the line.
#   own_sides.sh TOOL SCENARIO TEXT [--data DIR] SEED...   (a SEED may be a range FIRST-LAST)
# TEXT is the battle's source (data/scenarios/NAME.scn.txt), read for its units' names and groups.
set -u
tool=$1
scenario=$2
text=$3
shift 3
data=()
if [ "${1:-}" = --data ]; then
  data=(--data "$2")
  shift 2
fi
seeds=()
for arg in "$@"; do
  case $arg in
    *-*) seeds+=($(seq "${arg%-*}" "${arg#*-}")) ;;
    *) seeds+=("$arg") ;;
  esac
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name<TAB>side of every unit and leader of the text: the name is what follows the numbers of its line.
awk '{ sub(/#.*/, "") }
     $1 ~ /^(title|map|note|group|home|visitor|substitute|home-script|visitor-script)$/ || NF < 7 { next }
     { first = 0
       for (i = 2; i <= NF; ++i) if ($i !~ /^-?[0-9]+$/) { first = i; break }
       if (!first) next
       name = $first
       for (i = first + 1; i <= NF; ++i) name = name " " $i
       print name "\t" ($4 <= 3 ? "home" : "visitor") }' "$text" >"$work/sides"
if [ ! -s "$work/sides" ]; then
  echo "FAILED: no units in $text"
  exit 1
fi

status=0
for seed in "${seeds[@]}"; do
  out="$work/out" trace="$work/trace"
  "$tool" "$scenario" "${data[@]}" --seed "$seed" --trace "$trace" >"$out" 2>"$work/err"
  code=$?
  if [ "$code" -ne 0 ] || ! grep -q '^Outcome: ' "$out"; then
    echo "FAILED seed $seed: the tool exited $code"
    cat "$work/err"
    status=1
    continue
  fi
  # One line per finding; none when the armies kept apart and every loss was counted.
  awk -v seed="$seed" -F'\t' '
    function side(name, where,   plain) {
      plain = name
      sub(/\(R\)$/, "", plain)
      if (plain in sides) return sides[plain]
      print "FAILED seed " seed ": " where ": " name " is no unit of the battle"
      return "?"
    }
    FILENAME == ARGV[1] { sides[$1] = $2; next }
    FILENAME == ARGV[2] {
      if (match($0, / +(slings stones|throws javelins|fires bolt|fires arrows) at /)) {
        shooter = substr($0, 1, RSTART - 1)
        target = substr($0, RSTART + RLENGTH)
        sub(/ for [0-9]+ cohesion hits?\.$/, "", target) || sub(/ and .* is eliminated\.$/, "", target) ||
          sub(/\.$/, "", target)
        if (side(shooter, "commentary line " FNR) == side(target, "commentary line " FNR))
          print "FAILED seed " seed ": commentary line " FNR " fires on its own side: " $0
      }
      if ($0 ~ /^Outcome: /) outcome = FNR
      else if (outcome && FNR == outcome + 1) told["home"] = $0
      else if (outcome && FNR == outcome + 2) told["visitor"] = $0
      next
    }
    # The trace: the shock combats and the losses.
    $0 == "Attackers" { list = "attacker"; first = FNR; next }
    $0 == "Defenders" && list == "attacker" { list = "defender"; next }
    list != "" && /^-+$/ { next }
    list != "" && match($0, / in hex [0-9]+$/) {
      name = substr($0, 1, RSTART - 1)
      s = side(name, "trace line " FNR)
      if (list == "attacker") attackers[first] = attackers[first] == "" || attackers[first] == s ? s : "both"
      else if (s == attackers[first] || attackers[first] == "both")
        print "FAILED seed " seed ": trace line " first ": a shock combat with " name " on both sides"
      next
    }
    list != "" { list = "" }
    # What falls once the battle has ended (an elephant still rampaging off the field) counts for nobody.
    /^VLL: My nation is [0-9]+ and I (won|lost)$/ { ended = 1 }
    ended { next }
    /^Removed .* from his group since he was eliminated\.$/ {
      name = $0
      sub(/^Removed /, "", name)
      sub(/ from his group since he was eliminated\.$/, "", name)
      ++lost[side(name, "trace line " FNR)]
      next
    }
    / has fallen; his side loses him\.$/ {
      name = $0
      sub(/ has fallen; his side loses him\.$/, "", name)
      ++lost[side(name, "trace line " FNR)]
    }
    END {
      for (s in told) {
        n = told[s]
        if (!sub(/^[^:]*: lost [0-9]+ of [0-9]+ troop quality, /, "", n) || !sub(/ units? eliminated, .*$/, "", n))
          print "FAILED seed " seed ": no " s " losses in the outcome"
        else if (n + 0 != lost[s] + 0)
          print "FAILED seed " seed ": the " s " side lost " lost[s] + 0 " units in the trace, the outcome says " n
      }
      if (length(told) != 2) print "FAILED seed " seed ": the outcome names " length(told) " sides"
    }' "$work/sides" "$out" "$trace" >"$work/findings"
  if [ -s "$work/findings" ]; then
    head -20 "$work/findings"
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "ok: $scenario seeds $* keep their sides and count every loss"
exit $status
