#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the .deb from a finished build tree, unpacks it into a scratch root
# and checks it as a desktop and a packager would: metadata validators,
# manual pages, completion, icons, and the installed command at work.
#   check_package.sh BUILD_DIR VERSION APPSTREAM_ID ZSH_COMPLETION_DIR
set -euo pipefail
build=$1 version=$2 appid=$3 zshdir=$4

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" || fail "$what"; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; exit 1; }
deb=$(echo "$scratch"/out/tolvane-crypter_"$version"_*.deb)
[ -f "$deb" ] || { echo "no package named for version $version in $scratch/out" >&2; exit 1; }

# Control fields: the one version, and what the programs need at run time
# besides the libraries they link.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tolvane-crypter ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
depends=",$(field Depends | tr -d ' '),"
for dep in libqt6core6 libqt6gui6 libqt6widgets6 qt6-wayland qt6-translations-l10n fonts-liberation; do
  [[ $depends =~ ,$dep[,\(] ]] || fail "Depends lacks $dep: $depends"
done
[ "$(field Suggests)" = python3-nautilus ] || fail "Suggests is '$(field Suggests)'"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
share=$root/usr/share

for f in usr/bin/tolvane usr/bin/tolvane-crypter \
  usr/share/applications/tolvane-crypter.desktop \
  "usr/share/metainfo/$appid.metainfo.xml" \
  usr/share/mime/packages/tolvane-crypter.xml \
  usr/share/icons/hicolor/scalable/apps/tolvane-crypter.svg \
  usr/share/man/man1/tolvane.1.gz usr/share/man/man1/tolvane-crypter.1.gz \
  usr/share/bash-completion/completions/tolvane "usr/$zshdir/_tolvane" \
  usr/share/doc/tolvane-crypter/copyright usr/share/doc/tolvane-crypter/changelog.gz \
  usr/share/nemo/actions/tolvane-crypter-encrypt.nemo_action \
  usr/share/nemo/actions/tolvane-crypter-decrypt.nemo_action \
  usr/share/file-manager/actions/tolvane-crypter-encrypt.desktop \
  usr/share/file-manager/actions/tolvane-crypter-decrypt.desktop \
  usr/share/nautilus-python/extensions/tolvane-crypter.py; do
  [ -f "$root/$f" ] || fail "missing /$f"
done
# Dolphin runs a service menu only when it is executable.
for direction in encrypt decrypt; do
  [ -x "$share/kio/servicemenus/tolvane-crypter-$direction.desktop" ] ||
    fail "service menu $direction missing or not executable"
done

# The changelog's newest entry is this version.
zcat "$root/usr/share/doc/tolvane-crypter/changelog.gz" | head -1 |
  grep -q "^tolvane-crypter ($version) " || fail "changelog.gz does not begin with $version"

# Debian's own checks. The package names no mail address for its
# maintainer yet, which lintian counts as an error twice.
if ! lintian --fail-on error --suppress-tags malformed-contact,bogus-mail-host-in-debian-changelog \
  "$deb" >"$scratch/lintian.txt" 2>&1; then
  cat "$scratch/lintian.txt" >&2
  fail "lintian finds errors"
fi

# Icons: every PNG is the size its folder says.
for size in 16 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/tolvane-crypter.png
  [ -f "$png" ] || { fail "missing ${size}px icon"; continue; }
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
  [ "$w $h" = "$size $size" ] || fail "${size}px icon is ${w}x$h"
done

# Desktop entry and metainfo, as the validators of a distribution see them.
desktop=$share/applications/tolvane-crypter.desktop
if out=$(desktop-file-validate "$desktop" 2>&1); then
  grep -E ': (error|warning):' <<<"$out" && fail "desktop-file-validate complains"
else
  echo "$out" >&2
  fail "desktop-file-validate"
fi
grep -qx 'Exec=tolvane-crypter -- %F' "$desktop" || fail "desktop Exec line"
grep -qx 'Exec=tolvane-crypter --batch' "$desktop" || fail "desktop action for many files"
grep -qx 'Icon=tolvane-crypter' "$desktop" || fail "desktop Icon line"
grep -qx 'MimeType=application/x-tolvane-encrypted;' "$desktop" || fail "desktop MimeType line"
grep -q '^Name\[de\]=' "$desktop" && grep -q '^Comment\[de\]=' "$desktop" || fail "desktop lacks German"

metainfo=$share/metainfo/$appid.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate --no-net"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo release is not $version"
grep -q '<launchable type="desktop-id">tolvane-crypter.desktop</launchable>' "$metainfo" ||
  fail "metainfo launchable"
grep -q '<p xml:lang="de">' "$metainfo" || fail "metainfo lacks a German description"

# The file type: *.tvn must reach the MIME database.
cp -r "$share/mime" "$scratch/mime"
update-mime-database "$scratch/mime" >/dev/null 2>&1 || fail "update-mime-database"
grep -q ':application/x-tolvane-encrypted:\*\.tvn' "$scratch/mime/globs2" || fail "*.tvn not in globs2"

# Manual pages render without groff warnings and carry the section on limits.
for page in tolvane tolvane-crypter; do
  if ! MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$share/man/man1/$page.1.gz" \
    >"$scratch/$page.txt" 2>"$scratch/$page.err"; then
    fail "man -l $page"
  fi
  [ -s "$scratch/$page.err" ] && { cat "$scratch/$page.err" >&2; fail "man $page warns"; }
  grep -q 'WHAT THE FORMAT PROTECTS' "$scratch/$page.txt" || fail "man $page lacks the limits"
  grep -q "Tolvane Crypter $version" "$scratch/$page.txt" || fail "man $page is not $version"
done
grep -q -- '--allow-empty-password' "$scratch/tolvane.txt" || fail "man tolvane lacks an option"

# Completion: bash offers the options, zsh parses the function.
completion=$share/bash-completion/completions/tolvane
reply=$(bash -c 'source "$1"; COMP_WORDS=(tolvane encrypt --allow); COMP_CWORD=2
  _tolvane; echo "${COMPREPLY[*]}"' _ "$completion")
[ "$reply" = --allow-empty-password ] || fail "bash completion gave '$reply'"
reply=$(bash -c 'source "$1"; COMP_WORDS=(tolvane --mode ""); COMP_CWORD=2
  _tolvane; echo "${COMPREPLY[*]}"' _ "$completion")
[ "$reply" = "cbc ecb" ] || fail "bash completion of --mode gave '$reply'"
if command -v zsh >/dev/null; then
  zsh -n "$root/usr/$zshdir/_tolvane" || fail "zsh completion does not parse"
else
  fail "zsh missing, cannot check its completion"
fi

# The installed programs find their libraries, and the command works.
for bin in tolvane tolvane-crypter; do
  ldd "$root/usr/bin/$bin" | grep 'not found' && fail "$bin misses a library"
done
tolvane=$root/usr/bin/tolvane
[ "$("$tolvane" --version | head -n 1)" = "tolvane (Tolvane Crypter) $version" ] || fail "tolvane --version"
"$tolvane" --help | grep -q 'man tolvane' || fail "tolvane --help does not point to the limits"
head -c 100000 /dev/urandom >"$scratch/plain.bin"
printf 'a long passphrase of several words\n' >"$scratch/pw"
"$tolvane" encrypt --quiet --password-file "$scratch/pw" "$scratch/plain.bin" "$scratch/plain.tvn" ||
  fail "installed tolvane cannot encrypt"
"$tolvane" decrypt --quiet --password-file "$scratch/pw" "$scratch/plain.tvn" "$scratch/back.bin" ||
  fail "installed tolvane cannot decrypt"
cmp -s "$scratch/plain.bin" "$scratch/back.bin" || fail "round trip through the installed tolvane"

if [ "$failures" -ne 0 ]; then
  echo "$failures package check(s) failed" >&2
  exit 1
fi
echo "package $(basename "$deb") passed every check"
