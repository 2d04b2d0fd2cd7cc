#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails on an include that runs against the layers. Every include is written
# from the project root, so linking alone would not catch one. The rules,
# folder: the folders it may include besides its own:
#   util      nothing
#   sha       util
#   platform  util
#   twofish   platform util
#   job       twofish sha platform util
#   batch     job platform util               (the batch engine, no toolkit)
#   window    batch job platform util         (the window's rules, no toolkit)
#   app       window batch job platform util  (front ends: never twofish, sha)
#   cli       batch job platform util
#   win32app  window batch job platform util  (the Win32 window: never twofish, sha)
# tests/, bench/ and fuzz/ may reach everything and are not checked.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

declare -A allowed=(
  [util]=""
  [sha]="util"
  [platform]="util"
  [twofish]="platform util"
  [job]="twofish sha platform util"
  [batch]="job platform util"
  [window]="batch job platform util"
  [app]="window batch job platform util"
  [cli]="batch job platform util"
  [win32app]="window batch job platform util"
)
# Folders of the project that an include may name; anything else
# ("ui_uMain.h", "TolvaneVersion.h", system headers) is not a layer.
layers=" ${!allowed[*]} "

status=0
for folder in "${!allowed[@]}"; do
  [ -d "$folder" ] || continue
  while IFS=: read -r file line text; do
    target=$(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]+"([^/"]+)\/.*/\1/p' <<<"$text")
    [ -n "$target" ] || continue
    [ "$target" = "$folder" ] && continue
    case "$layers" in *" $target "*) ;; *) continue ;; esac
    case " ${allowed[$folder]} " in
      *" $target "*) ;;
      *)
        echo "$file:$line: $folder/ may not include $target/ ($text)" >&2
        status=1
        ;;
    esac
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"' "$folder" \
             --include='*.h' --include='*.cpp' --include='*.hpp' || true)
done
[ $status -eq 0 ] && echo "layers: every include runs downwards"
exit $status
