#!/usr/bin/env bash
# Two vael-battle processes play a battle, and one of them, at its N-th line of commentary, also writes the
# other machine a message its battle never made (the tool's --forge-at, the bytes written here as any
# program could write them): a leave in somebody's name, an end or a turn's end with counts nobody counted,
# an end alone, forty routs of one unit, a leader's fall three times, turns begun within a turn, an
# activation of leader 999, a check-in or an end of combat twice; the guest's bare end of the battle (the
# numbered event), alone or in its check-in, its momentum, an end won by nobody, a state alone or one that
# fits no battle, a living leader's fall, a rout or a rally told once. Each case names itself when it fails,
# and the refusal must name the forged message.
# Whatever was forged, the two honest machines either print the same battle or both end with the reason
# (the forged leave in the guest's own name ends the battle as a leave); no outcome holds a count below
# nothing or beyond what a side fields, nor a winner its commentary does not bear (nobody, or the side over its
# limit alone); both processes end within the limit.
#   two_machines_forged.sh TOOL SCENARIO [--data DIR] [--limit SECONDS] [--sweep N FIRST-SEED]
# The cases play SCENARIO's seed 5. With --sweep, N forged conversations more (four at a time), each of a
# kind, a battle of GHATMAR THRENMOOR ARDHUN KORVATH VELMESK, a seed, a machine and a line drawn from
# FIRST-SEED on, sent once or three times, a third of them on the display layers, are held to the same; the
# count of each ending is printed, "same" being the forgeries taken in silence that left the battle as it was.
set -u
. "$(dirname "$0")/host_port.sh"
tool=$1
scenario=$2
shift 2
data=()
limit=120
sweep=0
sweepSeed=1
while [ $# -gt 0 ]; do
  case $1 in
    --data) data=(--data "$2"); shift 2 ;;
    --limit) limit=$2; shift 2 ;;
    --sweep) sweep=$2; sweepSeed=$3; shift 3 ;;
    *) echo "unknown option $1"; exit 2 ;;
  esac
done
pair_workspace

# Little-endian bytes as printf escapes; a text is its u16 length and its bytes.
le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)); }
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
txt() { printf '%s%s' "$(le16 ${#1})" "$1"; }
# A message payload as printf escapes: the name, mode 3 (sent), then no box or a box of TYPE holding VALUE.
message() {
  local name=$1 type=${2-} value=${3-}
  printf '%s%s%s' "$(le32 ${#name})" "$name" "$(le16 3)"
  if [ -z "$type" ]; then le16 0; else printf '%s%s%s' "$(le16 1)" "$(txt "$type")" "$value"; fi
}
# The frame of one message, or of a batch of the payloads given (each written alone first), into FILE.
frame_of() {
  local file=$1 payload=$2
  printf "$payload" >"$file.payload"
  { printf "VF\\x02\\x00$(le32 "$(wc -c <"$file.payload")")"; cat "$file.payload"; } >"$file"
}
# A batch of the payloads given, each once.
batch_list() {
  local file=$1 p
  shift
  printf "$(le16 $#)" >"$file.payload"
  for p in "$@"; do
    printf "$p" >"$file.one"
    printf "$(le32 "$(wc -c <"$file.one")")" >>"$file.payload"
    cat "$file.one" >>"$file.payload"
  done
  { printf "VF\\x04\\x00$(le32 "$(wc -c <"$file.payload")")"; cat "$file.payload"; } >"$file"
}
# A numbered event of the bus: no name, its number and mode as u32, no box.
numbered() { printf '%s%s%s%s' "$(le32 0)" "$(le32 "$1")" "$(le32 3)" "$(le16 0)"; }
batch_of() {
  local file=$1 count=$2 payload=$3
  : >"$file.payload"
  printf "$(le16 "$count")" >>"$file.payload"
  printf "$payload" >"$file.one"
  for _ in $(seq 1 "$count"); do
    printf "$(le32 "$(wc -c <"$file.one")")" >>"$file.payload"
    cat "$file.one" >>"$file.payload"
  done
  { printf "VF\\x04\\x00$(le32 "$(wc -c <"$file.payload")")"; cat "$file.payload"; } >"$file"
}
# EndOfGameResults: the winner, the two nations and their names, then twelve counts (the limits given).
results() {
  local winner=$1 home=$2 visitor=$3 count=$4 homeLimit=$5 visitorLimit=$6
  printf '%s%s%s%s%s' "$(le32 "$winner")" "$(le32 "$home")" "$(le32 "$visitor")" "$(txt home)" "$(txt visitor)"
  local c
  for c in "$count" "$count" "$homeLimit" "$visitorLimit" "$count" "$count" "$count" "$count" "$count" "$count" "$count" "$count"; do
    le16 "$c"
  done
}

nations=(NoNation Macedonian Persian Indian Greek Danubian Scythian Spartan African Roman)
nation_code() { local i; for i in "${!nations[@]}"; do [ "${nations[$i]}" = "$1" ] && echo "$i"; done; }

# Writes the forged frame of KIND for a battle of home and visitor nations HOME VISITOR (limits HL VL) into
# FILE, and prints the reason the machine it is sent to gives ("" when that is not one reason).
# In Ghatmar, an Indian archer is of kind 6 and worth 5, and Rajavan is unit 29, worth 20 when he falls.
forge() {
  local kind=$1 file=$2 home=$3 visitor=$4 hl=$5 vl=$6
  case $kind in
    leave-own) frame_of "$file" "$(message PlayerDeleted string "$(txt Guest)")"; echo "" ;;
    leave-a) frame_of "$file" "$(message PlayerDeleted string "$(txt a)")"
      echo '"PlayerDeleted" names "a", who is not the other player' ;;
    end-32767) frame_of "$file" "$(message EndOfGame EndOfGameResults "$(results "$visitor" "$home" "$visitor" 32767 "$hl" "$vl")")"
      echo '"EndOfGame" names a winner that the battle'"'"'s losses do not make' ;;
    game-ended) frame_of "$file" "$(message GameEnded short "$(le16 0)")"
      echo '"GameEnded" came before the battle'"'"'s end was told' ;;
    routs-40) batch_of "$file" 40 "$(message UnitRouted UnitRoutData "$(le32 3)$(le16 5)$(le32 6)")"
      echo '"UnitRouted" ' ;;
    leader-falls-3) batch_of "$file" 3 "$(message UnitEliminated EliminateUnitData "$(le32 3)$(le16 20)$(le32 4294967295)$(le16 29)")"
      echo '"UnitEliminated" ' ;;
    begin-turn) frame_of "$file" "$(message BeginTurn)"
      echo '"BeginTurn" came before the turn under way was ended' ;;
    begin-turn-3) batch_of "$file" 3 "$(message BeginTurn)"
      echo '"BeginTurn" came before the turn under way was ended' ;;
    activate-999) frame_of "$file" "$(message ActivateLeader 'unsigned short' "$(le16 999)")"
      echo '"ActivateLeader" names unit 999, no leader of this battle' ;;
    end-of-turn-32767) frame_of "$file" "$(message EndOfTurn EndOfGameResults "$(results 0 "$home" "$visitor" 32767 "$hl" "$vl")")"
      echo '"EndOfTurn" ' ;;
    combat-done-3) batch_of "$file" 3 "$(message CombatDone)"; echo '"CombatDone" came ' ;;
    synchronize-3) batch_of "$file" 3 "$(message SynchronizeGame string "$(txt viewing)")"
      echo '"SynchronizeGame" came twice in one step' ;;
    end-game) frame_of "$file" "$(numbered 26)"; echo 'END_GAME came while no commander had fallen' ;;
    end-game-3) batch_of "$file" 3 "$(numbered 26)"; echo 'END_GAME ' ;;
    check-in-end) batch_list "$file" "$(message SynchronizeGame string "$(txt viewing)")" "$(numbered 26)"; echo "" ;;
    end-nobody) frame_of "$file" "$(message EndOfGame EndOfGameResults "$(results 0 "$home" "$visitor" 0 "$hl" "$vl")")"
      echo '"EndOfGame" names no winner, where the battle'"'"'s rules end it with one' ;;
    momentum) frame_of "$file" "$(message CanAttemptMomentum short "$(le16 1)")"; echo '"CanAttemptMomentum" ' ;;
    momentum-3) batch_of "$file" 3 "$(message CanAttemptMomentum short "$(le16 1)")"; echo '"CanAttemptMomentum" ' ;;
    state-alone) frame_of "$file" "$(message BattleState BattleStateStruct "$(le32 0)")"
      echo '"BattleState" came without a word that hands the battle over' ;;
    state-unfit) batch_list "$file" "$(message BattleState BattleStateStruct "$(le32 1)\\x00")" "$(message CombatDone)"
      echo '"BattleState" ' ;;
    leader-falls) frame_of "$file" "$(message UnitEliminated EliminateUnitData "$(le32 3)$(le16 20)$(le32 4294967295)$(le16 29)")"
      echo '"UnitEliminated" ' ;;
    rout) frame_of "$file" "$(message UnitRouted UnitRoutData "$(le32 3)$(le16 5)$(le32 6)")"; echo '"UnitRouted" ' ;;
    rally) frame_of "$file" "$(message UnitRallied UnitRoutData "$(le32 3)$(le16 5)$(le32 6)")"; echo '"UnitRallied" ' ;;
    # In Ghatmar, Aristhon is a leader of the host's and Surendal of the guest's.
    leader-activated) frame_of "$file" "$(message LeaderActivated string "$(txt Aristhon)")"; echo '"LeaderActivated" names ' ;;
    leader-activated-guest) frame_of "$file" "$(message LeaderActivated string "$(txt Surendal)")"; echo '"LeaderActivated" names ' ;;
    player-info) frame_of "$file" "$(message SetPlayerInfo PlyrInfo "$(txt Guest)$(txt '(Aristhon)')")"
      echo '"SetPlayerInfo" came after the battle began' ;;
    activate-host-leader) frame_of "$file" "$(message ActivateLeader 'unsigned short' "$(le16 0)")"; echo '"ActivateLeader" ' ;;
    answer-typed) frame_of "$file" "$(message NetAnswer short "$(le16 1)")"; echo '"NetAnswer" ' ;;
    answer-letter) frame_of "$file" "$(message NetAnswer string "$(txt e)")"; echo '"NetAnswer" ' ;;
    chat-flood) batch_of "$file" 400 "$(message ChatMessage string "$(txt 'Guest: hi')")"
      echo '"ChatMessage" came more than 300 times in one step of the battle' ;;
    long-line) frame_of "$file" "$(message AddCommentary string "$(txt "$(printf '%03000d' 0)")")"
      echo '"AddCommentary" holds a line of 3000 bytes, more than 2048' ;;
  esac
}

# What an outcome cannot hold: a count below nothing, more troop quality lost than the 32767 no battle
# reaches, or more units eliminated or routing than the twenty-five a side fields at the most.
impossible() {
  grep '^[A-Za-z]*: lost ' "$1" | awk '{
      gsub(/[(),]/, " ")
      lost = $3; elim = $8; routing = $11; routedTQ = $13
      if (lost < 0 || elim < 0 || routing < 0 || routedTQ < 0 || lost > 1000 || elim > 40 || routing > 40) print $0
    }'
}

# The outcome its commentary does not bear: a battle won by nobody (the rules name a winner whenever they
# end one, and a lost connection names one by default), or, where the connection did not end it, a winner
# other than the one side that is not over its limit.
unborne() {
  grep -q ' won by default' "$1" && byDefault=1 || byDefault=0
  awk -v byDefault="$byDefault" '
    /^Outcome: / { winner = $2 }
    /^[A-Za-z]*: lost / { name[++n] = substr($1, 1, length($1) - 1); over[n] = $3 >= $5 }
    END {
      if (winner == "") exit
      if (winner == "nobody") { print "nobody won"; exit }
      if (!byDefault && n == 2 && over[1] != over[2] && winner != (over[1] ? name[2] : name[1]))
        print winner " won, where " (over[1] ? name[1] : name[2]) " alone is over its limit"
    }' "$1"
}

# One forged conversation: LABEL SCENARIO SEED SENDER LINE KIND [EXPECTED]; its verdict goes to
# $work/LABEL.verdict: "same", "refused", "left" or "FAILED ...".
converse() {
  local label=$1 scen=$2 seed=$3 sender=$4 at=$5 kind=$6 expected=${7-} shown=()
  [ -n "${DISPLAYED-}" ] && shown=(--display)
  local dir="$work/$label" verdict="$work/$label.verdict"
  mkdir -p "$dir"
  local hl vl home visitor
  read -r home visitor hl vl <"$work/sides-$scen"
  forge "$kind" "$dir/frame" "$home" "$visitor" "$hl" "$vl" >"$dir/reason"
  local hostForge=() guestForge=()
  if [ "$kind" = none ]; then :
  elif [ "$sender" = host ]; then hostForge=(--forge-at "$at" "$dir/frame")
  else guestForge=(--forge-at "$at" "$dir/frame"); fi
  : >"$dir/host.err"
  timeout -s KILL "$limit" "$tool" "$scen" "${data[@]}" "${shown[@]}" --seed "$seed" "${hostForge[@]}" --host 0 \
    >"$dir/host.out" 2>"$dir/host.err" &
  local host=$! port=""
  port=$(host_port "$host" "$dir/host.err")
  if [ -z "$port" ]; then
    kill -9 "$host" 2>/dev/null; { wait "$host"; } 2>/dev/null
    echo "FAILED $label: the host never listened" >"$verdict"; return
  fi
  timeout -s KILL "$limit" "$tool" "$scen" "${data[@]}" "${shown[@]}" --seed "$seed" "${guestForge[@]}" --join "127.0.0.1:$port" \
    >"$dir/guest.out" 2>"$dir/guest.err"
  local guest=$?
  { wait "$host"; } 2>/dev/null
  local hosted=$?
  local bad unbacked
  bad=$(impossible "$dir/host.out"; impossible "$dir/guest.out")
  unbacked=$(unborne "$dir/host.out"; unborne "$dir/guest.out")
  if [ "$hosted" -eq 137 ] || [ "$guest" -eq 137 ]; then
    echo "FAILED $label: the pair did not end within $limit seconds" >"$verdict"
  elif [ -n "$bad" ]; then
    echo "FAILED $label: an impossible count: $bad" >"$verdict"
  elif [ -n "$unbacked" ]; then
    echo "FAILED $label: an outcome the commentary does not bear: $unbacked" >"$verdict"
  elif [ "$hosted" -eq 0 ] && [ "$guest" -eq 0 ]; then
    if cmp -s "$dir/host.out" "$dir/guest.out"; then echo same >"$verdict"
    else echo "FAILED $label: the two machines printed different battles, and neither refused" >"$verdict"; fi
  elif [ "$hosted" -eq 1 ] && [ "$guest" -eq 1 ]; then
    local refuser=guest senderName=host
    [ "$sender" = guest ] && refuser=host senderName=guest
    local told said
    local named
    named=$(head -c 1 "$dir/reason" | grep -q . && sed 's/^\("[A-Za-z]*"\|[A-Z_]* \).*$/\1/' "$dir/reason")
    told=$(sed -n 's/^.*the other machine is gone: refused a frame: \(.*\) (turn .*$/\1/p' "$dir/$refuser.err")
    said=$(sed -n 's/^.*the other machine is gone: the other machine refused: refused a frame: \(.*\) (turn .*$/\1/p' "$dir/$senderName.err")
    if [ -n "$told" ] && [ "$told" = "$said" ]; then
      if [ -n "$expected" ] && [[ "$told" != "$expected"* ]]; then
        echo "FAILED $label: refused with \"$told\", not \"$expected\"" >"$verdict"
      elif [ -n "$named" ] && [[ "$told" != "$named"* ]]; then
        echo "misnamed $label: refused with \"$told\", which does not name the forged $named" >"$verdict"
      else
        echo "refused" >"$verdict"
      fi
    elif grep -q "the other machine is gone: Guest left the battle\." "$dir/host.err" &&
      grep -q "the other machine is gone: " "$dir/guest.err"; then
      echo "left" >"$verdict"
    else
      echo "FAILED $label: both ended, not with one reason: host: $(grep -h "gone" "$dir/host.err") guest: $(grep -h "gone" "$dir/guest.err")" >"$verdict"
    fi
  else
    echo "FAILED $label: the host exited $hosted, the guest $guest: $(tail -n 2 "$dir/host.err" "$dir/guest.err" | tr '\n' ' ')" >"$verdict"
  fi
}

# The sides of each battle (their nations and limits), from an unbroken pair's outcome and the battle's
# troop quality: "home visitor homeLimit visitorLimit".
sides() {
  local scen=$1
  [ -f "$work/sides-$scen" ] && return
  "$tool" "$scen" "${data[@]}" --seed 1 --turns 1 >"$work/one-$scen.out" 2>/dev/null
  grep ' troop quality' "$work/one-$scen.out" | sed -n 's/^\([A-Za-z]*\): lost [0-9-]* of \([0-9]*\) troop quality.*$/\1 \2/p' |
    { read -r hn hl; read -r vn vl; echo "$(nation_code "$hn") $(nation_code "$vn") $hl $vl"; } >"$work/sides-$scen"
}

# The cases: SENDER LINE KIND, played on seed 5 (the guest forges after its 20th line, the host after its
# 40th), each with the reason expected (what "forge" prints).
sides "$scenario"
while read -r sender at kind; do
  label="case-$kind-$sender"
  converse "$label" "$scenario" 5 "$sender" "$at" "$kind" "$(forge "$kind" "$work/probe" 1 3 70 60)"
  verdict=$(cat "$work/$label.verdict")
  case $verdict in
    FAILED*) fail "${verdict#FAILED }" ;;
    same) fail "$label: the forged message was taken: both machines played on as if it had not come" ;;
    left) [ "$kind" = leave-own ] || fail "$label: taken as a leave" ;;
    misnamed*) fail "${verdict#misnamed }" ;;
    refused) [ "$kind" = leave-own ] && fail "$label: refused, not taken as the guest's leave" ;;
  esac
  echo "$label: $verdict: $(grep -h "the other machine is gone" "$work/$label/host.err" | head -1)"
done <<'CASES'
guest 20 leave-own
guest 20 leave-a
host 40 end-32767
host 40 game-ended
host 40 routs-40
host 40 leader-falls-3
host 40 begin-turn
host 40 begin-turn-3
host 40 activate-999
host 40 end-of-turn-32767
guest 20 synchronize-3
host 40 combat-done-3
guest 20 end-game
guest 20 check-in-end
host 40 end-nobody
guest 20 momentum
host 40 state-alone
guest 20 state-unfit
host 40 leader-falls
host 40 rout
guest 20 leader-activated
guest 20 player-info
guest 20 answer-typed
guest 20 chat-flood
guest 20 long-line
CASES

# The sweep: conversations drawn from the seed, four at a time.
if [ "$sweep" -gt 0 ]; then
  battles=(GHATMAR.SCN THRENMOOR.SCN ARDHUN.SCN KORVATH.SCN VELMESK.SCN)
  kinds=(leave-own leave-a end-32767 game-ended routs-40 leader-falls-3 begin-turn begin-turn-3 activate-999
    end-of-turn-32767 synchronize-3 combat-done-3 end-game end-game-3 check-in-end end-nobody momentum momentum-3
    state-alone state-unfit leader-falls rout rally leader-activated leader-activated-guest player-info
    activate-host-leader answer-typed answer-letter chat-flood long-line)
  for b in "${battles[@]}"; do sides "$b"; done
  RANDOM=$sweepSeed
  running=0
  for i in $(seq 1 "$sweep"); do
    b=${battles[$((RANDOM % 5))]}
    k=${kinds[$((RANDOM % ${#kinds[@]}))]}
    s=$((RANDOM % 30 + 1))
    [ $((RANDOM % 2)) -eq 0 ] && who=host || who=guest
    line=$((RANDOM % 400 + 1))
    [ $((i % 3)) -eq 0 ] && shown=1 || shown=""
    echo "$b seed $s, $k from the $who at line $line${shown:+, shown}" >"$work/sweep-$i.what"
    echo "$b $s $shown" >"$work/sweep-$i.pair"
    DISPLAYED=$shown converse "sweep-$i" "$b" "$s" "$who" "$line" "$k" &
    running=$((running + 1))
    if [ "$running" -ge 4 ]; then wait -n; running=$((running - 1)); fi
  done
  wait
  for i in $(seq 1 "$sweep"); do
    [ -f "$work/sweep-$i.verdict" ] || echo "FAILED sweep-$i: no verdict" >"$work/sweep-$i.verdict"
    verdict=$(cat "$work/sweep-$i.verdict")
    case $verdict in FAILED*) fail "$(cat "$work/sweep-$i.what"): ${verdict#FAILED }" ;; esac
  done
  echo "sweep of $sweep forged conversations: $(cat "$work"/sweep-*.verdict | sed 's/ .*//' | sort | uniq -c | tr -s ' ' | paste -sd,)"
  for i in $(seq 1 "$sweep"); do
    case $(cat "$work/sweep-$i.verdict") in misnamed*) echo "$(cat "$work/sweep-$i.what"): $(cat "$work/sweep-$i.verdict")" ;; esac
  done
  # The forgeries taken in silence, each held to the undisturbed pair of its battle and seed: the battle they
  # changed ends otherwise. (A pair on the display layers plays its animations against the wire's timing and
  # may end otherwise from run to run: those are counted, not held.)
  running=0
  for i in $(seq 1 "$sweep"); do
    [ "$(cat "$work/sweep-$i.verdict")" = same ] || continue
    read -r b s shown <"$work/sweep-$i.pair"
    [ -n "$shown" ] && continue
    label="plain-${b%.SCN}-$s"
    [ -e "$work/$label.started" ] && continue
    touch "$work/$label.started"
    converse "$label" "$b" "$s" host 1 none &
    running=$((running + 1))
    if [ "$running" -ge 4 ]; then wait -n; running=$((running - 1)); fi
  done
  wait
  silent=0 changed=0 silentShown=0
  for i in $(seq 1 "$sweep"); do
    [ "$(cat "$work/sweep-$i.verdict")" = same ] || continue
    read -r b s shown <"$work/sweep-$i.pair"
    silent=$((silent + 1))
    if [ -n "$shown" ]; then silentShown=$((silentShown + 1)); continue; fi
    # The outcome and the sides' counts: which lines tell who is still viewing what varies from run to run.
    if ! cmp -s <(grep -A2 '^Outcome: ' "$work/sweep-$i/host.out") \
      <(grep -A2 '^Outcome: ' "$work/plain-${b%.SCN}-$s/host.out"); then
      changed=$((changed + 1))
      echo "$(cat "$work/sweep-$i.what"): taken in silence, and the battle is not the undisturbed pair's"
    fi
  done
  echo "taken in silence: $silent ($silentShown on the display layers); of the others, $changed changed the battle"
fi
exit $status
