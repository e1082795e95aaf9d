#!/usr/bin/env bash
# Every folder of the program includes only folders below it (app on top, resources at the
# bottom). Every library sees the repository root, so the compiler would not notice an include
# that runs upwards or sideways: this names the file and line of each one.
set -u
cd "$1" || exit 2
layers="resources ui webview about help browser app"
below() {
    case $1 in
    app) echo "browser help about webview ui resources" ;;
    browser) echo "webview ui resources" ;;
    help | about | webview) echo "ui resources" ;;
    ui) echo "resources" ;;
    *) echo "" ;;
    esac
}
status=0
for folder in $layers; do
    allowed=" $folder $(below "$folder") "
    while IFS=: read -r file line text; do
        target=${text#*\"}
        target=${target%%/*}
        case " $layers " in *" $target "*) ;; *) continue ;; esac
        case $allowed in
        *" $target "*) ;;
        *) echo "$file:$line includes $target/, which is not below $folder/" && status=1 ;;
        esac
    done < <(grep -rnE --include='*.cpp' --include='*.h' --include='*.in' '^\s*#\s*include\s+"' "$folder")
done
exit $status
