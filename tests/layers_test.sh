#!/usr/bin/env bash
# Every folder of the program includes only folders below it (app on top, resources at the
# bottom). Every library sees the repository root, so the compiler would not notice an include
# that runs upwards or sideways: this names the file and line of each one, written with quotes
# or with angle brackets.
set -u
cd "$1" || exit 2
status=0
# check FOLDER BELOW...: every include of FOLDER names itself or a folder below it.
check() {
    local folder=$1 allowed=" $* " file line text target
    while IFS=: read -r file line text; do
        target=${text#*[\"<]} && target=${target%%/*}
        case " resources ui webview about help browser app " in *" $target "*) ;; *) continue ;; esac
        case $allowed in *" $target "*) ;; *) echo "$file:$line includes $target/, which is not below $folder/" && status=1 ;; esac
    done < <(grep -rnE --include='*.cpp' --include='*.h' --include='*.in' '^\s*#\s*include\s*["<]' "$folder")
}
check app browser help about webview ui resources
check browser webview ui resources
check help ui resources
check about ui resources
check webview ui resources
check ui resources
check resources
exit $status
