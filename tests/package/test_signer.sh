#!/usr/bin/env bash
# Makes a throwaway self-signed code-signing certificate for the tests that
# sign packages: FOLDER/cert.pem and FOLDER/signer.pfx, whose password is the
# environment's PASSWORD.
#   test_signer.sh FOLDER
set -euo pipefail
folder=$1
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$folder/key.pem" -out "$folder/cert.pem" \
  -days 2 -subj "/CN=Tarvolo test signer" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey "$folder/key.pem" -in "$folder/cert.pem" -out "$folder/signer.pfx" \
  -passout env:PASSWORD
