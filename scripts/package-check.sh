#!/usr/bin/env bash
# Checks the release that scripts/package.sh wrote (CI runs it after the tests):
#
#   - SHA256SUMS matches, and `osslsigncode verify` passes for both programs, the MSI and the
#     programs in the zip against the certificate used (PLAXOR_SIGN_CA_FILE, when the chain of the
#     administrator's certificate ends in a root that the PFX does not hold);
#   - the version resources of both programs and the MSI's ProductVersion carry the release's
#     version; msiinfo reads the MSI's tables: upgrade code, per-machine x64, its two components in
#     the client folder, the Start-menu shortcut, the downgrade guard;
#   - under Wine, in a fresh prefix of its own, where a client folder, a definition, a settings file,
#     a restore point and the program's settings are there before: `msiexec /i ... /qn` installs
#     both programs into the client folder and the shortcut into the Start menu, the installed
#     `plaxorcfg.exe --version` prints the version and `plaxorcfg.exe status` runs; a package of a
#     higher version (built here with scripts/package.sh --version) replaces it, the lower one is
#     then refused; `msiexec /x ... /qn` removes what was installed and leaves everything else as it
#     was; INSTALLDIR on the command line puts the programs into another folder.
#
# One line per check ("ok: ..."); the first failure stops it ("FAILED: ...", exit 1).
# Usage: scripts/package-check.sh [DIST]     (default dist/)
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
dist=${1:-dist}
dist=${dist%/}

ok() { echo "ok: $*"; }
fail() { echo "FAILED: $*" >&2; exit 1; }

shopt -s nullglob
packages=("$dist"/ConfigurePLAXOR-*-x64.msi)
[ ${#packages[@]} -eq 1 ] || fail "$dist/ holds ${#packages[@]} packages ConfigurePLAXOR-<version>-x64.msi, not one"
msi=${packages[0]}
version=${msi##*/ConfigurePLAXOR-}
version=${version%-x64.msi}
zip=$dist/ConfigurePLAXOR-$version-x64.zip
certificates=("$dist"/*signing-certificate.pem)
[ ${#certificates[@]} -eq 1 ] || fail "$dist/ holds no signing certificate"
ca_file=${PLAXOR_SIGN_CA_FILE:-${certificates[0]}}
upgrade_code=$(sed -n 's/.*UpgradeCode="\([^"]*\)".*/\1/p' packaging/plaxor.wxs)

work=$(mktemp -d "${TMPDIR:-/tmp}/plaxor-package-check.XXXXXX")
prefix=
cleanup() {
  [ -z "$prefix" ] || WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# --- The files -----------------------------------------------------------------------------------

(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match $dist/"
ok "SHA256SUMS matches"

unzip -q "$zip" -d "$work/zip"
[ "$(cd "$work/zip" && ls | LC_ALL=C sort | tr '\n' ' ')" = "ConfigurePLAXOR-README.txt ConfigurePLAXOR.exe plaxorcfg.exe " ] ||
  fail "the zip holds $(ls "$work/zip" | tr '\n' ' ')"
for program in ConfigurePLAXOR.exe plaxorcfg.exe; do
  cmp -s "$work/zip/$program" "$dist/$program" || fail "the zip's $program is not the signed one of $dist/"
done
ok "the zip holds both signed programs and the text"

for file in "$dist/ConfigurePLAXOR.exe" "$dist/plaxorcfg.exe" "$msi"; do
  osslsigncode verify -in "$file" -CAfile "$ca_file" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; fail "osslsigncode verify: $file"; }
  ok "signature verified: ${file##*/} ($(sed -n 's/^[[:space:]]*Subject: //p' "$work/verify.log" | head -n 1))"
done

for program in ConfigurePLAXOR plaxorcfg; do
  x86_64-w64-mingw32-objdump -h "$dist/$program.exe" | grep -q ' \.debug_' && fail "$program.exe carries debug information"
  x86_64-w64-mingw32-objdump -h "$dist/$program.exe" | grep -q ' \.gnu_debuglink' || fail "$program.exe names no symbols file"
  x86_64-w64-mingw32-objdump -h "$dist/symbols/$program.exe.debug" | grep -q ' \.debug_info' ||
    fail "symbols/$program.exe.debug holds no debug information"
done
ok "both programs are stripped and name their symbols files, which hold the debug information"

# The version resource's fixed fields and its FileVersion and ProductVersion texts.
version_resource() {
  python3 - "$1" <<'EOF'
import re, struct, sys
data = open(sys.argv[1], 'rb').read()
at = data.find(struct.pack('<I', 0xFEEF04BD))
ms, ls, pms, pls = struct.unpack_from('<4I', data, at + 8)
fields = lambda high, low: f'{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}'
texts = []
for key in ('FileVersion', 'ProductVersion'):
    found = re.search(re.escape((key + '\0').encode('utf-16-le')) + rb'(?:\0\0)*((?:[^\0].|\0[^\0])*?)\0\0', data, re.S)
    texts.append(found.group(1).decode('utf-16-le') if found else '?')
print(fields(ms, ls), fields(pms, pls), *texts)
EOF
}
four_fields=$version
while [ "$(tr -cd . <<<"$four_fields" | wc -c)" -lt 3 ]; do four_fields=$four_fields.0; done
for program in ConfigurePLAXOR plaxorcfg; do
  found=$(version_resource "$dist/$program.exe")
  [ "$found" = "$four_fields $four_fields $version $version" ] || fail "$program.exe's version resource reads $found"
done
ok "both programs' version resources read $version"

# --- The MSI's tables ----------------------------------------------------------------------------

table() { msiinfo export "$1" "$2" | tail -n +4 | tr -d '\r'; }  # the rows, without the three header lines
property() { table "$1" Property | awk -F'\t' -v name="$2" '$1 == name { print $2 }'; }
check_tables() {  # check_tables MSI VERSION
  [ "$(property "$1" ProductVersion)" = "$2" ] || fail "${1##*/}: ProductVersion is $(property "$1" ProductVersion), not $2"
  [ "$(property "$1" UpgradeCode)" = "$upgrade_code" ] || fail "${1##*/}: UpgradeCode is $(property "$1" UpgradeCode)"
  [ "$(property "$1" ALLUSERS)" = 1 ] || fail "${1##*/}: not per-machine (ALLUSERS)"
  msiinfo suminfo "$1" | grep -qx 'Template: x64;1033' || fail "${1##*/}: not an x64 package"
}
check_tables "$msi" "$version"
# Components: name, folder, 64-bit (attribute 256), key file; the third keeps the folder that
# INSTALLDIR chose in the registry (its key path: attribute 4).
[ "$(table "$msi" Component | awk -F'\t' '{ print $1, $3, int($4 / 256) % 2, $4 % 8 == 4 ? "registry" : $6 }' |
  LC_ALL=C sort | tr '\n' ';')" = \
  "ConfigurePLAXOR INSTALLDIR 1 ConfigurePLAXOR.exe;InstalledFolder INSTALLDIR 1 registry;plaxorcfg INSTALLDIR 1 plaxorcfg.exe;" ] ||
  fail "the components are: $(table "$msi" Component | tr '\t\n' ' ;')"
[ "$(table "$msi" Directory | awk -F'\t' '$1 == "INSTALLDIR" || $1 == "VornFolder" { print $1, $2, $3 }' | LC_ALL=C sort | tr '\n' ';')" = \
  "INSTALLDIR VornFolder PLAXOR;VornFolder ProgramFiles64Folder VORN;" ] || fail "INSTALLDIR is not [ProgramFiles64Folder]VORN\\PLAXOR\\"
[ "$(table "$msi" Shortcut | awk -F'\t' '{ print $2, $3, $5 }')" = "ProgramMenuFolder Configure PLAXOR [#ConfigurePLAXOR.exe]" ] ||
  fail "the shortcut is: $(table "$msi" Shortcut | tr '\t' ' ')"
# The row that finds a later version (only detects it: attribute 2) and the condition it feeds.
table "$msi" Upgrade | awk -F'\t' -v code="$upgrade_code" -v version="$version" \
  '$1 == code && $2 == version && $3 == "" && int($5 / 2) % 2 && $7 == "WIX_DOWNGRADE_DETECTED" { found = 1 }
   END { exit !found }' || fail "no row finds a later version"
table "$msi" LaunchCondition | grep -q "^NOT WIX_DOWNGRADE_DETECTED"$'\t' || fail "nothing refuses a downgrade"
ok "MSI tables: ProductVersion $version, UpgradeCode $upgrade_code, per-machine x64, both programs' components in INSTALLDIR, shortcut, downgrade guard"

# --- A package of a higher version ---------------------------------------------------------------

IFS=. read -r major minor build _ <<<"$version"
next=$major.$minor.$((build + 1))
scripts/package.sh --version "$next" --out "$work/next" >"$work/next.log" 2>&1 ||
  { tail -n 30 "$work/next.log" >&2; fail "scripts/package.sh --version $next"; }
next_msi=$work/next/ConfigurePLAXOR-$next-x64.msi
check_tables "$next_msi" "$next"
ok "built $next for the upgrade (same UpgradeCode)"

# --- Under Wine: install, upgrade, downgrade, uninstall ------------------------------------------

prefix=$work/prefix
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
# winemenubuilder would copy the shortcut into this machine's own menus; silent installs and the
# command line need no display.
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
unset DISPLAY
wineboot --init >/dev/null 2>&1 || true
wineserver -w
[ -f "$WINEPREFIX/system.reg" ] || fail "Wine made no prefix in $WINEPREFIX"

folder_of() { winepath -u "$(wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
appdata=$(folder_of APPDATA)
local_appdata=$(folder_of LOCALAPPDATA)
program_data=$(folder_of ProgramData)
client="$WINEPREFIX/drive_c/Program Files/VORN/PLAXOR"
other_client="$WINEPREFIX/drive_c/Clients/PLAXOR"
client_win='C:\Program Files\VORN\PLAXOR\'
start_menus=("$program_data/Microsoft/Windows/Start Menu/Programs" "$appdata/Microsoft/Windows/Start Menu/Programs")

# What the client, the user and earlier runs left: uninstalling must leave all of it as it is.
mkdir -p "$client/A2022" "$WINEPREFIX/drive_c/users/Public/Documents/PLAXOR/Instance Factory" \
  "$appdata/VORN/PLAXOR" "$local_appdata/VORN/PLAXOR/Restore Points"
printf 'the client\r\n' >"$client/PLAXOR.exe"
printf 'a release folder\r\n' >"$client/A2022/PLAXOR.cuix"
printf '[Connection]\r\nName=Lab Locator\r\nType=HTTP\r\n' \
  >"$WINEPREFIX/drive_c/users/Public/Documents/PLAXOR/Instance Factory/lab_locator.ini"
printf '[Window]\r\nLeft=10\r\n' >"$appdata/VORN/PLAXOR/cURL_console.ini"
printf 'Windows Registry Editor Version 5.00\r\n' | iconv -t UTF-16 \
  >"$local_appdata/VORN/PLAXOR/Restore Points/2025-03-14_09-26-53.reg"
wine reg add 'HKLM\SOFTWARE\VORN\PLAXOR' /v Version /d 5.2.1 /f >/dev/null 2>&1
wine reg add 'HKCU\SOFTWARE\VORN\PLAXOR' /v InsFactory /d 'C:\users\Public\Documents\PLAXOR\Instance Factory\' /f >/dev/null 2>&1
left_before() {
  (cd "$WINEPREFIX/drive_c" && find "Program Files/VORN" users/Public/Documents/PLAXOR "${appdata#"$WINEPREFIX/drive_c/"}/VORN" \
    "${local_appdata#"$WINEPREFIX/drive_c/"}/VORN" -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum; cd "$client" && ls)
  wine reg query 'HKLM\SOFTWARE\VORN\PLAXOR' 2>/dev/null | tr -d '\r'
  wine reg query 'HKCU\SOFTWARE\VORN\PLAXOR' 2>/dev/null | tr -d '\r'
}
before=$(left_before)

msiexec() {  # msiexec ACTION MSI [PROPERTY=VALUE...]: the exit code, which Wine cuts to 8 bits
  local action=$1 package=$2
  shift 2
  local code=0
  wine msiexec "$action" "$(winepath -w "$package")" /qn "$@" >/dev/null 2>&1 || code=$?
  wineserver -w
  echo "$code"
}
installed_products() {
  # Wine now and then refuses a program that starts right after the last one ended: a failed
  # query is asked again rather than read as "nothing installed".
  local listing attempt
  for attempt in 1 2 3; do
    listing=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null) && break
    [ "$attempt" = 3 ] && { echo "(the Uninstall key cannot be read)"; return; }
    sleep 1
  done
  printf '%s\n' "$listing" | tr -d '\r' |
    awk '/DisplayName +REG_SZ +Configure PLAXOR$/ { found = 1 } found && /DisplayVersion/ { print $3; found = 0 }' | tr '\n' ' '
}
plaxorcfg() { wine "$1plaxorcfg.exe" "${@:2}" 2>&1 | tr -d '\r'; }
shortcut() {
  for menu in "${start_menus[@]}"; do
    [ -f "$menu/Configure PLAXOR.lnk" ] && echo "$menu/Configure PLAXOR.lnk"
  done
  return 0
}
check_installed() {  # check_installed UNIX_FOLDER WINDOWS_FOLDER VERSION DIST
  for program in ConfigurePLAXOR.exe plaxorcfg.exe; do
    cmp -s "$1/$program" "$4/$program" || fail "$program of $3 is not in $2"
  done
  [ "$(plaxorcfg "$2" --version)" = "$3" ] || fail "the installed plaxorcfg --version prints $(plaxorcfg "$2" --version)"
  # Seen once on a busy machine: the list read right after the upgrade was not the one read a
  # moment later.
  local products attempt
  for attempt in 1 2 3; do
    products=$(installed_products)
    [ "$products" = "$3 " ] || [ "$attempt" = 3 ] && break
    echo "note: the installed products read as '$products'; reading again" >&2
    sleep 2
  done
  [ "$products" = "$3 " ] || fail "installed: '$products', not $3 alone"
  local link
  link=$(shortcut)
  [ -n "$link" ] || fail "no shortcut \"Configure PLAXOR\" in the Start menu"
  grep -qaF "${2}ConfigurePLAXOR.exe" "$link" || fail "the shortcut does not start ${2}ConfigurePLAXOR.exe"
}

[ "$(msiexec /i "$msi")" = 0 ] || fail "msiexec /i ${msi##*/} /qn"
check_installed "$client" "$client_win" "$version" "$dist"
status=0
plaxorcfg "$client_win" status >"$work/status.txt" || status=$?
[ "$status" -eq 0 ] && [ -s "$work/status.txt" ] || fail "the installed plaxorcfg status: $(cat "$work/status.txt")"
ok "msiexec /i /qn: both programs in $client_win, shortcut $(winepath -w "$(shortcut)" 2>/dev/null), --version $version, status runs"

[ "$(msiexec /i "$next_msi")" = 0 ] || fail "msiexec /i ${next_msi##*/} /qn (upgrade)"
check_installed "$client" "$client_win" "$next" "$work/next"
ok "a package of $next replaces $version"

# Windows Installer's 1603 (a launch condition failed); Wine gives a Unix process's 8 bits of it.
refused=$(msiexec /i "$msi")
[ "$refused" = 1603 ] || [ "$refused" = $((1603 % 256)) ] || fail "installing $version over $next returned $refused"
check_installed "$client" "$client_win" "$next" "$work/next"
ok "$version is refused over $next (exit $refused) and $next stays"

[ "$(msiexec /x "$next_msi")" = 0 ] || fail "msiexec /x ${next_msi##*/} /qn"
for program in ConfigurePLAXOR.exe plaxorcfg.exe; do
  [ ! -e "$client/$program" ] || fail "$program is still there after uninstalling"
done
[ -z "$(shortcut)" ] || fail "the shortcut is still there after uninstalling"
[ -z "$(installed_products)" ] || fail "still installed after uninstalling: $(installed_products)"
! wine reg query 'HKLM\SOFTWARE\VORN\Configure PLAXOR' >/dev/null 2>&1 || fail "the installed folder's value outlives the uninstall"
[ "$(left_before)" = "$before" ] || fail "uninstalling changed what was there before: $(diff <(echo "$before") <(left_before) | head -n 5)"
ok "msiexec /x /qn removes both programs and the shortcut, and leaves the client's files, the definition, the settings and the restore point"

[ "$(msiexec /i "$msi" 'INSTALLDIR=C:\Clients\PLAXOR\')" = 0 ] || fail "msiexec /i with INSTALLDIR"
check_installed "$other_client" 'C:\Clients\PLAXOR\' "$version" "$dist"
[ ! -e "$client/plaxorcfg.exe" ] || fail "INSTALLDIR given, yet plaxorcfg.exe is in $client_win"
[ "$(msiexec /i "$next_msi")" = 0 ] || fail "msiexec /i ${next_msi##*/} /qn over an install into INSTALLDIR"
check_installed "$other_client" 'C:\Clients\PLAXOR\' "$next" "$work/next"
[ "$(msiexec /x "$next_msi")" = 0 ] || fail "msiexec /x after an install into INSTALLDIR"
[ -z "$(ls -A "$other_client" 2>/dev/null)" ] || fail "left in C:\Clients\PLAXOR\: $(ls "$other_client")"
! wine reg query 'HKLM\SOFTWARE\VORN\Configure PLAXOR' >/dev/null 2>&1 || fail "the installed folder's value outlives the uninstall"
ok "INSTALLDIR=C:\\Clients\\PLAXOR\\ installs there, the upgrade finds it there, and the uninstall removes it from there"

echo "package-check: all passed in $(( $(date +%s) - started )) s"
