#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tolvane.exe under Wine against the build machine's own tolvane: what one
# encrypts the other decrypts byte for byte, both write the same ciphertext,
# names outside the ANSI code page and bytes a text-mode runtime mangles pass,
# also through pipes with '-' and in a batch,
# the exit statuses agree, Ctrl-C stops tolvane.exe cleanly, and a password
# typed on the console is not echoed.
# Usage: round_trip.sh WINE TOLVANE_EXE NATIVE_TOLVANE
set -euo pipefail
wine=$1 exe=$(realpath "$2") native=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
win() { "$wine" "$exe" "$@"; }

# The password holds characters that Windows-1252 has and ASCII lacks.
printf 'Grüße €5\n' >pw
printf '' >empty.txt
head -c 15 /dev/urandom >fifteen.bin
head -c 4096 /dev/urandom >page.bin
# The file whose first 0x1A once ended a text-mode read after 16 bytes.
{ printf 'ab\032\r\n\n'; head -c 70000 /dev/urandom; printf '\032'; } >'Grüße Ωμέγα 日本.txt'
head -c 1048577 /dev/urandom >large.bin

for mode in cbc ecb; do
  for plain in empty.txt fifteen.bin page.bin 'Grüße Ωμέγα 日本.txt' large.bin; do
    what="$plain ($mode)"
    win=win-$mode-$plain lin=lin-$mode-$plain
    win encrypt -q --mode "$mode" --password-file pw "$plain" "$win.tvn" || fail "tolvane.exe encrypt $what"
    "$native" encrypt -q --mode "$mode" --password-file pw "$plain" "$lin.tvn" || fail "tolvane encrypt $what"
    cmp -s "$win.tvn" "$lin.tvn" || fail "ciphertexts differ: $what"
    "$native" decrypt -q --mode "$mode" --password-file pw "$win.tvn" "$win.back" || fail "tolvane decrypt $what"
    win decrypt -q --mode "$mode" --password-file pw "$lin.tvn" "$lin.back" || fail "tolvane.exe decrypt $what"
    cmp -s "$plain" "$win.back" || fail "Windows to Linux changed $what"
    cmp -s "$plain" "$lin.back" || fail "Linux to Windows changed $what"
  done
done

# Without hashing, the password from standard input.
win encrypt -q --no-hash --password-fd 0 page.bin nohash-win.tvn <pw || fail "tolvane.exe --no-hash"
"$native" decrypt -q --no-hash --password-fd 0 nohash-win.tvn nohash.back <pw || fail "tolvane --no-hash"
cmp -s page.bin nohash.back || fail "--no-hash round trip"

# '-' through real pipes: the bytes of the file results, none translated.
plain='Grüße Ωμέγα 日本.txt'
cat "$plain" | win encrypt -q --password-file pw - - | cat >piped-win.tvn || fail "tolvane.exe encrypt - -"
"$native" encrypt -q --password-file pw "$plain" piped-lin.tvn || fail "tolvane encrypt for the pipe"
cmp -s piped-win.tvn piped-lin.tvn || fail "piped ciphertext differs from the file result"
cat piped-lin.tvn | win decrypt -q --password-file pw - - | cat >piped.back || fail "tolvane.exe decrypt - -"
cmp -s "$plain" piped.back || fail "piped decryption changed the bytes"

# A batch: three files at once give the ciphertexts of three single runs; a
# second run keeps the existing targets (no terminal to ask) and still
# succeeds; decrypted under another folder, the files come back whole.
mkdir batch
cp page.bin fifteen.bin "$plain" batch/
win encrypt -q --each --password-file pw batch/page.bin batch/fifteen.bin "batch/$plain" ||
  fail "tolvane.exe batch encrypt"
cmp -s batch/page.tvn lin-cbc-page.bin.tvn || fail "batch ciphertext of page.bin differs"
cmp -s batch/fifteen.tvn lin-cbc-fifteen.bin.tvn || fail "batch ciphertext of fifteen.bin differs"
cmp -s "batch/${plain%.txt}.tvn" "lin-cbc-$plain.tvn" || fail "batch ciphertext of $plain differs"
win encrypt -q --each --password-file pw batch/page.bin batch/fifteen.bin 2>/dev/null ||
  fail "a batch that keeps existing targets failed"
win decrypt -q -r -O batch-back --password-file pw batch || fail "tolvane.exe batch decrypt"
cmp -s page.bin batch-back/page || fail "batch round trip changed page.bin"
cmp -s "$plain" "batch-back/${plain%.txt}" || fail "batch round trip changed $plain"

# Exit statuses: 1 for a file not processed, 2 for wrong usage.
status() { set +e; "$@" >/dev/null 2>&1; echo $?; set -e; }
printf 'falsch\n' >wrong
[ "$(status win decrypt --password-file wrong win-cbc-page.bin.tvn wrong.back)" = 1 ] || fail "wrong password status"
[ ! -e wrong.back ] || fail "a wrong password left a result"
[ "$(status win encrypt --password-file pw missing.txt)" = 1 ] || fail "missing source status"
[ "$(status win encrypt --password-file pw page.bin win-cbc-page.bin.tvn)" = 1 ] || fail "kept target status"
[ "$(status win encrypt --mode xts page.bin)" = 2 ] || fail "usage status"

# Ctrl-C (Wine turns SIGINT into the console's Ctrl-C event): the command
# stops at the next chunk, removes its incomplete target and ends with
# STATUS_CONTROL_C_EXIT, of which a POSIX parent sees the low byte.
truncate -s 4G sparse.bin
# Started directly, so that $! is Wine's process itself.
"$wine" "$exe" encrypt -q --password-file pw sparse.bin sparse.tvn >/dev/null 2>&1 &
pid=$!
for _ in $(seq 100); do [ -s sparse.tvn ] && break; sleep 0.1; done
kill -INT "$pid"
set +e
wait "$pid"
code=$?
set -e
[ "$code" = $((0xC000013A & 0xFF)) ] || fail "Ctrl-C status $code"
[ ! -e sparse.tvn ] || fail "Ctrl-C left the incomplete target"

# The console: on a pseudo terminal Wine gives the program a console. The
# password is asked twice without echo, read as UTF-16 and keyed as
# Windows-1252, so the result equals the Linux one.
mkfifo keys
script -qefc "'$wine' '$exe' encrypt page.bin console.tvn" console.log <keys >/dev/null 2>&1 &
pid=$!
exec 3>keys
shows() { for _ in $(seq 200); do grep -q "$1" console.log 2>/dev/null && return 0; sleep 0.1; done; return 1; }
typed=0
shows 'Password:' && printf 'Grüße €5\r' >&3 &&
  shows 'Repeat password:' && printf 'Grüße €5\r' >&3 && typed=1
exec 3>&-
[ "$typed" = 1 ] || { fail "no password prompt on the console"; kill "$pid" 2>/dev/null || true; }
set +e
wait "$pid"
code=$?
set -e
[ "$code" = 0 ] || fail "console encryption status $code"
cmp -s console.tvn lin-cbc-page.bin.tvn || fail "console password keyed differently"
! grep -q 'Grüße' console.log || fail "the typed password was echoed"

if [ "$failures" -ne 0 ]; then
  echo "$failures round-trip checks failed"
  exit 1
fi
echo "tolvane.exe and tolvane agree on every file"
