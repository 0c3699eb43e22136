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
  libzxing-dev zint libzint-dev dmtx-utils qpdf poppler-utils emf2svg sqlite3 locales python3-fonttools
  # SVG peers and oracles (only tests and benchmarks link them)
  qt6-svg-dev librsvg2-dev librsvg2-bin
  # prepared reports checked by a general XML reader
  libxml2-utils
  # servers that tests start on loopback
  cups cups-bsd postgresql
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# Node and npm run the ZPL renderer oracle; a Node from elsewhere that brings
# its own npm (and conflicts with Debian's) is kept.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
else
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The ZPL renderer the end-to-end tests use, kept inside the project
# (tools/node/node_modules, ignored by git). Without network the tests skip.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ZPL_RENDERER_VERSION=3.4.0
if [ -f "$ROOT/tools/node/node_modules/zpl-renderer-js/package.json" ] \
   && grep -q "\"version\": \"$ZPL_RENDERER_VERSION\"" "$ROOT/tools/node/node_modules/zpl-renderer-js/package.json"; then
  echo "install-deps: zpl-renderer-js present"
else
  mkdir -p "$ROOT/tools/node"
  if ! npm install --prefix "$ROOT/tools/node" --no-save --no-audit --no-fund --loglevel=error \
      "zpl-renderer-js@$ZPL_RENDERER_VERSION"; then
    echo "install-deps: could not install zpl-renderer-js; its tests will be skipped" >&2
  fi
fi
