#!/usr/bin/env bash
# The signing side of installer updates. Arkwell starts a downloaded
# installer only when "<installer>.sig", served beside it, is a valid
# RSA-2048 PKCS#1 v1.5 signature over SHA-256 of the installer's bytes, made
# with the private half of the key built into the program.
#
#   scripts/update-signing.sh keygen PREFIX     writes PREFIX.key.pem (private,
#                                               keep it off the repository and
#                                               off build machines) and
#                                               PREFIX.pub.pem (the build input
#                                               VK_UPDATE_PUBLIC_KEY)
#   scripts/update-signing.sh sign KEY FILE [SIG]
#                                               writes the raw 256-byte
#                                               signature of FILE to SIG
#                                               (default FILE.sig)
#   scripts/update-signing.sh verify PUB FILE [SIG]
#                                               checks it the same way
set -euo pipefail

usage() { sed -n '2,19p' "$0" >&2; exit 2; }
[ $# -ge 2 ] || usage

case "$1" in
  keygen)
    prefix=$2
    mkdir -p "$(dirname "$prefix")"
    ( umask 077; openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 \
        -pkeyopt rsa_keygen_pubexp:65537 -out "$prefix.key.pem" 2>/dev/null )
    openssl pkey -in "$prefix.key.pem" -pubout -out "$prefix.pub.pem"
    ;;
  sign)
    [ $# -ge 3 ] || usage
    openssl dgst -sha256 -sign "$2" -out "${4:-$3.sig}" "$3"
    ;;
  verify)
    [ $# -ge 3 ] || usage
    openssl dgst -sha256 -verify "$2" -signature "${4:-$3.sig}" "$3"
    ;;
  *) usage ;;
esac
