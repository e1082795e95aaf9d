#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it on this machine with apt-get,
# runs the installed program (installed_program_check: its own X server, a fresh HOME, no D-Bus)
# and purges the package again, also when a step fails. Afterwards the machine's package list is
# what it was before, and nothing of the package is left on disk.
#
# Needs root (or password-less sudo) and every run-time package already installed
# (scripts/install-deps.sh): it installs nothing but zarnic itself.
# Usage: package_test.sh SOURCE BUILD CHECK_PROGRAM APP_ID
set -uo pipefail

src=$1 build=$2 check=$3 app_id=$4
export DEBIAN_FRONTEND=noninteractive
skip=77

root=()
if [ "$(id -u)" -ne 0 ]; then
    if sudo -n true 2>/dev/null; then
        root=(sudo -n)
    else
        echo "SKIPPED: installing a package needs root or password-less sudo"
        exit $skip
    fi
fi
# Waits for the package database when another apt-get holds it, rather than failing at once.
apt=("${root[@]}" timeout 600 apt-get -q -o DPkg::Lock::Timeout=300)

package_state() { dpkg-query -W -f='${db:Status-Status}' zarnic 2>/dev/null || true; }
present() { case "$(package_state)" in "" | not-installed) return 1 ;; esac; }

# A run of this test that was killed after installing the package left this mark.
mark="$build/deb/installed-by-package-test"
if present; then
    if [ -f "$mark" ]; then
        echo "purging the package left by an interrupted run"
        "${apt[@]}" purge -y zarnic || exit 1
        rm -f "$mark"
    else
        echo "SKIPPED: zarnic is installed on this machine; this test would replace and remove it"
        exit $skip
    fi
fi

# Build. The build's own output goes to the log; its last line is the package's path.
deb=$(JOBS=${JOBS:-$(nproc)} "$src/scripts/build-package.sh" "$build" 2>&1 | tee "$build/deb-build.log" | tail -n1)
if [ ! -f "$deb" ]; then
    tail -n 40 "$build/deb-build.log"
    echo "FAIL: the package was not built"
    exit 1
fi
echo "package: $deb"
dpkg-deb --info "$deb" | sed -n '/^ Package:/,$p'

# Lintian: neither errors nor warnings.
findings=$(lintian --fail-on error,warning "$deb" 2>&1)
status=$?
grep -v 'running with root privileges' <<<"$findings"
if [ "$status" -ne 0 ]; then
    echo "FAIL: lintian reports errors or warnings"
    exit 1
fi

# Only zarnic itself may be installed: every dependency must already be there.
others=$("${apt[@]}" install -s "$deb" 2>&1 | sed -n 's/^Inst \([^ ]*\).*/\1/p' | grep -vx zarnic)
if [ -n "$others" ]; then
    echo "FAIL: installing the package would also install: $others"
    echo "      (run scripts/install-deps.sh first)"
    exit 1
fi

tmp=$(mktemp -d /tmp/zarnic-package-test-XXXXXX)
dpkg-query -W -f='${Package} ${Version} ${db:Status-Abbrev}\n' >"$tmp/before"
files=()

cleanup() {
    local status=$?
    trap - EXIT INT TERM HUP
    if [ -f "$mark" ]; then
        echo "purging the package"
        if ! "${apt[@]}" purge -y zarnic >"$tmp/purge.log" 2>&1; then
            cat "$tmp/purge.log"
            echo "FAIL: apt-get purge zarnic failed"
            status=1
        fi
        if present; then
            echo "FAIL: zarnic is still known to dpkg: $(package_state)"
            status=1
        else
            rm -f "$mark"
        fi
        for file in "${files[@]}"; do
            if [ -e "$file" ]; then
                echo "FAIL: left behind: $file"
                status=1
            fi
        done
        dpkg-query -W -f='${Package} ${Version} ${db:Status-Abbrev}\n' >"$tmp/after"
        if ! diff -u "$tmp/before" "$tmp/after"; then
            echo "FAIL: the machine's packages differ from before the test"
            status=1
        fi
    fi
    rm -rf "$tmp"
    exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

touch "$mark"
if ! "${apt[@]}" install -y "$deb"; then
    echo "FAIL: apt-get install of the package failed"
    exit 1
fi
mapfile -t files < <(dpkg -L zarnic | while read -r f; do [ -f "$f" ] && echo "$f"; done)
files+=(/usr/share/doc/zarnic)
[ -d /etc/zarnic ] && files+=(/etc/zarnic)
failures=0

# Every file under /etc is a conffile, kept across upgrades and removed by purge.
conffiles=$(dpkg-query -W -f='${Conffiles}\n' zarnic | awk 'NF { print $1 }')
for file in "${files[@]}"; do
    if [[ "$file" == /etc/* && -f "$file" ]] && ! grep -qx "$file" <<<"$conffiles"; then
        echo "FAIL: $file is not marked as a conffile"
        failures=$((failures + 1))
    fi
done
[ "$(command -v zarnic)" = /usr/bin/zarnic ] || {
    echo "FAIL: zarnic on the search path is '$(command -v zarnic)', not /usr/bin/zarnic"
    failures=$((failures + 1))
}

# The installed program, started the way the desktop starts it.
if ! ZARNIC_INSTALLED_BINARY=/usr/bin/zarnic ZARNIC_APP_ID="$app_id" timeout 180 "$check"; then
    echo "FAIL: the installed program did not start and end as it should"
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ]
