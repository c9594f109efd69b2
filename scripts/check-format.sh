#!/bin/bash
# Checks that every C and C++ file of the tree is formatted as .clang-format says, with
# Debian 12's clang-format (version 14); other versions may format some lines differently.
# Build folders (build*/, where the generated files are), the demo run folder and the other
# folders .gitignore names are not part of the tree.
# Usage: scripts/check-format.sh [--fix]      (--fix formats the files in place instead)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

mode=(--dry-run -Werror)
if [ "${1:-}" = --fix ]; then
    mode=(-i)
elif [ $# -gt 0 ]; then
    echo "usage: $0 [--fix]" >&2
    exit 2
fi
command -v clang-format >/dev/null || { echo "clang-format is not installed" >&2; exit 1; }
version=$(clang-format --version | grep -oE 'version [0-9]+' | grep -oE '[0-9]+')
[ "$version" = 14 ] || echo "note: clang-format $version, not 14: the check may differ" >&2

files=()
while IFS= read -r -d '' f; do
    files+=("$f")
done < <(find . \( -path './build*' -o -path ./demo-run -o -path ./.git -o -path ./.cache \) -prune \
    -o -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.cxx' -o -name '*.h' \
    -o -name '*.hh' -o -name '*.hpp' \) -print0 | sort -z)
[ ${#files[@]} -gt 0 ] || { echo "no C or C++ files found" >&2; exit 1; }
clang-format "${mode[@]}" "${files[@]}"
echo "${#files[@]} C and C++ files formatted as .clang-format says"
