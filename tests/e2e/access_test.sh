#!/usr/bin/env bash
# Who may print, as DCMTK's echoscu sees it against the headless service: an allowed and a
# refused calling AE title, called AE title and host, each refusal with the A-ASSOCIATE-RJ reason
# DICOM defines.
#   access_test.sh SERVICE
set -euo pipefail
service=$1
source "$(dirname "$0")/script_support.sh"
begin_work access

# The service with the [Access] section given, on a free port.
start_with_access() {
  stop_service
  start_service "$service" "$work" $'[Access]\r\n'"$1" || fail "the service did not start with [Access] $1"
}

# echo_as CALLING CALLED EXPECTED: the C-ECHO succeeds (EXPECTED "accepted") or is refused with
# echoscu's lines for the reason.
echo_as() {
  local out status=0
  out=$(echoscu -aet "$1" -aec "$2" 127.0.0.1 "$port" 2>&1) || status=$?
  if [ "$3" = accepted ]; then
    [ "$status" = 0 ] || fail "$1 calling $2 was refused: $out"
  else
    [ "$status" != 0 ] && grep -qF "$3" <<< "$out" || fail "$1 calling $2: expected \"$3\", got: $out"
  fi
}

start_with_access $'CallingAETitles=CT1\\VIEWER\r\nHosts=10.0.0.0/8, 127.0.0.0/8\r\nCheckCalledAETitle=1'
echo_as VIEWER KODAK accepted
echo_as XA KODAK 'Reason: Calling AE Title Not Recognized'
echo_as CT1 KESTROVA 'Reason: Called AE Title Not Recognized'
echo_as XA KESTROVA 'Result: Rejected Permanent, Source: Service User'

start_with_access 'Hosts=10.0.0.0/8'
echo_as VIEWER KODAK 'Reason: No Reason'
echo_as VIEWER KODAK 'Result: Rejected Permanent, Source: Service User'
echo "calling AE title, called AE title and host: each allowed one echoes, each refused one gets its reason"
