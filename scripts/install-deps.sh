#!/usr/bin/env bash
# Installs every Debian package Tarvelin needs to build, test and run. Idempotent:
# packages already present are skipped, and apt is only asked when something is missing.
# With --fuzz, the compiler of the fuzz targets is added (make fuzz; make test needs none of it);
# with --screenshots, the X server without a screen that docs/ pictures are taken on.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libpugixml-dev libsqlite3-dev libzip-dev
  qt6-base-dev qt6-image-formats-plugins libfontconfig-dev
  libharfbuzz-dev liblcms2-dev zlib1g-dev libqpdf-dev
  libgs-common
  qpdf poppler-utils ghostscript
  fonts-dejavu-core fonts-liberation2 fonts-urw-base35
  clang-format python3
  librsvg2-bin
)
case "${1:-}" in
  --fuzz) PACKAGES+=(clang-14 libclang-rt-14-dev) ;;
  --screenshots) PACKAGES+=(xvfb xauth) ;;
esac

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
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
