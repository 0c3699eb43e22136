#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, test and run.
# Idempotent: packages already present are skipped; safe to run again.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential g++ cmake ninja-build ccache pkg-config git clang libclang-rt-14-dev
  # Qt 6
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libgl-dev qt6-pdf-dev
  # libraries
  zlib1g-dev libjpeg62-turbo-dev libpng-dev libssl-dev libcups2-dev libharfbuzz-dev libfontconfig-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # fonts the renderer maps to
  fonts-liberation2 fonts-dejavu-core
  # independent oracles
  libzxing-dev zint libzint-dev qpdf poppler-utils emf2svg sqlite3 locales
  # SVG peers and oracles (only tests and benchmarks link them)
  qt6-svg-dev librsvg2-dev
  # servers that tests start on loopback
  cups cups-bsd postgresql
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
