#!/usr/bin/env bash
# Starts or stops the X server that windowed tests draw in.
#   xvfb-server.sh start STATE_DIR   picks a free display, writes its name
#                                    (":N") to STATE_DIR/display
#   xvfb-server.sh stop STATE_DIR
set -euo pipefail
action=$1
state=$2
mkdir -p "$state"
case "$action" in
  start)
    "$0" stop "$state"
    # -displayfd writes the display number once the server accepts clients.
    Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$state/number" 2>"$state/xvfb.log" &
    echo $! >"$state/pid"
    for _ in $(seq 100); do
      if [[ -s "$state/number" ]]; then
        echo ":$(head -n1 "$state/number")" >"$state/display"
        exit 0
      fi
      kill -0 "$(cat "$state/pid")" 2>/dev/null || break
      sleep 0.1
    done
    echo "Xvfb did not start:" >&2
    cat "$state/xvfb.log" >&2
    exit 1
    ;;
  stop)
    if [[ -f "$state/pid" ]]; then
      kill "$(cat "$state/pid")" 2>/dev/null || true
      rm -f "$state/pid" "$state/display" "$state/number"
    fi
    ;;
esac
