#!/usr/bin/env bash
# scripts/sign signs both deliverables with a throw-away certificate made
# here; osslsigncode verifies each signature against that certificate, and a
# file changed after signing fails the check. Copies are signed, never the
# tested files themselves.
set -u
. "$(dirname "$0")/test_lib.sh"
command -v osslsigncode >/dev/null || { echo "FAIL: osslsigncode is not installed"; exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quillset kit test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null ||
  { echo "FAIL: openssl cannot make a certificate"; exit 1; }
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:test-only \
  -out "$work/signer.pfx" 2>/dev/null || { echo "FAIL: openssl cannot make a PFX"; exit 1; }

cp "$KIT_BIN_DIR/Quillset.exe" "$KIT_BIN_DIR/Ombrel.dll" "$work/"
"$KIT_SOURCE_DIR/scripts/sign" "$work/signer.pfx" test-only "$work/Quillset.exe" "$work/Ombrel.dll" ||
  bad "scripts/sign failed"
for f in Quillset.exe Ombrel.dll; do
  if osslsigncode verify -CAfile "$work/cert.pem" -in "$work/$f" >"$work/verify.log" 2>&1; then
    ok "$f carries a valid Authenticode signature"
  else
    bad "$f does not verify: $(tail -3 "$work/verify.log")"
  fi
  grep -q "Quillset kit test signer" "$work/verify.log" && ok "$f is signed by the test certificate" ||
    bad "$f names another signer"
done
# A byte changed inside the signed code no longer matches the signature.
printf '\x90' | dd of="$work/Quillset.exe" bs=1 seek=2048 conv=notrunc status=none
if osslsigncode verify -CAfile "$work/cert.pem" -in "$work/Quillset.exe" >/dev/null 2>&1; then
  bad "a changed file still verifies"
else
  ok "a file changed after signing fails verification"
fi
"$KIT_SOURCE_DIR/scripts/sign" >/dev/null 2>&1; [ $? = 2 ] && ok "scripts/sign without arguments exits 2" ||
  bad "scripts/sign without arguments does not exit 2"
exit $fail
