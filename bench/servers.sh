# Shared by bench/compare and bench/soak (sourced, not run): the build's programs, free
# loopback ports, the two print servers under test, a private CUPS scheduler, their memory, and
# cleaning up. Every server started here is killed and every temporary folder removed on exit.

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KESTROVA_BUILD_DIR:-$repo/build}
# KESTROVA_SERVICE names another service binary to measure, an older build for one.
service_program=${KESTROVA_SERVICE:-$build/kestrova-service}
load_program=$build/bench/print_load
dcmpstat_template=$repo/tests/e2e/dcmpstat.cfg.in

for program in "$service_program" "$load_program"; do
  if [ ! -x "$program" ]; then
    echo "missing $program: build the targets kestrova-service and print_load first (or set KESTROVA_BUILD_DIR)" >&2
    exit 2
  fi
done
for tool in dcmprscp jq; do
  command -v "$tool" > /dev/null || { echo "missing $tool (apt-get install dcmtk jq)" >&2; exit 2; }
done

bench_work=$(mktemp -d /tmp/kestrova-bench.XXXXXX)
server_pids=()

stop_servers() {
  local pid
  for pid in "${server_pids[@]}"; do
    kill "$pid" 2> /dev/null || true
  done
  for pid in "${server_pids[@]}"; do
    # SIGTERM lets the service shut down in order; one that hangs is killed after 20 s.
    for _ in $(seq 1 200); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2> /dev/null || true
    wait "$pid" 2> /dev/null || true
  done
  server_pids=()
  cups_socket=
}

cleanup_bench() {
  stop_servers
  rm -rf "$bench_work"
}
trap cleanup_bench EXIT
trap 'exit 130' INT TERM

# A port nobody listens on now: the kernel's pick for a socket bound to port 0.
free_port() {
  perl -MIO::Socket::INET -e 'print IO::Socket::INET->new(LocalAddr => "127.0.0.1", LocalPort => 0, Listen => 1)->sockport, "\n"'
}

# listening PORT: true when a socket listens on that loopback port (state 0A in /proc/net/tcp).
listening() {
  local hex
  hex=$(printf '%04X' "$1")
  awk -v port=":$hex" '$4 == "0A" && substr($2, length($2) - 4) == port { found = 1 } END { exit !found }' /proc/net/tcp
}

# wait_for_line FILE PATTERN PID: true once FILE holds PATTERN, false if PID ends or 20 s pass.
wait_for_line() {
  for _ in $(seq 1 200); do
    grep -q "$2" "$1" 2> /dev/null && return 0
    kill -0 "$3" 2> /dev/null || return 1
    sleep 0.1
  done
  return 1
}

# start_kestrova DIR [INI_LINES [PRINTER]]: the headless service printing real PDF pages into
# DIR/program/films, on PRINTER (default "Kestrova PDF"; a queue of the private scheduler when
# start_cupsd ran), with INI_LINES (CR LF separated, a [Limits] section for one) added to its
# Kestrova.ini. Sets kestrova_port and kestrova_pid.
start_kestrova() {
  local dir=$1
  mkdir -p "$dir/program"
  printf '[Kestrova]\r\nPrinter=%s\r\n%s' "${3:-Kestrova PDF}" "${2:-}" > "$dir/program/Kestrova.ini"
  for _ in 1 2 3; do
    kestrova_port=$(free_port)
    env ${cups_socket:+CUPS_SERVER=$cups_socket} \
      "$service_program" --port "$kestrova_port" --folder "$dir/program" > "$dir/service.out" 2>&1 &
    kestrova_pid=$!
    server_pids+=("$kestrova_pid")
    wait_for_line "$dir/service.out" listening "$kestrova_pid" && return 0
  done
  echo "kestrova-service did not start:" >&2; cat "$dir/service.out" >&2
  return 1
}

# start_dcmprscp DIR: DCMTK's print SCP with a configuration that accepts the layouts and the
# 12-bit images the load sends; it keeps what it receives in DIR. Sets dcmprscp_port and dcmprscp_pid.
start_dcmprscp() {
  local dir=$1
  mkdir -p "$dir"/{database,spool,log,lut,reports}
  for _ in 1 2 3; do
    dcmprscp_port=$(free_port)
    sed -e "s|@WORKDIR@|$dir|g" -e "s|@SCP_PORT@|$dcmprscp_port|" -e "s|@SCP_AET@|DCMPRSCP|" \
        -e "s|@TGT_HOST@|127.0.0.1|" -e "s|@TGT_PORT@|104|" -e "s|@TGT_AET@|UNUSED|" \
        -e "s|@TGT_PLUT@|false|" -e "s|@TGT_12BIT@|true|" -e "s|@NET_AET@|BENCH|" \
        "$dcmpstat_template" > "$dir/dcmpstat.cfg"
    (cd "$dir" && exec env TCP_NODELAY=1 dcmprscp -c "$dir/dcmpstat.cfg" -p PEERSCP) > "$dir/dcmprscp.out" 2>&1 &
    dcmprscp_pid=$!
    server_pids+=("$dcmprscp_pid")
    # dcmprscp says "started" before it listens: wait until the port is open.
    for _ in $(seq 1 200); do
      listening "$dcmprscp_port" && return 0
      kill -0 "$dcmprscp_pid" 2> /dev/null || break
      sleep 0.1
    done
  done
  echo "dcmprscp did not start:" >&2; cat "$dir/dcmprscp.out" >&2
  return 1
}

# start_cupsd DIR: a CUPS scheduler of its own (needs root, as cupsd does) on a domain socket in
# DIR, with one queue, $discard_queue, whose device is /dev/null: a printer that takes every job
# at once and keeps nothing. Sets cups_socket, which start_kestrova then gives the service.
discard_queue=KestrovaDiscard
start_cupsd() {
  local dir=$1
  command -v cupsd > /dev/null || [ -x /usr/sbin/cupsd ] || { echo "missing cupsd (apt-get install cups)" >&2; return 1; }
  mkdir -p "$dir"/{conf/ppd,conf/ssl,spool,cache,state,log,tmp}
  chmod 755 "$dir"; chmod 1777 "$dir/tmp"
  cups_socket=$dir/cups.sock
  printf 'LogLevel warn\nListen %s\nBrowsing No\nBrowseLocalProtocols none\nWebInterface No\nDefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n' \
    "$cups_socket" > "$dir/cupsd.conf"
  printf 'ServerRoot %s/conf\nRequestRoot %s/spool\nCacheDir %s/cache\nStateDir %s/state\nTempDir %s/tmp\nErrorLog %s/log/error_log\nAccessLog %s/log/access_log\nPageLog %s/log/page_log\nPrintcap %s/printcap\nFileDevice Yes\nSystemGroup root\n' \
    "$dir" "$dir" "$dir" "$dir" "$dir" "$dir" "$dir" "$dir" "$dir" > "$dir/cups-files.conf"
  /usr/sbin/cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" > "$dir/cupsd.out" 2>&1 &
  server_pids+=("$!")
  for _ in $(seq 1 200); do
    [ -S "$cups_socket" ] && lpstat -h "$cups_socket" -r 2> /dev/null | grep -q 'is running' && break
    sleep 0.1
  done
  lpadmin -h "$cups_socket" -p "$discard_queue" -E -v file:/dev/null 2> "$dir/lpadmin.err" ||
    { echo "cupsd did not come up:" >&2; cat "$dir/cupsd.out" "$dir/lpadmin.err" "$dir/log/error_log" >&2; return 1; }
}

# error_log_lines DIR: how many lines the service started by start_kestrova DIR wrote to its error log.
error_log_lines() {
  local log=$1/program/Logs/Error.log
  if [ -f "$log" ]; then wc -l < "$log"; else echo 0; fi
}

# memory_kb PID FIELD: VmHWM (peak) or VmRSS (now) of a running process, in kB.
memory_kb() {
  awk -v field="$2:" '$1 == field { print $2 }' "/proc/$1/status"
}
