# Sourced by the scripts that start helper processes. They end only what they started, by
# process id, and every wait has a deadline, so they are safe on a machine others share.

started_pids=()
# Ends them newest first and waits for each: an X server that is still shutting down can take
# the display of the next one with it.
stop_started() {
  local i
  for ((i = ${#started_pids[@]} - 1; i >= 0; i--)); do stop_process "${started_pids[i]}" || true; done
}
trap stop_started EXIT

# wait_until <seconds> <command> [<argument>...]: runs the command every tenth of a second
# until it succeeds; fails once the seconds have passed.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# stop_process <pid>: ends a process this script started and reaps it, within ten seconds.
stop_process() {
  kill "$1" 2>/dev/null || true
  wait_until 10 has_ended "$1" || { echo "Process $1 did not end." >&2; return 1; }
  wait "$1" 2>/dev/null || true
  # Reaped, so its number may soon belong to someone else's process: forget it.
  local pid kept=()
  for pid in "${started_pids[@]}"; do [ "$pid" = "$1" ] || kept+=("$pid"); done
  started_pids=("${kept[@]}")
}
has_ended() { [[ "$(ps -o stat= -p "$1")" != [^Z]* ]]; }

# start_virtual_display <work directory>: starts Xvfb on a display number that the server
# itself finds free and exports DISPLAY once the server is ready for clients; -noreset keeps
# it from resetting (and refusing clients for a moment) whenever its last client leaves.
start_virtual_display() {
  local number_file="$1/xvfb.display"
  rm -f "$number_file"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$number_file" 2>"$1/xvfb.log" &
  started_pids+=($!)
  wait_until 30 grep -qsx '[0-9]\+' "$number_file" || { echo "Xvfb did not start; see $1/xvfb.log" >&2; return 1; }
  export DISPLAY=":$(cat "$number_file")"
}
