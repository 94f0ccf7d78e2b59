#!/usr/bin/env bash
# Starts or stops the local Firebird server the remote tests attach to
# ("localhost:" + path). Usage: firebird-server.sh start|stop
#
# start: when nothing answers on 127.0.0.1:3050, sets the SYSDBA password
#   (the security database can only be opened while no server runs), starts
#   /usr/sbin/firebird in the background and waits for the port. A server that
#   already answers is left alone and is not stopped later either.
# stop: stops the server this script started, by the process id it saved.
#
# The tests read the password from UPDATER_FB_PASSWORD; callers export it.
set -euo pipefail

password="${UPDATER_FB_PASSWORD:-masterkey}"
security_db=/var/lib/firebird/3.0/system/security3.fdb
server=/usr/sbin/firebird
state_dir="${UPDATER_FB_STATE_DIR:-${TMPDIR:-/tmp}/updater-firebird}"
pid_file="$state_dir/firebird.pid"
log_file="$state_dir/firebird.log"

port_answers() {
  (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null
}

set_password() {
  echo "create or alter user SYSDBA password '$password' using plugin Srp; commit;" |
    isql-fb -q -user SYSDBA "$security_db"
}

start() {
  if port_answers; then
    echo "firebird-server: a server already answers on 127.0.0.1:3050; leaving it alone"
    return 0
  fi
  if [ ! -x "$server" ]; then
    echo "firebird-server: $server is missing; remote tests will be skipped" >&2
    return 0
  fi
  mkdir -p "$state_dir"
  set_password
  # The server runs as the caller, so it can create and open the database
  # files the tests make in their private temporary folders.
  "$server" >"$log_file" 2>&1 &
  echo $! >"$pid_file"
  for _ in $(seq 1 300); do
    if port_answers; then
      echo "firebird-server: started (pid $(cat "$pid_file"))"
      return 0
    fi
    if ! kill -0 "$(cat "$pid_file")" 2>/dev/null; then break; fi
    sleep 0.1
  done
  echo "firebird-server: the server did not answer on 127.0.0.1:3050" >&2
  cat "$log_file" >&2 || true
  stop
  return 1
}

stop() {
  [ -f "$pid_file" ] || return 0
  local pid
  pid=$(cat "$pid_file")
  rm -f "$pid_file"
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
