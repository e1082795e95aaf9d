#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it with apt-get, starts the
# installed program as the desktop would (its own X server, a fresh HOME, no D-Bus), and purges
# the package again, also when a step fails: afterwards the machine's package list is what it was
# and nothing of the package is left. Needs root (or password-less sudo) and every run-time
# package already installed (scripts/install-deps.sh); it skips (77) otherwise, and when a
# zarnic package is installed already.
# Usage: package_test.sh SOURCE BUILD APP_ID
set -uo pipefail
src=$1 build=$2 app_id=$3
export DEBIAN_FRONTEND=noninteractive
root=()
if [ "$(id -u)" -ne 0 ]; then
    sudo -n true 2>/dev/null || { echo "SKIPPED: installing a package needs root" && exit 77; }
    root=(sudo -n)
fi
apt=("${root[@]}" timeout 600 apt-get -q -o DPkg::Lock::Timeout=300)
installed() { dpkg-query -W -f='${db:Status-Status}' zarnic 2>/dev/null | grep -qv not-installed; }
installed && { echo "SKIPPED: zarnic is installed on this machine already" && exit 77; }
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
"${apt[@]}" install -y "$deb" >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; fail "apt-get install"; }
mapfile -t files < <(dpkg -L zarnic | while read -r f; do [ -f "$f" ] && echo "$f"; done)
for file in "${files[@]}"; do
    [[ "$file" != /etc/* ]] || dpkg-query -W -f='${Conffiles}' zarnic | grep -q " $file " ||
        fail "$file is not a conffile"
done
[ "$(command -v zarnic)" = /usr/bin/zarnic ] || fail "zarnic on the path is '$(command -v zarnic)'"

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
echo "the package builds, is lintian-clean, installs, runs and purges"
