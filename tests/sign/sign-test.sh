#!/usr/bin/env bash
# scripts/sign.sh with a throwaway self-signed certificate, on a copy of the built
# executable: the signature verifies, with the password from a file or the environment;
# taken off, it leaves the unsigned bytes; one byte changed and it does not verify.
set -euo pipefail
top=$1 exe=$2 work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "sign_test: $*" >&2; exit 1; }
signed=$work/tree/dist/uninstall.exe
mkdir -p "$work/tree/scripts" "$work/tree/dist" && cp "$top/scripts/sign.sh" "$work/tree/scripts/"
printf 'test password\n' > "$work/password"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Test Vendor" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.pfx" \
  -passout "file:$work/password"
for password in "SIGN_PFX_PASSWORD_FILE=$work/password" "SIGN_PFX_PASSWORD=test password"; do
  cp "$exe" "$signed"
  out=$(env "$password" "$work/tree/scripts/sign.sh" "$work/test.pfx") && echo "$out"
  grep -qx "SHA256 (dist/uninstall.exe) = $(sha256sum "$signed" | cut -c1-64)" <<<"$out" ||
    fail "no SHA-256 of the signed file ($password)"
  osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" >/dev/null || fail "no verify ($password)"
done
osslsigncode remove-signature -in "$signed" -out "$work/unsigned.exe" >/dev/null
cmp -s "$exe" "$work/unsigned.exe" || fail "the signature taken off leaves other bytes"
printf '\x90' | dd of="$signed" bs=1 seek=4096 conv=notrunc 2>/dev/null  # in the code
if osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" >/dev/null 2>&1; then
  fail "a changed byte still verifies"
fi
echo "sign_test: signed, verified, the unsigned bytes given back, a changed byte refused"
