# Sourced by the scripts that play a battle between two processes.
# host_port PID ERRFILE: waits (up to 20 s) for the host PID to say on ERRFILE the port it listens on, and
# prints it; fails at once when the host has gone without saying it, and when it never does.
host_port() {
  local pid=$1 err=$2 port=""
  for _ in $(seq 1 400); do
    port=$(sed -n 's/^hosting on port \([0-9][0-9]*\)$/\1/p' "$err")
    [ -n "$port" ] && { echo "$port"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

# pair_workspace: gives the script a folder of its own ($work) and kills every process it lists in $pids
# and takes the folder away however the script ends; fail names a failed case and the script goes on, to
# exit with $status.
pair_workspace() {
  work=$(mktemp -d)
  pids=()
  trap 'for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
  status=0
}
fail() { echo "FAILED: $*"; status=1; }
