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

# The executable.
[ -x "$root/bin/zarnic" ] || fail "no executable bin/zarnic"

# The desktop entry: valid by the desktop-file-utils' rules, with no warnings either.
desktop="$root/share/applications/$app_id.desktop"
if [ ! -f "$desktop" ]; then
    fail "no desktop entry share/applications/$app_id.desktop"
else
    report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed"
    [ -z "$report" ] || fail "desktop-file-validate reports: $report"
    key() { sed -n "s/^$1=//p" "$desktop"; }
    [ "$(key Type)" = Application ] || fail "Type is '$(key Type)'"
    [ "$(key Exec)" = zarnic ] || fail "Exec is '$(key Exec)', not the bare program name (it takes no command line)"
    [ "$(key Icon)" = "$app_id" ] || fail "Icon is '$(key Icon)', not the application ID"
    [ "$(key GenericName)" = "Web Browser" ] || fail "GenericName is '$(key GenericName)'"
    [ -n "$(key Name)" ] && [ -n "$(key Comment)" ] || fail "Name or Comment is empty"
    for category in Network WebBrowser; do
        [[ ";$(key Categories)" == *";$category;"* ]] || fail "Categories '$(key Categories)' lack $category"
    done
    [ -n "$(key StartupWMClass)" ] || fail "no StartupWMClass"
    ! grep -q '^MimeType=' "$desktop" || fail "the entry claims MIME types or URL handlers"
fi

# The icon: the drawing itself as the scalable icon, and a bitmap of the right pixel size in
# every size folder, transparent around a solid picture.
icons="$root/share/icons/hicolor"
cmp -s "$icon_svg" "$icons/scalable/apps/$app_id.svg" || fail "scalable icon missing or not the window icon's drawing"
for size in $sizes; do
    png="$icons/${size}x$size/apps/$app_id.png"
    if [ ! -f "$png" ]; then
        fail "no ${size}x$size icon"
        continue
    fi
    read -r format w h corner center < <(convert "$png" -format \
        '%m %w %h %[fx:p{0,0}.a] %[fx:p{w/2,h/2}.a]\n' info: 2>/dev/null)
    coverage=$(convert "$png" -alpha extract -format '%[fx:mean]' info: 2>/dev/null)
    [ "${format:-}" = PNG ] || fail "${size}x$size icon is not a PNG file"
    [ "${w:-}x${h:-}" = "${size}x$size" ] || fail "${size}x$size icon is ${w:-?}x${h:-?} pixels"
    awk -v c="${corner:-1}" -v m="${center:-0}" -v a="${coverage:-0}" \
        'BEGIN { exit !(c < 0.1 && m > 0.9 && a > 0.5 && a < 0.95) }' ||
        fail "${size}x$size icon is not a picture on a transparent ground (corner $corner, centre $center, cover $coverage)"
done

# The AppStream metadata: valid together with the desktop entry it names, and pointing at the
# publisher's home page.
metainfo="$root/share/metainfo/$app_id.metainfo.xml"
if [ ! -f "$metainfo" ]; then
    fail "no AppStream metadata share/metainfo/$app_id.metainfo.xml"
else
    report=$(appstreamcli validate-tree --no-net "$root" 2>&1) || fail "appstreamcli validate-tree failed: $report"
    tag() { tr -d '\n' <"$metainfo" | grep -o "<$1[^>]*>[^<]*</$1>" | sed 's/<[^>]*>//g'; }
    [ "$(tag id)" = "$app_id" ] || fail "component ID is '$(tag id)'"
    [ "$(tag launchable)" = "$app_id.desktop" ] || fail "launchable is '$(tag launchable)'"
    [ "$(tag metadata_license)" = CC0-1.0 ] || fail "metadata licence is '$(tag metadata_license)'"
    [ "$(tag project_license)" = MIT ] || fail "project licence is '$(tag project_license)'"
    [ -x "$root/bin/$(tag binary)" ] || fail "provided binary '$(tag binary)' is not installed"
    images=$(tag image)
    [ -n "$images" ] || fail "no screenshot"
    for image in $images; do
        [[ "$image" == "$homepage"* ]] || fail "screenshot $image is not under $homepage"
    done
fi

# The documents every package carries, and the manual page.
grep -q '^License: MIT' "$root/share/doc/zarnic/copyright" 2>/dev/null &&
    grep -q 'Permission is hereby granted, free of charge' "$root/share/doc/zarnic/copyright" ||
    fail "share/doc/zarnic/copyright lacks the MIT licence"
for gz in share/doc/zarnic/changelog.gz share/man/man1/zarnic.1.gz; do
    gzip -t "$root/$gz" 2>/dev/null || fail "$gz missing or not gzip"
done

# The store file, readable by everyone and writable by none but its owner.
if [ -n "$store" ]; then
    if [ ! -f "$stage$store" ]; then
        fail "no store file at $store"
    else
        head -n1 "$stage$store" | grep -Eq '^(Windows Registry Editor Version 5\.00|REGEDIT4)' ||
            fail "store file $store does not start with a registry export header"
        [ "$(stat -c %a "$stage$store")" = 644 ] || fail "store file mode is $(stat -c %a "$stage$store")"
    fi
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed; installed tree:"
    (cd "$stage" && find . -type f | sort)
    exit 1
fi
echo "installed tree is complete"
rm -rf "$stage" "$stage.log"
