#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the license identifier on the first line of every tracked source file
# (after a shebang, a zsh #compdef line or an XML declaration), in the
# comment form of its language. Files that carry one in their first three
# lines are left alone, so running it again changes nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
id="SPDX-License-Identifier: GPL-3.0-or-later"

# The identifier as a comment for this file, or nothing for files that are no
# source (pictures, documents, test data, the license texts themselves).
comment_for() {
  case $1 in
    CMakeLists.txt | */CMakeLists.txt) echo "# $id" ;;
    LICENSE | data/copyright | *.md | *.png | *.txt | */data/*) ;;
    *.cpp | *.h | *.hpp | *.h.in) echo "// $id" ;;
    *.cmake | *.sh | *.py | *.bash | .ci/* | *.supp | *.desktop) echo "# $id" ;;
    */_tolvane) echo "# $id" ;;
    *.ui | *.xml | *.xml.in | *.svg | *.wxs | *.wxs.in) echo "<!-- $id -->" ;;
    *.1 | *.1.in | *.roff) echo ".\\\" $id" ;;
  esac
}

changed=0
while IFS= read -r -d '' file; do
  line=$(comment_for "$file")
  [ -n "$line" ] || continue
  head -n 3 "$file" | grep -q 'SPDX-License-Identifier' && continue
  tmp=$(mktemp)
  first=$(head -n 1 "$file")
  case $first in
    '#!'* | '#compdef'* | '<?xml'*)
      { printf '%s\n' "$first"; printf '%s\n' "$line"; tail -n +2 "$file"; } >"$tmp" ;;
    *)
      { printf '%s\n' "$line"; cat "$file"; } >"$tmp" ;;
  esac
  # Keep the file's mode (scripts stay executable).
  cat "$tmp" >"$file"
  rm -f "$tmp"
  echo "$file"
  changed=$((changed + 1))
done < <(git ls-files -z)
echo "$changed file(s) given an SPDX line" >&2
