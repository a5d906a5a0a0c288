#!/usr/bin/env bash
# Installs the Debian packages QOR Vuruzid needs to build, run and test.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libx11-dev libxtst-dev libjpeg62-turbo-dev libxkbcommon-dev
  libgtest-dev libgmock-dev libbenchmark-dev libhunspell-dev
  hunspell-en-us hunspell-ru hunspell-tools onboard-data scowl codespell
  xvfb xauth openbox trayer xdotool x11-utils x11-xkb-utils imagemagick sway xwayland
  desktop-file-utils appstream fonts-dejavu-core fonts-liberation2
  libatspi2.0-dev at-spi2-core dbus-x11 python3-gi gir1.2-gtk-3.0 gir1.2-atspi-2.0 python3-dbusmock xterm
  firefox-esr chromium libglib2.0-bin procps
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run this script as root (or install them with apt-get)." >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
