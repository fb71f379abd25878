# Sourced by the benchmarks measured against Irrlicht.
#   need_irrlicht [xvfb]: installs Irrlicht (32-bit), and Xvfb when asked,
#     if they are missing.
#   build_peer NAME [FILE...]: builds build/benchmarks/NAME 32-bit like the
#     runtime from benchmarks/peers/NAME.cpp unless it is newer than that
#     source and the other files named; sets peer to its path.

need_irrlicht() {
  local need=()
  [ -e /usr/lib/i386-linux-gnu/libIrrlicht.so ] || need+=(libirrlicht-dev:i386)
  if [ "${1:-}" = xvfb ]; then
    command -v xvfb-run >/dev/null || need+=(xvfb)
    command -v xauth >/dev/null || need+=(xauth)
  fi
  if [ ${#need[@]} -gt 0 ]; then
    local sudo=; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y --no-install-recommends "${need[@]}" >/dev/null
  fi
}

build_peer() {
  local name=$1 source=benchmarks/peers/$1.cpp stale=
  shift
  peer=build/benchmarks/$name
  for file in "$source" "$@"; do [ "$peer" -nt "$file" ] || stale=1; done
  if [ -n "$stale" ]; then
    g++ -m32 -O2 -o "$peer" "$source" -I/usr/include/irrlicht -lIrrlicht
  fi
}
