#!/usr/bin/env bash
# Installs, once, every Debian package the runtime, its tools and its tests need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build gcc-multilib g++-multilib googletest pkgconf binutils
  libsdl2-dev:i386
  libfreeimage-dev:i386
  libfreetype-dev:i386 libfontconfig-dev:i386 fontconfig
  fonts-dejavu-core fonts-liberation
  libopenal-dev:i386 libopenal1:i386
  libsndfile1-dev:i386 libmpg123-dev:i386 libopenmpt-dev:i386
  libavformat-dev:i386 libavcodec-dev:i386 libswscale-dev:i386
  libswresample-dev:i386 libavutil-dev:i386
  libfluidsynth-dev:i386 timgm6mb-soundfont
  ffmpeg
  libenet-dev:i386
  libegl-dev:i386 libgl-dev:i386 libegl-mesa0:i386 libgl1-mesa-dri:i386
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi

echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
