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
  zlib1g-dev:i386
  libegl-dev:i386 libgl-dev:i386 libegl-mesa0:i386 libgl1-mesa-dri:i386
  xvfb x11-apps
)

# A package name without an architecture matches every installed
# architecture of it (pkgconf and pkgconf:i386), one status per line.
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}\n' "$p" 2>/dev/null || true)
  grep -qx installed <<<"$status" || missing+=("$p")
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
# A mirror caught mid-sync fails one index while the rest are fresh; the
# install below still works from what did arrive, so only warn.
$sudo apt-get update -q || echo "install-deps: some package indexes could not be updated" >&2
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
