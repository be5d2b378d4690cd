#!/bin/bash
# Starts or stops the resolver stand-in for a test run.
#   fixture.sh start PORT STATE_DIR   start it, wait for its "ready" line
#   fixture.sh stop PORT STATE_DIR    stop the one started there
# The pid file and the server's output stay in STATE_DIR. A stand-in left
# behind on PORT by an earlier run (its pid file here, or any stand-in process
# serving that port) is ended first, so a crashed run never blocks the next.
set -u
action=${1:?start or stop}
port=${2:?port}
state_dir=${3:?state directory}
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
pidfile="$state_dir/standin-$port.pid"
log="$state_dir/standin-$port.log"

# Pids of stand-in processes serving $port, found by their command line.
standin_pids() {
  local dir pid cmd
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    cmd=$(tr '\0' ' ' 2>/dev/null <"$dir/cmdline") || continue
    case "$cmd" in
      *standin.py*"--port $port "*) echo "$pid" ;;
    esac
  done
}

stop_pid() {
  local pid=$1
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

stop_all() {
  if [ -f "$pidfile" ]; then
    stop_pid "$(cat "$pidfile")"
    rm -f "$pidfile"
  fi
  local pid
  for pid in $(standin_pids); do stop_pid "$pid"; done
}

case "$action" in
  start)
    mkdir -p "$state_dir"
    stop_all
    : >"$log"
    setsid python3 "$here/standin.py" --port "$port" --pidfile "$pidfile" >"$log" 2>&1 </dev/null &
    pid=$!
    for _ in $(seq 1 100); do
      if grep -q "^ready $port\$" "$log"; then
        echo "$pid" >"$pidfile"
        echo "stand-in ready on 127.0.0.1:$port (pid $pid)"
        exit 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    echo "stand-in did not start on port $port:" >&2
    cat "$log" >&2
    stop_pid "$pid"
    exit 1
    ;;
  stop)
    stop_all
    ;;
  *)
    echo "usage: $0 start|stop PORT STATE_DIR" >&2
    exit 2
    ;;
esac
