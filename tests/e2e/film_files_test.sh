#!/usr/bin/env bash
# Films and logs are created for the service's user and group only, even when it is started with
# umask 000. A film file is whole or absent, whatever happens while it is written: the headless service is
# killed (kill -9) while films print, and prints on a films folder whose disk is full (a small
# tmpfs, when this machine lets the test mount one). Every Film-*.pdf left must be a PDF that
# pdfinfo reads; a film that could not be written is answered as a failure and logged. A second
# service on the same port ends with the exit status systemd does not restart for.
#   film_files_test.sh SERVICE SENDER
set -euo pipefail
service=$1 sender=$2
work=$(mktemp -d /tmp/kestrova-films.XXXXXX)
source "$(dirname "$0")/script_support.sh"
films=$work/program/films
cleanup() {
  stop_service
  mountpoint -q "$films" 2>/dev/null && umount "$films"
  rm -rf "$work"
}
trap cleanup EXIT
every_film_reads() {
  for film in "$films"/Film-*.pdf; do
    [ -e "$film" ] || continue
    pdfinfo "$film" > /dev/null 2>&1 || fail "$(basename "$film") is not a whole PDF ($(stat -c %s "$film") bytes)"
  done
}

umask 000
start_service "$service" "$work" || fail "the service did not start"
"$sender" 127.0.0.1 "$port" > /dev/null 2>&1 || fail "no film printed"
"$sender" --format SLIDE 127.0.0.1 "$port" > /dev/null 2>&1 && fail "a film box of format SLIDE was taken"
for path in "$films" "$films"/Film-*.pdf "$work/program/Logs" "$work/program/Logs/Error.log"; do
  mode=$(stat -c %a "$path")
  [ $((8#$mode & 8#007)) = 0 ] || fail "$path is open to other users (mode $mode under umask 000)"
done
echo "under umask 000, films/, the film, Logs/ and Error.log are the service's user's and group's only"
# Films printing one after another on two associations, the service killed in the middle.
for _ in 1 2; do (for _ in 1 2 3 4 5 6; do "$sender" 127.0.0.1 "$port" > /dev/null 2>&1 || true; done) & done
# Killed once the first film is out, while the others print (however slow the build).
for _ in $(seq 1 300); do
  [ -z "$(find "$films" -name 'Film-*.pdf' 2>/dev/null)" ] || break
  sleep 0.1
done
sleep 0.3
kill -9 "$service_pid"
wait "$service_pid" 2>/dev/null || true
service_pid=
wait
every_film_reads
printed=$(find "$films" -name 'Film-*.pdf' | wc -l)
# The kill may have come between two films: a work file as a crash in the middle of one leaves it.
: > "$films/.kestrova-work-left-by-a-crash.tmp"
start_service "$service" "$work" || fail "the service did not start again"
leftovers=$(ls -A "$films" | grep -c '^\.kestrova-work-' || true)
[ "$leftovers" = 0 ] || fail "$leftovers work files left after the start"
"$sender" 127.0.0.1 "$port" > /dev/null 2>&1 || fail "no film printed after the restart"
echo "killed while printing: $printed whole films, no broken one; the next start removed the work files"

second=0
"$service" --port "$port" --folder "$work/program" > "$work/second.out" 2>&1 || second=$?
[ "$second" = 69 ] || fail "a second service on the taken port ended with $second, not 69"

stop_service
rm -rf "$films" && mkdir -p "$films"
if ! mount -t tmpfs -o size=40k tmpfs "$films" 2>/dev/null; then
  echo "full disk: skipped, this machine does not let the test mount a tmpfs"
  exit 0
fi
start_service "$service" "$work" || fail "the service did not start on the full disk"
status=0
"$sender" 127.0.0.1 "$port" > "$work/full.out" 2>&1 || status=$?
[ "$status" != 0 ] || fail "a film on a full disk was reported printed"
grep -q 'film box N-ACTION: status 0x0110' "$work/full.out" || fail "no 0x0110 for the film: $(cat "$work/full.out")"
every_film_reads
grep -q 'DoPrint' "$work/program/Logs/Error.log" || fail "the failure was not logged"
echo "full disk: the film was answered 0x0110, logged, and left no broken file"
