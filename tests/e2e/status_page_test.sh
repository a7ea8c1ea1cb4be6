#!/usr/bin/env bash
# The status page in a real headless browser (Debian's chromium) against the headless service: off
# unless a port is set; with one, the page and /status.json show the service, its printer and the
# films printed, each linking its PDF, and markup a peer sent as its AE title shows as text; silent
# clients do not shut it out and one that never stops sending is cut off.
#   status_page_test.sh SERVICE SENDER
set -euo pipefail
service=$1 sender=$2
source "$(dirname "$0")/script_support.sh"
begin_work status

# Each run ends by itself: --dump-dom exits once the page is loaded, and timeout stops a browser
# that hangs.
browse() {
  timeout -k 5 60 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$work/browser" \
    "$@" 2>>"$work/browser.err"
}
page() { browse --dump-dom "http://127.0.0.1:$page_port/$1"; }
# The JSON as the browser shows it, in a <pre>, back to JSON.
status_json() {
  page status.json | sed -e 's/<[^>]*>//g' -e 's/&lt;/</g' -e 's/&gt;/>/g' -e 's/&quot;/"/g' -e 's/&amp;/\&/g'
}

start_service "$service" "$work" || fail "the service did not start"
sockets=$(ss -Htln -p | grep "pid=$service_pid," | awk '{print $4}')
[ "$(echo "$sockets" | wc -l)" = 1 ] && [[ "$sockets" == *":$port" ]] || fail "listening beside the DICOM port: $sockets"
stop_service

for _ in $(seq 1 10); do
  page_port=$(( 20000 + RANDOM % 40000 ))
  start_service "$service" "$work" "[StatusPage]"$'\r\n'"Port=$page_port" || fail "the service did not start"
  grep -q "status page on http://127.0.0.1:$page_port/" "$work/service.out" && break
  stop_service
done
[ -n "${service_pid:-}" ] || fail "the status page did not start"

"$sender" --calling '<script>alert(1)' 127.0.0.1 "$port" > "$work/first.out" 2>&1 || fail "first film: $(cat "$work/first.out")"
page "" > "$work/first.html"
grep -qF "Listening on port $port." "$work/first.html" || fail "no listening port: $(cat "$work/first.html")"
grep -qF '&lt;script&gt;alert(1)' "$work/first.html" || fail "the AE title is not shown as text"
! grep -qi '<script' "$work/first.html" || fail "a script element on the page"

"$sender" --calling 'WARD 3' 127.0.0.1 "$port" > "$work/second.out" 2>&1 || fail "second film: $(cat "$work/second.out")"
status_json > "$work/status.json"
jq -e --argjson port "$port" '.listening and .port == $port and .printers[0].printer == "Kestrova PDF"
  and .printers[0].status == "NORMAL" and ([.films[].callingAeTitle] == ["WARD 3", "<script>alert(1)"])
  and ([.films[] | .pages == 1 and .outcome == "written"] | all)' "$work/status.json" > /dev/null \
  || fail "status.json: $(cat "$work/status.json")"
link=$(jq -r '.films[0].file' "$work/status.json")
[ "$(find "$work/program/films" -name "${link#films/}" | wc -l)" = 1 ] || fail "no film file for $link"
page "" | grep -qF "href=\"$link\"" || fail "the page does not link $link"
fetched=$(timeout 10 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$1"; printf "GET /%s HTTP/1.0\r\n\r\n" "$2" >&3; head -c 4096 <&3 | tr -d "\0"' _ "$page_port" "$link")
[[ "$fetched" == "HTTP/1.1 200"*"%PDF-"* ]] || fail "the film's link gives: ${fetched:0:200}"
# Forty clients that connect and say nothing do not shut the page's readers out, and a client that
# never stops sending is cut off instead of being kept in memory.
silent=()
for _ in $(seq 1 40); do exec {fd}<>"/dev/tcp/127.0.0.1/$page_port"; silent+=("$fd"); done
page "" | grep -qF "Listening on port $port." || fail "no page beside 40 silent connections"
for fd in "${silent[@]}"; do exec {fd}>&-; done
rc=0
timeout 30 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$1"
  printf "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 100000000\r\n\r\n" >&3
  head -c 100000000 /dev/zero >&3' _ "$page_port" 2> /dev/null || rc=$?
[ "$rc" != 0 ] && [ "$rc" != 124 ] || fail "a client sending 100 MB was not cut off (exit $rc)"
kill -0 "$service_pid" || fail "the service ended"
echo "the status page is off by default and shows the service, its printer and two films, markup as text; it bounds its clients"
