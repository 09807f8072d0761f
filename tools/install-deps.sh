#!/usr/bin/env bash
# Installs every Debian package needed to build the project and run its tests.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build ccache pkg-config
  qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev libqt5svg5-dev qtscript5-dev
  libqt5sql5-sqlite libqt5sql5-psql
  postgresql sqlite3
  zint socat poppler-utils python3 python3-aiosmtpd time openssl
  fonts-liberation fonts-dejavu-core xvfb xauth imagemagick
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
