#!/usr/bin/env bash
# A host played by vael-battle meets callers whose names it cannot show: one whose name holds a line feed
# (which would write a line of its own wherever the name is shown) and one that bears the host's own name.
# Each is written here byte by byte, as any program could send it, and must read the host's reason in its
# refusal and take no place; the true guest that calls after them plays the battle, and both machines
# print the same battle, in which no line of the forged name stands.
#   two_machines_names.sh TOOL SCENARIO [--data DIR]
set -u
tool=$1
scenario=$2
shift 2
data=("$@")
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
status=0
fail() { echo "FAILED: $*"; status=1; }

version=$("$tool" --version | sed -n 's/^vael-battle //p')
[ -n "$version" ] || { echo "FAILED: no version from $tool"; exit 1; }

# A u16 or a frame length in little-endian bytes, as printf escapes.
le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)); }
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }

# The whole greeting frame of a guest of this name (protocol 3), into a file.
greeting() {
  local name=$1 out=$2
  {
    printf 'VAEL'
    printf "$(le16 3)$(le16 ${#version})"
    printf '%s' "$version"
    printf "$(le16 ${#name})"
    printf '%s' "$name"
    printf "$(le16 0)"
  } >"$out.payload"
  { printf "VF\\x01\\x00$(le32 "$(wc -c <"$out.payload")")"; cat "$out.payload"; } >"$out"
}

: >"$work/host.err"
"$tool" "$scenario" "${data[@]}" --seed 1 --host 0 >"$work/host.out" 2>"$work/host.err" &
host=$!
pids+=("$host")
port=""
for _ in $(seq 1 400); do
  port=$(sed -n 's/^hosting on port \([0-9][0-9]*\)$/\1/p' "$work/host.err")
  [ -n "$port" ] && break
  kill -0 "$host" 2>/dev/null || break
  sleep 0.05
done
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

"$tool" "$scenario" "${data[@]}" --seed 1 --join "127.0.0.1:$port" >"$work/guest.out" 2>"$work/guest.err"
guest=$?
wait "$host"
hosted=$?
[ "$hosted" -eq 0 ] && [ "$guest" -eq 0 ] ||
  fail "the host exited $hosted, the guest $guest: $(cat "$work/host.err" "$work/guest.err")"
grep -q '^Outcome: ' "$work/host.out" || fail "the host printed no outcome"
diff -u "$work/host.out" "$work/guest.out" >"$work/diff" || fail "the two machines printed different battles: $(head -20 "$work/diff")"
grep -q "I give up" "$work/host.out" "$work/host.err" && fail "the forged name was shown: $(grep "I give up" "$work/host.out" "$work/host.err")"
[ "$status" -eq 0 ] && echo "ok: both callers refused with their reasons; the guest after them played the battle"
exit $status
