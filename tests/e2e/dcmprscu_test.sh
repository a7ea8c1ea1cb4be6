#!/usr/bin/env bash
# Sends a stored print job with DCMTK's print SCU (dcmprscu) to a headless Kestrova service and
# passes only when dcmprscu logged no error and a one-page PDF came out.
#   dcmprscu_test.sh SERVICE CONFIG_TEMPLATE BITS(8|12) ORIENTATION(portrait|landscape) [--session-print] [--plut]
set -euo pipefail

service=$1 template=$2 bits=$3 orientation=$4
shift 4
session_print=false plut=false
for option in "$@"; do
  case $option in
    --session-print) session_print=true ;;
    --plut) plut=true ;;
    *) echo "unknown option $option" >&2; exit 2 ;;
  esac
done

work=$(mktemp -d /tmp/kestrova-dcmprscu.XXXXXX)
service_pid=
cleanup() {
  if [ -n "$service_pid" ]; then kill "$service_pid" 2>/dev/null || true; wait "$service_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work"/{program,database,spool,log,lut,reports}
# Printing on the built-in PDF printer, whatever the machine has.
printf '[Kestrova]\r\nPrinter=Kestrova PDF\r\n' > "$work/program/Kestrova.ini"

start_service() {
  for _ in $(seq 1 20); do
    port=$(( 20000 + RANDOM % 40000 ))
    "$service" --port "$port" --folder "$work/program" > "$work/service.out" 2>&1 &
    service_pid=$!
    for _ in $(seq 1 100); do
      grep -q "listening" "$work/service.out" 2>/dev/null && return 0
      kill -0 "$service_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$service_pid" 2>/dev/null || true; wait "$service_pid" 2>/dev/null || true
    service_pid=
  done
  echo "the service did not start:" >&2; cat "$work/service.out" >&2
  return 1
}

make_image() { # make_image NAME ROWS COLUMNS
  local name=$1 rows=$2 columns=$3 pixels=$work/$1.raw
  if [ "$bits" = 8 ]; then
    perl -e 'my ($r,$c)=@ARGV; print pack("C*", map { my $y=$_; map { ($_*255/($c-1)) & 255 } 0..$c-1 } 0..$r-1)' "$rows" "$columns" > "$pixels"
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

start_service
sed -e "s|@WORKDIR@|$work|g" -e "s|@SCP_PORT@|0|" -e "s|@SCP_AET@|UNUSED|" \
    -e "s|@TGT_HOST@|127.0.0.1|" -e "s|@TGT_PORT@|$port|" -e "s|@TGT_AET@|KESTROVA|" \
    -e "s|@TGT_PLUT@|$plut|" -e "s|@TGT_12BIT@|$([ "$bits" = 12 ] && echo true || echo false)|" \
    -e "s|@NET_AET@|DCMPRSCU|" "$template" > "$work/dcmpstat.cfg"

make_image first 256 200
make_image second 200 256
(cd "$work" && dcmpsprt -c dcmpstat.cfg -p TARGET --layout 2 1 "--$orientation" first.dcm second.dcm) > "$work/dcmpsprt.log" 2>&1
job=$(ls "$work"/database/SP_*.dcm | head -n 1)

scu_options=(-c "$work/dcmpstat.cfg" -p TARGET --copies 1 -d)
$session_print && scu_options+=(--session-print)
(cd "$work" && dcmprscu "${scu_options[@]}" "$job") > "$work/dcmprscu.log" 2>&1 || true

failures=$(grep -E '^(E|F): ' "$work/dcmprscu.log" "$work"/log/*.log 2>/dev/null || true)
films=$(ls "$work"/program/films/*.pdf 2>/dev/null | wc -l)
if [ -n "$failures" ] || [ "$films" -ne 1 ]; then
  echo "dcmprscu reported failures or no single film was printed ($films PDF files)" >&2
  echo "$failures" >&2
  tail -n 60 "$work/dcmprscu.log" >&2
  cat "$work/service.out" >&2
  [ -f "$work/program/Logs/Error.log" ] && cat "$work/program/Logs/Error.log" >&2
  exit 1
fi
pages=$(pdfinfo "$work"/program/films/*.pdf | awk '/^Pages:/ {print $2}')
if [ "$pages" != 1 ]; then echo "the film has $pages pages" >&2; exit 1; fi
if [ -f "$work/program/Logs/Error.log" ]; then echo "unexpected error log:" >&2; cat "$work/program/Logs/Error.log" >&2; exit 1; fi
echo "dcmprscu printed one page (bits $bits, $orientation, session print $session_print, presentation LUT $plut)"
