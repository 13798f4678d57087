#!/usr/bin/env bash
# Installs the Debian packages that VORLA needs to build, test and run.
# Safe to run again: it installs only what is missing.
set -euo pipefail

PACKAGES=(
  build-essential
  cmake
  pkg-config
  python3
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  libsqlite3-dev
  sqlite3
  libpq-dev
  libssl-dev
  postgresql
  qt6-base-dev
  qt6-svg-dev
  poppler-utils
  fonts-liberation2
  clang-format
  clang-tidy
  help2man
  desktop-file-utils
  appstream
  lintian
  dpkg-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
