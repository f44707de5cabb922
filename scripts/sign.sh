#!/usr/bin/env bash
# Signs dist/uninstall.exe in place with the vendor's certificate: a SHA-256 Authenticode
# signature, with a timestamp when a timestamp server is named. Then verifies the signature
# it made and prints the signed file's SHA-256 (in the form sha256sum -c reads).
#
#   SIGN_PFX_PASSWORD=... ./scripts/sign.sh PFX [TIMESTAMP_URL]
#   SIGN_PFX_PASSWORD_FILE=FILE ./scripts/sign.sh PFX [TIMESTAMP_URL]
#
# The PFX's password comes from the environment or from a file, never from the command line,
# where other users could read it. The signing tool is Debian's osslsigncode.
set -euo pipefail
cd "$(dirname "$0")/.."
die() { echo "sign: $*" >&2; exit 2; }
[ $# -ge 1 ] && [ $# -le 2 ] || die "usage: $0 PFX [TIMESTAMP_URL]"
pfx=$1 timestamp=${2:-}
[ -f "$pfx" ] || die "no certificate file $pfx"
[ -f dist/uninstall.exe ] || die "no dist/uninstall.exe: run ./scripts/build.sh first"
command -v osslsigncode >/dev/null && command -v openssl >/dev/null || ./scripts/setup.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"
if [ -n "${SIGN_PFX_PASSWORD_FILE:-}" ]; then
  [ -r "$SIGN_PFX_PASSWORD_FILE" ] || die "cannot read $SIGN_PFX_PASSWORD_FILE"
  head -n 1 "$SIGN_PFX_PASSWORD_FILE" | tr -d '\r\n' > "$work/password"
elif [ -n "${SIGN_PFX_PASSWORD+set}" ]; then
  printf '%s' "$SIGN_PFX_PASSWORD" > "$work/password"
else
  die "set SIGN_PFX_PASSWORD, or SIGN_PFX_PASSWORD_FILE to a file holding the password"
fi

osslsigncode sign -pkcs12 "$pfx" -readpass "$work/password" -h sha256 \
  ${timestamp:+-ts "$timestamp"} -in dist/uninstall.exe -out "$work/signed.exe" >"$work/log" 2>&1 ||
  { cat "$work/log" >&2; die "signing failed"; }

# Verified against the certificates the PFX holds and the system's roots: a vendor's chain
# ends in one of those, a test certificate in itself.
openssl pkcs12 -in "$pfx" -nokeys -passin "file:$work/password" -out "$work/chain.pem" 2>/dev/null ||
  die "cannot read the certificates of $pfx"
cat "$work/chain.pem" /etc/ssl/certs/ca-certificates.crt > "$work/trusted.pem" 2>/dev/null ||
  cp "$work/chain.pem" "$work/trusted.pem"
osslsigncode verify -CAfile "$work/trusted.pem" -in "$work/signed.exe" >"$work/log" 2>&1 ||
  { cat "$work/log" >&2; die "the signature made does not verify"; }
mv "$work/signed.exe" dist/uninstall.exe
echo "sign: dist/uninstall.exe signed (SHA-256${timestamp:+, timestamped by $timestamp}) and verified"
sha256sum --tag dist/uninstall.exe
