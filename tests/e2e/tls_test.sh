#!/usr/bin/env bash
# DICOM over TLS beside plain DICOM, against the headless service: kestrova-send-test-film prints
# a film over TLS with a certificate the service trusts, while a silent peer waits in its
# handshake; echoscu is refused with a certificate it
# does not trust, and without one; plain DICOM on the other port still prints. The certificates
# (a CA, the server's and the sender's signed by it, and a stranger's) are made here with openssl.
#   tls_test.sh SERVICE SENDER
set -euo pipefail
service=$1 sender=$2
source "$(dirname "$0")/script_support.sh"
begin_work tls
films() { ls "$work"/program/films/*.pdf 2>/dev/null | wc -l; }

certificate() { # NAME [SIGNER]: NAME.pem and NAME.key, self-signed without a signer
  local name=$1
  if [ $# = 1 ]; then
    openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=$name" \
      -keyout "$work/$name.key" -out "$work/$name.pem" 2> /dev/null
  else
    openssl req -newkey rsa:2048 -sha256 -nodes -subj "/CN=$name" -keyout "$work/$name.key" -out "$work/$name.csr" 2> /dev/null
    openssl x509 -req -in "$work/$name.csr" -CA "$work/$2.pem" -CAkey "$work/$2.key" -CAcreateserial -days 2 -sha256 \
      -out "$work/$name.pem" 2> /dev/null
  fi
}
certificate ca
certificate stranger
certificate server ca
certificate sender ca

# A TLS port some other program holds already: another one, as start_service does for the plain port.
for _ in $(seq 1 10); do
  tls_port=$(( 20000 + RANDOM % 40000 ))
  start_service "$service" "$work" "$(printf '[TLS]\r\nPort=%s\r\nCertificate=%s\r\nPrivateKey=%s\r\nTrustedCertificates=%s' \
    "$tls_port" "$work/server.pem" "$work/server.key" "$work/ca.pem")" || fail "the service did not start"
  grep -q "for DICOM over TLS, on port $tls_port" "$work/service.out" && break
  grep -q "cannot listen for DICOM over TLS on port $tls_port" "$work/service.out" || break
  stop_service
done
grep -q "for DICOM over TLS, on port $tls_port" "$work/service.out" || fail "no TLS port"

# A peer that connects and never begins its handshake holds up no one else's.
exec 3<> "/dev/tcp/127.0.0.1/$tls_port"

"$sender" --tls --trusted-certificates "$work/ca.pem" --certificate "$work/sender.pem" --private-key "$work/sender.key" \
  127.0.0.1 "$tls_port" > "$work/tls.out" 2>&1 || fail "no film over TLS: $(cat "$work/tls.out")"
grep -qx 'kestrova-send-test-film: film printed' "$work/tls.out" || fail "no success line over TLS"
[ "$(films)" = 1 ] || fail "$(films) films after the film over TLS"
exec 3>&-

echoscu +tls "$work/stranger.key" "$work/stranger.pem" +cf "$work/ca.pem" 127.0.0.1 "$tls_port" > "$work/stranger.out" 2>&1 \
  && fail "echoscu with an untrusted certificate was accepted"
echoscu +tla +cf "$work/ca.pem" 127.0.0.1 "$tls_port" > "$work/anonymous.out" 2>&1 \
  && fail "echoscu without a certificate was accepted"
"$sender" 127.0.0.1 "$tls_port" > "$work/plain-on-tls.out" 2>&1 && fail "plain DICOM was accepted on the TLS port"
echoscu +tls "$work/sender.key" "$work/sender.pem" +cf "$work/ca.pem" 127.0.0.1 "$tls_port" > "$work/trusted.out" 2>&1 \
  || fail "echoscu with a trusted certificate was refused: $(cat "$work/trusted.out")"

"$sender" 127.0.0.1 "$port" > "$work/plain.out" 2>&1 || fail "no film over plain DICOM: $(cat "$work/plain.out")"
[ "$(films)" = 2 ] || fail "$(films) films after the plain one"
echo "a film over TLS and one over plain DICOM side by side; untrusted, missing and plain peers refused on the TLS port"

# A key that is not the certificate's leaves the plain port listening alone, and says so.
stop_service
start_service "$service" "$work" "$(printf '[TLS]\r\nPort=%s\r\nCertificate=%s\r\nPrivateKey=%s\r\nTrustedCertificates=%s' \
  "$tls_port" "$work/server.pem" "$work/sender.key" "$work/ca.pem")" || fail "the service did not start"
grep -q "cannot listen for DICOM over TLS on port $tls_port: the private key .* does not match the certificate" \
  "$work/service.out" || fail "no reason for the TLS port given"
"$sender" 127.0.0.1 "$port" > /dev/null 2>&1 || fail "the plain port did not print beside a broken TLS setup"
echo "a broken TLS setup is reported and leaves the plain port printing"
