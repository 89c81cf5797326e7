#!/usr/bin/env bash
# Installs what building, running and testing need, from Debian packages.
# Does nothing for packages already present. Needs root (or sudo) for apt.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
  qt6-base-dev libqt6printsupport6 qt6-qpa-plugins
  libjpeg62-turbo-dev liblcms2-dev libuemf-dev libcups2-dev
  fonts-liberation2 fonts-dejavu-core fonts-wine
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils xclip imagemagick poppler-utils python3
  cups cups-client cups-bsd printer-driver-cups-pdf ghostscript
  dpkg-dev desktop-file-utils lintian appstream man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
