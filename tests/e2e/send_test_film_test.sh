#!/usr/bin/env bash
# kestrova-send-test-film as an administrator runs it against a headless service: the built-in
# pattern, two DICOM files, the step wedge, a format too small for them, and a wrong command line.
#   send_test_film_test.sh SERVICE SENDER
set -euo pipefail
service=$1 sender=$2
source "$(dirname "$0")/script_support.sh"
begin_work send
start_service "$service" "$work" || fail "the service did not start"
films() { ls "$work"/program/films/*.pdf 2>/dev/null | wc -l; }

"$sender" 127.0.0.1 "$port" > "$work/pattern.out" 2>&1 || fail "the pattern was not printed: $(cat "$work/pattern.out")"
grep -qx 'kestrova-send-test-film: film printed' "$work/pattern.out" || fail "no success line"
[ "$(grep -c '^image box N-SET: status 0x0000 (success)$' "$work/pattern.out")" = 4 ] || fail "not four image box statuses: $(cat "$work/pattern.out")"
[ "$(films)" = 1 ] || fail "$(films) films after the pattern"

make_image "$work" first 2 2 8
make_image "$work" second 2 2 8
"$sender" --called KESTROVA 127.0.0.1 "$port" "$work/first.dcm" "$work/second.dcm" > "$work/files.out" 2>&1 \
  || fail "two images were not printed: $(cat "$work/files.out")"
[ "$(grep -c '^image box N-SET: status 0x0000 (success)$' "$work/files.out")" = 2 ] || fail "not two image box statuses"
[ "$(films)" = 2 ] || fail "$(films) films after the two images"

# The wedge's one image goes to the page at the drive levels 0, 15 ... 255, nothing changed.
"$sender" --step-wedge 127.0.0.1 "$port" > "$work/wedge.out" 2>&1 || fail "no step wedge: $(cat "$work/wedge.out")"
pdfimages "$(ls -t "$work"/program/films/*.pdf | head -n 1)" "$work/wedge"
levels=$(perl -e 'local $/; my $d = <>; $d =~ s/^P[56]\s+\d+\s+\d+\s+\d+\s//; my %l = map { $_ => 1 } unpack "C*", $d;
                  print join(" ", sort { $a <=> $b } keys %l), " "' "$work"/wedge-000.p?m)
[ "$levels" = "0 15 30 45 60 75 90 105 120 135 150 165 180 195 210 225 240 255 " ] || fail "step wedge levels $levels"

status=0
"$sender" --format 'STANDARD\1,1' 127.0.0.1 "$port" "$work/first.dcm" "$work/second.dcm" > "$work/small.out" 2>&1 || status=$?
[ "$status" = 1 ] || fail "a format too small for the images gave status $status"
grep -qF 'the format STANDARD\1,1 has 1 image boxes for 2 images' "$work/small.out" || fail "no message: $(cat "$work/small.out")"

status=0
"$sender" 127.0.0.1 > "$work/usage.out" 2>&1 || status=$?
[ "$status" = 2 ] || fail "a missing port gave status $status"
status=0
"$sender" 127.0.0.1 "$port" "$work/missing.dcm" > "$work/missing.out" 2>&1 || status=$?
[ "$status" = 2 ] && grep -q 'missing.dcm' "$work/missing.out" || fail "a missing image file: status $status, $(cat "$work/missing.out")"
[ "$(films)" = 3 ] || fail "refused jobs printed something"
[ ! -f "$work/program/Logs/Error.log" ] || fail "error log: $(cat "$work/program/Logs/Error.log")"
echo "kestrova-send-test-film printed the pattern, two images and the step wedge and refused what it should"
