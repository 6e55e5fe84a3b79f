#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quillmoth need.
# Only missing packages are installed; "apt-get update" runs at most once.
# Usage: scripts/install-deps.sh [--bench] [--gui-run]
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libpng-dev libjpeg-dev libtiff-dev zlib1g-dev libdeflate-dev libzip-dev libgif-dev
  libwebp-dev libavcodec-dev libavformat-dev libswscale-dev libavutil-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  desktop-file-utils appstream shared-mime-info
)
for arg in "$@"; do
  case "$arg" in
    --bench) packages+=(libpixman-1-dev libmypaint-dev ffmpeg) ;;
    --gui-run) packages+=(xvfb x11-apps) ;;
    *) echo "install-deps: unknown option $arg" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then SUDO="sudo"; else
    echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1
  fi
fi
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
