#!/usr/bin/env bash
# Opens Configure PLAXOR on a demo workstation: a Wine prefix of its own (apart from the tests')
# with the PLAXOR client installed in C:\Program Files\VORN\PLAXOR (with its release folders),
# four AutoCAD releases whose profiles come from real exports (one already connected, AutoCAD 2025
# connectable only through the release folder the client ships), their stand-in acad.exe files,
# and four connection definitions.
# With a display it opens the program there and waits until it is closed. Without one it runs
# on Xvfb in Wine's virtual desktop, saves a screenshot and prints the PNG file's path.
# On a fresh Debian machine it first installs what is missing and builds.
# Usage: scripts/demo.sh [BUILD_DIR]   (default ./build, the mingw preset's folder)
# PLAXOR_DPI=144 (or 192, ...) shows it as on a screen of that DPI: the prefix's LogPixels, and a
# virtual desktop and Xvfb screen that much larger.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

scripts/install-deps.sh
# The screenshot is taken with ImageMagick's import: needed by the demo only.
if ! command -v import >/dev/null 2>&1; then
  sudo=
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends imagemagick
fi

build_dir=$(realpath -m "${1:-build}")
dpi=${PLAXOR_DPI:-96}
desktop="$((1280 * dpi / 96))x$((800 * dpi / 96))"
cmake --preset mingw -B "$build_dir" >/dev/null
cmake --build "$build_dir" --target ConfigurePLAXOR fake_acad fake_updater demo_login -j "$(nproc)"

demo_dir="$build_dir/demo"
export WINEPREFIX="$demo_dir/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wineserver --kill >/dev/null 2>&1 || true
rm -rf "$demo_dir"
mkdir -p "$demo_dir"

# A display: the caller's, or Xvfb of the virtual desktop's size.
headless=0
xvfb_pid=
if ! { [ -n "${DISPLAY:-}" ] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; }; then
  headless=1
  n=70
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "${desktop}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
fi
gateway_pid=
finish() {
  [ -z "$gateway_pid" ] || kill "$gateway_pid" 2>/dev/null || true
  wineserver --kill >/dev/null 2>&1 || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap finish EXIT

echo "Preparing the demo workstation in $WINEPREFIX"
wineboot --init >/dev/null 2>&1 || true
wineserver --wait
if [ "$dpi" != 96 ]; then
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
fi

drive_c="$WINEPREFIX/drive_c"
client_windows='C:\Program Files\VORN\PLAXOR'
client="$drive_c/Program Files/VORN/PLAXOR"
factory="$drive_c/users/Public/Documents/PLAXOR/Instance Factory"
cached="$drive_c/users/Public/Documents/PLAXOR/Cached Base"
mkdir -p "$client" "$factory" "$cached" "$cached/Blocks" "$cached/Templates"
cp "$build_dir/bin/ConfigurePLAXOR.exe" "$client/"
cp "$build_dir/bin/Updater.exe" "$client/"
# The release folders a current client installation ships: A2025 is the one that makes AutoCAD 2025,
# which the built-in tables cannot connect, connectable.
for year in 2020 2021 2022 2025; do
  mkdir -p "$client/A$year"
done
for year in 2020 2021 2022 2025; do
  mkdir -p "$drive_c/Program Files/Autodesk/AutoCAD $year"
  cp "$build_dir/bin/acad.exe" "$drive_c/Program Files/Autodesk/AutoCAD $year/"
done

# Connection definitions (the Instance Factory folder) and the current one.
definition() { # file, then "section|key=value" lines
  local file="$factory/$1" section=
  shift
  : >"$file"
  for line in "$@"; do
    if [ "${line%%|*}" != "$section" ]; then
      section=${line%%|*}
      printf '[%s]\r\n' "$section" >>"$file"
    fi
    printf '%s\r\n' "${line#*|}" >>"$file"
  done
}
definition acme_locator.ini "General|logonex=2" "General|conn_name=ACME Engineering" "General|conn_seed=ACME" \
  "General|conn_lastlogin=2025-11-28 09:14:03" "General|conn_colour=14120960" \
  "httpConn|userName=jsmith" "httpConn|ssl=1" "httpConn|user server logon=0" \
  "httpConn|hostName=plaxor.acme-eng.com" "httpConn|process=/drawing_management/dbclient.php" "httpConn|port=443"
definition northwind_locator.ini "General|logonex=2" "General|conn_name=Northwind Drawings" \
  "General|conn_seed=NORTHWIND" "General|conn_lastlogin=2025-10-02 16:40:51" "General|conn_colour=3973160" \
  "httpConn|userName=cad.admin" "httpConn|user server logon=1" "httpConn|serverUserName=svc-plaxor" \
  "httpConn|hostName=dms.northwind.example" "httpConn|process=/drawing_management/dbclient.php"
definition office_locator.ini "General|logonex=1" "General|conn_name=Office LAN" "General|conn_seed=OFFICE" \
  "General|conn_colour=30950" "General|server=SQLPLX01" "General|database=PLAXOR" "General|lastuser=jsmith" \
  "General|connformat=DRIVER={SQLite3};Database=$demo_dir/plaxor.db"
# "Test Server" and "Office LAN" log in to the reference gateway (tools/gateway, started below):
# user tester, password plaxor.
definition test_locator.ini "General|logonex=2" "General|conn_name=Test Server" "General|conn_colour=11811980" \
  "httpConn|userName=tester" "httpConn|user server logon=0" "httpConn|hostName=localhost" \
  "httpConn|process=/drawing_management/dbclient.php" "httpConn|port=8080"
printf '[General]\r\nLastDefault=acme_locator\r\n' >"$factory/multi_conn.config"
# For the folder buttons: empty folders to move the working folders to, and a colleague's folder
# with one more definition to import into the Instance Factory.
documents="$drive_c/users/Public/Documents/PLAXOR"
mkdir -p "$documents/Moved/Instance Factory" "$documents/Moved/Cached Base" "$documents/Shared Definitions"
definition site_locator.ini "General|logonex=2" "General|conn_name=Site Office" "General|conn_seed=SITE" \
  "General|conn_colour=8421376" "httpConn|userName=jsmith" "httpConn|hostName=site.acme-eng.com" \
  "httpConn|process=/drawing_management/dbclient.php"
mv "$factory/site_locator.ini" "$documents/Shared Definitions/"

# Registry text (regedit 5.00) imported as UTF-16LE, as regedit writes it.
import_reg() { # name; the text comes on standard input
  local file="$demo_dir/$1.reg"
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$file"
  wine reg import "$(winepath -w "$file")" >/dev/null 2>&1
}
# A real profile export, its release and product moved (sed expressions on its text).
import_profile() { # name, fixture, sed expressions...
  local name=$1 fixture="$repo/tests/data/real-profiles/$2"
  shift 2
  iconv -f UTF-16LE -t UTF-8 "$fixture" | sed -e '1s/^\xef\xbb\xbf//' "$@" | import_reg "$name"
}

escaped_client=${client_windows//\\/\\\\}   # as a .reg text writes it
sed_client=${escaped_client//\\/\\\\}       # as a sed replacement writes that
# AutoCAD 2020: the 2015 "With Menus" profile moved under R23.1, connected to the client already.
import_profile acad2020 r20.0_acad2015_lendres_double-space-profile_mixed-case.reg \
  -e 's/\\R20\.0\\ACAD-E001:409\\/\\R23.1\\ACAD-3001:409\\/' \
  -e "s/^\"ACAD\"=\"/\"ACAD\"=\"$sed_client\\\\\\\\A2020;$sed_client;/" \
  -e "s/^\(\"TRUSTEDPATHS\"=\".*\)\"\r\?$/\1;$sed_client;$sed_client\\\\\\\\A2020\"/"
# AutoCAD 2021: the 2015 basic profile, with its empty trusted paths, moved under R24.
import_profile acad2021 r20.0_acad2015_lendres_unnamed_empty-trustedpaths.reg \
  -e 's/\\R20\.0\\ACAD-E001:409\\/\\R24\\ACAD-4101:409\\/'
# AutoCAD 2022: the 2024 English profile (an expandable "ACAD") moved under R24.1.
import_profile acad2022 r24.3_acad2024_iaso2h_enu_acad-reg-expand-sz.reg \
  -e 's/\\R24\.3\\ACAD-7101:409\\/\\R24.1\\ACAD-5101:409\\/'
# AutoCAD 2025 as found: connectable through the client's release folder A2025.
import_profile acad2025-general r25.0_acad2025_easycut_stock-acad-trailing-semicolon.reg
import_profile acad2025-variables r25.0_acad2025_i52-record_trustedpaths-19-entries_PROVENANCE-INCOMPLETE.reg

escaped_factory=$(winepath -w "$factory" | sed 's/\\/\\\\/g')
escaped_cached=$(winepath -w "$cached" | sed 's/\\/\\\\/g')
{
  cat <<EOF
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\VORN\\PLAXOR]
"Version"="5.2.1"

[HKEY_CURRENT_USER\\SOFTWARE\\VORN\\PLAXOR]
"InsFactory"="$escaped_factory\\\\"
"CachedBase"="$escaped_cached\\\\"
"Updater"="$escaped_client\\\\Updater.exe"

[HKEY_CURRENT_USER\\Software\\Autodesk\\AutoCAD]
"CurVer"="R25.0"
EOF
  while read -r release product profile year; do
    profile=${profile//_/ }
    cat <<EOF

[HKEY_CURRENT_USER\\Software\\Autodesk\\AutoCAD\\$release]
"CurVer"="$product"

[HKEY_CURRENT_USER\\Software\\Autodesk\\AutoCAD\\$release\\$product\\Profiles]
@="$profile"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Autodesk\\AutoCAD\\$release\\$product]
"AcadLocation"="C:\\\\Program Files\\\\Autodesk\\\\AutoCAD $year"
"ProductName"="AutoCAD $year"
EOF
  done <<'EOF'
R23.1 ACAD-3001:409 2015_-__With_Menus 2020
R24 ACAD-4101:409 <<Unnamed_Profile>> 2021
R24.1 ACAD-5101:409 <<Unnamed_Profile>> 2022
R25.0 ACAD-8101:409 <<Unnamed_Profile>> 2025
EOF
} | import_reg plaxor-and-autocad

# The reference gateway: HTTP on port 8080, and its SQLite database for the LAN login (Wine's
# ODBC reaches unixODBC, so the connect text names the database's Linux path).
gateway="$repo/tools/gateway/gateway.py"
python3 "$gateway" --config "$repo/tools/gateway/demo.ini" --make-database "$demo_dir/plaxor.db"
python3 "$gateway" --config "$repo/tools/gateway/demo.ini" --port 8080 --ready-file "$demo_dir/gateway.ready" \
  >"$demo_dir/gateway.log" 2>&1 &
gateway_pid=$!
for _ in $(seq 50); do [ -s "$demo_dir/gateway.ready" ] && break; sleep 0.1; done

# The two definitions log in to it, as Connection Properties' Test would do.
echo "Test logins to the reference gateway:"
for definition in test_locator.ini office_locator.ini; do
  password=
  [ "$definition" = test_locator.ini ] && password=plaxor
  wine "$build_dir/bin/demo_login.exe" "$(winepath -w "$factory/$definition")" $password 2>/dev/null | tr -d '\r' || true
done

program="$client_windows\\ConfigurePLAXOR.exe"
if [ "$headless" -eq 0 ]; then
  echo "Opening Configure PLAXOR; close it to end the demo."
  wine "$program"
  exit 0
fi

screenshot="$demo_dir/configure-plaxor.png"
wine explorer "/desktop=PLAXOR,$desktop" "$program" >/dev/null 2>&1 &
# The window opens within a few seconds of the desktop; take the picture once it stays the same.
previous=
for _ in $(seq 30); do
  sleep 1
  import -window root -display "$DISPLAY" "$demo_dir/frame.png" 2>/dev/null || continue
  current=$(md5sum <"$demo_dir/frame.png")
  if [ "$current" = "$previous" ] && [ "$(stat -c %s "$demo_dir/frame.png")" -gt 20000 ]; then
    break
  fi
  previous=$current
done
mv "$demo_dir/frame.png" "$screenshot"
echo "$screenshot"
