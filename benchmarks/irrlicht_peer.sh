# Sourced by the benchmarks whose peer is Irrlicht: installs Irrlicht and
# Xvfb when they are missing, builds everything, and has both sides draw
# through Mesa's llvmpipe. best prints the largest of its arguments.
need=()
[ -e /usr/lib/i386-linux-gnu/libIrrlicht.so ] || need+=(libirrlicht-dev:i386)
command -v xvfb-run >/dev/null || need+=(xvfb)
command -v xauth >/dev/null || need+=(xauth)
if [ ${#need[@]} -gt 0 ]; then
  sudo=; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get install -y --no-install-recommends "${need[@]}" >/dev/null
fi
tools/build.sh >/dev/null
export LIBGL_ALWAYS_SOFTWARE=1
best() { printf '%s\n' "$@" | sort -g | tail -1; }
