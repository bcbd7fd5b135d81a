#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail
PACKAGES=(g++ cmake make ninja-build lld ccache pkg-config qt6-base-dev libgl-dev libsqlite3-dev sqlite3 libgtest-dev libgmock-dev
          libbenchmark-dev libgif-dev libsodium-dev libcurl4-openssl-dev libzip-dev libpugixml-dev python3
          fonts-dejavu-core xdg-utils)
# The database server's client library and the Spanish order (ICU) that both engines share.
PACKAGES+=(libpq-dev libicu-dev)
# Faces with the workstation fonts' metrics; Qt's own menus and dialogs in Spanish.
PACKAGES+=(fonts-liberation2 qt6-translations-l10n)
if [ "${1:-}" = "--tests" ]; then
  PACKAGES+=(imagemagick python3-pil icoutils giflib-tools gifsicle poppler-utils xvfb xauth cups printer-driver-cups-pdf
            python3-aiosmtpd openssl python3-docx libreoffice-writer-nogui)
  # The lane that drives the real program under a window manager.
  PACKAGES+=(openbox xdotool x11-utils x11-xkb-utils xclip)
  # The tests start a private database server.
  PACKAGES+=(postgresql)
  # A data folder on a share that is lost and mounted again.
  PACKAGES+=(bindfs fuse3)
  # The sanitizer build and the fuzz targets.
  PACKAGES+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
