#!/usr/bin/env bash
# Installs the Debian packages that VORLA needs to build, test and run:
#   scripts/install-deps.sh        everything: the programs, the tests, the checks, the package
#   scripts/install-deps.sh demo   only what building and running the two programs needs
# Safe to run again: it installs only what is missing.
set -euo pipefail

# Building and running vorla and vorla-cli (scripts/demo.sh).
DEMO_PACKAGES=(
  build-essential
  cmake
  pkg-config
  libsqlite3-dev
  libpq-dev
  libssl-dev
  qt6-base-dev
  qt6-svg-dev
  fonts-liberation2
)
# The tests (the window tests on a virtual screen under a window manager
# among them), the benchmarks, the checks and the Debian package.
MORE_PACKAGES=(
  python3
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  sqlite3
  postgresql
  poppler-utils
  xvfb
  openbox
  x11-utils
  clang-format
  clang-tidy
  help2man
  desktop-file-utils
  appstream
  lintian
  dpkg-dev
)

case "${1:-all}" in
  all) PACKAGES=("${DEMO_PACKAGES[@]}" "${MORE_PACKAGES[@]}") ;;
  demo) PACKAGES=("${DEMO_PACKAGES[@]}") ;;
  *)
    echo "usage: $0 [demo]" >&2
    exit 2
    ;;
esac

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
