#!/usr/bin/env bash
# Sourced by the script tests: a headless service on a free loopback port, printing on the
# built-in PDF printer with WORK/program as its program folder.
#   start_service SERVICE WORK    sets port and service_pid; WORK/service.out is its output
#   stop_service                  stops it again (for the caller's EXIT trap)

start_service() {
  local service=$1 work=$2
  mkdir -p "$work/program"
  printf '[Kestrova]\r\nPrinter=Kestrova PDF\r\n' > "$work/program/Kestrova.ini"
  for _ in $(seq 1 20); do
    port=$(( 20000 + RANDOM % 40000 ))
    "$service" --port "$port" --folder "$work/program" > "$work/service.out" 2>&1 &
    service_pid=$!
    for _ in $(seq 1 100); do
      grep -q "listening" "$work/service.out" 2>/dev/null && return 0
      kill -0 "$service_pid" 2>/dev/null || break
      sleep 0.1
    done
    stop_service
  done
  echo "the service did not start:" >&2; cat "$work/service.out" >&2
  return 1
}

stop_service() {
  if [ -n "${service_pid:-}" ]; then kill "$service_pid" 2>/dev/null || true; wait "$service_pid" 2>/dev/null || true; fi
  service_pid=
}
