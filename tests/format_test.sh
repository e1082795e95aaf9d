#!/usr/bin/env bash
# The sources follow .clang-format: names every file that clang-format would change.
set -u
clang_format=$1
cd "$2" || exit 2
status=0
while IFS= read -r file; do
    "$clang_format" --dry-run --Werror "$file" >/dev/null 2>&1 || { echo "not formatted: $file"; status=1; }
done < <(find app browser help about webview ui resources tests bench -name '*.cpp' -o -name '*.h')
exit $status
