#!/usr/bin/env bash
# The installation tests, on the one build they make: the Debian package's. Builds the package,
# checks it with lintian, checks its tree as desktops read it (the desktop entry, the AppStream
# metadata, the icon in every size of the hicolor theme, the documents), installs it with apt-get
# (the store file the program reads: a conffile of mode 644), starts the installed program as the
# desktop would (its own X server, a fresh HOME, no D-Bus), and purges the package again, also
# when a step fails: afterwards the machine's package list is what it was and nothing of the
# package is left. For `make install`, without building again: a folder configured for its
# default prefix has the store file under that prefix, and the package's build installed for it
# puts everything under it but the store file.
# Needs root (or password-less sudo) and every run-time package already installed
# (scripts/install-deps.sh); it skips (77) otherwise, and when a zarnic package is installed
# already.
# Usage: package_test.sh SOURCE BUILD APP_ID HOMEPAGE ICON_SIZE...
set -uo pipefail
src=$1 build=$2 app_id=$3 homepage=$4 sizes=("${@:5}")
root=()
[ "$(id -u)" -eq 0 ] || root=(sudo -n)
"${root[@]}" true 2>/dev/null || { echo "SKIPPED: installing a package needs root" && exit 77; }
apt=("${root[@]}" env DEBIAN_FRONTEND=noninteractive timeout 600 apt-get -q -o DPkg::Lock::Timeout=300)
dpkg-query -W -f='${db:Status-Status}' zarnic 2>/dev/null | grep -qv not-installed &&
    { echo "SKIPPED: zarnic is installed on this machine already" && exit 77; }
fail() { echo "FAIL: $*" && exit 1; }

deb=$("$src/scripts/build-package.sh" "$build" 2>"$build/deb-build.log" | tail -n1)
[ -f "$deb" ] || { tail -n 30 "$build/deb-build.log"; fail "the package was not built"; }
lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"
others=$("${apt[@]}" install -s "$deb" 2>&1 | sed -n 's/^Inst \([^ ]*\).*/\1/p' | grep -vx zarnic)
[ -z "$others" ] || fail "installing the package would also install: $others"

tmp=$(mktemp -d /tmp/zarnic-package-test-XXXXXX)
dpkg-query -W -f='${Package} ${Version} ${db:Status-Abbrev}\n' >"$tmp/before"
purge() {
    local status=$?
    "${apt[@]}" purge -y zarnic >"$tmp/purge.log" 2>&1 || { cat "$tmp/purge.log"; status=1; }
    dpkg-query -W -f='${Package} ${Version} ${db:Status-Abbrev}\n' >"$tmp/after"
    diff -u "$tmp/before" "$tmp/after" || { echo "FAIL: packages differ from before"; status=1; }
    for file in "${files[@]}"; do [ ! -e "$file" ] || { echo "FAIL: left: $file"; status=1; }; done
    rm -rf "$tmp"
    exit $status
}
files=()
trap purge EXIT

# The package's tree under its prefix /usr, through the validators desktops and software centres
# use, with no warnings.
usr=$tmp/tree/usr icons=$tmp/tree/usr/share/icons/hicolor
dpkg-deb -x "$deb" "$tmp/tree" || fail "cannot unpack the package"
report=$(desktop-file-validate "$usr/share/applications/$app_id.desktop" 2>&1) && [ -z "$report" ] ||
    fail "desktop entry: $report"
report=$(appstreamcli validate-tree --no-net "$usr" 2>&1) || fail "AppStream metadata: $report"
grep -q "<image[^>]*>$homepage" "$usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "the screenshot is not under $homepage"
cmp -s "$src/resources/pictures/window-icon.svg" "$icons/scalable/apps/$app_id.svg" || fail "no scalable icon"
for size in "${sizes[@]}"; do
    format=$(identify -format '%m %wx%h' "$icons/${size}x$size/apps/$app_id.png" 2>/dev/null)
    [ "$format" = "PNG ${size}x$size" ] || fail "the ${size}x$size icon is '$format'"
done
for gz in share/doc/zarnic/changelog.gz share/man/man1/zarnic.1.gz; do
    gzip -t "$usr/$gz" 2>/dev/null || fail "$gz missing or not gzip"
done
grep -q '^License: MIT' "$usr/share/doc/zarnic/copyright" || fail "no MIT licence in the copyright"

"${apt[@]}" install -y "$deb" >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; fail "apt-get install"; }
mapfile -t files < <(dpkg -L zarnic | while read -r f; do [ -f "$f" ] && echo "$f"; done)
[ "$(command -v zarnic)" = /usr/bin/zarnic ] || fail "zarnic on the path is '$(command -v zarnic)'"
store=$(grep -aoE "/[[:print:]]*/zarnic/machine\.reg" /usr/bin/zarnic | head -n1)
[ "$store" = /etc/zarnic/machine.reg ] || fail "the installed program reads its store at '$store'"
[ "$(stat -c %a "$store")" = 644 ] || fail "no store file, mode 644, at $store"
# The store file is a conffile; every other file lies under the prefix (checked below), none in /etc.
dpkg-query -W -f='${Conffiles}' zarnic | grep -q " $store " || fail "$store is not a conffile"

# `make install`'s way, without building again: a folder configured (only) for its default
# prefix /usr/local compiles in the store file under it, and the package's build installed for
# that prefix puts everything under it but the store file, at the path built in.
cmake -S "$src" -B "$tmp/local" -DCMAKE_INSTALL_PREFIX=/usr/local -DZARNIC_TESTS=OFF >/dev/null &&
    grep -qF '"/usr/local/etc/zarnic/machine.reg"' "$tmp/local/generated/resources/constants.h" ||
    fail "a build for /usr/local does not read its store file under it"
DESTDIR=$tmp/stage cmake --install "$build/deb" --prefix /usr/local >/dev/null || fail "cmake --install"
outside=$(cd "$tmp/stage" && find . -type f ! -path "./usr/local/*" ! -path ".$store")
[ -z "$outside" ] || fail "installed outside the prefix: $outside"

# The installed program from its desktop entry: a splash, then a browser window of the entry's
# class carrying the icon; File > Close Zarnic! ends it well (no window manager: the window
# stands where it asked to be).
entry=/usr/share/applications/$app_id.desktop
[ "$(sed -n 's/^Exec=//p' "$entry")" = zarnic ] || fail "the entry does not start zarnic"
wm_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
export HOME=$tmp XDG_RUNTIME_DIR=$tmp DBUS_SESSION_BUS_ADDRESS=disabled: NO_AT_BRIDGE=1
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    zarnic & pid=$!
    splash=$(timeout 30 xdotool search --sync --onlyvisible --pid $pid | head -n1)
    xprop -id "$splash" _NET_WM_WINDOW_TYPE | grep -q SPLASH || { echo "no splash"; exit 1; }
    window=$(timeout 60 xdotool search --sync --onlyvisible --name "^Welcome to Zarnic!$" | head -n1)
    [ -n "$window" ] || { echo "no browser window on the start page"; exit 1; }
    xprop -id "$window" WM_CLASS | grep -q "\"$1\"" || { echo "the class is not $1"; exit 1; }
    xprop -id "$window" _NET_WM_ICON | grep -q "Icon (48 x 48)" || { echo "no 48 px icon"; exit 1; }
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove $((X + 19)) $((Y + 12)) click 1 key Down Down Return
    timeout 15 tail --pid=$pid -f /dev/null && wait $pid' _ "$wm_class" ||
    fail "the installed program did not start and end as it should"
echo "the package builds, is lintian-clean, has a complete tree, installs, runs and purges"
