# What the benchmarks against Irrlicht share, sourced from the repository
# root: Irrlicht and Xvfb installed when missing, the runtime built, Mesa's
# software driver for both sides, and the figures read from what the
# programs print.

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
# NO_RASTER=1 runs both sides on Mesa's no-op driver, which draws nothing:
# the frame rates are then what each engine and OpenGL's own bookkeeping
# cost a frame, as where a GPU draws in no time.
if [ "${NO_RASTER:-}" = 1 ]; then export GALLIUM_NOOP=1; fi

# build_peer NAME [HEADER...]: build/benchmarks/NAME from
# benchmarks/peers/NAME.cpp and the headers it includes besides
# irrlicht_frames.h, 32-bit like the runtime so that both draw through the
# same Mesa; with OpenGL itself too, for peers that read back their frames.
build_peer() {
  local peer=build/benchmarks/$1 source=benchmarks/peers/$1.cpp
  shift
  local input
  for input in "$source" benchmarks/peers/irrlicht_frames.h "$@"; do
    if [ ! "$peer" -nt "$input" ]; then
      g++ -m32 -O2 -o "$peer" "$source" -I/usr/include/irrlicht -lIrrlicht -lGL
      break
    fi
  done
  echo "$peer"
}
fps() { sed -n 's/.*: \([0-9.e+]*\) fps.*/\1/p' | tail -1; }
best() { printf '%s\n' "$@" | sort -g | tail -1; }
