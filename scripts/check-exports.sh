#!/usr/bin/env bash
# Usage: check-exports.sh LIBRARY LIST
# Fails when the library's defined dynamic function symbols differ from LIST.
set -euo pipefail
lib=$1 list=$2
actual=$(nm -D --defined-only "$lib" | awk '$2 == "T" || $2 == "W" { print $3 }' | sort -u)
expected=$(grep -v -E '^\s*(#|$)' "$list" | sort -u)
if [ "$actual" != "$expected" ]; then
  echo "exported symbols of $lib differ from $list:"
  diff <(echo "$expected") <(echo "$actual") | sed -e 's/^</missing:/' -e 's/^>/unexpected:/' | grep -E '^(missing|unexpected)'
  exit 1
fi
echo "$(echo "$actual" | wc -l) exported functions match $list"
