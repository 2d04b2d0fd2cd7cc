#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a product source differs from what clang-format 14 makes of it
# (.clang-format); another version formats some constructs differently.
# With --fix, formats them in place instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
format=$(command -v clang-format-14 || true)
if [ -z "$format" ]; then
  echo "check-format: clang-format-14 is missing (scripts/deps.sh test installs it)" >&2
  exit 1
fi
mapfile -t files < <(git ls-files -- util sha platform twofish job batch window app cli win32app |
                     grep -E '\.(cpp|h)$')
if [ "${1:-}" = "--fix" ]; then
  "$format" -i "${files[@]}"
  exit 0
fi
"$format" --dry-run --Werror "${files[@]}"
echo "format: ${#files[@]} files as clang-format 14 writes them"
