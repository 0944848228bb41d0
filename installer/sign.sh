#!/usr/bin/env bash
# Signs one PE file in place with Authenticode (osslsigncode), with the
# certificate in WAVORY_SIGN_PKCS12 and its password in WAVORY_SIGN_PASSWORD.
set -euo pipefail
file="$1"
osslsigncode sign -pkcs12 "$WAVORY_SIGN_PKCS12" -pass "${WAVORY_SIGN_PASSWORD:-}" -h sha256 \
  -n Wavory -i https://www.wavory.example -in "$file" -out "$file.signed" >/dev/null
mv -f "$file.signed" "$file"
