#!/usr/bin/env bash
# The release: builds Configure PLAXOR in release mode (optimised, with debug information; the
# 'release' preset, in build-release/) and writes dist/:
#
#   ConfigurePLAXOR.exe, plaxorcfg.exe   stripped and Authenticode-signed
#   symbols/<program>.debug              their debug information, which each program names in its
#                                        .gnu_debuglink section, so a crash address can be resolved
#                                        (x86_64-w64-mingw32-addr2line -e symbols/plaxorcfg.exe.debug ADDRESS)
#   ConfigurePLAXOR-<version>-x64.msi    the Windows Installer package of both programs, signed
#   ConfigurePLAXOR-<version>-x64.zip    both programs and a short text, to put beside the client
#   signing-certificate.pem              the certificate(s) it signed with, no key; with a throwaway
#                                        certificate: test-signing-certificate.pem
#   SHA256SUMS
#
# and prints each file's size, the programs' before stripping too.
#
# It signs with the PFX file that PLAXOR_SIGN_PFX names and its password in PLAXOR_SIGN_PASSWORD.
# Without them it makes a throwaway test certificate for this run only (its key is deleted at the
# end): Windows trusts it nowhere. PLAXOR_SIGN_TIMESTAMP_URL, when set, has the signatures
# timestamped by that server, so that they stay valid after the certificate expires.
#
# On a fresh Debian machine it first installs what is missing (wixl and msitools, osslsigncode, zip;
# unzip for the checks).
# Nothing is replaced until everything is built: a failed step leaves the previous dist/ as it was.
#
# Usage: scripts/package.sh [--version X.Y.Z] [--out DIR]
#   --version  build as that version instead of the project's (the package checks build a higher one)
#   --out      write into DIR instead of dist/
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
started=$(date +%s)

usage() { echo "usage: scripts/package.sh [--version X.Y.Z] [--out DIR]" >&2; exit 2; }
version_override=
out=dist
while [ $# -gt 0 ]; do
  case $1 in
    --version) [ $# -ge 2 ] || usage; version_override=$2; shift 2 ;;
    --out) [ $# -ge 2 ] && [ -n "$2" ] || usage; out=${2%/}; shift 2 ;;
    *) usage ;;
  esac
done
# Only a folder that this script wrote (or an empty one) is ever replaced.
if [ -e "$out" ] && [ ! -f "$out/SHA256SUMS" ] && [ -n "$(ls -A "$out" 2>/dev/null)" ]; then
  echo "package: $out exists and holds no earlier release; give another --out" >&2
  exit 2
fi

scripts/install-deps.sh wixl msitools osslsigncode zip unzip

# The version comes from the build (the top CMakeLists.txt), never from here.
cmake --preset release -DPLAXOR_RELEASE_VERSION="$version_override" >/dev/null
cmake --build --preset release -j "$(nproc)"
version=$(sed -n 's/^#define PLAXOR_VERSION_TEXT "\(.*\)"$/\1/p' build-release/version/plaxor_version.h)
[ -n "$version" ] || { echo "package: the build names no version" >&2; exit 1; }
name=ConfigurePLAXOR-$version-x64

work=$(mktemp -d "${TMPDIR:-/tmp}/plaxor-package.XXXXXX")
stage=$out.partial
trap 'rm -rf "$work" "$stage"' EXIT
rm -rf "$stage"
mkdir -p "$stage/symbols" "$work/portable"

# The signing certificate: the administrator's, or a throwaway one named as such.
if [ -n "${PLAXOR_SIGN_PFX:-}" ]; then
  if [ -z "${PLAXOR_SIGN_PASSWORD+set}" ]; then
    echo "package: PLAXOR_SIGN_PFX is set but PLAXOR_SIGN_PASSWORD is not" >&2
    exit 2
  fi
  # The password goes to the tools in a file only this user reads, never on a command line.
  (umask 077 && printf '%s' "$PLAXOR_SIGN_PASSWORD" >"$work/password")
  certificate=signing-certificate.pem
  # Older PFX files are protected with RC2, which OpenSSL 3 keeps in its legacy provider.
  openssl pkcs12 -in "$PLAXOR_SIGN_PFX" -passin "file:$work/password" -nokeys -out "$stage/$certificate" 2>/dev/null ||
    openssl pkcs12 -legacy -in "$PLAXOR_SIGN_PFX" -passin "file:$work/password" -nokeys -out "$stage/$certificate" 2>/dev/null ||
    { echo "package: cannot read the certificate of $PLAXOR_SIGN_PFX with the password given" >&2; exit 1; }
  signer=(-pkcs12 "$PLAXOR_SIGN_PFX" -readpass "$work/password")
  echo "Signing with the certificate of $PLAXOR_SIGN_PFX"
else
  certificate=test-signing-certificate.pem
  (umask 077 && openssl req -x509 -newkey rsa:3072 -sha256 -days 30 -nodes \
    -subj "/O=VORN/CN=TEST ONLY Configure PLAXOR throwaway signing certificate" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$work/test-key.pem" -out "$stage/$certificate" 2>/dev/null)
  signer=(-certs "$stage/$certificate" -key "$work/test-key.pem")
  echo "Signing with a throwaway TEST certificate ($certificate): Windows will not trust these files."
fi
timestamp=()
[ -n "${PLAXOR_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$PLAXOR_SIGN_TIMESTAMP_URL")
sign() {  # sign IN OUT
  osslsigncode sign "${signer[@]}" "${timestamp[@]}" -h sha256 -n "Configure PLAXOR" -in "$1" -out "$2" >"$work/sign.log" 2>&1 ||
    { cat "$work/sign.log" >&2; echo "package: signing $1 failed" >&2; exit 1; }
}

objcopy=x86_64-w64-mingw32-objcopy
declare -A unstripped
for program in ConfigurePLAXOR plaxorcfg; do
  built=build-release/bin/$program.exe
  unstripped[$program]=$(stat -c %s "$built")
  $objcopy --only-keep-debug "$built" "$stage/symbols/$program.exe.debug"
  # The sections keep the file alignment the build gives them (Wine maps such an image instead of
  # reading it); the debug link names the symbols file and its checksum.
  $objcopy --strip-all --file-alignment 0x1000 "$built" "$work/$program.exe"
  (cd "$stage/symbols" && $objcopy --add-gnu-debuglink="$program.exe.debug" "$work/$program.exe")
  sign "$work/$program.exe" "$stage/$program.exe"
  cp "$stage/$program.exe" "$work/portable/"
done

# wixl reads the files it packs relative to where it runs: the signed programs of the zip.
cp src/app/ConfigurePLAXOR.ico "$work/"
(cd "$work/portable" && wixl -a x64 -D Version="$version" -D BinDir=. -D IconFile=../ConfigurePLAXOR.ico \
  -o ../unsigned.msi "$repo/packaging/plaxor.wxs")
sign "$work/unsigned.msi" "$stage/$name.msi"

# Notepad on older Windows shows only CR LF line ends.
sed 's/$/\r/' packaging/ConfigurePLAXOR-README.txt >"$work/portable/ConfigurePLAXOR-README.txt"
(cd "$work/portable" && zip -q -X "$work/$name.zip" ConfigurePLAXOR.exe plaxorcfg.exe ConfigurePLAXOR-README.txt)
mv "$work/$name.zip" "$stage/"

(cd "$stage" && sha256sum ./*.exe ./*.msi ./*.zip ./*.pem symbols/* | sed 's# \./# #' >SHA256SUMS)

rm -rf "$out"
mv "$stage" "$out"

echo
echo "Configure PLAXOR $version in $out/:"
size() { printf '%s bytes (%s)' "$(stat -c %s "$1")" "$(numfmt --to=iec-i --suffix=B "$(stat -c %s "$1")")"; }
for file in "$out"/*.exe; do
  program=$(basename "$file" .exe)
  printf '  %-38s %s, before stripping %s bytes (%s)\n' "$(basename "$file")" "$(size "$file")" \
    "${unstripped[$program]}" "$(numfmt --to=iec-i --suffix=B "${unstripped[$program]}")"
done
for file in "$out"/*.msi "$out"/*.zip "$out"/symbols/* "$out"/*.pem "$out"/SHA256SUMS; do
  printf '  %-38s %s\n' "${file#"$out"/}" "$(size "$file")"
done
echo "package: done in $(( $(date +%s) - started )) s"
