# Sourced by the benchmarks that race Irrlicht: build_peer NAME [FILE...]
# installs Irrlicht (32-bit) and Xvfb when they are missing, builds the
# runtime, and builds benchmarks/peers/NAME.cpp into build/benchmarks/NAME
# when it is older than its source, the peers' device header or the FILEs.
# The peer is built 32-bit like the runtime, so that both draw through the
# same Mesa.
build_peer() {
  local need=()
  [ -e /usr/lib/i386-linux-gnu/libIrrlicht.so ] || need+=(libirrlicht-dev:i386)
  command -v xvfb-run >/dev/null || need+=(xvfb)
  command -v xauth >/dev/null || need+=(xauth)
  if [ ${#need[@]} -gt 0 ]; then
    local sudo=; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y --no-install-recommends "${need[@]}" >/dev/null
  fi
  tools/build.sh >/dev/null
  local peer=build/benchmarks/$1 source=benchmarks/peers/$1.cpp stale=
  for f in "$source" benchmarks/peers/irrlicht_device.h "${@:2}"; do [ "$peer" -nt "$f" ] || stale=1; done
  if [ -n "$stale" ]; then
    g++ -m32 -O2 -o "$peer" "$source" -I/usr/include/irrlicht -lIrrlicht
  fi
}
