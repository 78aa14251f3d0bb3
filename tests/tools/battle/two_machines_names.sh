#!/usr/bin/env bash
# A host played by vael-battle meets callers whose names it cannot show: one whose name holds a line feed
# (which would write a line of its own wherever the name is shown), one that bears the host's own name, and
# one that bears it with a zero-width space. Each is written here byte by byte, as any program could send
# it, and must read the host's reason in its refusal and take no place; the true guest that calls after
# them plays the battle, and both machines print the same battle, in which no line of the forged name
# stands. Then hosts of their own meet callers that send a message with a name no program of ours sends.
#   two_machines_names.sh TOOL SCENARIO [--data DIR]
set -u
. "$(dirname "$0")/host_port.sh"
tool=$1
scenario=$2
shift 2
data=("$@")
pair_workspace

version=$("$tool" --version | sed -n 's/^vael-battle //p')
[ -n "$version" ] || { echo "FAILED: no version from $tool"; exit 1; }

# A u16 or a frame length in little-endian bytes, as printf escapes.
le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)); }
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }

# How many bytes a text takes, whatever the locale counts as a character.
size() { printf '%s' "$1" | wc -c; }

# The whole greeting frame of a guest of this name (protocol 4), into a file.
greeting() {
  local name=$1 out=$2
  {
    printf 'VAEL'
    printf "$(le16 4)$(le16 "$(size "$version")")"
    printf '%s' "$version"
    printf "$(le16 "$(size "$name")")"
    printf '%s' "$name"
    printf "$(le16 0)"
  } >"$out.payload"
  { printf "VF\\x01\\x00$(le32 "$(wc -c <"$out.payload")")"; cat "$out.payload"; } >"$out"
}

: >"$work/host.err"
"$tool" "$scenario" "${data[@]}" --seed 1 --host 0 >"$work/host.out" 2>"$work/host.err" &
host=$!
pids+=("$host")
port=$(host_port "$host" "$work/host.err")
[ -n "$port" ] || { echo "FAILED: the host never listened"; cat "$work/host.err"; exit 1; }

# Each caller greets and reads what the host says until it closes the line.
call() {
  local label=$1 name=$2 expected=$3
  greeting "$name" "$work/$label.greeting"
  if ! exec 3<>"/dev/tcp/127.0.0.1/$port"; then
    fail "$label: cannot call the host"
    return
  fi
  cat "$work/$label.greeting" >&3
  timeout 20 cat <&3 >"$work/$label.reply"
  exec 3<&-
  grep -aqF -- "$expected" "$work/$label.reply" ||
    fail "$label: not told \"$expected\"; read: $(tr -c '[:print:]' '.' <"$work/$label.reply")"
}
call forged $'Guest\nHost: I give up' \
  "refused the connection: the player's name \"Guest\\x0AHost: I give up\" holds a control character"
call namesake "Host" "refused the connection: both players are named Host"
# A zero-width space shows nothing: the name is still the host's.
call invisible $'Host\xe2\x80\x8b' "refused the connection: both players are named Host"

"$tool" "$scenario" "${data[@]}" --seed 1 --join "127.0.0.1:$port" >"$work/guest.out" 2>"$work/guest.err"
guest=$?
wait "$host"
hosted=$?
[ "$hosted" -eq 0 ] && [ "$guest" -eq 0 ] ||
  fail "the host exited $hosted, the guest $guest: $(cat "$work/host.err" "$work/guest.err")"
grep -q '^Outcome: ' "$work/host.out" || fail "the host printed no outcome"
diff -u "$work/host.out" "$work/guest.out" >"$work/diff" || fail "the two machines printed different battles: $(head -20 "$work/diff")"
grep -q "I give up" "$work/host.out" "$work/host.err" && fail "the forged name was shown: $(grep "I give up" "$work/host.out" "$work/host.err")"

# A caller that greets as a player should, then sends a message no program of ours sends, whose name (or
# payload's type) holds an escape sequence, a line feed and a C1 byte: a host of its own refuses it and
# tells the loss, the bytes escaped, on one line of its commentary and in the reason it sends back; not a
# raw escape or C1 byte reaches its terminal.
evil=$'Evil\e[2J\nHost: ha\x9b'
evilShown='Evil\x1B[2J\x0AHost: ha\x9B'
# A message payload: the name, dispatch mode 3, and no box or a box of the type named.
message() {
  printf "$(le32 "$(size "$1")")"
  printf '%s' "$1"
  printf "$(le16 3)"
  if [ -z "${2-}" ]; then
    printf "$(le16 0)"
  else
    printf "$(le16 1)$(le16 "$(size "$2")")"
    printf '%s' "$2"
    printf "$(le16 0)"
  fi
}
# The whole frame of this kind (2 a message, 4 a batch) around the payload file.
frame() { printf "VF\\x0$1\\x00$(le32 "$(wc -c <"$2")")"; cat "$2"; }
hostile() {
  local label=$1 kind=$2 said=$3
  "$tool" "$scenario" "${data[@]}" --seed 1 --host 0 >"$work/$label.out" 2>"$work/$label.err" &
  local evilHost=$!
  pids+=("$evilHost")
  local evilPort=""
  evilPort=$(host_port "$evilHost" "$work/$label.err")
  [ -n "$evilPort" ] || { fail "$label: the host never listened"; return; }
  greeting "Surendal" "$work/$label.greeting"
  frame "$kind" "$work/$label.payload" >"$work/$label.frame"
  if ! exec 3<>"/dev/tcp/127.0.0.1/$evilPort"; then
    fail "$label: cannot call the host"
    return
  fi
  cat "$work/$label.greeting" >&3
  # Into the battle: the host has sent its first line of commentary.
  : >"$work/$label.reply"
  for _ in $(seq 1 200); do
    timeout 0.1 cat <&3 >>"$work/$label.reply"
    grep -aq "is being decided" "$work/$label.reply" && break
    kill -0 "$evilHost" 2>/dev/null || break
  done
  cat "$work/$label.frame" >&3
  timeout 20 cat <&3 >>"$work/$label.reply"
  exec 3<&-
  wait "$evilHost"
  local expected="refused a frame: $said"
  grep -aqF -- "$expected" "$work/$label.reply" ||
    fail "$label: the caller was not told \"$expected\"; read: $(tr -c '[:print:]' '.' <"$work/$label.reply")"
  grep -qxF -- "The connection to Surendal was lost: $expected. The battle ends, won by default." "$work/$label.out" ||
    fail "$label: the host did not tell the loss on one line: $(cat -v "$work/$label.out" | tail -3)"
  if LC_ALL=C grep -q $'[\e\x9b]' "$work/$label.out" "$work/$label.err"; then
    fail "$label: a raw escape or C1 byte reached the host's output: $(LC_ALL=C grep -h $'[\e\x9b]' "$work/$label.out" "$work/$label.err" | cat -v)"
  fi
}
message "$evil" >"$work/named.payload"
hostile named 2 "unknown message \"$evilShown\""
message "$evil" >"$work/one"
{ printf "$(le16 1)$(le32 "$(wc -c <"$work/one")")"; cat "$work/one"; } >"$work/batched.payload"
hostile batched 4 "unknown message \"$evilShown\""
message AddCommentary "$evil" >"$work/typed.payload"
hostile typed 2 "unknown payload type \"$evilShown\""

[ "$status" -eq 0 ] && echo "ok: every caller refused with its reason; the guest after them played the battle; hostile names shown escaped"
exit $status
