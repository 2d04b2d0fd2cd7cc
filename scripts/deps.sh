#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs on Debian 12, if missing, what one of these needs:
#   deps.sh run      building the programs and running the window (scripts/run.sh)
#   deps.sh package  that, plus what builds the .deb (scripts/package.sh)
#   deps.sh windows  the cross compiler, GoogleTest's sources, Wine and
#                    msitools, for the Windows build, its installer and its
#                    tests (scripts/build-windows.sh)
#   deps.sh test     everything: also the test and benchmark libraries, the
#                    virtual X server, the package checks, clang for the fuzz
#                    targets and the Windows build (the default)
set -euo pipefail
need=${1:-test}

run=(
  g++ cmake ninja-build
  qt6-base-dev qt6-base-dev-tools
  # At run time: Qt's German texts, the fonts the layout is measured in, and
  # the platform plugin for a native Wayland session.
  qt6-translations-l10n fonts-liberation qt6-wayland
)
package=(dpkg-dev)  # dpkg-shlibdeps finds the package's library dependencies
# wixl builds the MSI; msitools reads its tables back (msiinfo) for the test.
windows=(g++-mingw-w64-x86-64-posix googletest wine wine64 msitools wixl)
test=(
  pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  nettle-dev libgcrypt20-dev libcrypto++-dev libbotan-2-dev
  # bench/whole-files.sh: whole files against gpg, timed, and the peak memory.
  hyperfine gnupg time
  clang libclang-rt-14-dev
  clang-format-14  # the format check pins this version
  xvfb xauth
  # The package check: validators, manual page rendering, completion shells.
  desktop-file-utils appstream shared-mime-info man-db groff-base zsh bash-completion lintian
)

case $need in
  run) packages=("${run[@]}") ;;
  package) packages=("${run[@]}" "${package[@]}") ;;
  windows | --windows) packages=("${run[@]}" "${windows[@]}") ;;
  test) packages=("${run[@]}" "${package[@]}" "${test[@]}" "${windows[@]}") ;;
  *) echo "usage: deps.sh [run|package|windows|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
