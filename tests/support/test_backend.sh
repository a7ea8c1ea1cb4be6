#!/bin/sh
# A CUPS backend for the tests' private scheduler, standing in for a printer: "kestrova-test:/DIR"
# keeps each job's document as DIR/job-ID.data, says each line of DIR/reasons as a "STATE:"
# message (as a backend watching its printer does), keeps the job printing while DIR/hold exists
# (at most 60 s) and fails it while DIR/fail exists.
if [ $# -eq 0 ]; then
  echo 'direct kestrova-test "Unknown" "Kestrova test printer"'
  exit 0
fi
folder=${DEVICE_URI#kestrova-test:}
if [ -n "$6" ]; then cat "$6"; else cat; fi > "$folder/job-$1.data"
if [ -f "$folder/reasons" ]; then
  while read -r reason; do echo "STATE: $reason" >&2; done < "$folder/reasons"
fi
waited=0
while [ -f "$folder/hold" ] && [ $waited -lt 600 ]; do
  sleep 0.1
  waited=$((waited + 1))
done
[ -f "$folder/fail" ] && exit 1
exit 0
