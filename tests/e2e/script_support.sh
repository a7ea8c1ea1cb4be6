#!/usr/bin/env bash
# Sourced by the script tests: a headless service on a free loopback port, printing on the
# built-in PDF printer with WORK/program as its program folder, and DICOM images to send it.
#   start_service SERVICE WORK [INI]
#                                 sets port and service_pid; WORK/service.out is its output; INI
#                                 (lines separated by CR LF) is added to Kestrova.ini
#   stop_service                  stops it again (for the caller's EXIT trap)
#   begin_work NAME               sets work to a new folder, removed with the service on exit
#   fail MESSAGE                  ends the script with the message and the service's output
#   make_image WORK NAME ROWS COLUMNS BITS(8|12) [STEPS]
#                                 writes WORK/NAME.dcm, a MONOCHROME2 ramp from left to right; with
#                                 STEPS (8 bits only) a step wedge of that many steps from 0 to 255

begin_work() {
  work=$(mktemp -d "/tmp/kestrova-$1.XXXXXX")
  trap 'stop_service; rm -rf "$work"' EXIT
}

fail() { echo "FAIL: $*" >&2; cat "$work/service.out" >&2; exit 1; }

start_service() {
  local service=$1 work=$2 ini=${3:-}
  mkdir -p "$work/program"
  printf '[Kestrova]\r\nPrinter=Kestrova PDF\r\n%s\r\n' "$ini" > "$work/program/Kestrova.ini"
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
  if [ -n "${service_pid:-}" ]; then
    kill "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
  fi
  service_pid=
}

make_image() {
  local work=$1 name=$2 rows=$3 columns=$4 bits=$5 steps=${6:-0} pixels=$1/$2.raw allocated stored high vr
  if [ "$bits" = 8 ]; then
    perl -e 'my ($r,$c,$s)=@ARGV; print pack("C*", map { my $y=$_; map { $s ? int(int($_*$s/$c)*255/($s-1)) : ($_*255/($c-1)) & 255 } 0..$c-1 } 0..$r-1)' "$rows" "$columns" "$steps" > "$pixels"
    allocated=8 stored=8 high=7 vr=OB
  else
    perl -e 'my ($r,$c)=@ARGV; print pack("v*", map { my $y=$_; map { int($_*4095/($c-1)) } 0..$c-1 } 0..$r-1)' "$rows" "$columns" > "$pixels"
    allocated=16 stored=12 high=11 vr=OW
  fi
  cat > "$work/$name.dump" <<DUMP
(0008,0016) UI =SecondaryCaptureImageStorage
(0008,0018) UI [1.2.826.0.1.3680043.2.1143.999.$RANDOM.$RANDOM]
(0008,0060) CS [OT]
(0010,0010) PN [Test^Film]
(0010,0020) LO [KESTROVA-TEST]
(0020,000d) UI [1.2.826.0.1.3680043.2.1143.999.1]
(0020,000e) UI [1.2.826.0.1.3680043.2.1143.999.2]
(0028,0002) US 1
(0028,0004) CS [MONOCHROME2]
(0028,0010) US $rows
(0028,0011) US $columns
(0028,0100) US $allocated
(0028,0101) US $stored
(0028,0102) US $high
(0028,0103) US 0
(7fe0,0010) $vr =$pixels
DUMP
  dump2dcm +te "$work/$name.dump" "$work/$name.dcm"
}
