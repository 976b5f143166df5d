#!/usr/bin/env bash
# A private PostgreSQL cluster for one test: created in a folder of its own,
# reached only through a Unix socket in that folder (no TCP listener), run by
# an unprivileged user when the test runs as root (PostgreSQL refuses root),
# and stopped and removed when the test ends, even when the test is killed.
#
#   pg_cluster.sh start DIR [OWNER_PID] [--durable]
#       creates the cluster in DIR (a new or empty folder) and starts it;
#       prints the connection string of its superuser "tallivo_admin" on
#       the last line. A watchdog stops the server and removes DIR when the
#       process OWNER_PID (default: the caller) is gone. --durable keeps
#       PostgreSQL's flushes to the disk at every commit (benchmarks).
#       Without it the server writes lazily (fsync and synchronous_commit
#       off): faster, and an immediate stop then loses the last commits it
#       had confirmed, which a sender must survive too.
#   pg_cluster.sh stop DIR [immediate]   stops the server (fast, or immediate: a crash)
#   pg_cluster.sh restart DIR            starts it again after a stop
#   pg_cluster.sh remove DIR             stops it and removes DIR
#   pg_cluster.sh watch DIR OWNER_PID    (the watchdog that start launches)
#
# The superuser logs in without a password ("trust", local socket only);
# every other role needs its password (scram-sha-256), as in production.
set -euo pipefail

bin=${TALLIVO_PG_BIN:-/usr/lib/postgresql/15/bin}
cmd=${1:-}
dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop|restart|remove DIR ..." >&2; exit 2; }

# Runs a PostgreSQL program as the cluster's owner.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

pg_ctl_start() {
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 120 start >/dev/null
}

case "$cmd" in
start)
  owner_pid=${3:-$PPID}
  durable=off
  [ "${4:-}" = --durable ] && durable=on
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  # The socket path must stay under the system's limit of 107 bytes.
  if [ ${#dir} -gt 80 ]; then echo "pg_cluster.sh: folder path too long for a socket: $dir" >&2; exit 2; fi
  if [ "$(id -u)" -eq 0 ]; then chown nobody:nogroup "$dir"; fi
  chmod 0755 "$dir"
  # The watchdog, started before anything is made in the folder and in a
  # session of its own: once the owner is gone the server stops and the
  # folder goes, also when this start fails or is killed with its group.
  setsid -f "$0" watch "$dir" "$owner_pid" </dev/null >/dev/null 2>&1
  as_owner "$bin/initdb" -D "$dir/data" -U tallivo_admin --auth-local=scram-sha-256 --auth-host=reject \
    -E UTF8 --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 1; }
  # The superuser alone enters without a password; everybody else with one.
  hba="$dir/data/pg_hba.conf"
  as_owner sh -c "printf 'local all tallivo_admin trust\nlocal all all scram-sha-256\n' > '$hba'"
  as_owner sh -c "cat >> '$dir/data/postgresql.conf'" <<EOF
listen_addresses = ''
unix_socket_directories = '$dir'
port = 5432
max_connections = 120
shared_buffers = 32MB
fsync = $durable
synchronous_commit = $durable
full_page_writes = $durable
log_min_messages = warning
log_statement = 'ddl'
EOF
  pg_ctl_start || { cat "$dir/server.log" >&2; exit 1; }
  echo "host=$dir port=5432 dbname=postgres user=tallivo_admin"
  ;;
watch)
  owner_pid=${3:?}
  trap '' HUP INT TERM
  while kill -0 "$owner_pid" 2>/dev/null; do sleep 1; done
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  ;;
stop)
  mode=${3:-fast}
  as_owner "$bin/pg_ctl" -D "$dir/data" -m "$mode" -w stop >/dev/null
  ;;
restart)
  pg_ctl_start
  ;;
remove)
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  ;;
*)
  echo "pg_cluster.sh: unknown command $cmd" >&2
  exit 2
  ;;
esac
