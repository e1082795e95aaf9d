#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Zarnic! need,
# and only those that are missing. Safe to run again: it does nothing when all is there.
# With --bench, also those only the benchmark needs (make bench).
set -euo pipefail

packages=(
    # build
    cmake make g++ pkg-config libgtkmm-3.0-dev libwebkit2gtk-4.1-dev libsoup-3.0-dev
    libglib2.0-dev-bin
    # the pictures, drawn as SVG, are rendered to PNG at build time
    librsvg2-bin
    # the Debian package: dependencies from the linked libraries, Debian's build flags
    dpkg-dev
    # run time: web process sandbox, fonts, media, the system-information tool
    bubblewrap xdg-dbus-proxy fonts-liberation2 fonts-dejavu-core fonts-dejavu-extra
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good hardinfo
    # tests: the window managers of the desktops, KDE's (with its window frames) and GNOME's
    kwin-x11 kwin-style-breeze mutter
    # tests
    libgtest-dev libx11-dev libxcb1-dev libxcb-record0-dev libxcb-xtest0-dev xvfb xauth openbox
    xdotool xclip x11-utils imagemagick
    gstreamer1.0-tools clang-format
    # tests: what a screen reader reads (AT-SPI on a private D-Bus bus), the themes looked at
    libatspi2.0-dev at-spi2-core dbus-daemon gnome-themes-extra
    # tests of the installed tree and of the package
    desktop-file-utils appstream lintian
    # benchmark (make bench): its driver
    python3
)
if [ "${1:-}" = "--bench" ]; then
    # the soak's pages (Debian's Node.js API documentation) and its plot
    packages+=(nodejs-doc python3-matplotlib)
fi

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
