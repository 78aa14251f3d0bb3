#!/usr/bin/env bash
# Two vael-battle processes on this machine meet what goes wrong between two machines: a host whose
# battle does not load, a guest whose battle does not load, and either machine gone mid-battle. Each case
# names itself when it fails; the machine left must say why, once, and not that the battle stalled, with
# the battle's tallies as they stood.
# A machine is lost at a point of the battle, never of the clock: a machine stops itself once it has said
# the N-th line of commentary (the tool's --signal-at), the lines counted in an unbroken pair of the same
# seed first, so that the cases hold at any speed of the tool.
#   two_machines_faults.sh TOOL SCENARIO
set -u
. "$(dirname "$0")/host_port.sh"
tool=$1
scenario=$2
seed=7
pair_workspace

# A machine that stops itself runs in a session of its own: in the process group it would otherwise share
# with the test runner and every other test, the kernel hangs up a stopped process as soon as that group
# loses its last parent outside it, whatever else runs beside this script. Started in the background, the
# tool is no group leader, so setsid runs it in place and $! stays its pid.
# Starts a host in the background on a free port: sets $host and $port.
start_host() {
  local name=$1
  shift
  : >"$work/$name.err"
  setsid "$tool" "$@" --host 0 >"$work/$name.out" 2>"$work/$name.err" &
  host=$!
  pids+=("$host")
  port=$(host_port "$host" "$work/$name.err")
}

# Waits until a process has stopped (or ended): 0 once it has.
wait_stopped() {
  for _ in $(seq 1 2400); do
    case $(ps -o stat= -p "$1" 2>/dev/null) in ""|T*|Z*) return 0 ;; esac
    sleep 0.05
  done
  return 1
}

count() { grep -c -- "$1" "$2"; }

# Nothing of the battle comes after the machine left learnt of the loss: its trace shows no die rolled,
# fight, hit, move, rout or fall after the line that says so. What the step had decided before it is still
# booked after it (a unit eliminated before the loss leaves its group), and that is no fighting.
fought_after_the_loss() {
  awk '/VaelNetComponent: the connection is lost: / && !lost { lost = NR; next }
       lost && (/Battle Results for battle #/ || /is rampaging!  Let the carnage begin!/ ||
                /Rolling for / || /[Dd]ie ?roll/ || / reaction fired / || / posting TQHit of / ||
                /LOGICAL_OBJECT_MOVED/ || / has finished moving and is in hex / ||
                / is preparing to rout:$/ || / doing a (rout move|terminal rout)/ ||
                /^Total cohesion hits for / || / is killed!$/ || / is wounded and reducing his abilities / ||
                / is now routing!$/ || /^Initiative failed\.  Figuring a new leader$/ ||
                / is going to become active$/ || /^The leader has gone: /) {
         print "trace line " NR " after the loss (line " lost "): " $0; exit
       }' "$1"
}

# The routs and falls the commentary told up to the loss, against the outcome: every unit told routing that
# has not rallied or fallen since counts as routing, and every unit told gone or leader told killed as
# eliminated, on one side or the other. Prints what differs. Either machine counts exactly what it told (the
# guest the reports game control counts, its own and the host's), but for an elephant told rampaging,
# whose fall comes at its rampage's end.
miscounted() {
  local told counted gone rampaging
  told=$(awk '/The connection to .* was lost: / || /^Outcome: / { exit }
       {
         who = $0
         if (sub(/ is routing!$/, "", who)) { if (!(who in gone)) routing[who] = 1 }
         else if (sub(/ has successfully rallied\.$/, "", who)) delete routing[who]
         else if (sub(/ is eliminated for having .* rout through him$/, "", who) ||
                  sub(/ (was eliminated!|is doing a terminal rout!|is eliminated!|was eliminated during the charge!)$/, "", who)) {
           gone[who] = 1; delete routing[who]
         } else if (match($0, / and .* is eliminated\.$/)) {
           who = substr($0, RSTART + 5, RLENGTH - 5 - 15); gone[who] = 1; delete routing[who]
         }
       }
       END { for (u in routing) r++; print r + 0 }' "$1")
  counted=$(awk '/^Outcome: / { o = 1; next }
    o && match($0, /units? eliminated, -?[0-9]+ routing/) { split(substr($0, RSTART, RLENGTH), n, / /); r += n[3] }
    END { print r + 0 }' "$1")
  [ "$told" -eq "$counted" ] || echo "the commentary told $told units routing, the outcome counts $counted"
  # Falls: "gone rampaging" says how many of the told elephants' rampages may have ended by then.
  read -r gone rampaging < <(sed 's/\\[Bb]//g' "$1" | awk '/The connection to .* was lost: / || /^Outcome: / { exit }
       {
         who = $0
         if (sub(/ is eliminated for having .* rout through him$/, "", who) ||
             sub(/ (was eliminated!|is doing a terminal rout!|is eliminated!|was eliminated during the charge!)$/, "", who))
           gone[who] = 1
         else if (match($0, / and .* is eliminated\.$/)) gone[substr($0, RSTART + 5, RLENGTH - 5 - 15)] = 1
         else if (/ was hit and was killed!| was killed in the leaders. duel!| was killed while withdrawaling!/) killed++
         else if (sub(/ (is rampaging!|rampaged during the charge!)$/, "", who)) beasts[who] = 1
       }
       END { for (u in gone) killed++; for (u in beasts) if (!(u in gone)) b++; print killed + 0, b + 0 }')
  counted=$(awk '/^Outcome: / { o = 1; next }
    o && match($0, /[0-9-]+ units? eliminated/) { split(substr($0, RSTART, RLENGTH), n, / /); e += n[1] }
    END { print e + 0 }' "$1")
  [ "$counted" -ge "$gone" ] && [ "$counted" -le $((gone + rampaging)) ] ||
    echo "the commentary told $gone units and leaders fallen (and $rampaging elephants rampaging), the outcome counts $counted"
}

# 0. An unbroken pair of the seed: how many lines its battle says.
lines=0
if start_host whole-host --seed "$seed" "$scenario"; then
  "$tool" "$scenario" --seed "$seed" --join "127.0.0.1:$port" >"$work/whole-guest.out" 2>"$work/whole-guest.err"
  wait "$host"
  lines=$(grep -vc '^Outcome: \|: lost -*[0-9]* of ' "$work/whole-host.out")
fi
[ "$lines" -ge 40 ] || fail "the unbroken pair said $lines lines: $(tail -3 "$work/whole-host.err")"

# 1. The host's battle does not load: it says so and never listens.
"$tool" NOSUCH.SCN --host 0 >"$work/bad-host.out" 2>"$work/bad-host.err"
code=$?
[ "$code" -eq 1 ] || fail "bad host: exit $code"
grep -q "cannot load the battle NOSUCH.SCN" "$work/bad-host.err" || fail "bad host: $(cat "$work/bad-host.err")"
grep -q "hosting on port" "$work/bad-host.err" && fail "bad host: it listened before it checked its battle"

# 2. The guest's battle does not load: it refuses the host with the reason, and the host says that reason.
if start_host good --seed 3 "$scenario"; then
  "$tool" NOSUCH.SCN --seed 3 --join "127.0.0.1:$port" >"$work/bad-guest.out" 2>"$work/bad-guest.err"
  code=$?
  wait "$host"
  hosted=$?
  [ "$code" -eq 1 ] || fail "bad guest: guest exit $code"
  [ "$hosted" -eq 1 ] || fail "bad guest: host exit $hosted"
  grep -q "cannot start the network battle" "$work/bad-guest.err" || fail "bad guest: $(cat "$work/bad-guest.err")"
  grep -q "^vael-battle: seed 3: the other machine is gone: the other machine refused: cannot start the network battle: cannot load the battle NOSUCH.SCN" \
    "$work/good.err" || fail "bad guest: the host said $(cat "$work/good.err")"
  grep -q "stalled" "$work/good.err" && fail "bad guest: the host said the battle stalled"
else
  fail "bad guest: the host never listened: $(cat "$work/good.err")"
fi

# 3 and 4. One machine is killed mid-battle, for moments from the battle's first lines to its last tenth:
# the machine to be left holds itself at its N-th line, in the middle of a step of the battle, the other is
# killed meanwhile, and the one left is woken to find it gone. It says so once, with the network's reason,
# fights nothing after it learnt of the loss, and counts every rout told before it.
moments=(3 12 $((lines / 10)) $((lines / 4)) $((lines * 4 / 10)) $((lines * 6 / 10)) $((lines * 3 / 4)) $((lines * 9 / 10)))
for gone in guest host; do
  for at in "${moments[@]}"; do
    case="$gone killed at line $at of $lines"
    name="$gone-$at"
    [ "$gone" = guest ] && hostSignal=(--signal-at "$at" STOP) guestSignal=() || hostSignal=() guestSignal=(--signal-at "$at" STOP)
    [ "$gone" = guest ] && hostTrace=(--trace "$work/$name-host.trace") guestTrace=() ||
      hostTrace=() guestTrace=(--trace "$work/$name-guest.trace")
    if ! start_host "$name-host" --seed "$seed" "${hostSignal[@]}" "${hostTrace[@]}" "$scenario"; then
      fail "$case: the host never listened"; continue
    fi
    setsid "$tool" "$scenario" --seed "$seed" "${guestSignal[@]}" "${guestTrace[@]}" --join "127.0.0.1:$port" \
      >"$work/$name-guest.out" 2>"$work/$name-guest.err" &
    guest=$!
    pids+=("$guest")
    if [ "$gone" = guest ]; then killed=$guest left=$host leftName=$name-host killedName=$name-guest
    else killed=$host left=$guest leftName=$name-guest killedName=$name-host; fi
    wait_stopped "$left" || fail "$case: the machine to be left never held at its line"
    kill -9 "$killed"
    wait "$killed" 2>/dev/null
    died=$?
    kill -CONT "$left"
    wait "$left"
    code=$?
    out="$work/$leftName.out" err="$work/$leftName.err"
    [ "$died" -eq 137 ] || fail "$case: the machine to be killed had ended (exit $died): $(tail -2 "$work/$killedName.err")"
    [ "$code" -eq 1 ] || fail "$case: the machine left exited $code"
    [ "$(count "the other machine is gone" "$err")" -eq 1 ] || fail "$case: $(cat "$err")"
    grep -q "stalled" "$err" && fail "$case: the machine left said the battle stalled"
    [ "$(count "The connection to .* was lost: " "$out")" -eq 1 ] || fail "$case: the commentary told the loss $(count "The connection to .* was lost: " "$out") times"
    grep -q "won by default" "$out" || fail "$case: the commentary did not say how the battle ends"
    # A killed program did not leave: the line was lost, in a player's words, the system's in brackets.
    grep -q "left the battle\." "$out" && fail "$case: told as leaving: $(grep "left the battle" "$out")"
    grep -Eq "the other machine is gone: the connection was lost: the other machine (closed it without a word|broke it off \(Connection reset by peer\)|had closed it already \(Broken pipe\))( \(turn|$)" "$err" ||
      fail "$case: the reason is not a player's: $(grep "the other machine is gone" "$err")"
    # Once the battle has ended nothing more happens in it: after the loss the commentary only says who
    # left (game control's word of it, on the host), then comes the outcome.
    after=$(sed -n '/The connection to .* was lost: /,/^Outcome: /p' "$out" | sed '1d;$d' |
      grep -v "has left the game\.$")
    [ -z "$after" ] || fail "$case: the battle went on after it had ended: $(echo "$after" | head -3)"
    # Nor between the moment it learnt of the loss and the line that tells it.
    fought=$(fought_after_the_loss "$work/$leftName.trace")
    [ -z "$fought" ] || fail "$case: the machine left fought on: $fought"
    uncounted=$(miscounted "$out")
    [ -z "$uncounted" ] || fail "$case: $uncounted"
    # Both machines played one battle: what the one said before it was killed and what the other said
    # before the loss agree as far as both went.
    sed -n '/The connection to .* was lost: /q;p' "$out" >"$work/$name.before"
    shorter=$(($(wc -l <"$work/$name.before") < $(wc -l <"$work/$killedName.out") ? $(wc -l <"$work/$name.before") : $(wc -l <"$work/$killedName.out")))
    cmp -s <(head -n "$shorter" "$work/$name.before") <(head -n "$shorter" "$work/$killedName.out") ||
      fail "$case: the two machines told different battles before the loss"
    # The tallies are the battle's: each side's troop quality limit stands, not 0 of 0.
    grep -q " of 0 troop quality" "$out" && fail "$case: the outcome lost the tallies: $(grep troop "$out")"
    # Won by default by the side left: the host plays the home side (Macedonian), the guest the visitor.
    if [ "$gone" = guest ]; then winner=Macedonian; else winner=Indian; fi
    grep -q "^Outcome: $winner won" "$out" || fail "$case: $(grep '^Outcome' "$out") (not $winner)"
  done
  echo "$gone killed at lines ${moments[*]} of $lines: $(grep -h "the other machine is gone" "$work/$gone"-*-"$([ "$gone" = guest ] && echo host || echo guest)".err |
    sed 's/^.*the other machine is gone: //; s/ (turn .*$//' | sort | uniq -c | tr -s ' ' | paste -sd';')"
done

# 5 and 6. One machine stops itself mid-battle (its program frozen, its line open): the one left says once,
# early, that it waits, then once that the machine is lost, within 75 seconds, and nothing of the battle
# comes after the loss; the stopped machine, woken, ends its battle as lost to the other side.
for gone in guest host; do
  at=$((lines / 2))
  [ "$gone" = host ] && hostSignal=(--signal-at "$at" STOP) guestSignal=() || hostSignal=() guestSignal=(--signal-at "$at" STOP)
  if ! start_host "$gone-stopped-host" --seed "$seed" "${hostSignal[@]}" "$scenario"; then
    fail "$gone stopped: the host never listened"; continue
  fi
  setsid "$tool" "$scenario" --seed "$seed" "${guestSignal[@]}" --join "127.0.0.1:$port" \
    >"$work/$gone-stopped-guest.out" 2>"$work/$gone-stopped-guest.err" &
  guest=$!
  pids+=("$guest")
  if [ "$gone" = guest ]; then stopped=$guest left=$host leftName=$gone-stopped-host; else stopped=$host left=$guest leftName=$gone-stopped-guest; fi
  wait_stopped "$stopped" || fail "$gone stopped: it never stopped at line $at"
  stoppedAt=$(date +%s)
  wait "$left"
  code=$?
  took=$(($(date +%s) - stoppedAt))
  # Woken, the machine that was stopped learns that it was let go: the battle is the other side's, and it
  # claims nothing (it once showed its own side's win as well).
  if [ "$gone" = guest ]; then own=Indian other=Macedonian stoppedName=$gone-stopped-guest
  else own=Macedonian other=Indian stoppedName=$gone-stopped-host; fi
  kill -CONT "$stopped"
  # Given 30 seconds to end (an ended child stays a zombie until waited for).
  for _ in $(seq 1 300); do
    case $(ps -o stat= -p "$stopped" 2>/dev/null) in ""|Z*) break ;; esac
    sleep 0.1
  done
  kill -9 "$stopped" 2>/dev/null
  wait "$stopped" 2>/dev/null
  woke=$?
  sout="$work/$stoppedName.out"
  [ "$woke" -eq 137 ] && fail "$gone stopped: once woken it did not end"
  grep -q "^Outcome: $own won" "$sout" && fail "$gone stopped: the machine let go claims the battle: $(grep '^Outcome' "$sout")"
  grep -q "^Outcome: $other won" "$sout" || fail "$gone stopped: the machine let go says $(grep '^Outcome' "$sout") (not $other)"
  grep -q "nothing came from your machine for 30 seconds\. The battle ends, won by default by " "$sout" ||
    fail "$gone stopped: the machine let go was not told why: $(tail -3 "$sout")"
  out="$work/$leftName.out" err="$work/$leftName.err"
  [ "$code" -eq 1 ] || fail "$gone stopped: the machine left exited $code"
  [ "$took" -le 75 ] || fail "$gone stopped: the loss took $took seconds"
  [ "$(count "waiting for .*'s machine to answer" "$err")" -eq 1 ] || fail "$gone stopped: waiting told $(count "waiting for .*'s machine to answer" "$err") times: $(cat "$err")"
  [ "$(count "the other machine is gone" "$err")" -eq 1 ] || fail "$gone stopped: $(cat "$err")"
  grep -q "the other machine is gone: the connection was lost: nothing came from the other machine for 30 seconds" "$err" ||
    fail "$gone stopped: $(grep "the other machine is gone" "$err")"
  # Said in that order: the wait, then the loss.
  [ "$(grep -n "waiting for\|the other machine is gone" "$err" | head -1 | grep -c "waiting for")" -eq 1 ] ||
    fail "$gone stopped: the loss was told before the wait"
  grep -q "did not answer for" "$err" && fail "$gone stopped: a second wait was told: $(cat "$err")"
  [ "$(count "The connection to .* was lost: " "$out")" -eq 1 ] || fail "$gone stopped: the commentary told the loss $(count "The connection to .* was lost: " "$out") times"
  after=$(sed -n '/The connection to .* was lost: /,/^Outcome: /p' "$out" | sed '1d;$d' |
    grep -v "has left the game\.$")
  [ -z "$after" ] || fail "$gone stopped: the battle went on after it had ended: $(echo "$after" | head -3)"
  echo "$gone stopped at line $at: after $took seconds: $(grep "the other machine is gone" "$err")"
done

# 7. Battles whose losses once went uncounted or went on: the machine killed at its N-th line, the one left
# counts what it told and chooses no leader after the loss. The host of Korvath seed 19 goes after the fall
# of Orzaban (a Persian leader of initiative 3, worth 15), who the guest counts; the guest of Ghatmar seed
# 15 goes while the host waits on its answer to the elite question of the second turn. The guest of Ghatmar
# seed 1 goes at its first line, before the host's first activation: the host names both sides all the same.
# The hosts of Ghatmar seed 6 and of Korvath seed 5 go once their step has told the guest of a loss it
# sealed and not yet of its fall: the guest counts the loss all the same.
while read -r scen sd victim at says; do
  case="$scen seed $sd, the $victim killed at line $at"
  name="row-$scen-$sd"
  [ "$victim" = host ] && hostSignal=(--signal-at "$at" KILL) guestSignal=() || hostSignal=() guestSignal=(--signal-at "$at" KILL)
  if ! start_host "$name-host" --seed "$sd" "${hostSignal[@]}" --trace "$work/$name-host.trace" "$scen"; then
    fail "$case: the host never listened"; continue
  fi
  "$tool" "$scen" --seed "$sd" "${guestSignal[@]}" --trace "$work/$name-guest.trace" --join "127.0.0.1:$port" \
    >"$work/$name-guest.out" 2>"$work/$name-guest.err" &
  guest=$!
  pids+=("$guest")
  { wait "$guest"; wait "$host"; } 2>/dev/null
  [ "$victim" = host ] && leftName=$name-guest || leftName=$name-host
  out="$work/$leftName.out"
  [ "$(count "The connection to .* was lost: " "$out")" -eq 1 ] || fail "$case: the loss was told $(count "The connection to .* was lost: " "$out") times"
  miss=$(miscounted "$out")
  [ -z "$miss" ] || fail "$case: $miss"
  [ -z "$says" ] || grep -qF -- "$says" "$out" || fail "$case: the outcome is not \"$says\": $(grep ' troop quality' "$out")"
  fought=$(fought_after_the_loss "$work/$leftName.trace")
  [ -z "$fought" ] || fail "$case: the machine left went on: $fought"
  echo "$case: $(grep "^Outcome: " "$out")"
done <<'ROWS'
KORVATH.SCN 19 host 231 Persian: lost 15 of 55 troop quality, 1 unit eliminated
GHATMAR.SCN 15 guest 89
GHATMAR.SCN 1 guest 1 Indian: lost 0 of 60 troop quality
GHATMAR.SCN 6 host 87 Macedonian: lost 21 of 70 troop quality, 3 units eliminated, 0 routing (0)
KORVATH.SCN 5 host 117 Macedonian: lost 15 of 54 troop quality, 2 units eliminated, 1 routing (7)
ROWS

# 8. Joining a port where nobody listens: refused at once, the refusal named, within 5 seconds.
# A port that was listened on a moment ago and is closed now.
closed=""
if start_host closing "$scenario"; then
  closed=$port
  kill -9 "$host"
  wait "$host" 2>/dev/null
fi
[ -n "$closed" ] || fail "closed port: no port was found"
began=$(date +%s%N)
"$tool" "$scenario" --seed 7 --join "127.0.0.1:$closed" >"$work/closed.out" 2>"$work/closed.err"
code=$?
took=$((($(date +%s%N) - began) / 1000000))
[ "$code" -eq 1 ] || fail "closed port: exit $code"
[ "$took" -le 5000 ] || fail "closed port: took $took ms"
grep -q "^vael-battle: seed 7: cannot connect to 127.0.0.1:$closed: nobody is listening there (Connection refused)" "$work/closed.err" ||
  fail "closed port: $(cat "$work/closed.err")"
echo "closed port: after $took ms: $(cat "$work/closed.err")"
exit $status
