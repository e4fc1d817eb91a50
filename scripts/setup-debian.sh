#!/usr/bin/env bash
# Installs the Debian packages that the build, the program and its tests need.
# Safe to run again: it installs only what is missing and says nothing when all is there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-multimedia-dev libgl-dev
  qt6-qpa-plugins fonts-dejavu-core
  libzip-dev zlib1g-dev libcurl4-openssl-dev libsqlite3-dev
  libburn-dev libisofs-dev libisoburn-dev xorriso
  libespeak-ng-dev
  cron
  python3 python3-pyftpdlib python3-aiosmtpd
  zip unzip rsync
  openssl time strace valgrind
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
