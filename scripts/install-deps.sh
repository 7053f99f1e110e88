#!/usr/bin/env bash
# Installs what Korimo needs to build, run and test on Debian 12, and only what is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  libmpv-dev libavformat-dev libavcodec-dev libavutil-dev
  libturbojpeg0-dev libjpeg62-turbo-dev
  libgif-dev libimagequant-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libvips-dev
  clang libclang-rt-14-dev clang-format
  ffmpeg
  libxcb1-dev weston qt6-wayland
  xvfb xauth xdotool xclip x11-utils imagemagick openbox
  fonts-dejavu-core fonts-liberation fontconfig
  cups cups-client cups-bsd printer-driver-cups-pdf libcups2-dev
  python3
  poppler-utils
  acl
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
