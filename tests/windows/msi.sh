#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installer: its tables read back with msiinfo, then, under Wine in a
# fresh prefix of its own set up as a Russian system, installed over an older
# version (a major upgrade) and removed again without a trace.
# Usage: msi.sh WINE MSI WINDOW PREFIX
#   WINDOW is 1 when the window program is built: its Start menu entries, the
#   .tvn file type and the Explorer verbs are in the MSI then, and only then.
#   PREFIX is the Wine prefix to create; it is deleted afterwards.
set -euo pipefail
wine=$1 msi=$(realpath "$2") window=$3 prefix=$4
work=$(mktemp -d)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true  # it writes the registry as it ends
  rm -rf "$work" "$prefix"
}
trap cleanup EXIT

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

upgrade_code='{71CEC5BC-5A8E-44BD-B450-C8E19321F6D7}'
installdir='C:\Program Files\Tolvane Crypter\'
# Registry rows: key under HKLM, value name (empty for the key's default
# value), then the value, as the Registry table holds them. Explorer offers
# a verb for at most 15 selected items unless its MultiSelectModel is
# "Player", which allows 100.
registry=(
  'Software\Classes\.tvn' '' 'TolvaneCrypter.tvn'
  'Software\Classes\TolvaneCrypter.tvn' '' 'Tolvane Crypter-Datei'
  'Software\Classes\TolvaneCrypter.tvn\DefaultIcon' '' '"[INSTALLDIR]tolvane-crypter.exe",0'
  'Software\Classes\TolvaneCrypter.tvn\shell\open' 'MultiSelectModel' 'Player'
  'Software\Classes\TolvaneCrypter.tvn\shell\open\command' '' '"[INSTALLDIR]tolvane-crypter.exe" "%1"'
  'Software\Classes\TolvaneCrypter.tvn\shell\decrypt' '' 'Mit Tolvane Crypter entschlüsseln'
  'Software\Classes\TolvaneCrypter.tvn\shell\decrypt' 'MultiSelectModel' 'Player'
  'Software\Classes\TolvaneCrypter.tvn\shell\decrypt\command' '' '"[INSTALLDIR]tolvane-crypter.exe" --decrypt "%1"'
  'Software\Classes\*\shell\TolvaneCrypter.encrypt' '' 'Mit Tolvane Crypter verschlüsseln'
  'Software\Classes\*\shell\TolvaneCrypter.encrypt' 'MultiSelectModel' 'Player'
  'Software\Classes\*\shell\TolvaneCrypter.encrypt\command' '' '"[INSTALLDIR]tolvane-crypter.exe" --encrypt "%1"'
  'Software\Classes\Directory\shell\TolvaneCrypter.encrypt' '' 'Mit Tolvane Crypter verschlüsseln'
  'Software\Classes\Directory\shell\TolvaneCrypter.encrypt' 'MultiSelectModel' 'Player'
  'Software\Classes\Directory\shell\TolvaneCrypter.encrypt\command' '' '"[INSTALLDIR]tolvane-crypter.exe" --encrypt "%1"'
)
batch_entry='Tolvane Crypter – Mehrere Dateien'
files=$'README.md\ntolvane.exe'
[ "$window" = 1 ] && files=$'README.md\ntolvane-crypter.exe\ntolvane.exe'

# ---- The tables ----
table() { msiinfo export "$msi" "$1" | tr -d '\r' | tail -n +4; }  # without the 3 header lines
version=$(table Property | awk -F'\t' '$1 == "ProductVersion" { print $2 }')

table Property | grep -qFx $'ALLUSERS\t1' || fail "not per machine (ALLUSERS)"
table Property | grep -qFx $'UpgradeCode\t'"$upgrade_code" || fail "UpgradeCode changed"
msiinfo suminfo "$msi" | grep -q '^Template: x64;' || fail "not a 64-bit package"
# Without it Windows reads the texts in its own ANSI code page.
msiinfo export "$msi" _ForceCodepage | tr -d '\r' | grep -qx $'1252\t_ForceCodepage' ||
  fail "the texts' code page is not Windows-1252"
table Directory | grep -qFx $'INSTALLDIR\tProgramFiles64Folder\tTolvane Crypter' ||
  fail "not installed into Program Files\\Tolvane Crypter"
# A component without the 64-bit attribute writes its registry values into
# the 32-bit view (Wow6432Node), where Explorer does not look.
table Component | awk -F'\t' 'int($4 / 256) % 2 == 0 { bad = 1 } END { exit bad }' ||
  fail "a component is not 64-bit"
[ "$(table File | cut -f3 | sort)" = "$files" ] || fail "files: $(table File | cut -f3 | tr '\n' ' ')"
# Older versions are found and removed; newer ones only detected.
table Upgrade | awk -F'\t' -v c="$upgrade_code" -v v="$version" \
  '$1 == c && $2 == "" && $3 == v && int($5 / 2) % 2 == 0 && $7 == "WIX_UPGRADE_DETECTED" { found = 1 }
   END { exit !found }' || fail "no major upgrade of older versions"
table InstallExecuteSequence | grep -q '^RemoveExistingProducts' || fail "older versions are not removed"
[ -z "$(table CustomAction)" ] || fail "custom actions: uninstalling may leave them behind"

expected_rows() {
  [ "$window" = 1 ] || return 0
  for ((i = 0; i < ${#registry[@]}; i += 3)); do
    printf '2\t%s\t%s\t%s\n' "${registry[i]}" "${registry[i + 1]}" "${registry[i + 2]}"
  done
}
[ "$(table Registry | cut -f2- | cut -f1-4 | sort)" = "$(expected_rows | sort)" ] ||
  { fail "Registry table:"; table Registry | cut -f2-4; }
window_file=$(table File | awk -F'\t' '$3 == "tolvane-crypter.exe" { print $1 }')
# The window, and the window for many files, empty.
shortcuts=$(table Shortcut | cut -f2,3,5,6 | sort)
if [ "$window" = 1 ]; then
  expected=$'ProgramMenuFolder\tTolvane Crypter\t[#'"$window_file]"$'\t\n'
  expected+=$'ProgramMenuFolder\t'"$batch_entry"$'\t[#'"$window_file]"$'\t--batch'
  [ "$shortcuts" = "$expected" ] || fail "Start menu entries: $shortcuts"
else
  [ -z "$shortcuts" ] || fail "a Start menu entry without the window"
fi

# ---- Installed under Wine ----
# On a Russian system: its ANSI code page, 1251, has no "ü", so a text read
# in the system's code page instead of the MSI's comes out wrong. Wine takes
# the system's locale from the variable alone.
win() { LC_ALL=ru_RU.UTF-8 "$wine" "$@"; }
# Wine names files in the Unix locale's character set; where the Russian
# locale was never generated that is ASCII, and the Start menu entry for many
# files, whose name holds an en dash, could not be written. It is made here
# from glibc's sources where they are installed (Debian's locales).
entries=$((2 * window))
mkdir -p "$work/locale"
if localedef -c -i ru_RU -f UTF-8 "$work/locale/ru_RU.UTF-8" >/dev/null 2>&1 ||
  [ -d "$work/locale/ru_RU.UTF-8" ]; then
  export LOCPATH=$work/locale
elif [ "$window" = 1 ]; then
  echo "note: no ru_RU.UTF-8 locale for Wine: the entry for many files is checked in the table only"
  entries=1
fi
rm -rf "$prefix"
win wineboot --init >/dev/null 2>&1 || true
"$wineserver" -p 2>/dev/null || true
msiexec() { win msiexec "$@" /qn >/dev/null 2>&1; }
program_files=$prefix/drive_c/Program\ Files/Tolvane\ Crypter

# HKLM\Software\Classes as reg exports it, in UTF-8.
export_classes() {
  win reg export 'HKLM\Software\Classes' "$work/classes.reg" /y >/dev/null 2>&1
  iconv -f UTF-16LE -t UTF-8 "$work/classes.reg" | tr -d '\r' >"$work/classes.txt"
}
# Its string values as "key<TAB>name<TAB>value" lines, unescaped; the name
# of a key's default value is empty.
values() {
  awk '/^\[/ { key = substr($0, 2, length($0) - 2); next }
       /^(@|"[^"]*")="/ {
         eq = index($0, "=\""); name = substr($0, 1, eq - 1); if (name == "@") name = ""; else name = substr(name, 2, length(name) - 2)
         v = substr($0, eq + 2, length($0) - eq - 2); gsub(/\\"/, "\"", v); gsub(/\\\\/, "\\", v)
         print key "\t" name "\t" v }' \
    "$work/classes.txt"
}
# Windows Installer's own record of each installed Tolvane Crypter, by its
# version as a DWORD: major, minor and build in its top, second and low bytes.
products() {
  awk '/^\[/ { if (p && v) print v; p = 0; v = ""; next }
       /^"ProductName"="Tolvane Crypter"$/ { p = 1 }
       /^"Version"=dword:/ { v = "version " substr($0, 17) }
       END { if (p && v) print v }' "$work/classes.txt"
}
dword_of() { IFS=. read -r a b c <<<"$1"; printf 'version %08x\n' $(((a << 24) | (b << 16) | c)); }
shortcut_count() { find "$prefix/drive_c" -name 'Tolvane Crypter*.lnk' | wc -l; }

# An older version: the same package under another ProductCode, package
# code and version.
cp "$msi" "$work/older.msi"
msibuild "$work/older.msi" -q "UPDATE Property SET Value='0.9.0' WHERE Property='ProductVersion'"
msibuild "$work/older.msi" -q "UPDATE Property SET Value='{3F9A8B43-0E55-4C1D-9B1E-6A2D2C0F7E11}' WHERE Property='ProductCode'"
msibuild "$work/older.msi" -s "Tolvane Crypter" "Tolvane Crypter" "$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')" \
  '{5C0D2E7A-8B61-4F3E-A7C9-0D4B1E2F3A65}'
msiexec /i "$work/older.msi" || fail "installing the older version"
export_classes
[ "$(products)" = "$(dword_of 0.9.0)" ] || fail "the older version is not installed"

msiexec /i "$msi" || fail "installing"
[ "$(cd "$program_files" 2>/dev/null && ls | sort)" = "$files" ] || fail "installed files: $(ls "$program_files" 2>&1 | tr '\n' ' ')"
[ ! -e "$prefix/drive_c/Program Files (x86)/Tolvane Crypter" ] || fail "installed as 32-bit"
win "${installdir}tolvane.exe" --version >/dev/null 2>&1 || fail "the installed tolvane.exe does not run"
export_classes
installed=$(values)
[ "$(products)" = "$(dword_of "$version")" ] || fail "after the upgrade, installed: $(products | tr '\n' ' ')"
for ((i = 0; i < ${#registry[@]}; i += 3)); do
  line="HKEY_LOCAL_MACHINE\\${registry[i]}"$'\t'"${registry[i + 1]}"$'\t'"${registry[i + 2]//\[INSTALLDIR\]/$installdir}"
  if [ "$window" = 1 ]; then
    grep -qFx "$line" <<<"$installed" || fail "not in the registry: $line"
  else
    ! grep -qF "HKEY_LOCAL_MACHINE\\${registry[i]}"$'\t' <<<"$installed" || fail "without the window: ${registry[i]}"
  fi
done
[ "$(shortcut_count)" = "$entries" ] || fail "$(shortcut_count) Start menu entries"
if [ "$entries" = 2 ]; then
  # Its name read in the MSI's code page, and the window it starts.
  link=$(find "$prefix/drive_c" -name "$batch_entry.lnk" | head -n 1)
  [ -n "$link" ] || fail "no Start menu entry \"$batch_entry\""
  [ -z "$link" ] || strings -e l "$link" | grep -q -- '--batch' ||
    fail "the entry for many files does not start it with --batch"
fi

# ---- Removed ----
msiexec /x "$msi" || fail "uninstalling"
[ ! -e "$program_files" ] || fail "left behind: $(find "$program_files" | tr '\n' ' ')"
[ "$(shortcut_count)" = 0 ] || fail "the Start menu entry is left behind"
export_classes
left=$(grep -iE '^\[.*(tolvane|\.tvn)' "$work/classes.txt" || true)
[ -z "$left" ] || fail "registry left behind: $left"
[ -z "$(products)" ] || fail "still registered as installed"

if [ "$failures" -ne 0 ]; then
  echo "$failures installer checks failed"
  exit 1
fi
echo "the installer installs, upgrades and uninstalls cleanly"
