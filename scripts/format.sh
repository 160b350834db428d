#!/usr/bin/env bash
# Formats every C++ source of the project with clang-format and the root .clang-format.
# With --check it changes nothing and fails when a file is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | grep -v -E '^build')
if [[ "${1:-}" == "--check" ]]; then
    exec clang-format --dry-run --Werror "${files[@]}"
fi
exec clang-format -i "${files[@]}"
