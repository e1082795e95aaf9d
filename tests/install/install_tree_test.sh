#!/usr/bin/env bash
# Installs the program the way `make install` does, from a build folder of its own configured for
# the prefix, into a staging folder (through DESTDIR, as a package build does), and checks the
# installed tree as desktops read it: the executable and the store file it reads, the desktop
# entry, the icon in every size of the hicolor theme, the AppStream metadata and the documents.
#
# Usage: install_tree_test.sh SOURCE BUILD STAGE PREFIX APP_ID HOMEPAGE ICON_SVG "SIZES"
set -uo pipefail

src=$1 build=$2 stage=$3 prefix=$4 app_id=$5 homepage=$6 icon_svg=$7 sizes=$8
root="$stage$prefix"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

rm -rf "$stage"
mkdir -p "$stage"
if ! { cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DZARNIC_TESTS=OFF && cmake --build "$build" -j "$(nproc)" &&
    DESTDIR="$stage" cmake --install "$build"; } >"$stage.log" 2>&1; then
    tail -n 40 "$stage.log"
    echo "FAIL: the build for $prefix or its install did not succeed"
    exit 1
fi

# The store file the installed program reads lies under the prefix, and is installed there.
store=$(grep -aoE "/[[:print:]]*/zarnic/machine\.reg" "$root/bin/zarnic" | head -n1)
[ "$store" = "$prefix/etc/zarnic/machine.reg" ] || fail "the installed program reads its store at '$store'"

# Everything lands under the prefix.
while IFS= read -r file; do
    case "$file" in
    "$root"/*) ;;
    *) fail "installed outside the prefix: ${file#"$stage"}" ;;
    esac
done < <(find "$stage" -type f)

# The validators desktops and software centres use, with no warnings; the icon at each size.
desktop="$root/share/applications/$app_id.desktop"
report=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$report" ] || fail "desktop entry: $report"
report=$(appstreamcli validate-tree --no-net "$root" 2>&1) || fail "AppStream metadata: $report"
grep -q "<image[^>]*>$homepage" "$root/share/metainfo/$app_id.metainfo.xml" ||
    fail "the screenshot is not under $homepage"
icons="$root/share/icons/hicolor"
cmp -s "$icon_svg" "$icons/scalable/apps/$app_id.svg" || fail "no scalable icon"
for size in $sizes; do
    read -r format w h < <(identify -format '%m %w %h\n' "$icons/${size}x$size/apps/$app_id.png" 2>/dev/null)
    [ "${format:-} ${w:-}x${h:-}" = "PNG ${size}x$size" ] || fail "the ${size}x$size icon is ${w:-?}x${h:-?}"
done
for gz in share/doc/zarnic/changelog.gz share/man/man1/zarnic.1.gz; do
    gzip -t "$root/$gz" 2>/dev/null || fail "$gz missing or not gzip"
done
grep -q '^License: MIT' "$root/share/doc/zarnic/copyright" || fail "no MIT licence in the copyright"
[ -f "$stage$store" ] && [ "$(stat -c %a "$stage$store")" = 644 ] || fail "no store file, mode 644, at $store"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed; installed tree:"
    (cd "$stage" && find . -type f | sort)
    exit 1
fi
echo "installed tree is complete"
rm -rf "$stage" "$stage.log"
