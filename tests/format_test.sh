#!/usr/bin/env bash
# The sources follow .clang-format: clang-format names every line it would change.
# Usage: format_test.sh CLANG_FORMAT SOURCE
set -u
cd "$2" || exit 2
find app browser help about webview ui resources tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 "$1" --dry-run --Werror
